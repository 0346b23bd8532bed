#include "ApplyNames.h"

#include "StatusTexts.h"

namespace renamer {

std::string renameFailureMessage(std::string_view oldName, std::string_view newName, std::string_view description)
{
    std::string message = "将\"";
    message += oldName;
    message += "\"重命名为\"";
    message += newName;
    message += "\"时出错：";
    message += description;
    return message;
}

ApplyOutcome ApplyNames(FileList& list, FileSystem& fileSystem)
{
    ApplyOutcome outcome;
    const SubItemIndex pathIndex = list.subItemIndex(ColumnKey::Path);
    const SubItemIndex fileNameIndex = list.subItemIndex(ColumnKey::FileName);
    const SubItemIndex newNameIndex = list.subItemIndex(ColumnKey::NewName);
    const std::size_t lastRow = list.rowCount();
    std::string source;
    std::string destination;
    for (std::size_t row = 1; row <= lastRow; ++row) {
        const std::string& directory = list.cell(row, pathIndex);
        const std::string& oldName = list.cell(row, fileNameIndex);
        const std::string& newName = list.cell(row, newNameIndex);
        if (newName.empty())
            continue;

        source.assign(directory).append("/").append(oldName);
        destination.assign(directory).append("/").append(newName);
        Result<void> moved;
        if (auto file = fileSystem.lookUpFile(source))
            moved = fileSystem.move(*file, destination);
        else
            moved = std::unexpected(file.error());
        if (!moved) {
            outcome.failed = true;
            outcome.statusText = renameFailureMessage(oldName, newName, moved.error().description);
            return outcome;
        }

        list.setCell(row, fileNameIndex, newName);
        list.setCell(row, newNameIndex, {});
        outcome.changed.include(row);
        ++outcome.renamedCount;
    }
    outcome.statusText = std::to_string(outcome.renamedCount) + std::string(kRenamedSuffix);
    return outcome;
}

} // namespace renamer
