#include "LongAction.h"

#include "FileListModel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>

namespace renamer {

LongAction::LongAction(FileListModel& model, QAbstractItemView& list)
    : model_(model)
    , list_(list)
{
}

ChangeSet LongAction::run(const std::function<ChangeSet(const Progress::Listener&)>& action)
{
    running_ = true;
    // The view passes this on to its viewport, where drags arrive.
    const bool listTookDrops = list_.acceptDrops();
    list_.setAcceptDrops(false);
    // Whatever way the action ends, the window is given back as it was.
    struct Restore {
        LongAction& action;
        bool listTookDrops;
        ~Restore()
        {
            if (action.busyCursorShown_)
                QApplication::restoreOverrideCursor();
            action.busyCursorShown_ = false;
            action.list_.setAcceptDrops(listTookDrops);
            action.running_ = false;
        }
    } restore{*this, listTookDrops};
    return action([this](const ChangeSet& sinceLastReport) { showProgress(sinceLastReport); });
}

void LongAction::showProgress(const ChangeSet& sinceLastReport)
{
    if (!busyCursorShown_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        busyCursorShown_ = true;
    }
    model_.show(sinceLastReport);
    // Repaints and the desktop's pings are answered; clicks and keys stay
    // queued for after the action.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace renamer
