#pragma once

#include "Failure.h"
#include "FolderListing.h"

#include <string>

namespace renamer {

// Reads folders whole: all the cue snapshot needs of a file system.
class FolderReader {
public:
    virtual ~FolderReader() = default;

    // The folder at `path` (links followed) and every entry in it, hidden
    // ones included. Fails when `path` names no folder or it cannot be read.
    virtual Result<FolderListing> readFolder(const std::string& path) = 0;
};

} // namespace renamer
