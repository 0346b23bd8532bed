#pragma once

#include <QFont>
#include <QString>
#include <QTextLayout>
#include <QTextOption>

#include <memory>
#include <unordered_map>

class QPaintDevice;

namespace renamer {

// The cells' texts shaped once: finding a text's glyphs and their places
// costs far more than drawing them, and a keystroke repaints every row in
// view although most of their cells (the numbers, the old names) show what
// they showed before. Keeps what about two screens of cells need; past that
// it starts over, so that a list scrolled from end to end keeps nothing old.
class ShapedTexts {
public:
    // `text` as it fits `width` pixels in `font`, shortened with "…" where
    // `mode` says.
    const QString& elided(const QString& text, const QFont& font, Qt::TextElideMode mode, int width);
    // `text` laid out on one line `width` pixels wide, in `font` as drawn on
    // `device`, as `option` says; its line is lineAt(0).
    const QTextLayout& laidOut(const QString& text, const QFont& font, const QPaintDevice* device,
                               const QTextOption& option, int width);

private:
    static constexpr std::size_t kMostTexts = 512;

    // The font's key, written out only when the font changes: every cell
    // asks with the list's one font.
    const QString& keyOfFont(const QFont& font);
    QString keyOf(const QString& text, const QFont& font, std::initializer_list<int> settings);

    QFont lastFont_;
    QString lastFontKey_ = lastFont_.key();

    std::unordered_map<QString, QString> elided_;
    std::unordered_map<QString, std::unique_ptr<QTextLayout>> laidOut_;
};

} // namespace renamer
