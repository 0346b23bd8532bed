#include "NameBound.h"

namespace renamer {

namespace {

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

bool appendCut(std::string& out, std::string_view piece)
{
    std::size_t cut = out.size() < kLongestWorkingName ? kLongestWorkingName - out.size() : 0;
    // Back to the start of the sequence the cut would split; a sequence is
    // at most four bytes, so at most three steps, even in text that is not
    // UTF-8.
    for (int step = 0; step < 3 && cut > 0 && isContinuationByte(piece[cut]); ++step)
        --cut;
    out.append(piece.substr(0, cut));
    return false;
}

} // namespace renamer
