#include "PreviewNames.h"

#include "Placeholders.h"

namespace renamer {

namespace {

// Writes the proposal where it differs; true when it did.
bool writeIfChanged(FileList& list, std::size_t row, SubItemIndex index, std::string_view text)
{
    if (list.cell(row, index) == text)
        return false;
    list.setCell(row, index, text);
    return true;
}

} // namespace

RowRange PreviewNames(FileList& list, const RegularExpressionFactory& makeRegularExpression,
                      std::string_view pattern, std::string_view replacement, std::size_t reportedRows,
                      PreviewRun* run)
{
    RowRange changed;
    std::unique_ptr<RegularExpression> regex = makeRegularExpression();
    regex->setPattern(pattern);
    regex->setIgnoreCase(true);
    regex->setGlobal(true);

    const SubItemIndex fileNameIndex = list.subItemIndex(ColumnKey::FileName);
    const SubItemIndex newNameIndex = list.subItemIndex(ColumnKey::NewName);
    std::string replaced;
    std::string proposed;
    const std::size_t lastRow = list.rowCount();
    if (run != nullptr)
        run->patternMissed.assign(lastRow, false);
    for (std::size_t row = 1; row <= lastRow; ++row) {
        const std::string_view fileName = list.cell(row, fileNameIndex);
        const Result<bool> matched = regex->test(fileName);
        if (matched && !*matched) {
            if (run != nullptr)
                run->patternMissed[row - 1] = true;
            continue;
        }
        // A failed test or replacement proposes nothing for this row, rather
        // than a name computed for another row.
        if (!matched || !regex->replace(fileName, replacement, replaced)) {
            if (writeIfChanged(list, row, newNameIndex, {}) && row <= reportedRows)
                changed.include(row);
            continue;
        }
        expandPlaceholders(replaced, row, proposed);
        if (writeIfChanged(list, row, newNameIndex, proposed) && row <= reportedRows)
            changed.include(row);
    }
    if (run != nullptr) {
        run->regex = std::move(regex);
        run->replacement.assign(replacement);
    }
    return changed;
}

} // namespace renamer
