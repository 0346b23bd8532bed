#pragma once

#include "ChangeSet.h"

#include <chrono>
#include <functional>

namespace renamer {

// A long user action (a batch, a large drop) reports now and then what it has
// done since its last report, so that the window can show that and keep
// answering the desktop while the action runs to its end. An empty change set
// says only that the action goes on.
class Progress {
public:
    using Listener = std::function<void(const ChangeSet& sinceLastReport)>;
    using Clock = std::chrono::steady_clock;

    Progress() = default; // reports to nobody
    Progress(Listener listener, Clock::duration interval)
        : listener_(std::move(listener))
        , interval_(interval)
        , last_(Clock::now())
    {
    }

    // Whether a report is due: the interval has passed since the last one, or
    // since the action began.
    bool due() const { return listener_ && Clock::now() - last_ >= interval_; }

    void report(const ChangeSet& sinceLastReport)
    {
        if (!listener_)
            return;
        listener_(sinceLastReport);
        last_ = Clock::now();
    }

    // An empty report, when one is due.
    void keepAlive()
    {
        if (due())
            report({});
    }

private:
    Listener listener_;
    Clock::duration interval_{};
    Clock::time_point last_;
};

} // namespace renamer
