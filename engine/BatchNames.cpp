#include "BatchNames.h"

#include "CaseFolding.h"

#include <cstring>

namespace renamer {

BatchNames::BatchNames(const FileList& list, const NameList& oldNames, const DirectorySnapshot& folders)
    : list_(list)
{
    std::unordered_map<std::string_view, std::uint32_t> directoryOfPath;
    for (FileList::FolderNumber folder = 0; folder < list.folderCount(); ++folder) {
        const std::string_view path = list.folderPath(folder);
        const auto [found, added] = directoryOfPath.try_emplace(path, static_cast<std::uint32_t>(ignoresCase_.size()));
        if (added) {
            const DirectoryNames* names = folders.find(path);
            ignoresCase_.push_back(names != nullptr && names->caseInsensitive);
        }
        directoryOfFolder_.push_back(found->second);
    }

    const auto rowCount = static_cast<std::uint32_t>(list.rowCount());
    oldNameRow_.assign(rowCount + 1, 0);
    nextRowNamedAlike_.assign(rowCount + 1, 0);
    std::vector<std::uint32_t> lastRowNamed(rowCount + 1, 0); // by the first row with the name
    for (std::uint32_t row = 1; row <= rowCount; ++row) {
        const std::uint32_t first = firstRow_.try_emplace(keyOf(row, oldNames[row - 1]), row).first->second;
        oldNameRow_[row] = first;
        if (first != row)
            nextRowNamedAlike_[lastRowNamed[first]] = row;
        lastRowNamed[first] = row;
    }
    for (std::uint32_t row = 1; row <= rowCount; ++row) {
        const std::string_view fileName = list.cell(row, ColumnKey::FileName);
        if (list.cell(row, ColumnKey::NewName).empty() && fileName != oldNames[row - 1])
            rename(row, oldNames[row - 1], fileName);
    }
}

std::string BatchNames::keyOf(std::uint32_t row, std::string_view name) const
{
    const std::uint32_t directory = directoryOfFolder_[list_.folderOf(row)];
    std::string key(sizeof directory, '\0');
    std::memcpy(key.data(), &directory, sizeof directory);
    if (!ignoresCase_[directory]) {
        key += name;
        return key;
    }
    std::string folded;
    foldCase(name, folded);
    return key + folded;
}

std::uint32_t BatchNames::firstRowNamed(std::uint32_t row, std::string_view name) const
{
    const auto found = firstRow_.find(keyOf(row, name));
    return found == firstRow_.end() ? 0 : found->second;
}

bool BatchNames::touched(std::uint32_t row, std::string_view name) const
{
    return touched_.contains(keyOf(row, name));
}

bool BatchNames::leaves(std::uint32_t row, std::string_view oldName, std::string_view newName) const
{
    return !newName.empty() && newName != oldName && keyOf(row, newName) != keyOf(row, oldName);
}

void BatchNames::rename(std::uint32_t row, std::string_view oldName, std::string_view newName)
{
    if (newName == oldName)
        return;
    touched_.insert(keyOf(row, oldName));
    touched_.insert(keyOf(row, newName));
}

} // namespace renamer
