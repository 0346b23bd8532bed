#include "CellColors.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace renamer {

namespace {

double linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& color)
{
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) + 0.0722 * linear(color.blueF());
}

// In whole 8-bit steps, as the screen shows colours.
QColor mix(const QColor& from, const QColor& to, double share)
{
    const auto channel = [share](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * share)); };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()), channel(from.blue(), to.blue()));
}

bool isDark(const QPalette& palette)
{
    return luminance(palette.color(QPalette::Base)) < 0.2;
}

QColor tint(const QPalette& palette, const QColor& hue)
{
    return mix(palette.color(QPalette::Base), hue, isDark(palette) ? 0.28 : 0.30);
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

namespace {

QColor madeReadable(const QColor& text, const QColor& background, double minimumContrast)
{
    if (contrastRatio(text, background) >= minimumContrast)
        return text;
    const bool lightBackground = luminance(background) > 0.18;
    const QColor first = lightBackground ? QColor(Qt::black) : QColor(Qt::white);
    const QColor second = lightBackground ? QColor(Qt::white) : QColor(Qt::black);
    for (const QColor& target : {first, second}) {
        for (int step = 1; step <= 20; ++step) {
            const QColor candidate = mix(text, target, step / 20.0);
            if (contrastRatio(candidate, background) >= minimumContrast)
                return candidate;
        }
    }
    return first;
}

} // namespace

QColor readableOn(const QColor& text, const QColor& background, double minimumContrast)
{
    // Every cell drawn asks for the same few pairs of colours, each answer
    // costing powers: the last answers are kept, by the colours' 16-bit
    // channels (which is all an answer reads, but for colours beyond them).
    // A text that reads as it is is given back itself, in whatever form it came.
    if (text.spec() == QColor::ExtendedRgb || background.spec() == QColor::ExtendedRgb)
        return madeReadable(text, background, minimumContrast);
    struct Answer {
        QRgba64 text;
        QRgba64 background;
        double minimumContrast;
        bool asItIs;
        QColor readable;
    };
    constexpr std::size_t kKeptAnswers = 8;
    thread_local std::array<std::optional<Answer>, kKeptAnswers> answers;
    thread_local std::size_t nextAnswer = 0;
    for (const std::optional<Answer>& answer : answers) {
        if (answer && answer->text == text.rgba64() && answer->background == background.rgba64()
            && answer->minimumContrast == minimumContrast)
            return answer->asItIs ? text : answer->readable;
    }
    const QColor readable = madeReadable(text, background, minimumContrast);
    const bool asItIs = readable == text;
    answers[nextAnswer] = Answer{text.rgba64(), background.rgba64(), minimumContrast, asItIs, readable};
    nextAnswer = (nextAnswer + 1) % kKeptAnswers;
    return readable;
}

QColor matchTint(const QPalette& palette)
{
    return tint(palette, QColor(0xFF, 0xC8, 0x00));
}

QColor changeTint(const QPalette& palette)
{
    return tint(palette, QColor(0x2E, 0xB8, 0x5C));
}

} // namespace renamer
