#include "TemporaryName.h"

#include <algorithm>

namespace renamer {

std::string temporaryNameFor(std::string_view name, unsigned attempt)
{
    std::size_t kept = std::min(name.size(), kTemporaryNameKeeps);
    // Not in the middle of a UTF-8 sequence.
    while (kept < name.size() && kept > 0 && (static_cast<unsigned char>(name[kept]) & 0xC0) == 0x80)
        --kept;
    std::string temporary(name.substr(0, kept));
    temporary += ".~regex-renamer";
    if (attempt > 0)
        temporary += "-" + std::to_string(attempt + 1);
    return temporary;
}

} // namespace renamer
