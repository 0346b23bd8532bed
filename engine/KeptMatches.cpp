#include "KeptMatches.h"

#include <algorithm>

namespace renamer {

namespace {

// A slot of about eight bytes per row: room for the one match of a pattern
// with a couple of groups, or a few matches of a pattern without groups. A
// pattern with more groups gets one match a row, up to the largest slot.
constexpr std::size_t kSlotBytes = 8;
constexpr std::size_t kLargestSlot = 16;

} // namespace

void KeptMatches::reset(std::size_t rows, std::size_t offsetsPerMatch)
{
    offsetsPerMatch_ = offsetsPerMatch;
    matchesPerSlot_ = offsetsPerMatch == 0 ? 0 : std::max<std::size_t>(1, (kSlotBytes - 1) / offsetsPerMatch);
    slotBytes_ = 1 + matchesPerSlot_ * offsetsPerMatch;
    if (offsetsPerMatch == 0 || slotBytes_ > kLargestSlot) {
        slotBytes_ = 0;
        slots_ = {};
        return;
    }
    slots_.assign(rows * slotBytes_, kNothingKept);
}

void KeptMatches::keep(std::size_t row, std::size_t nameLength, const MatchRecord& record)
{
    if (slotBytes_ == 0 || !record.complete || record.pairsPerMatch != offsetsPerMatch_ || nameLength >= kUnset
        || record.matchCount() > matchesPerSlot_)
        return;
    std::uint8_t* const slot = slots_.data() + (row - 1) * slotBytes_;
    std::transform(record.offsets.begin(), record.offsets.end(), slot + 1, [](std::size_t offset) {
        return offset == MatchOffsets::kUnsetOffset ? kUnset : static_cast<std::uint8_t>(offset);
    });
    slot[0] = static_cast<std::uint8_t>(record.matchCount());
}

bool KeptMatches::recall(std::size_t row, MatchRecord& record) const
{
    if (slotBytes_ == 0 || row == 0 || row * slotBytes_ > slots_.size())
        return false;
    const std::uint8_t* const slot = slots_.data() + (row - 1) * slotBytes_;
    if (slot[0] == kNothingKept)
        return false;
    record.pairsPerMatch = offsetsPerMatch_;
    record.offsets.resize(slot[0] * offsetsPerMatch_);
    std::transform(slot + 1, slot + 1 + record.offsets.size(), record.offsets.begin(), [](std::uint8_t offset) {
        return offset == kUnset ? MatchOffsets::kUnsetOffset : std::size_t{offset};
    });
    record.complete = true;
    return true;
}

} // namespace renamer
