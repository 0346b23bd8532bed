#pragma once

#include <string>
#include <string_view>

namespace renamer {

// The order a file manager shows names in: runs of ASCII digits compare by
// numeric value ("img2" before "img10"), letters compare without regard to
// case (ASCII, Latin-1, Greek and basic Cyrillic capitals), and names that are
// still equal then compare by their bytes, so no two distinct names tie.
// Names are UTF-8 in practice; bytes that do not decode compare as their value.
bool naturalLess(std::string_view a, std::string_view b);

// Appends to `key` bytes whose plain byte order (memcmp, then length) is the
// natural order before its byte tie-break; naturalLess compares two such keys.
// Sorting many names by keys made once spares decoding names in every
// comparison.
void appendNaturalSortKey(std::string& key, std::string_view name);

} // namespace renamer
