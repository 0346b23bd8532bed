#include "Placeholders.h"

#include "NameBound.h"

#include <algorithm>
#include <charconv>

namespace renamer {

namespace {

constexpr std::size_t kWidestForm = 8;

// The piece that a form of `width` "#" becomes: the whole number for one
// "#", else the last `width` characters of the number behind eight zeros.
std::string_view numberPiece(std::string_view zeroPadded, std::string_view digits, std::size_t width)
{
    return width == 1 ? digits : zeroPadded.substr(zeroPadded.size() - width);
}

} // namespace

void expandPlaceholders(std::string_view name, std::uint64_t rowNumber, std::string& out)
{
    out.clear();
    std::size_t hash = name.find('#');
    if (hash == std::string_view::npos) {
        appendBounded(out, name);
        return;
    }

    char buffer[kWidestForm + 24];
    std::fill_n(buffer, kWidestForm, '0');
    const auto converted = std::to_chars(buffer + kWidestForm, buffer + sizeof buffer, rowNumber);
    const std::string_view zeroPadded(buffer, converted.ptr - buffer);
    const std::string_view digits = zeroPadded.substr(kWidestForm);

    std::size_t done = 0;
    while (hash != std::string_view::npos) {
        if (!appendBounded(out, name.substr(done, hash - done)))
            return;
        std::size_t runEnd = name.find_first_not_of('#', hash);
        if (runEnd == std::string_view::npos)
            runEnd = name.size();
        for (std::size_t left = runEnd - hash; left > 0;) {
            const std::size_t width = std::min(left, kWidestForm);
            if (!appendBounded(out, numberPiece(zeroPadded, digits, width)))
                return;
            left -= width;
        }
        done = runEnd;
        hash = name.find('#', done);
    }
    appendBounded(out, name.substr(done));
}

} // namespace renamer
