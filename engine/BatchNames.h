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
// folded where a folder ignores it), for the plan (BatchPlan.h): which rows
// have a name as their old name, and which names the batch has given to a
// file or taken from one so far.
class BatchNames {
public:
    // `oldNames` holds every row's FileName as the batch began; `folders`
    // tells which folders ignore letter case (an unread one does not). A row
    // with an empty NewName whose FileName is no longer its old name has
    // been renamed already, and has taken its old name and given its new one.
    BatchNames(const FileList& list, const NameList& oldNames, const DirectorySnapshot& folders);

    // The first row with the same old name as `row`, and the next one after it (0 for none).
    std::uint32_t oldNameRow(std::uint32_t row) const { return oldNameRow_[row]; }
    std::uint32_t nextRowNamedAlike(std::uint32_t row) const { return nextRowNamedAlike_[row]; }
    // The first row whose old name is `name` in `row`'s folder, 0 for none.
    std::uint32_t firstRowNamed(std::uint32_t row, std::string_view name) const;
    // Whether the batch has given `name` in `row`'s folder to a file or taken it from one.
    bool touched(std::uint32_t row, std::string_view name) const;
    // Whether renaming `row` from `oldName` to `newName` takes its file off its old name.
    bool leaves(std::uint32_t row, std::string_view oldName, std::string_view newName) const;
    // `row`'s file went from `oldName` to `newName`.
    void rename(std::uint32_t row, std::string_view oldName, std::string_view newName);

private:
    // The folder's number and the name as the folder compares names.
    std::string keyOf(std::uint32_t row, std::string_view name) const;

    const FileList& list_;
    std::vector<std::uint32_t> directoryOfFolder_; // by the list's folder: one per path
    std::vector<bool> ignoresCase_;                // by directory
    std::unordered_map<std::string, std::uint32_t> firstRow_;
    std::vector<std::uint32_t> oldNameRow_;        // by row
    std::vector<std::uint32_t> nextRowNamedAlike_; // by row
    std::unordered_set<std::string> touched_;
};

} // namespace renamer
