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

// The rows of `key`'s entry in `changes`; empty when it has none.
inline RowRange rowsOf(const std::vector<ChangedCells>& changes, std::string_view key)
{
    for (const ChangedCells& changed : changes) {
        if (changed.key == key)
            return changed.rows;
    }
    return {};
}

// What one user action did to the rows, for the window to show just that.
// Ranges in `cells`, `tints` and `cues` name rows that were shown before the
// action (appended rows are new as a whole); `cells` and `cues` only rows
// that really changed.
struct ChangeSet {
    bool cleared = false;                      // every row was removed
    RowRange appended;                         // rows added at the end
    std::vector<ChangedCells> cells;           // at most one entry per column
    // Name cells whose tints (where the pattern matches, what the replacement
    // changes) may have moved although their text did not: worked out only
    // for the rows on screen, they cannot be compared here. At most one entry
    // per column.
    std::vector<ChangedCells> tints;
    RowRange cues;                             // rows whose cue changed
    std::optional<std::string> statusText;     // the status line's new text
    std::optional<std::string> failureMessage; // for a message box, when a batch failed

    // The changed rows of a column; empty when the column did not change.
    RowRange cellsOf(std::string_view key) const { return rowsOf(cells, key); }
    bool operator==(const ChangeSet&) const = default;
};

} // namespace renamer
