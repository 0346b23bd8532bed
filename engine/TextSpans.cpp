#include "TextSpans.h"

#include <algorithm>

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
