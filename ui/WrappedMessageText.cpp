#include "WrappedMessageText.h"

#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QTextLayout>

#include <cmath>

namespace renamer {

namespace {

// Lays the text out in lines of `width` pixels; returns the height it takes.
qreal layOutLines(QTextLayout& layout, int width)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return height;
}

} // namespace

WrappedMessageText::WrappedMessageText(const QString& text, int widestLine, QWidget* parent)
    : QWidget(parent)
    , text_(text)
    , widestLine_(widestLine)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleName(text);
}

int WrappedMessageText::naturalWidth() const
{
    int widest = 0;
    for (const QString& line : text_.split(QLatin1Char('\n')))
        widest = std::max(widest, fontMetrics().horizontalAdvance(line));
    return widest + 1;
}

QSize WrappedMessageText::minimumSizeHint() const
{
    const int width = std::min(naturalWidth(), widestLine_);
    return {width, heightForWidth(width)};
}

QSize WrappedMessageText::sizeHint() const
{
    return minimumSizeHint();
}

int WrappedMessageText::heightForWidth(int width) const
{
    QTextLayout layout(text_, font());
    return static_cast<int>(std::ceil(layOutLines(layout, std::max(1, width))));
}

void WrappedMessageText::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    QTextLayout layout(text_, font());
    layOutLines(layout, width());
    layout.draw(&painter, QPointF(0, 0));
}

void WrappedMessageText::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        updateGeometry();
    QWidget::changeEvent(event);
}

void wrapAnywhere(QMessageBox& box)
{
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (label == nullptr || box.layout() == nullptr)
        return;
    // Half the screen, as the box itself aims for with long texts.
    const QScreen* screen = box.screen();
    const int widestLine = screen != nullptr ? std::min(screen->availableGeometry().width() / 2, 500) : 400;
    auto* text = new WrappedMessageText(box.text(), widestLine, &box);
    text->setFont(label->font());
    if (box.layout()->replaceWidget(label, text) == nullptr) {
        delete text;
        return;
    }
    label->hide();
}

} // namespace renamer
