#pragma once

#include "DirectorySnapshot.h"
#include "FileList.h"
#include "NameList.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace renamer {

// The names of a batch's rows as their folders compare them (letter case
// folded where a folder ignores it): which names the batch has filled with
// a file it moved, where rows cannot tell files by inode, and, for the plan
// (BatchPlan.h), which rows have a name as their old name and which names
// the batch has given to a file or taken from one.
class BatchNames {
public:
    // `folders`, where given, tells which folders ignore letter case (an
    // unread one does not); without it the rows' folders are read through
    // `reader` when a name is first compared.
    BatchNames(const FileList& list, const DirectorySnapshot* folders, FolderReader& reader);

    // Whether the batch has moved a file to `name` in `row`'s folder, where
    // that folder has rows whose files have no known inode number.
    bool filled(std::uint32_t row, std::string_view name) const;
    // `row`'s file went from `oldName` to `newName`.
    void rename(std::uint32_t row, std::string_view oldName, std::string_view newName);

    // The plan's names, made the first time a row finds its name taken:
    // `oldNames` holds every row's FileName as the batch began. A row with
    // an empty NewName whose FileName is no longer its old name has been
    // renamed already, and has taken its old name and given its new one.
    void indexRows(const NameList& oldNames);
    bool rowsIndexed() const { return !oldNameRow_.empty(); }
    // The first row with the same old name as `row`, and the next one after it (0 for none).
    std::uint32_t oldNameRow(std::uint32_t row) const { return oldNameRow_[row]; }
    std::uint32_t nextRowNamedAlike(std::uint32_t row) const { return nextRowNamedAlike_[row]; }
    // The first row whose old name is `name` in `row`'s folder, 0 for none.
    std::uint32_t firstRowNamed(std::uint32_t row, std::string_view name) const;
    // Whether the batch has given `name` in `row`'s folder to a file or taken it from one.
    bool touched(std::uint32_t row, std::string_view name) const;
    // Whether renaming `row` from `oldName` to `newName` takes its file off its old name.
    bool leaves(std::uint32_t row, std::string_view oldName, std::string_view newName) const;

private:
    struct Directory {
        std::string_view path;
        bool unknownFiles = false; // some row's file there has no known inode number
    };
    std::uint32_t directoryOf(std::uint32_t row) const { return directoryOfFolder_[list_.folderOf(row)]; }
    // The folder's number and the name as the folder compares names.
    std::string keyOf(std::uint32_t row, std::string_view name) const;
    const std::vector<bool>& ignoresCase() const;

    const FileList& list_;
    mutable const DirectorySnapshot* folders_;
    FolderReader& reader_;
    std::vector<std::uint32_t> directoryOfFolder_; // by the list's folder: one per path
    std::vector<Directory> directories_;
    // Read when first needed, by directory.
    mutable DirectorySnapshot read_;
    mutable std::vector<bool> ignoresCase_;
    std::unordered_set<std::string> filled_;
    std::unordered_map<std::string, std::uint32_t> firstRow_;
    std::vector<std::uint32_t> oldNameRow_;        // by row
    std::vector<std::uint32_t> nextRowNamedAlike_; // by row
    std::unordered_set<std::string> touched_;
};

} // namespace renamer
