#pragma once

#include "CaseFolding.h"
#include "FileSystem.h"
#include "UserTexts.h"

#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace renamer::test_support {

// A file system held in memory, for tests that need no disk. Its folders
// hold the files the test puts there, listed in the order they were put,
// and each has the facts a test may choose: its volume's profile (kind,
// length limit, whether inode numbers last), its access, whether it ignores
// letter case, its identity. Files get made-up inode numbers of their own
// unless the test gives them. Paths are absolute, without trailing "/".
class InMemoryFileSystem final : public FileSystem {
public:
    // Every read, open, look-up and move, in order, when `recording` is set.
    bool recording = false;
    std::vector<std::string> calls;
    // Names the volume stores otherwise than asked (asked -> stored), as a
    // driver that alters names does.
    std::map<std::string, std::string> storedAs;

    // Makes the folder at `path` with the entries and facts of `listing`:
    // its names (files unless `kinds` says otherwise), their inode numbers
    // as given (unknown where `inodes` has none), its identity (made up
    // when unknown), access, letter-case rule and volume profile. A folder
    // made again starts afresh.
    void addFolder(const std::string& path, const FolderListing& listing = {})
    {
        Folder& folder = folders_[path];
        folder = Folder{listing, {}, {}};
        folder.facts.names = {};
        folder.facts.kinds = {};
        folder.facts.inodes = {};
        if (!folder.facts.folder.known())
            folder.facts.folder = {kDevice, nextInode_++};
        for (std::size_t i = 0; i < listing.names.size(); ++i)
            folder.add(std::string(listing.names[i]), i < listing.kinds.size() ? listing.kinds[i] : EntryKind::File,
                       i < listing.inodes.size() ? listing.inodes[i] : 0);
    }

    // Puts a file at `path`, in its folder (made with the default facts
    // where there is none yet), with the inode number given, 0 for unknown,
    // or else one made up.
    void addFile(const std::string& path, std::optional<std::uint64_t> inode = std::nullopt)
    {
        const auto [parent, name] = split(path);
        if (!folders_.contains(parent))
            addFolder(parent);
        folders_.at(parent).add(name, EntryKind::File, inode ? *inode : nextInode_++);
    }

    Result<std::uint32_t> attributes(const std::string& path) override
    {
        if (folders_.contains(path))
            return kDirectoryAttribute;
        const auto [parent, name] = split(path);
        const auto folder = folders_.find(parent);
        if (folder == folders_.end() || !folder->second.find(name))
            return failWith(failureOf(FailureKind::NotFound));
        return folder->second.find(name)->kind == EntryKind::Folder ? kDirectoryAttribute : 0;
    }

    Result<FolderListing> readFolder(const std::string& path) override
    {
        record("read " + path);
        const auto found = folders_.find(path);
        if (found == folders_.end())
            return failWith(failureOf(FailureKind::NotFound));
        const Folder& folder = found->second;
        FolderListing listing = folder.facts;
        listing.path = path;
        for (const Entry& entry : folder.entries) {
            listing.names.add(entry.name);
            listing.kinds.push_back(entry.kind);
            listing.inodes.push_back(trustedInode(listing, entry.inode));
        }
        return listing;
    }

    Result<FileHandle> lookUpFile(const std::string& path) override
    {
        const auto [parent, name] = split(path);
        auto folder = openFolder(parent);
        if (!folder)
            return std::unexpected(folder.error());
        return lookUpFileIn(*folder, name);
    }

    Result<OpenFolderPtr> openFolder(const std::string& path) override
    {
        record("open " + path);
        const auto found = folders_.find(path);
        if (found == folders_.end())
            return failWith(failureOf(FailureKind::NotFound));
        return std::make_shared<const OpenFolder>(path, found->second.facts.folder, found->second.facts);
    }

    // Holds no links: the resolved path is the folder's own.
    Result<OpenFolderPtr> reopenFolder(const std::string& path, const std::string& resolvedPath) override
    {
        if (resolvedPath != path)
            return failWith(failureOf(FailureKind::FolderReplaced));
        return openFolder(path);
    }

