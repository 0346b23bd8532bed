#pragma once

#include <cstddef>
#include <functional>

namespace renamer {

// How many workers `rows` rows are worked on: one per core, each with at
// least `leastPerStretch` rows (waking a thread costs more than a few
// thousand rows), at most eight.
unsigned stretchCount(std::size_t rows, std::size_t leastPerStretch);

// Works the rows firstRow..lastRow on `count` workers: worker 0 on the
// caller's thread, each other on a thread of its own. The rows are cut into
// consecutive pieces, several per worker, handed out in order to whichever
// worker is free, so that a worker that starts late, or runs on a core
// something else is using, takes fewer: `work(first, last, worker)` is
// called once per piece, and a worker's pieces come to it in row order.
// Returns when all are done. An exception thrown by any piece is thrown on
// here, after all workers have stopped; no piece is handed out after it.
void workInStretches(std::size_t firstRow, std::size_t lastRow, unsigned count,
                     const std::function<void(std::size_t first, std::size_t last, unsigned worker)>& work);

} // namespace renamer
