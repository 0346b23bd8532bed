#pragma once

#include "FileSystem.h"

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

} // namespace renamer
