#include "BatchNames.h"

#include "CaseFolding.h"

#include <cstring>

namespace renamer {

BatchNames::BatchNames(const FileList& list, const DirectorySnapshot* folders, FolderReader& reader)
    : list_(list)
    , folders_(folders)
    , reader_(reader)
{
    std::unordered_map<std::string_view, std::uint32_t> directoryOfPath;
    for (FileList::FolderNumber folder = 0; folder < list.folderCount(); ++folder) {
        const std::string_view path = list.folderPath(folder);
        const auto [found, added] = directoryOfPath.try_emplace(path, static_cast<std::uint32_t>(directories_.size()));
        if (added)
            directories_.push_back({path});
        directoryOfFolder_.push_back(found->second);
    }
    for (std::size_t row = 1; row <= list.rowCount(); ++row) {
        if (list.inodeOf(row) == 0)
            directories_[directoryOf(static_cast<std::uint32_t>(row))].unknownFiles = true;
    }
}

const std::vector<bool>& BatchNames::ignoresCase() const
{
    if (ignoresCase_.empty() && !directories_.empty()) {
        if (folders_ == nullptr) {
            read_.readDirectoriesOf(list_, reader_, RowRange{1, list_.rowCount()});
            folders_ = &read_;
        }
        for (const Directory& directory : directories_) {
            const DirectoryNames* names = folders_->find(directory.path);
            ignoresCase_.push_back(names != nullptr && names->caseInsensitive);
        }
    }
    return ignoresCase_;
}

std::string BatchNames::keyOf(std::uint32_t row, std::string_view name) const
{
    const std::uint32_t directory = directoryOf(row);
    std::string key(sizeof directory, '\0');
    std::memcpy(key.data(), &directory, sizeof directory);
    if (!ignoresCase()[directory]) {
        key += name;
        return key;
    }
    std::string folded;
    foldCase(name, folded);
    return key + folded;
}

bool BatchNames::filled(std::uint32_t row, std::string_view name) const
{
    return !filled_.empty() && filled_.contains(keyOf(row, name));
}

void BatchNames::rename(std::uint32_t row, std::string_view oldName, std::string_view newName)
{
    if (newName == oldName)
        return;
    if (directories_[directoryOf(row)].unknownFiles)
        filled_.insert(keyOf(row, newName));
    if (rowsIndexed()) {
        touched_.insert(keyOf(row, oldName));
        touched_.insert(keyOf(row, newName));
    }
}

void BatchNames::indexRows(const NameList& oldNames)
{
    const auto rowCount = static_cast<std::uint32_t>(list_.rowCount());
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
        const std::string_view fileName = list_.cell(row, ColumnKey::FileName);
        if (list_.cell(row, ColumnKey::NewName).empty() && fileName != oldNames[row - 1]) {
            touched_.insert(keyOf(row, oldNames[row - 1]));
            touched_.insert(keyOf(row, fileName));
        }
    }
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

} // namespace renamer
