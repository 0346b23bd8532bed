#pragma once

#include <cstddef>
#include <functional>

namespace renamer {

// How many stretches `rows` rows are worked in: one per core, each of at
// least `leastPerStretch` rows (starting a thread costs more than a few
// thousand rows), at most eight.
unsigned stretchCount(std::size_t rows, std::size_t leastPerStretch);

// Calls `work(first, last, stretch)` for `count` stretches of the rows
// firstRow..lastRow (contiguous, in order), each on a thread of its own but
// the first, which runs on the caller's; returns when all are done. An
// exception thrown by any of them is thrown on here, after all have ended.
void workInStretches(std::size_t firstRow, std::size_t lastRow, unsigned count,
                     const std::function<void(std::size_t first, std::size_t last, unsigned stretch)>& work);

} // namespace renamer
