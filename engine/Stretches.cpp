#include "Stretches.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

namespace renamer {

unsigned stretchCount(std::size_t rows, std::size_t leastPerStretch)
{
    constexpr std::size_t kMostStretches = 8;
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::clamp<std::size_t>(rows / leastPerStretch, 1, std::min(cores, kMostStretches)));
}

void workInStretches(std::size_t firstRow, std::size_t lastRow, unsigned count,
                     const std::function<void(std::size_t first, std::size_t last, unsigned stretch)>& work)
{
    if (firstRow > lastRow)
        return;
    const std::size_t rows = lastRow - firstRow + 1;
    count = std::max(1u, count);
    const std::size_t perStretch = (rows + count - 1) / count;
    std::vector<std::exception_ptr> failures(count);
    const auto run = [&](unsigned stretch) {
        const std::size_t first = firstRow + stretch * perStretch;
        const std::size_t last = std::min(lastRow, firstRow + (stretch + 1) * perStretch - 1);
        if (first > last)
            return;
        try {
            work(first, last, stretch);
        } catch (...) {
            failures[stretch] = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (unsigned stretch = 1; stretch < count; ++stretch)
            helpers.emplace_back(run, stretch);
        run(0);
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure)
            std::rethrow_exception(failure);
    }
}

} // namespace renamer
