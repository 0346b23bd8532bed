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

// A run of "#" in the name and the number it became in the output.
struct ExpandedRun {
    TextSpan in;
    TextSpan out;
};

void expand(std::string_view name, std::uint64_t rowNumber, std::string& out, std::vector<ExpandedRun>* runs)
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
        const std::size_t outStart = out.size();
        for (std::size_t left = runEnd - hash; left > 0;) {
            const std::size_t width = std::min(left, kWidestForm);
            if (!appendBounded(out, numberPiece(zeroPadded, digits, width)))
                return;
            left -= width;
        }
        if (runs != nullptr)
            runs->push_back({{hash, runEnd}, {outStart, out.size()}});
        done = runEnd;
        hash = name.find('#', done);
    }
    appendBounded(out, name.substr(done));
}

// Where a position of the name lies in the output; one inside a run moves
// to the run's start, or to its end when `roundUp`.
std::size_t mapPosition(std::size_t position, const std::vector<ExpandedRun>& runs, bool roundUp)
{
    std::ptrdiff_t shift = 0;
    for (const ExpandedRun& run : runs) {
        if (position <= run.in.begin)
            break;
        if (position < run.in.end)
            return roundUp ? run.out.end : run.out.begin;
        shift += static_cast<std::ptrdiff_t>(run.out.end - run.out.begin)
            - static_cast<std::ptrdiff_t>(run.in.end - run.in.begin);
    }
    return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(position) + shift);
}

} // namespace

void expandPlaceholders(std::string_view name, std::uint64_t rowNumber, std::string& out)
{
    expand(name, rowNumber, out, nullptr);
}

void expandPlaceholders(std::string_view name, std::uint64_t rowNumber, std::string& out,
                        std::vector<TextSpan>& spans)
{
    std::vector<ExpandedRun> runs;
    expand(name, rowNumber, out, &runs);
    for (TextSpan& span : spans)
        span = {mapPosition(span.begin, runs, false), mapPosition(span.end, runs, true)};
    for (const ExpandedRun& run : runs)
        spans.push_back(run.out);
    joinSpans(spans);
}

} // namespace renamer
