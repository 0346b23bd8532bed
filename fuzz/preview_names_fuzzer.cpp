// One preview run as the window makes it. Input lines: the pattern, the
// replacement, then up to eight file names.

#include "NameBound.h"
#include "Pcre2RegularExpression.h"
#include "PreviewNames.h"
#include "Properties.h"

#include <algorithm>
#include <string>

using namespace renamer;
using namespace renamer::fuzz;

namespace {

constexpr std::size_t kMaxNames = 8;
// Longer names cannot exist on Linux (NAME_MAX).
constexpr std::size_t kMaxNameBytes = 255;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view pattern = takeLine(input);
    const std::string_view replacement = takeLine(input);

    FileList list;
    bool allValid = isValidUtf8(pattern) && isValidUtf8(replacement);
    while (!input.empty() && list.rowCount() < kMaxNames) {
        const std::string_view name = takeLine(input).substr(0, kMaxNameBytes);
        const std::size_t row = list.appendRow(std::to_string(list.rowCount() + 1), {}, {}, {});
        list.setCell(row, ColumnKey::Path, "/d");
        list.setCell(row, ColumnKey::FileName, name);
        allValid = allValid && isValidUtf8(name);
    }

    PreviewRun run;
    PreviewNames(list, makePcre2RegularExpression, pattern, replacement, list.rowCount(), &run);
    for (std::size_t row = 1; row <= list.rowCount(); ++row) {
        const std::string_view proposed = list.cell(row, ColumnKey::NewName);
        // Placeholders are expanded after the replacement, so also a "#"
        // taken from the file name becomes the row number.
        require(proposed.find('#') == std::string::npos, "a proposed name keeps no #");
        require(proposed.size() <= kLongestWorkingName, "a proposed name stops growing at the bound");
        if (allValid)
            require(isValidUtf8(proposed), "a proposed name is valid UTF-8");
    }
    // The spans a window draws lie within their texts, in order, on
    // character boundaries, and the replacement they come with is the one
    // the preview made.
    const auto wellPlaced = [](const std::vector<TextSpan>& spans, std::string_view text) {
        const std::vector<std::size_t> boundaries = codePointBoundaries(text);
        const auto onBoundary = [&](std::size_t at) {
            return std::binary_search(boundaries.begin(), boundaries.end(), at);
        };
        std::size_t previousEnd = 0;
        for (const TextSpan& span : spans) {
            if (span.begin < previousEnd || span.end < span.begin || span.end > text.size() || !onBoundary(span.begin)
                || !onBoundary(span.end))
                return false;
            previousEnd = span.end;
        }
        return true;
    };
    for (std::size_t row = 1; row <= list.rowCount() && allValid; ++row) {
        const std::string_view name = list.cell(row, ColumnKey::FileName);
        RowSpans spans;
        if (run.proposer->propose(name, row, &spans) != NameProposer::Outcome::Proposed)
            continue;
        const std::string_view proposed = run.proposer->proposal();
        require(proposed == list.cell(row, ColumnKey::NewName), "the proposal drawn is the one the preview made");
        require(wellPlaced(spans.matched, name), "match spans lie in the name");
        require(wellPlaced(spans.changed, proposed), "changed spans lie in the numbered name");
    }

    // The same texts again propose the same names.
    require(PreviewNames(list, makePcre2RegularExpression, pattern, replacement).empty(),
            "a repeated preview changes nothing");
    return 0;
}
