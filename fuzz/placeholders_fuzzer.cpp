// Placeholder expansion. Input: eight bytes of row number (little-endian;
// missing bytes are zero), then the name.

#include "NameBound.h"
#include "Placeholders.h"
#include "Properties.h"

#include <algorithm>
#include <string>

using namespace renamer;
using namespace renamer::fuzz;

namespace {

// Length the expansion must have: every run of "#" is cut into pieces of
// eight from the left; a piece of n > 1 characters becomes n characters and
// a single "#" becomes the unpadded number.
std::size_t expectedLength(std::string_view name, std::size_t digitCount)
{
    std::size_t length = 0;
    for (std::size_t i = 0; i < name.size();) {
        if (name[i] != '#') {
            ++length;
            ++i;
            continue;
        }
        const std::size_t runEnd = std::min(name.find_first_not_of('#', i), name.size());
        const std::size_t run = runEnd - i;
        length += run - run % 8 + (run % 8 == 1 ? digitCount : run % 8);
        i = runEnd;
    }
    return length;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::uint64_t rowNumber = 0;
    const std::size_t numberBytes = std::min<std::size_t>(size, 8);
    for (std::size_t i = 0; i < numberBytes; ++i)
        rowNumber |= static_cast<std::uint64_t>(data[i]) << (8 * i);
    const std::string_view name(reinterpret_cast<const char*>(data) + numberBytes, size - numberBytes);

    std::string out = "left over";
    expandPlaceholders(name, rowNumber, out);

    require(out.find('#') == std::string::npos, "no # is left");
    const std::size_t whole = expectedLength(name, std::to_string(rowNumber).size());
    if (whole <= kLongestWorkingName)
        require(out.size() == whole, "each run becomes its pieces' widths, a single # the whole number");
    else
        require(out.size() <= kLongestWorkingName && out.size() + 3 >= kLongestWorkingName,
                "a longer expansion stops at the bound, short of it by less than one sequence");
    if (isValidUtf8(name))
        require(isValidUtf8(out), "the expansion of valid UTF-8 is valid UTF-8");
    return 0;
}
