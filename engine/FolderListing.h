#pragma once

#include "FileIdentity.h"
#include "NameList.h"
#include "VolumeProfile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace renamer {

// Whether a rename in a folder can work at all, as far as rights go.
enum class FolderAccess : std::uint8_t {
    Writable,
    ReadOnlyVolume, // mounted read-only
    NoWriteRights,  // the user may not create or remove entries in the folder
    // A folder of a sandboxed application's document portal whose host
    // folder is unknown: a rename there would not reach the file.
    InDocumentPortal,
};

enum class EntryKind : std::uint8_t {
    File,   // anything but a folder: a link counts as what it points to, a dangling one as a file
    Folder, // a folder or a link to one
};

// One read of a folder: every entry, with its kind and identity, how the
// folder compares names, and the profile of the volume it lies on (whose
// facts are read as the folder's own: `listing.volumeKind`). A drop takes
// the files from it; the cue snapshot keeps it whole, for what a new name
// there may collide with or be refused for.
struct FolderListing : VolumeProfile {
    std::string path; // absolute, without trailing "/" but the root's: what each file's parentPath is
    NameList names;   // every entry but "." and "..", in the file system's listing order
    std::vector<EntryKind> kinds;      // of each name
    std::vector<std::uint64_t> inodes; // of each name, links not followed, 0 where unknown; may be empty: all unknown
    std::vector<std::uint32_t> fingerprints; // of each name (FileIdentity); may be empty: all unknown
    std::string resolvedPath;          // `path` without symbolic links, as OpenFolder::resolvedPath; empty where unknown
    // Where files are told by their birth time (FileFingerprint::BirthTime),
    // when the reading began, in nanoseconds since 1970: a file born later
    // is not one listed. 0 where unknown.
    std::int64_t listedAt = 0;
    FileIdentity folder;               // of the folder itself
    FolderAccess access = FolderAccess::Writable;
    bool caseInsensitive = false;      // "a.txt" and "A.TXT" name the same entry
};

// What the cue snapshot keeps of each directory.
using DirectoryNames = FolderListing;

} // namespace renamer
