#pragma once

#include "TextSpans.h"

#include <QList>
#include <QString>

#include <optional>
#include <string_view>
#include <vector>

namespace renamer {

// A range [begin, end) of positions (UTF-16 units) in a QString.
struct CharSpan {
    qsizetype begin = 0;
    qsizetype end = 0;

    bool operator==(const CharSpan&) const = default;
};

// Byte spans of a UTF-8 text as positions in the text a cell shows for it,
// QString::fromUtf8 of withVisibleControls of it, where an escaped character
// takes its escape's length; none when the text is not valid UTF-8, where
// bytes and characters part ways.
QList<CharSpan> toCharSpans(std::string_view utf8, const std::vector<TextSpan>& spans);

// How a text was shortened in its middle: its first `head` and last `tail`
// characters stand around an ellipsis of `ellipsisLength` characters.
struct MiddleElision {
    qsizetype head = 0;
    qsizetype tail = 0;
    qsizetype ellipsisLength = 1;

    bool operator==(const MiddleElision&) const = default;
};

// Finds how `shown` (QFontMetrics::elidedText of `full`) shortened it; none
// when it shows the whole text.
std::optional<MiddleElision> findMiddleElision(const QString& full, const QString& shown);

// Spans of the full text moved onto the shortened one; a span that reaches
// into the part left out takes in the ellipsis, one wholly inside it becomes
// the ellipsis.
QList<CharSpan> elideSpans(const QList<CharSpan>& spans, qsizetype fullLength, const MiddleElision& elision);

} // namespace renamer
