#include "Placeholders.h"

#include <algorithm>
#include <charconv>

namespace renamer {

namespace {

constexpr std::size_t kWidestForm = 8;

// Appends the piece that a form of `width` "#" becomes.
void appendNumber(std::string& out, std::string_view digits, std::size_t width)
{
    if (width == 1) {
        out.append(digits);
        return;
    }
    if (digits.size() >= width) {
        out.append(digits.substr(digits.size() - width));
        return;
    }
    out.append(width - digits.size(), '0');
    out.append(digits);
}

} // namespace

void expandPlaceholders(std::string_view name, std::uint64_t rowNumber, std::string& out)
{
    out.clear();
    std::size_t hash = name.find('#');
    if (hash == std::string_view::npos) {
        out.assign(name);
        return;
    }

    char buffer[24];
    const auto converted = std::to_chars(buffer, buffer + sizeof buffer, rowNumber);
    const std::string_view digits(buffer, converted.ptr - buffer);

    std::size_t done = 0;
    while (hash != std::string_view::npos) {
        out.append(name.substr(done, hash - done));
        std::size_t runEnd = name.find_first_not_of('#', hash);
        if (runEnd == std::string_view::npos)
            runEnd = name.size();
        for (std::size_t left = runEnd - hash; left > 0;) {
            const std::size_t width = std::min(left, kWidestForm);
            appendNumber(out, digits, width);
            left -= width;
        }
        done = runEnd;
        hash = name.find('#', done);
    }
    out.append(name.substr(done));
}

} // namespace renamer
