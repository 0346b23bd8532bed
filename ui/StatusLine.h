#pragma once

#include <QLabel>

namespace renamer {

// The window's status line: a label that assistive technology knows as the
// window's status bar, named by its text. Each text it is given is also
// announced, as a notification inside the status bar becoming shown: the
// event a screen reader speaks without the user moving the focus.
class StatusLine final : public QLabel {
    Q_OBJECT

public:
    explicit StatusLine(const QString& text, QWidget* parent = nullptr);

    // Shows `text` and announces it, also when the line already shows it: a
    // second batch that renames nothing is news too.
    void announce(const QString& text);

    // What assistive technology is told is shown each time; it has the
    // status line's text as its name.
    QObject* announcement() const { return announcement_; }

private:
    QObject* announcement_;
};

} // namespace renamer
