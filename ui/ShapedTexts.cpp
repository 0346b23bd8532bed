#include "ShapedTexts.h"

#include <QFontMetrics>
#include <QPaintDevice>

namespace renamer {

const QString& ShapedTexts::keyOfFont(const QFont& font)
{
    if (font != lastFont_) {
        lastFont_ = font;
        lastFontKey_ = font.key();
    }
    return lastFontKey_;
}

// One key for a text and everything its shape depends on; the unit
// separator cannot stand in a file name's display text unescaped.
QString ShapedTexts::keyOf(const QString& text, const QFont& font, std::initializer_list<int> settings)
{
    QString key = text;
    key += QChar(0x1F);
    key += keyOfFont(font);
    for (const int setting : settings) {
        key += QChar(0x1F);
        key += QString::number(setting);
    }
    return key;
}

const QString& ShapedTexts::elided(const QString& text, const QFont& font, Qt::TextElideMode mode, int width)
{
    QString key = keyOf(text, font, {static_cast<int>(mode), width});
    if (const auto found = elided_.find(key); found != elided_.end())
        return found->second;
    if (elided_.size() >= kMostTexts)
        elided_.clear();
    return elided_.emplace(std::move(key), QFontMetrics(font).elidedText(text, mode, width)).first->second;
}

const QTextLayout& ShapedTexts::laidOut(const QString& text, const QFont& font, const QPaintDevice* device,
                                        const QTextOption& option, int width)
{
    const int dpiX = device != nullptr ? device->logicalDpiX() : 0;
    const int dpiY = device != nullptr ? device->logicalDpiY() : 0;
    QString key = keyOf(text, font,
                        {width, dpiX, dpiY, static_cast<int>(option.textDirection()),
                         static_cast<int>(option.alignment()), static_cast<int>(option.wrapMode())});
    if (const auto found = laidOut_.find(key); found != laidOut_.end())
        return *found->second;
    if (laidOut_.size() >= kMostTexts)
        laidOut_.clear();
    auto layout = std::make_unique<QTextLayout>(text, font, const_cast<QPaintDevice*>(device));
    layout->setTextOption(option);
    layout->beginLayout();
    QTextLine line = layout->createLine();
    line.setLineWidth(width);
    layout->endLayout();
    return *laidOut_.emplace(std::move(key), std::move(layout)).first->second;
}

} // namespace renamer
