#include "CellSpans.h"

#include "Utf8.h"
#include "VisibleText.h"

#include <algorithm>

namespace renamer {

QList<CharSpan> toCharSpans(std::string_view utf8, const std::vector<TextSpan>& spans)
{
    QList<CharSpan> result;
    if (spans.empty() || !isValidUtf8(utf8))
        return result;
    result.reserve(static_cast<qsizetype>(spans.size()));
    // One walk over the text: the spans are sorted.
    std::size_t byte = 0;
    qsizetype position = 0;
    const auto advanceTo = [&](std::size_t target) {
        while (byte < target && byte < utf8.size()) {
            bool valid = true;
            const char32_t c = decodeCodePoint(utf8, byte, valid);
            const std::size_t escaped = escapedLength(c);
            position += escaped != 0 ? static_cast<qsizetype>(escaped) : c >= 0x10000 ? 2 : 1;
        }
        return position;
    };
    for (const TextSpan& span : spans) {
        const qsizetype begin = advanceTo(span.begin);
        const qsizetype end = advanceTo(span.end);
        result.append({begin, end});
    }
    return result;
}

std::optional<MiddleElision> findMiddleElision(const QString& full, const QString& shown)
{
    if (shown == full)
        return std::nullopt;
    qsizetype common = 0;
    while (common < std::min(full.size(), shown.size()) && full[common] == shown[common])
        ++common;
    for (const QString& ellipsis : {QStringLiteral("\u2026"), QStringLiteral("...")}) {
        for (qsizetype head = std::min(common, shown.size() - ellipsis.size()); head >= 0; --head) {
            const qsizetype tail = shown.size() - head - ellipsis.size();
            if (head + tail < full.size() && QStringView(shown).mid(head, ellipsis.size()) == ellipsis
                && QStringView(full).right(tail) == QStringView(shown).right(tail))
                return MiddleElision{head, tail, ellipsis.size()};
        }
    }
    return std::nullopt;
}

QList<CharSpan> elideSpans(const QList<CharSpan>& spans, qsizetype fullLength, const MiddleElision& elision)
{
    const qsizetype tailStart = fullLength - elision.tail;
    const qsizetype ellipsisEnd = elision.head + elision.ellipsisLength;
    const auto place = [&](qsizetype position, bool isEnd) {
        if (position <= elision.head)
            return position;
        if (position >= tailStart)
            return position - tailStart + ellipsisEnd;
        return isEnd ? ellipsisEnd : elision.head;
    };
    QList<CharSpan> shown;
    for (const CharSpan& span : spans) {
        const CharSpan moved{place(span.begin, false), place(span.end, true)};
        if (moved.end > moved.begin)
            shown.append(moved);
    }
    return shown;
}

} // namespace renamer
