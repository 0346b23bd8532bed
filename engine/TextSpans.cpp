#include "TextSpans.h"

#include "Utf8.h"

#include <algorithm>
#include <cstdint>

namespace renamer {

namespace {

bool isContinuationByte(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

} // namespace

TextSpan differingSpan(std::string_view before, std::string_view after)
{
    const std::size_t shorter = std::min(before.size(), after.size());
    std::size_t prefix = 0;
    while (prefix < shorter && before[prefix] == after[prefix])
        ++prefix;
    // A shared lead byte is not a shared character.
    while (prefix > 0 && ((prefix < after.size() && isContinuationByte(after[prefix]))
                          || (prefix < before.size() && isContinuationByte(before[prefix]))))
        --prefix;

    std::size_t suffix = 0;
    while (suffix < shorter - prefix && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    while (suffix > 0 && isContinuationByte(after[after.size() - suffix]))
        --suffix;
    return TextSpan{prefix, after.size() - suffix};
}

namespace {

constexpr std::size_t kMostComparedCharacters = 256;

// A text's code points with the byte offset where each starts; the offsets
// end with the text's length.
struct CodePoints {
    std::vector<char32_t> values;
    std::vector<std::size_t> starts;
};

CodePoints decode(std::string_view text, std::size_t offset)
{
    CodePoints points;
    for (std::size_t position = 0; position < text.size();) {
        points.starts.push_back(offset + position);
        bool valid = true;
        points.values.push_back(decodeCodePoint(text, position, valid));
    }
    points.starts.push_back(offset + text.size());
    return points;
}

// Which characters of `after` a longest common subsequence with `before`
// keeps.
std::vector<bool> keptCharacters(const std::vector<char32_t>& before, const std::vector<char32_t>& after)
{
    const std::size_t rows = before.size() + 1;
    const std::size_t columns = after.size() + 1;
    // Lengths fit 16 bits: neither text has more than 256 characters here.
    std::vector<std::uint16_t> length(rows * columns, 0);
    for (std::size_t i = before.size(); i-- > 0;) {
        for (std::size_t j = after.size(); j-- > 0;) {
            length[i * columns + j] = before[i] == after[j]
                ? static_cast<std::uint16_t>(length[(i + 1) * columns + j + 1] + 1)
                : std::max(length[(i + 1) * columns + j], length[i * columns + j + 1]);
        }
    }
    std::vector<bool> kept(after.size(), false);
    for (std::size_t i = 0, j = 0; i < before.size() && j < after.size();) {
        if (before[i] == after[j]) {
            kept[j] = true;
            ++i;
            ++j;
        } else if (length[(i + 1) * columns + j] >= length[i * columns + j + 1]) {
            ++i;
        } else {
            ++j;
        }
    }
    return kept;
}

} // namespace

std::vector<TextSpan> differingSpans(std::string_view before, std::string_view after)
{
    const TextSpan middle = differingSpan(before, after);
    if (middle.empty())
        return {};
    const std::size_t beforeEnd = before.size() - (after.size() - middle.end);
    const std::string_view beforeMiddle = before.substr(middle.begin, beforeEnd - middle.begin);
    const CodePoints old = decode(beforeMiddle, middle.begin);
    const CodePoints now = decode(after.substr(middle.begin, middle.end - middle.begin), middle.begin);
    if (old.values.empty() || old.values.size() > kMostComparedCharacters
        || now.values.size() > kMostComparedCharacters)
        return {middle};

    std::vector<bool> kept = keptCharacters(old.values, now.values);
    // A lone kept character between two changes joins them; beyond the
    // compared part lies shared text, or the end of the text, which counts
    // as a change.
    const bool changedBefore = middle.begin == 0;
    const bool changedAfter = middle.end == after.size();
    for (std::size_t j = 0; j < kept.size(); ++j) {
        const bool left = j == 0 ? changedBefore : !kept[j - 1];
        const bool right = j + 1 == kept.size() ? changedAfter : !kept[j + 1];
        if (kept[j] && left && right)
            kept[j] = false;
    }
    std::vector<TextSpan> spans;
    for (std::size_t j = 0; j < kept.size(); ++j) {
        if (kept[j])
            continue;
        const std::size_t start = j;
        while (j < kept.size() && !kept[j])
            ++j;
        spans.push_back({now.starts[start], now.starts[j]});
    }
    return spans;
}

void joinSpans(std::vector<TextSpan>& spans)
{
    std::erase_if(spans, [](const TextSpan& span) { return span.empty(); });
    std::sort(spans.begin(), spans.end(),
              [](const TextSpan& a, const TextSpan& b) { return a.begin < b.begin; });
    std::size_t kept = 0;
    for (const TextSpan& span : spans) {
        if (kept > 0 && span.begin <= spans[kept - 1].end)
            spans[kept - 1].end = std::max(spans[kept - 1].end, span.end);
        else
            spans[kept++] = span;
    }
    spans.resize(kept);
}

} // namespace renamer
