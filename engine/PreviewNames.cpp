#include "PreviewNames.h"

#include "Placeholders.h"
#include "Stretches.h"

#include <algorithm>
#include <optional>

namespace renamer {

namespace {

// Below this many rows a run stays on one thread: starting another costs
// more than it saves.
constexpr std::size_t kLeastRowsPerThread = 16384;
// Rows worked out (by all threads together) before they are written: at
// most kRowsPerRound, and fewer where proposals are long, so that the
// proposals waiting to be written stay near kRoundBytes.
constexpr std::size_t kRowsPerRound = 65536;
constexpr std::size_t kFirstRoundRows = 16384;
constexpr std::size_t kLeastRowsPerRound = 1024;
constexpr std::size_t kRoundBytes = std::size_t{8} << 20;

using ProposalChanges = PreviewRun::ProposalChanges;

void addChange(ProposalChanges& out, std::size_t row, std::string_view text)
{
    out.changes.push_back({static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(out.texts.size()),
                           static_cast<std::uint32_t>(text.size())});
    out.texts.append(text);
}

// Where a run keeps its matches, and whether it may replay those of the run
// before (same pattern, same names) rather than search.
struct MatchKeeping {
    KeptMatches* matches = nullptr;
    bool replay = false;
};

// Runs the pattern over rows `first` to `last`: a row it does not match is
// flagged in `missed` (at row - 1) and keeps its NewName; a row whose match
// or replacement fails proposes nothing, rather than a name computed for
// another row.
void proposeRows(FileList& list, NameProposer& proposer, std::size_t first, std::size_t last,
                 MatchKeeping keeping, std::vector<std::uint8_t>& missed, ProposalChanges& out)
{
    const SubItemIndex fileNameIndex = list.subItemIndex(ColumnKey::FileName);
    const SubItemIndex newNameIndex = list.subItemIndex(ColumnKey::NewName);
    MatchRecord record;
    record.mostMatches = keeping.matches != nullptr ? keeping.matches->matchesPerRow() : 0;
    for (std::size_t row = first; row <= last; ++row) {
        const std::string_view fileName = list.cell(row, fileNameIndex);
        NameProposer::Outcome outcome{};
        if (keeping.replay && keeping.matches->recall(row, record)) {
            outcome = proposer.proposeAgain(fileName, row, record);
        } else {
            outcome = proposer.proposeKeeping(fileName, row, list.fileNameForm(row), record);
            if (keeping.matches != nullptr)
                keeping.matches->keep(row, fileName.size(), record);
        }
        std::string_view proposal;
        switch (outcome) {
        case NameProposer::Outcome::Missed:
            missed[row - 1] = 1;
            continue;
        case NameProposer::Outcome::Failed:
            break;
        case NameProposer::Outcome::Proposed:
            proposal = proposer.proposal();
            break;
        }
        if (list.cell(row, newNameIndex) == proposal)
            continue;
        if (list.setNewNameInPlace(row, proposal))
            out.written.include(row);
        else
            addChange(out, row, proposal);
    }
}

// Whether some row's FileName holds a placeholder, looked for once for the
// rows as they are, so that a keystroke need not look in every proposal.
bool namesHoldPlaceholders(const FileList& list, PreviewRun& run)
{
    if (run.placeholdersRows != list.rowsRevision()) {
        const SubItemIndex fileNameIndex = list.subItemIndex(ColumnKey::FileName);
        run.namesHoldPlaceholders = false;
        for (std::size_t row = 1; row <= list.rowCount() && !run.namesHoldPlaceholders; ++row)
            run.namesHoldPlaceholders = holdsPlaceholder(list.cell(row, fileNameIndex));
        run.placeholdersRows = list.rowsRevision();
    }
    return run.namesHoldPlaceholders;
}

} // namespace

RowRange PreviewNames(FileList& list, const RegularExpressionFactory& makeRegularExpression,
                      std::string_view pattern, std::string_view replacement, std::size_t reportedRows,
                      PreviewRun* run)
{
    const std::size_t lastRow = list.rowCount();
    PreviewRun ownRun;
    PreviewRun& kept = run != nullptr ? *run : ownRun;
    // The pattern of the run before, when only the replacement changed, is
    // not compiled again.
    const bool samePattern = kept.proposer && kept.matchesKept && kept.matchesPattern == pattern;
    const auto compiled = samePattern
        ? std::make_shared<const PreviewPattern>(kept.proposer->pattern(), replacement)
        : std::make_shared<const PreviewPattern>(makeRegularExpression, pattern, replacement);
    std::vector<std::uint8_t>& missed = kept.patternMissed;
    missed.assign(lastRow, 0);

    // Pieces of rows on several workers at the same time, all with the one
    // compiled pattern, each worker with its own proposer (match state);
    // each row's proposal depends on that row alone, so the result is what
    // one thread would give. The rows go in rounds, each written to the list
    // before the next, so that what waits to be written stays small however
    // many rows there are.
    const unsigned count = stretchCount(lastRow, kLeastRowsPerThread);
    // Worker 0 works on this thread, with the proposer kept for drawing; a
    // helper's proposer is made on its own thread, at its first piece, so
    // that its match state lies in memory apart from the others'.
    auto ownProposer = std::make_unique<NameProposer>(compiled);
    const bool placeholdersInNames = run == nullptr || namesHoldPlaceholders(list, *run);
    ownProposer->setNamesMayHoldPlaceholders(placeholdersInNames);
    MatchKeeping keeping;
    if (run != nullptr) {
        keeping.matches = &run->matches;
        keeping.replay = samePattern && run->matchesRows == list.rowsRevision();
        if (!keeping.replay)
            run->matches.reset(lastRow, ownProposer->offsetsPerMatch());
    }
    std::vector<std::optional<NameProposer>> helperProposers(count - 1);
    std::vector<ProposalChanges>& stretches = kept.stretches;
    stretches.resize(count);
    RowRange changed;
    const SubItemIndex newNameIndex = list.subItemIndex(ColumnKey::NewName);
    std::size_t roundRows = kFirstRoundRows;
    for (std::size_t roundStart = 1; roundStart <= lastRow;) {
        const std::size_t roundEnd = std::min(lastRow, roundStart + roundRows - 1);
        for (ProposalChanges& changes : stretches) {
            changes.texts.clear();
            changes.changes.clear();
            changes.written = {};
        }
        workInStretches(roundStart, roundEnd, count, [&](std::size_t first, std::size_t last, unsigned worker) {
            // Worked through copies of their own: the workers' changes stand
            // side by side, and sharing their cache lines would make every
            // append of one thread stall the other.
            ProposalChanges changes = std::move(stretches[worker]);
            if (worker == 0) {
                proposeRows(list, *ownProposer, first, last, keeping, missed, changes);
            } else {
                std::optional<NameProposer>& helper = helperProposers[worker - 1];
                NameProposer proposer = helper ? std::move(*helper) : NameProposer(compiled);
                proposer.setNamesMayHoldPlaceholders(placeholdersInNames);
                proposeRows(list, proposer, first, last, keeping, missed, changes);
                helper = std::move(proposer);
            }
            stretches[worker] = std::move(changes);
        });
        std::size_t waiting = 0;
        std::size_t waitingRows = 0;
        for (const ProposalChanges& stretch : stretches) {
            waiting += stretch.texts.size();
            waitingRows += stretch.changes.size();
        }
        // Room for this round's proposals and, at the same rate, for those of
        // the rounds to come: a first preview of many rows grows the column once.
        const std::size_t roundRowCount = roundEnd - roundStart + 1;
        const std::size_t rowsLeft = lastRow - roundEnd;
        list.reserveNewNames(waitingRows + waitingRows * rowsLeft / roundRowCount,
                             waiting + waiting * rowsLeft / roundRowCount);
        for (const ProposalChanges& stretch : stretches) {
            if (!stretch.written.empty() && stretch.written.first <= reportedRows) {
                changed.include(stretch.written.first);
                changed.include(std::min(stretch.written.last, reportedRows));
            }
            for (const ProposalChanges::Change& change : stretch.changes) {
                list.setCell(change.row, newNameIndex,
                             std::string_view(stretch.texts).substr(change.offset, change.length));
                if (change.row <= reportedRows)
                    changed.include(change.row);
            }
        }
        const std::size_t bytesPerRow = waiting / roundRowCount + 1;
        roundRows = std::clamp(kRoundBytes / bytesPerRow, kLeastRowsPerRound, kRowsPerRound);
        roundStart = roundEnd + 1;
    }
    kept.proposer = std::move(ownProposer);
    if (run != nullptr) {
        // Writing NewName leaves the rows' revision as it was.
        run->matchesPattern.assign(pattern);
        run->matchesRows = list.rowsRevision();
        run->matchesKept = true;
    }
    return changed;
}

} // namespace renamer
