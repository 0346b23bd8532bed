#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace renamer {

// No file system holds a name of more than 255 bytes or of more than 255
// UTF-16 units, and 255 units take at most 765 bytes of UTF-8: a longer name
// can never be applied.
inline constexpr std::size_t kLongestPossibleName = 765;

// A proposed name stops growing at this many bytes, however far its
// replacement or its placeholders would expand it, so that a keystroke costs
// at most this much per row. A name cut here is short of it by less than one
// UTF-8 sequence, so it is still longer than any name can be: it is marked
// too long and refused, never applied as if it were the whole proposal.
inline constexpr std::size_t kLongestWorkingName = 1024;
static_assert(kLongestWorkingName - 3 > kLongestPossibleName);

// The part of appendBounded that cuts: `piece` does not fit whole.
bool appendCut(std::string& out, std::string_view piece);

// Appends `piece` to `out` as far as `out` stays within kLongestWorkingName
// bytes, leaving out whole the UTF-8 sequence that would not fit. Returns
// false when it had to cut, and `out` is then full. Inline: every piece of
// every proposal goes through it, and nearly all of them fit.
inline bool appendBounded(std::string& out, std::string_view piece)
{
    if (out.size() + piece.size() <= kLongestWorkingName) [[likely]] {
        out.append(piece);
        return true;
    }
    return appendCut(out, piece);
}

} // namespace renamer
