// The pure pieces behind drawing a cell: spans moved from bytes to
// characters and onto a name shortened in the middle, and text colours made
// to read on the tints.
#include "CellColors.h"
#include "CellSpans.h"

#include <gtest/gtest.h>

#include <QList>

using namespace renamer;

namespace renamer {
void PrintTo(const CharSpan& span, std::ostream* out)
{
    *out << "[" << span.begin << ", " << span.end << ")";
}
} // namespace renamer

namespace {

struct CharSpanCase {
    const char* behaviour;
    std::string utf8;
    std::vector<TextSpan> spans;
    QList<CharSpan> expected;
};

struct ElisionCase {
    const char* behaviour;
    QString full;
    QString shown;
    std::optional<MiddleElision> expected;
};

struct ElidedSpanCase {
    const char* behaviour;
    QList<CharSpan> spans;
    QList<CharSpan> expected;
};

} // namespace

TEST(CellSpans, BytesBecomeCharacterPositions)
{
    const CharSpanCase cases[] = {
        {"ASCII bytes are characters", "IMG_1.JPG", {{4, 5}}, {{4, 5}}},
        {"three bytes of Chinese are one character", "旅行 北京.jpg", {{7, 13}}, {{3, 5}}},
        {"a character beyond the BMP is two positions", "\xF0\x9F\x93\xB7x.jpg", {{4, 5}}, {{2, 3}}},
        {"an empty span stays empty", "a.txt", {{0, 0}}, {{0, 0}}},
        {"a control character takes its escape's length", "a\tb\x1B.txt", {{2, 4}}, {{3, 8}}},
        {"a name that is not UTF-8 has no spans", "caf\xE9.txt", {{0, 3}}, {}},
    };
    for (const CharSpanCase& c : cases)
        EXPECT_EQ(toCharSpans(c.utf8, c.spans), c.expected) << c.behaviour;
}

TEST(CellSpans, AShortenedNameIsFoundAndItsSpansFollow)
{
    const QString ellipsis(QChar(0x2026));
    const ElisionCase elisions[] = {
        {"a whole name is not shortened", "abc.txt", "abc.txt", std::nullopt},
        {"the middle gives way to an ellipsis", "abcdefgh.txt", "abc" + ellipsis + "h.txt", MiddleElision{3, 5, 1}},
        {"three dots where the font has no ellipsis", "abcdefgh.txt", "ab...txt", MiddleElision{2, 3, 3}},
        {"a name that holds an ellipsis of its own", "a" + ellipsis + "bcdefg.txt", "a" + ellipsis + ellipsis + ".txt",
         MiddleElision{2, 4, 1}},
    };
    for (const ElisionCase& c : elisions)
        EXPECT_EQ(findMiddleElision(c.full, c.shown), c.expected) << c.behaviour;

    // "abcdefgh.txt" shown as "abc…h.txt": 3 kept at the start, 5 at the end.
    const MiddleElision elision{3, 5, 1};
    const ElidedSpanCase cases[] = {
        {"a span in the kept start stays", {{0, 2}}, {{0, 2}}},
        {"a span in the kept end moves by what was cut", {{8, 12}}, {{5, 9}}},
        {"a span across the cut takes in the ellipsis", {{2, 9}}, {{2, 6}}},
        {"a span wholly cut becomes the ellipsis", {{4, 6}}, {{3, 4}}},
        {"a span ending where the cut begins stays", {{1, 3}}, {{1, 3}}},
    };
    for (const ElidedSpanCase& c : cases)
        EXPECT_EQ(elideSpans(c.spans, 12, elision), c.expected) << c.behaviour;
}

// Answers are kept from cell to cell: asked again, in any order, each pair
// still gets its own.
TEST(CellColors, EveryAskGetsTheAnswerForItsOwnColoursAndContrast)
{
    const QColor grey(0x90, 0x90, 0x90);
    struct Ask {
        QColor text;
        QColor background;
        double minimum;
    };
    const Ask asks[] = {
        {grey, Qt::white, 3.0}, {grey, Qt::white, 4.5}, {grey, Qt::black, 4.5},
        {grey, QColor(0x90, 0x90, 0x91), 4.5}, {Qt::white, Qt::white, 4.5},
    };
    for (int round = 0; round < 2; ++round) {
        for (const Ask& ask : asks) {
            const QColor shown = readableOn(ask.text, ask.background, ask.minimum);
            EXPECT_GE(contrastRatio(shown, ask.background), ask.minimum)
                << "round " << round << ": " << ask.text.name().toStdString() << " on "
                << ask.background.name().toStdString();
        }
    }
    const QColor red = QColor::fromHsv(0, 255, 192);
    readableOn(red.toRgb(), Qt::white, 4.5);
    EXPECT_EQ(readableOn(red, Qt::white, 4.5), red) << "a colour that reads comes back as it was given";
}

TEST(CellColors, TextIsMadeToReadOnWhatIsBehindItAndKeepsItsColour)
{
    const QColor red(0xC0, 0x00, 0x00);
    const QColor grey(0x90, 0x90, 0x90);
    QPalette light;
    light.setColor(QPalette::Base, Qt::white);
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(0x23, 0x23, 0x23));

    EXPECT_EQ(readableOn(red, Qt::white, 4.5), red) << "red on white already reads";
    EXPECT_EQ(readableOn(grey, Qt::white, 3.0), grey) << "grey on white already reads as faint";
    EXPECT_EQ(readableOn(Qt::black, matchTint(light), 4.5), QColor(Qt::black));
    for (const QPalette& palette : {light, dark}) {
        for (const QColor& tint : {matchTint(palette), changeTint(palette)}) {
            for (const auto& [text, minimum] : {std::pair{red, 3.0}, {grey, 3.0}, {red, 4.5}}) {
                const QColor shown = readableOn(text, tint, minimum);
                EXPECT_GE(contrastRatio(shown, tint), minimum) << text.name().toStdString() << " on "
                                                               << tint.name().toStdString();
                if (text == red) {
                    EXPECT_GT(shown.red(), shown.green() + 40) << "still red: " << shown.name().toStdString();
                    EXPECT_NEAR(shown.green(), shown.blue(), 2);
                }
            }
        }
    }
    EXPECT_LT(matchTint(dark).lightness(), 110) << "a dark palette gets dark tints";
    EXPECT_GT(matchTint(light).lightness(), 200) << "a light palette gets light tints";
    EXPECT_NE(matchTint(light), changeTint(light));
}
