#pragma once

#include "FileSystem.h"

#include <cstddef>
#include <expected>
#include <string>
#include <vector>

namespace renamer {

// A file whose name goes round with others': it takes the name the next
// file has, and the last file takes the first one's.
struct RotatingFile {
    FileHandle file;     // as found under its old name, in the folder held open
    std::string newName; // the next file's old name, as its folder compares names
};

// Which file's step failed, and why.
struct RotationFailure {
    std::size_t file;
    Failure failure;
};

// Gives every file its new name, in `folder`. Where the volume can exchange
// two names and every new name is spelled as the next file's old name, n
// files take n-1 exchanges of the first file's name with the next one's;
// otherwise the first file goes under a temporary name (TemporaryName.h),
// the others take their new names from the last one back, and the first
// file its own. Before each step the files it moves are looked up again,
// and a name that holds another file than the one put or found there stops
// the rotation (FailureKind::FileReplaced). When a step fails, the steps
// made are undone, so every file has its old name again; were that to fail
// too, the failure says so, and where the first file was left. Returns the
// name each file has afterwards, as the volume stored it.
std::expected<std::vector<std::string>, RotationFailure> rotateNames(FileSystem& fileSystem,
                                                                      const OpenFolderPtr& folder,
                                                                      const std::vector<RotatingFile>& files);

} // namespace renamer
