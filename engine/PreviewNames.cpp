#include "PreviewNames.h"

#include "Placeholders.h"
#include "Stretches.h"


namespace renamer {

namespace {

// Below this many rows a run stays on one thread: starting another costs
// more than it saves.
constexpr std::size_t kLeastRowsPerThread = 16384;
// Rows worked out (by all threads together) before they are written.
constexpr std::size_t kRowsPerRound = 65536;

using ProposalChanges = PreviewRun::ProposalChanges;

void addChange(ProposalChanges& out, std::size_t row, std::string_view text)
{
    out.changes.push_back({static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(out.texts.size()),
                           static_cast<std::uint32_t>(text.size())});
    out.texts.append(text);
}

// Runs the pattern over rows `first` to `last`: a row it does not match is
// flagged in `missed` (at row - 1) and keeps its NewName; a row whose match
// or replacement fails proposes nothing, rather than a name computed for
// another row.
void proposeRows(const FileList& list, RegularExpression& regex, std::string_view replacement, std::size_t first,
                 std::size_t last, std::vector<std::uint8_t>& missed, ProposalChanges& out)
{
    const SubItemIndex fileNameIndex = list.subItemIndex(ColumnKey::FileName);
    const SubItemIndex newNameIndex = list.subItemIndex(ColumnKey::NewName);
    std::string replaced;
    std::string expanded;
    for (std::size_t row = first; row <= last; ++row) {
        const std::string_view fileName = list.cell(row, fileNameIndex);
        const Result<bool> matched = regex.test(fileName);
        if (matched && !*matched) {
            missed[row - 1] = 1;
            continue;
        }
        std::string_view proposal;
        if (matched && regex.replace(fileName, replacement, replaced)) {
            proposal = replaced;
            if (replaced.find('#') != std::string::npos) {
                expandPlaceholders(replaced, row, expanded);
                proposal = expanded;
            }
        }
        if (list.cell(row, newNameIndex) != proposal)
            addChange(out, row, proposal);
    }
}

std::unique_ptr<RegularExpression> makeFor(const RegularExpressionFactory& makeRegularExpression,
                                           std::string_view pattern)
{
    std::unique_ptr<RegularExpression> regex = makeRegularExpression();
    regex->setPattern(pattern);
    regex->setIgnoreCase(true);
    regex->setGlobal(true);
    return regex;
}

} // namespace

RowRange PreviewNames(FileList& list, const RegularExpressionFactory& makeRegularExpression,
                      std::string_view pattern, std::string_view replacement, std::size_t reportedRows,
                      PreviewRun* run)
{
    std::unique_ptr<RegularExpression> regex = makeFor(makeRegularExpression, pattern);
    const std::size_t lastRow = list.rowCount();
    PreviewRun ownRun;
    PreviewRun& kept = run != nullptr ? *run : ownRun;
    std::vector<std::uint8_t>& missed = kept.patternMissed;
    missed.assign(lastRow, 0);

    // Stretches of rows at the same time, each with its own regular-expression
    // object (its own match data); each row's proposal depends on that row
    // alone, so the result is what one thread would give. The rows go in
    // rounds, each written to the list before the next, so that what waits
    // to be written stays small however many rows there are.
    const unsigned count = stretchCount(lastRow, kLeastRowsPerThread);
    std::vector<std::unique_ptr<RegularExpression>> helpers;
    for (unsigned stretch = 1; stretch < count; ++stretch)
        helpers.push_back(makeFor(makeRegularExpression, pattern));
    std::vector<ProposalChanges>& stretches = kept.stretches;
    stretches.resize(count);
    RowRange changed;
    const SubItemIndex newNameIndex = list.subItemIndex(ColumnKey::NewName);
    for (std::size_t roundStart = 1; roundStart <= lastRow; roundStart += kRowsPerRound) {
        const std::size_t roundEnd = std::min(lastRow, roundStart + kRowsPerRound - 1);
        workInStretches(roundStart, roundEnd, count, [&](std::size_t first, std::size_t last, unsigned stretch) {
            RegularExpression& matcher = stretch == 0 ? *regex : *helpers[stretch - 1];
            // Written through a copy of its own: the stretches stand side by
            // side, and sharing their cache lines would make every append of
            // one thread stall the other.
            ProposalChanges changes = std::move(stretches[stretch]);
            changes.texts.clear();
            changes.changes.clear();
            proposeRows(list, matcher, replacement, first, last, missed, changes);
            stretches[stretch] = std::move(changes);
        });
        for (const ProposalChanges& stretch : stretches) {
            for (const ProposalChanges::Change& change : stretch.changes) {
                list.setCell(change.row, newNameIndex,
                             std::string_view(stretch.texts).substr(change.offset, change.length));
                if (change.row <= reportedRows)
                    changed.include(change.row);
            }
        }
    }
    kept.regex = std::move(regex);
    kept.replacement.assign(replacement);
    return changed;
}

} // namespace renamer
