#include "Stretches.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace renamer {

namespace {

// The most workers rows are worked on, however many cores there are.
constexpr unsigned kMostWorkers = 8;
// The pieces the rows are cut into, for each worker.
constexpr std::size_t kPiecesPerWorker = 16;

// Threads kept for the workers, one for each core but the caller's, and no
// more than the most workers need (every round wakes them all). A keystroke
// works in several rounds, and starting a thread for each worker of each
// round costs tens of microseconds, and more when the core it
// lands on is busy. One caller at a time has them; another meanwhile starts
// threads of its own.
class HelperThreads {
public:
    static HelperThreads& shared()
    {
        static HelperThreads helpers(std::clamp(std::thread::hardware_concurrency(), 1u, kMostWorkers) - 1);
        return helpers;
    }

    explicit HelperThreads(unsigned count)
    {
        for (unsigned helper = 1; helper <= count; ++helper)
            threads_.emplace_back([this, helper] { serve(helper); });
    }
    HelperThreads(const HelperThreads&) = delete;
    HelperThreads& operator=(const HelperThreads&) = delete;
    ~HelperThreads()
    {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        // threads_, the last member, is joined before the rest goes.
    }

    // Runs run(1) to run(count - 1) on the kept threads and run(0) on the
    // caller's, and returns when all are done; false, having run nothing,
    // when the threads are another caller's, too few, or stopping. `run`
    // throws nothing.
    bool tryRun(unsigned count, const std::function<void(unsigned)>& run)
    {
        const std::unique_lock caller(inUse_, std::try_to_lock);
        if (!caller.owns_lock() || count - 1 > threads_.size())
            return false;
        {
            const std::lock_guard lock(mutex_);
            if (stopping_)
                return false;
            task_ = &run;
            taking_ = count - 1;
            pending_ = count - 1;
            ++round_;
        }
        wake_.notify_all();
        run(0);
        // The helpers' last pieces end about when the caller's does.
        spinWhile([this] { return pending_.load() != 0; });
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return pending_ == 0; });
        task_ = nullptr;
        return true;
    }

private:
    // Waits while `busy()` holds, for at most kSpin, without giving up the
    // core: the rounds of a keystroke follow one another within a fraction
    // of a millisecond, and a thread put to sleep in between takes tens of
    // microseconds to wake, on every round.
    template <typename Busy>
    static void spinWhile(Busy busy)
    {
        constexpr auto kSpin = std::chrono::microseconds(200);
        const auto deadline = std::chrono::steady_clock::now() + kSpin;
        while (busy() && std::chrono::steady_clock::now() < deadline) {
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#endif
        }
    }

    void serve(unsigned helper)
    {
        std::uint64_t served = 0;
        std::unique_lock lock(mutex_);
        for (;;) {
            if (round_ == served && !stopping_) {
                lock.unlock();
                spinWhile([&] { return round_.load() == served; });
                lock.lock();
            }
            wake_.wait(lock, [&] { return stopping_ || round_ != served; });
            // A round handed out is served even when stopping: its caller
            // waits for it.
            if (round_ == served)
                return;
            served = round_;
            if (helper > taking_)
                continue;
            const std::function<void(unsigned)>* task = task_;
            lock.unlock();
            (*task)(helper);
            lock.lock();
            if (--pending_ == 0)
                done_.notify_one();
        }
    }

    std::mutex inUse_; // held by the caller whose rows are worked
    std::mutex mutex_; // guards what follows
    std::condition_variable wake_;
    std::condition_variable done_;
    const std::function<void(unsigned)>* task_ = nullptr;
    // Changed under mutex_, and read without it while spinning.
    unsigned taking_ = 0;               // the helpers 1..taking_ run this round
    std::atomic<unsigned> pending_ = 0; // of those, the ones not done yet
    std::atomic<std::uint64_t> round_ = 0;
    bool stopping_ = false;
    std::vector<std::jthread> threads_;
};

} // namespace

unsigned stretchCount(std::size_t rows, std::size_t leastPerStretch)
{
    const std::size_t cores = std::clamp(std::thread::hardware_concurrency(), 1u, kMostWorkers);
    return static_cast<unsigned>(std::clamp<std::size_t>(rows / leastPerStretch, 1, cores));
}

void workInStretches(std::size_t firstRow, std::size_t lastRow, unsigned count,
                     const std::function<void(std::size_t first, std::size_t last, unsigned worker)>& work)
{
    if (firstRow > lastRow)
        return;
    const std::size_t rows = lastRow - firstRow + 1;
    count = std::max(1u, count);
    // Small enough that the worker finishing last waits for little more than
    // one piece, large enough that handing them out costs nothing.
    const std::size_t pieces = std::min<std::size_t>(rows, std::size_t{count} * kPiecesPerWorker);
    const std::size_t perPiece = (rows + pieces - 1) / pieces;
    std::atomic<std::size_t> nextPiece = 0;
    std::atomic<bool> failed = false;
    std::vector<std::exception_ptr> failures(count);
    const std::function<void(unsigned)> run = [&](unsigned worker) {
        try {
            while (!failed.load(std::memory_order_relaxed)) {
                const std::size_t piece = nextPiece.fetch_add(1, std::memory_order_relaxed);
                const std::size_t first = firstRow + piece * perPiece;
                if (piece >= pieces || first > lastRow)
                    return;
                work(first, std::min(lastRow, first + perPiece - 1), worker);
            }
        } catch (...) {
            failures[worker] = std::current_exception();
            failed = true;
        }
    };
    if (count == 1) {
        run(0);
    } else if (!HelperThreads::shared().tryRun(count, run)) {
        std::vector<std::jthread> helpers;
        for (unsigned worker = 1; worker < count; ++worker)
            helpers.emplace_back(run, worker);
        run(0);
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure)
            std::rethrow_exception(failure);
    }
}

} // namespace renamer
