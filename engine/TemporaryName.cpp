#include "TemporaryName.h"

#include <algorithm>

namespace renamer {

namespace {

constexpr std::string_view kTemporaryMark = ".~regex-renamer";

bool isAttemptNumber(std::string_view digits)
{
    // "-2" is the second attempt: "-0", "-1" and leading zeros are never made.
    return !digits.empty() && digits.front() >= '2' && digits.front() <= '9' && digits.size() <= 10
        && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

std::string temporaryNameFor(std::string_view name, unsigned attempt)
{
    std::size_t kept = std::min(name.size(), kTemporaryNameKeeps);
    // Not in the middle of a UTF-8 sequence.
    while (kept < name.size() && kept > 0 && (static_cast<unsigned char>(name[kept]) & 0xC0) == 0x80)
        --kept;
    std::string temporary(name.substr(0, kept));
    temporary += kTemporaryMark;
    if (attempt > 0)
        temporary += "-" + std::to_string(attempt + 1);
    return temporary;
}

std::optional<std::string_view> nameBeforeTemporaryName(std::string_view name)
{
    const std::size_t mark = name.rfind(kTemporaryMark);
    if (mark == std::string_view::npos || mark == 0)
        return std::nullopt;
    const std::string_view attempt = name.substr(mark + kTemporaryMark.size());
    if (!attempt.empty() && (attempt.front() != '-' || !isAttemptNumber(attempt.substr(1))))
        return std::nullopt;
    return name.substr(0, mark);
}

} // namespace renamer
