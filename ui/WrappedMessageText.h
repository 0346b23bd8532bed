#pragma once

#include <QString>
#include <QWidget>

class QMessageBox;

namespace renamer {

// A message's text, wrapped at word boundaries where it has them and
// anywhere else where it must: a file name of 255 bytes has no space to
// wrap at, and a label would make its box as wide as the name.
class WrappedMessageText final : public QWidget {
    Q_OBJECT

public:
    // Lines are at most `widestLine` pixels wide.
    WrappedMessageText(const QString& text, int widestLine, QWidget* parent = nullptr);

    const QString& text() const { return text_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int naturalWidth() const;

    QString text_;
    int widestLine_;
};

// Shows the box's text through a WrappedMessageText in place of its label,
// so that the box stays within its screen whatever the text; text() and
// copying the message still give the text as it was set.
void wrapAnywhere(QMessageBox& box);

} // namespace renamer
