#pragma once

#include "FileSystem.h"

#include <string>
#include <vector>

namespace renamer {

// A file system that holds one folder, kFolder, whose files are the given
// names in the given order: lets the headless driver put rows from standard
// input into a real session by dropping that folder. Nothing can be moved.
class NamesAsFolder final : public FileSystem {
public:
    static constexpr const char* kFolder = "/names";

    explicit NamesAsFolder(const std::vector<std::string>& names)
    {
        for (const std::string& name : names)
            names_.add(name);
    }

    Result<std::uint32_t> attributes(const std::string& path) override
    {
        return path == kFolder ? kDirectoryAttribute : 0;
    }
    Result<FolderHandle> lookUpFolder(const std::string& path) override { return FolderHandle{path}; }
    Result<FolderFiles> listFolderFiles(const FolderHandle&) override { return FolderFiles{kFolder, names_, {}, {}}; }
    Result<FileHandle> lookUpFile(const std::string&) override { return failWith("文件未找到"); }
    Result<OpenFolderPtr> openFolder(const std::string& path) override
    {
        return std::make_shared<const OpenFolder>(path, FileIdentity{});
    }
    Result<FileHandle> lookUpFileIn(const OpenFolderPtr&, std::string_view) override { return failWith("文件未找到"); }
    Result<DirectoryNames> readDirectoryNames(const std::string&) override
    {
        DirectoryNames names;
        names.names = names_;
        return names;
    }
    Result<std::string> move(const FileHandle&, const std::string&) override { return failWith("只读文件系统"); }

private:
    NameList names_;
};

} // namespace renamer
