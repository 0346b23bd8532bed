#include "PreviewNames.h"

#include "Placeholders.h"

#include <algorithm>
#include <exception>
#include <thread>

namespace renamer {

namespace {

// Below this many rows a run stays on one thread: starting another costs
// more than it saves.
constexpr std::size_t kLeastRowsPerThread = 16384;
constexpr unsigned kMostThreads = 8;

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

unsigned threadsFor(std::size_t rows)
{
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::clamp<std::size_t>(rows / kLeastRowsPerThread, 1, std::min(cores, kMostThreads)));
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
    // alone, so the result is what one thread would give.
    const unsigned threads = threadsFor(lastRow);
    const std::size_t perThread = (lastRow + threads - 1) / std::max(1u, threads);
    std::vector<ProposalChanges>& stretches = kept.stretches;
    stretches.resize(threads);
    for (ProposalChanges& stretch : stretches) {
        stretch.texts.clear();
        stretch.changes.clear();
        // Room for every row of the stretch to change, made here: a thread
        // of its own would take fresh memory from the system every time.
        stretch.changes.reserve(perThread);
        stretch.texts.reserve(perThread * 32);
    }
    std::vector<std::exception_ptr> failures(threads);
    {
        std::vector<std::jthread> helpers;
        for (unsigned t = 1; t < threads; ++t) {
            helpers.emplace_back([&, t] {
                try {
                    const std::unique_ptr<RegularExpression> own = makeFor(makeRegularExpression, pattern);
                    proposeRows(list, *own, replacement, t * perThread + 1, std::min(lastRow, (t + 1) * perThread),
                                missed, stretches[t]);
                } catch (...) {
                    failures[t] = std::current_exception();
                }
            });
        }
        if (lastRow > 0)
            proposeRows(list, *regex, replacement, 1, std::min(lastRow, perThread), missed, stretches[0]);
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure)
            std::rethrow_exception(failure);
    }

    RowRange changed;
    const SubItemIndex newNameIndex = list.subItemIndex(ColumnKey::NewName);
    for (const ProposalChanges& stretch : stretches) {
        for (const ProposalChanges::Change& change : stretch.changes) {
            list.setCell(change.row, newNameIndex, std::string_view(stretch.texts).substr(change.offset, change.length));
            if (change.row <= reportedRows)
                changed.include(change.row);
        }
    }
    kept.regex = std::move(regex);
    kept.replacement.assign(replacement);
    return changed;
}

} // namespace renamer
