#pragma once

#include "FileList.h"
#include "KeptMatches.h"
#include "NameProposal.h"
#include "RegularExpression.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace renamer {

// What a preview run leaves behind besides the proposals, for a window
// that shows them: which rows' names the pattern missed (a NewName such a
// row has comes from an earlier pattern), and a proposer over the run's
// compiled pattern, kept after the run so that the rows on screen can show
// where it matches without compiling it again.
struct PreviewRun {
    std::vector<std::uint8_t> patternMissed; // one flag per row, at row - 1
    std::unique_ptr<NameProposer> proposer;

    // The proposals a worker made in a round that differ from the rows'
    // NewName. One that fits where the row's NewName stands is written there
    // at once (rows are the worker's own); the others wait here, so that the
    // workers can work at the same time and these be written afterwards.
    // Kept from run to run, so that a keystroke allocates next to nothing.
    struct ProposalChanges {
        struct Change {
            std::uint32_t row;
            std::uint32_t offset; // in texts
            std::uint32_t length;
        };
        std::string texts;
        std::vector<Change> changes;
        RowRange written; // spans the rows written in place
    };
    std::vector<ProposalChanges> stretches;

    // The matches the run found, for the next run: when its pattern is
    // `matchesPattern` and the rows are as they were (FileList::rowsRevision
    // `matchesRows`), only the replacement changed, and the rows that kept
    // their matches are not searched again.
    KeptMatches matches;
    std::string matchesPattern;
    std::uint64_t matchesRows = 0;
    bool matchesKept = false;

    // Whether some FileName holds a placeholder, found for the rows as they
    // were at FileList::rowsRevision `placeholdersRows`.
    bool namesHoldPlaceholders = true;
    std::optional<std::uint64_t> placeholdersRows;
};

// What a preview run needs besides the list: the texts of the pattern and
// replacement boxes and the compiler of their pattern; and where to
// leave what the run found, when someone wants it.
struct PreviewSettings {
    const RegularExpressionFactory& makeRegularExpression;
    std::string_view pattern;
    std::string_view replacement;
    PreviewRun* run = nullptr;
};

// Computes every row's proposed name from its FileName: where the pattern
// matches (case-insensitive), every match is replaced by `replacement` and
// the "#" placeholders become the row number; the result goes to NewName.
// A row the pattern does not match keeps its NewName. A row whose match or
// replacement fails, and every row when the pattern is invalid, gets an
// empty NewName; nothing is reported. The pattern is compiled once, however
// many threads share the rows. Returns the rows whose NewName changed among
// the first `reportedRows` (the rows a window already shows). When `run` is
// given, it receives the rows the pattern missed and a proposer for drawing,
// and keeps the matches for a next run that changes only the replacement.
RowRange PreviewNames(FileList& list, const RegularExpressionFactory& makeRegularExpression,
                      std::string_view pattern, std::string_view replacement,
                      std::size_t reportedRows = std::numeric_limits<std::size_t>::max(), PreviewRun* run = nullptr);

} // namespace renamer
