#pragma once

#include <QObject>

namespace renamer {

// Installed on a text box, refuses drags that carry a list of files or
// addresses, which the box would otherwise paste as "file://" text; drags of
// plain text still reach the box. Files enter only through the list.
class FileDragRefusal final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace renamer
