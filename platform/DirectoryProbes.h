#pragma once

#include "FolderListing.h"

#include <optional>

namespace renamer {

// Whether the open directory `directory`, which lists `names`, treats names
// that differ in letter case as one. A listed name is looked up with the case
// of its ASCII letters swapped: if that spelling is listed too, case counts;
// if it resolves without being listed, it is the listed entry under another
// spelling. Inode numbers cannot tell, since some FUSE drivers give every
// spelling its own. Nothing when no listed name has an ASCII letter.
std::optional<bool> probeCaseInsensitivity(int directory, const NameList& names);

// Whether this process may create and remove entries in the open directory.
FolderAccess folderAccessOf(int directory);

// Whether the inode numbers of the entries in the open directory, which lies
// on a FUSE volume, are the driver's own, so that a later look-up gives the
// same number again. Drivers without numbers of their own (exfat-fuse,
// fusefat, sshfs) list every entry as FUSE_UNKNOWN_INO and get a number made
// up per look-up, which changes once the kernel forgets the entry; ntfs-3g
// lists the volume's own. A folder that lists nothing, not even "." and "..",
// says nothing and counts as made up.
bool fuseKeepsInodeNumbers(int directory);

} // namespace renamer