    Result<FileHandle> lookUpFileIn(const OpenFolderPtr& open, std::string_view name) override
    {
        record("look up " + std::string(name) + " in " + open->path());
        const Folder& folder = folders_.at(open->path());
        const Entry* entry = folder.find(name);
        if (entry == nullptr)
            return failWith(failureOf(FailureKind::NotFound));
        if (entry->kind == EntryKind::Folder)
            return failWith("a folder");
        return FileHandle{entry->name, open->path(), {kDevice, trustedInode(folder.facts, entry->inode)}, open};
    }

    Result<std::string> move(const FileHandle& file, const std::string& destination) override
    {
        record("move to " + destination);
        const std::string prefix = file.parentPath == "/" ? "//" : file.parentPath + "/";
        if (!destination.starts_with(prefix))
            return failWith(failureOf(FailureKind::NameRefused));
        const std::string newName = destination.substr(prefix.size());
        const auto found = folders_.find(file.parentPath);
        if (found == folders_.end())
            return failWith(failureOf(FailureKind::NotFound));
        Folder& folder = found->second;
        if (folder.facts.access != FolderAccess::Writable)
            return failWith(failureOf(folder.facts.access == FolderAccess::ReadOnlyVolume ? FailureKind::ReadOnly
                                                                                           : FailureKind::NoRights));
        if (const auto refusal = refusalOf(newName, folder.facts.volumeKind, folder.facts.longestName))
            return failWith(nameRefusedFailure(*refusal));
        const auto source = folder.byKey.find(folder.keyOf(file.name));
        if (source == folder.byKey.end())
            return failWith(failureOf(FailureKind::NotFound));
        const std::size_t index = source->second;
        const std::string newKey = folder.keyOf(newName);
        if (newKey != source->first && folder.byKey.contains(newKey))
            return failWith(failureOf(FailureKind::Exists));
        const auto stored = storedAs.find(newName);
        const std::string storedName = stored == storedAs.end() ? newName : stored->second;
        folder.byKey.erase(source);
        folder.entries[index].name = storedName;
        folder.byKey[folder.keyOf(storedName)] = index;
        return storedName;
    }

    Result<void> exchange(const FileHandle& a, const FileHandle& b) override
    {
        record("exchange " + a.name + " and " + b.name + " in " + a.parentPath);
        Folder& folder = folders_.at(a.parentPath);
        if (!folder.facts.canExchange)
            return failWith(failureOf(FailureKind::Unsupported));
        const auto first = folder.byKey.find(folder.keyOf(a.name));
        const auto second = folder.byKey.find(folder.keyOf(b.name));
        if (first == folder.byKey.end() || second == folder.byKey.end())
            return failWith(failureOf(FailureKind::NotFound));
        std::swap(folder.entries[first->second].name, folder.entries[second->second].name);
        std::swap(first->second, second->second);
        return {};
    }

private:
    static constexpr std::uint64_t kDevice = 1;

    struct Entry {
        std::string name;
        EntryKind kind;
        std::uint64_t inode;
    };
    struct Folder {
        FolderListing facts; // all but its entries
        std::vector<Entry> entries;
        std::unordered_map<std::string, std::size_t> byKey; // as the folder compares names; the last of a kind

        std::string keyOf(std::string_view name) const
        {
            std::string key(name);
            if (facts.caseInsensitive)
                foldCase(name, key);
            return key;
        }
        void add(std::string name, EntryKind kind, std::uint64_t inode)
        {
            byKey[keyOf(name)] = entries.size();
            entries.push_back({std::move(name), kind, inode});
        }
        const Entry* find(std::string_view name) const
        {
            const auto found = byKey.find(keyOf(name));
            return found == byKey.end() ? nullptr : &entries[found->second];
        }
    };

    static std::pair<std::string, std::string> split(const std::string& path)
    {
        const std::size_t slash = path.rfind('/');
        if (slash == std::string::npos)
            return {"", path};
        return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
    }
    void record(std::string call)
    {
        if (recording)
            calls.push_back(std::move(call));
    }

    std::map<std::string, Folder> folders_;
    std::uint64_t nextInode_ = 2;
};

} // namespace renamer::test_support
