// Replacement-template expansion over synthetic matches. Input lines: the
// subject, the replacement text, comma-separated group names (name i belongs
// to group i + 1), then bytes that place the match and its groups: two bytes
// per pair pick code-point boundaries of the subject, and a pair whose first
// byte is 0xFF is a group that did not participate.

#include "NameBound.h"
#include "Properties.h"
#include "ReplacementTemplate.h"

#include <algorithm>
#include <string>

using namespace renamer;
using namespace renamer::fuzz;

namespace {

constexpr unsigned char kUnsetMarker = 0xFF;

std::vector<NamedGroup> groupNames(std::string_view list, int groupCount)
{
    std::vector<NamedGroup> names;
    while (!list.empty() && static_cast<int>(names.size()) < groupCount) {
        const std::size_t comma = list.find(',');
        names.push_back({std::string(list.substr(0, comma)), static_cast<int>(names.size()) + 1});
        list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
    }
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view subject = takeLine(input);
    const std::string_view replacement = takeLine(input);
    const std::string_view nameList = takeLine(input);

    // PCRE2's offsets: the whole match is a forward range; a group's range
    // may lie anywhere in the subject (lookarounds capture outside the match).
    const std::vector<std::size_t> boundaries = codePointBoundaries(subject);
    std::vector<std::size_t> pairs;
    for (std::size_t i = 0; i + 1 < input.size(); i += 2) {
        const auto first = static_cast<unsigned char>(input[i]);
        const auto second = static_cast<unsigned char>(input[i + 1]);
        if (first == kUnsetMarker && !pairs.empty()) {
            pairs.insert(pairs.end(), 2, MatchOffsets::kUnsetOffset);
            continue;
        }
        std::size_t start = boundaries[first % boundaries.size()];
        std::size_t end = boundaries[second % boundaries.size()];
        if (start > end)
            std::swap(start, end);
        pairs.push_back(start);
        pairs.push_back(end);
    }
    if (pairs.empty())
        pairs = {0, 0};
    const int groupCount = static_cast<int>(pairs.size() / 2) - 1;

    const ReplacementTemplate parsed(replacement, groupCount, groupNames(nameList, groupCount));
    std::string out;
    parsed.appendExpansion(subject, MatchOffsets{pairs}, out);

    if (isValidUtf8(subject) && isValidUtf8(replacement))
        require(isValidUtf8(out), "the expansion of valid UTF-8 is valid UTF-8");
    require(out.size() <= kLongestWorkingName, "the expansion stops growing at the bound");
    if (replacement.find('$') == std::string_view::npos)
        require(replacement.starts_with(out) && (out.size() == replacement.size() || out.size() + 3 >= kLongestWorkingName),
                "a replacement without $ is copied as it is, up to the bound");
    return 0;
}
