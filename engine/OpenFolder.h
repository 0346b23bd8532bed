#pragma once

#include "FileIdentity.h"
#include "VolumeProfile.h"

#include <memory>
#include <string>
#include <utility>

namespace renamer {

// A folder the file system holds open (a directory descriptor on POSIX). A
// file looked up through it, and that file's move, stay in this very folder
// even when its path is made to name another folder meanwhile. It knows the
// profile of the volume it lies on, and the path it resolved to when it was
// opened: absolute, without any symbolic link (its own path, where unknown).
class OpenFolder {
public:
    OpenFolder(std::string path, FileIdentity identity, const VolumeProfile& volume = {},
               std::string resolvedPath = {})
        : path_(std::move(path))
        , resolvedPath_(resolvedPath.empty() ? path_ : std::move(resolvedPath))
        , identity_(identity)
        , volume_(volume)
    {
    }
    virtual ~OpenFolder() = default;
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    const std::string& path() const { return path_; }
    const std::string& resolvedPath() const { return resolvedPath_; }
    const FileIdentity& identity() const { return identity_; }
    const VolumeProfile& volume() const { return volume_; }

private:
    std::string path_;
    std::string resolvedPath_;
    FileIdentity identity_;
    VolumeProfile volume_;
};
using OpenFolderPtr = std::shared_ptr<const OpenFolder>;

} // namespace renamer
