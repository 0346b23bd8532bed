#pragma once

#include "FileList.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace renamer {

// The cells of one column that a user action rewrote.
struct ChangedCells {
    std::string_view key; // a ColumnKey
    RowRange rows;

    bool operator==(const ChangedCells&) const = default;
};

// What one user action did to the rows, for the window to show just that.
// Ranges in `cells`, `tints` and `cues` name rows that were shown before the
// action (appended rows are new as a whole); `cells` and `cues` only rows
// that really changed.
struct ChangeSet {
    bool cleared = false;                      // every row was removed
    RowRange appended;                         // rows added at the end
    std::vector<ChangedCells> cells;           // at most one entry per column
    // Rows whose FileName tint, where the pattern matches, may have moved
    // although the name did not: tints are worked out only for the rows on
    // screen, so they cannot be compared here.
    RowRange tints;
    RowRange cues;                             // rows whose cue changed
    std::optional<std::string> statusText;     // the status line's new text
    std::optional<std::string> failureMessage; // for a message box, when a batch failed

    // The changed rows of a column; empty when the column did not change.
    RowRange cellsOf(std::string_view key) const
    {
        for (const ChangedCells& changed : cells) {
            if (changed.key == key)
                return changed.rows;
        }
        return {};
    }
    bool operator==(const ChangeSet&) const = default;
};

} // namespace renamer
