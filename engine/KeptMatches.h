#pragma once

#include "ReplaceMatches.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace renamer {

// The matches a preview run found, a few bytes per row, so that the next run
// with the same pattern over the same names (only the replacement changed)
// replaces them again without searching. A row's slot holds how many matches
// it kept and their offsets as single bytes. A row keeps nothing, and is
// searched again, when its name is longer than a byte can count, when its
// matches do not fit its slot, or when its search stopped before the end.
class KeptMatches {
public:
    // Makes room for `rows` rows, none kept yet, for a pattern whose matches
    // carry `offsetsPerMatch` offsets each (MatchOffsets::pairs).
    void reset(std::size_t rows, std::size_t offsetsPerMatch);
    // Keeps the row's matches (1-based row) when they fit; the name is
    // `nameLength` bytes. Calls for different rows may run at the same time.
    void keep(std::size_t row, std::size_t nameLength, const MatchRecord& record);
    // The most matches a row keeps: a search may stop recording after them.
    std::size_t matchesPerRow() const { return slotBytes_ == 0 ? 0 : matchesPerSlot_; }
    // The row's kept matches into `record`, complete: false when it kept none.
    bool recall(std::size_t row, MatchRecord& record) const;
    void clear() { *this = KeptMatches{}; }

private:
    static constexpr std::uint8_t kNothingKept = 0xFF;
    static constexpr std::uint8_t kUnset = 0xFF; // an offset of a group that took no part

    std::size_t offsetsPerMatch_ = 0;
    std::size_t matchesPerSlot_ = 0;
    std::size_t slotBytes_ = 0; // 0 when no match fits: nothing is kept
    std::vector<std::uint8_t> slots_;
};

} // namespace renamer
