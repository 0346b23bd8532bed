#pragma once

#include "ChangeSet.h"
#include "Progress.h"

#include <functional>

class QAbstractItemView;

namespace renamer {

class FileListModel;

// Runs a user action that may take seconds (a batch, a large drop) within its
// handler, as the window's design has it, without the window freezing: the
// busy cursor shows while it runs; each progress report's rows are repainted
// and the window keeps answering the desktop (its pings, its repaints).
// User input waits in the queue until the action has ended,
// exactly as it would behind a handler that blocks, and the list takes no
// drops meanwhile.
class LongAction {
public:
    LongAction(FileListModel& model, QAbstractItemView& list);

    // Whether an action is running: anything that would change the rows has
    // to wait until it ends.
    bool running() const { return running_; }

    // Runs `action` with a listener for its progress; returns what it returns.
    ChangeSet run(const std::function<ChangeSet(const Progress::Listener&)>& action);

private:
    void showProgress(const ChangeSet& sinceLastReport);

    FileListModel& model_;
    QAbstractItemView& list_;
    bool running_ = false;
};

} // namespace renamer
