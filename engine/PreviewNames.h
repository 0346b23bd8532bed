#pragma once

#include "FileList.h"
#include "RegularExpression.h"

#include <cstddef>
#include <limits>
#include <string_view>

namespace renamer {

// What a preview run needs besides the list: the texts of the pattern and
// replacement boxes and a maker of regular-expression objects.
struct PreviewSettings {
    const RegularExpressionFactory& makeRegularExpression;
    std::string_view pattern;
    std::string_view replacement;
};

// Computes every row's proposed name from its FileName: where the pattern
// matches (case-insensitive), every match is replaced by `replacement` and
// the "#" placeholders become the row number; the result goes to NewName.
// A row the pattern does not match keeps its NewName. A row whose match or
// replacement fails, and every row when the pattern is invalid, gets an
// empty NewName; nothing is reported. Returns the rows whose NewName changed
// among the first `reportedRows` (the rows a window already shows).
RowRange PreviewNames(FileList& list, const RegularExpressionFactory& makeRegularExpression,
                      std::string_view pattern, std::string_view replacement,
                      std::size_t reportedRows = std::numeric_limits<std::size_t>::max());

} // namespace renamer
