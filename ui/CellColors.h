#pragma once

#include <QColor>
#include <QPalette>

namespace renamer {

// The contrast ratio of two colours as the web's accessibility guidelines
// define it: from 1 (the same) to 21 (black on white).
double contrastRatio(const QColor& a, const QColor& b);

// `text` as it is when it stands out from `background` by at least
// `minimumContrast`; otherwise mixed towards white or black, whichever gets
// there first, so that red stays a red and grey a grey.
QColor readableOn(const QColor& text, const QColor& background, double minimumContrast);

// The tints behind the text of a cell: the pattern's matches in the old
// name, and what changes in the new name. Both are the palette's base
// colour with a little of one hue mixed in, so that they stay light on a
// light palette and dark on a dark one.
QColor matchTint(const QPalette& palette);
QColor changeTint(const QPalette& palette);

} // namespace renamer
