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
    // From the start: a large drop spends its first seconds listing and
    // sorting the folder, before it first reports. An action that ends
    // within a frame never shows it.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The view passes this on to its viewport, where drags arrive.
    const bool listTookDrops = list_.acceptDrops();
    list_.setAcceptDrops(false);
    // Whatever way the action ends, the window is given back as it was.
    struct Restore {
        LongAction& action;
        bool listTookDrops;
        ~Restore()
        {
            QApplication::restoreOverrideCursor();
            action.list_.setAcceptDrops(listTookDrops);
            action.running_ = false;
        }
    } restore{*this, listTookDrops};
    return action([this](const ChangeSet& sinceLastReport) { showProgress(sinceLastReport); });
}

void LongAction::showProgress(const ChangeSet& sinceLastReport)
{
    model_.show(sinceLastReport);
    // Repaints and the desktop's pings are answered; clicks and keys stay
    // queued for after the action.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace renamer
