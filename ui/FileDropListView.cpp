#include "FileDropListView.h"

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

namespace renamer {

namespace {

bool canTake(const QWidget& list, const QDropEvent& event)
{
    // A list that takes no drops for the moment refuses also a drag that
    // entered before.
    return list.acceptDrops() && event.possibleActions().testFlag(Qt::CopyAction) && !FileDropListView::localPaths(event.mimeData()).empty();
}

// Takes a drag offered to the list as a copy, or refuses it.
void answerDrag(const QWidget& list, QDropEvent& event)
{
    if (canTake(list, event)) {
        event.setDropAction(Qt::CopyAction);
        event.accept();
    } else {
        event.ignore();
    }
}

} // namespace

FileDropListView::FileDropListView(QWidget* parent)
    : QTableView(parent)
{
}

std::vector<std::string> FileDropListView::localPaths(const QMimeData* mimeData)
{
    std::vector<std::string> paths;
    if (mimeData == nullptr || !mimeData->hasUrls())
        return paths;
    for (const QUrl& url : mimeData->urls()) {
        if (!url.isLocalFile())
            continue;
        // Decoding the percent-encoded path ourselves keeps names that are not
        // valid UTF-8 exactly as they are on disk.
        const QByteArray encoded = url.path(QUrl::FullyEncoded).toLatin1();
        const QByteArray path = QByteArray::fromPercentEncoding(encoded);
        if (!path.isEmpty())
            paths.emplace_back(path.constData(), static_cast<std::size_t>(path.size()));
    }
    return paths;
}

void FileDropListView::dragEnterEvent(QDragEnterEvent* event)
{
    answerDrag(*this, *event);
}

void FileDropListView::dragMoveEvent(QDragMoveEvent* event)
{
    answerDrag(*this, *event);
}

void FileDropListView::dragLeaveEvent(QDragLeaveEvent* event)
{
    event->accept();
}

void FileDropListView::dropEvent(QDropEvent* event)
{
    if (!canTake(*this, *event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit filesDropped(localPaths(event->mimeData()));
}

void FileDropListView::keyPressEvent(QKeyEvent* event)
{
    // Keys move the selection and nothing else; not even a copy of a cell.
    if (event == QKeySequence::Copy) {
        event->ignore();
        return;
    }
    QTableView::keyPressEvent(event);
}

} // namespace renamer
