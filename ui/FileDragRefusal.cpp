#include "FileDragRefusal.h"

#include <QDropEvent>
#include <QMimeData>

namespace renamer {

bool FileDragRefusal::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (drag->mimeData() != nullptr && drag->mimeData()->hasUrls()) {
            drag->ignore();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace renamer
