#pragma once

#include <QTableView>

#include <string>
#include <vector>

class QMimeData;

namespace renamer {

// The list of files, which takes files and folders dragged from a file
// manager. A drag is accepted only when it carries local files and offers to
// copy them: accepting it as a move could make the source delete the files.
class FileDropListView final : public QTableView {
    Q_OBJECT

public:
    explicit FileDropListView(QWidget* parent = nullptr);

    // The local paths of the files a drag carries, byte for byte as the
    // system names them, in the order of the drag; empty when there are none.
    static std::vector<std::string> localPaths(const QMimeData* mimeData);

signals:
    void filesDropped(const std::vector<std::string>& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace renamer
