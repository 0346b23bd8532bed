#include "StatusLine.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>

namespace renamer {

namespace {

// Its accessible interface is made by the factory below.
class StatusAnnouncement final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
};

class StatusLineAccessible final : public QAccessibleWidget {
public:
    explicit StatusLineAccessible(StatusLine* line)
        : QAccessibleWidget(line, QAccessible::StatusBar)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return line()->text();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(line()->announcement()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child != nullptr && child->object() == line()->announcement() ? 0 : -1;
    }

private:
    StatusLine* line() const { return static_cast<StatusLine*>(widget()); }
};

class AnnouncementAccessible final : public QAccessibleObject {
public:
    explicit AnnouncementAccessible(QObject* announcement)
        : QAccessibleObject(announcement)
    {
    }

    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(line()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override { return t == QAccessible::Name ? line()->text() : QString(); }
    QAccessible::Role role() const override { return QAccessible::Notification; }
    QAccessible::State state() const override { return {}; }

private:
    StatusLine* line() const { return static_cast<StatusLine*>(object()->parent()); }
};

QAccessibleInterface* makeAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String(StatusLine::staticMetaObject.className()))
        return new StatusLineAccessible(static_cast<StatusLine*>(object));
    if (className == QLatin1String(StatusAnnouncement::staticMetaObject.className()))
        return new AnnouncementAccessible(object);
    return nullptr;
}

} // namespace

StatusLine::StatusLine(const QString& text, QWidget* parent)
    : QLabel(text, parent)
    , announcement_(new StatusAnnouncement(this))
{
    static const bool installed = [] {
        QAccessible::installFactory(makeAccessible);
        return true;
    }();
    Q_UNUSED(installed);
    setTextFormat(Qt::PlainText);
}

void StatusLine::announce(const QString& text)
{
    setText(text);
    QAccessibleEvent shown(announcement_, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

} // namespace renamer

#include "StatusLine.moc"
