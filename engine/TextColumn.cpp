#include "TextColumn.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace renamer {

namespace {

// Compacting a small column is not worth the copy.
constexpr std::size_t kLeastWorthCompacting = std::size_t{64} * 1024;
// The room a text gets beyond its length when it outgrows its place.
constexpr std::uint32_t kRoomToGrow = 8;

void checkLength(std::string_view text)
{
    if (text.size() > TextColumn::kLongestText)
        throw std::length_error("a cell's text is longer than a column holds");
}

} // namespace

std::uint32_t TextColumn::store(std::string_view text, std::uint32_t spare)
{
    if (bytes_.size() + text.size() + spare > std::numeric_limits<std::uint32_t>::max())
        throw std::bad_alloc();
    const auto offset = static_cast<std::uint32_t>(bytes_.size());
    // Growing may move the buffer: a text taken from it is copied after.
    const bool fromHere = text.data() >= bytes_.data() && text.data() < bytes_.data() + bytes_.size();
    const std::size_t from = fromHere ? static_cast<std::size_t>(text.data() - bytes_.data()) : 0;
    bytes_.resize(bytes_.size() + text.size() + spare);
    if (!text.empty())
        std::memmove(bytes_.data() + offset, fromHere ? bytes_.data() + from : text.data(), text.size());
    return offset;
}

void TextColumn::append(std::string_view text)
{
    checkLength(text);
    const std::uint32_t offset = store(text, 0);
    refs_.push_back({offset, static_cast<std::uint32_t>(text.size()), 0});
}

bool TextColumn::assignInPlace(std::size_t index, std::string_view text)
{
    Ref& ref = refs_[index];
    const std::size_t room = std::size_t{ref.length} + ref.spare;
    if (text.size() > room || room - text.size() > kMostSpare)
        return false;
    // Written there (memmove, as it may overlap).
    if (!text.empty())
        std::memmove(bytes_.data() + ref.offset, text.data(), text.size());
    ref.length = static_cast<std::uint32_t>(text.size());
    ref.spare = static_cast<std::uint32_t>(room - text.size());
    return true;
}

void TextColumn::assign(std::size_t index, std::string_view text)
{
    checkLength(text);
    if (assignInPlace(index, text))
        return;
    const Ref& ref = refs_[index];
    const std::size_t room = std::size_t{ref.length} + ref.spare;
    unused_ += room;
    const std::uint32_t offset = store(text, kRoomToGrow);
    refs_[index] = {offset, static_cast<std::uint32_t>(text.size()), kRoomToGrow};
    compactIfWasteful();
}

void TextColumn::compactIfWasteful()
{
    if (unused_ < kLeastWorthCompacting || unused_ < bytes_.size() / 2)
        return;
    std::string compact;
    compact.reserve(bytes_.size() - unused_);
    for (Ref& ref : refs_) {
        const auto offset = static_cast<std::uint32_t>(compact.size());
        compact.append(bytes_, ref.offset, std::size_t{ref.length} + ref.spare);
        ref.offset = offset;
    }
    bytes_ = std::move(compact);
    unused_ = 0;
}

void TextColumn::reserve(std::size_t count, std::size_t bytes)
{
    // At least doubling, so that many small drops stay linear.
    if (refs_.size() + count > refs_.capacity())
        refs_.reserve(std::max(refs_.size() + count, 2 * refs_.capacity()));
    if (bytes_.size() + bytes > bytes_.capacity())
        bytes_.reserve(std::max(bytes_.size() + bytes, 2 * bytes_.capacity()));
}

void TextColumn::reserveForAssigning(std::size_t count, std::size_t bytes)
{
    const std::size_t needed = bytes_.size() + bytes + count * kRoomToGrow;
    // Growing by half at least, so that a few texts outgrowing their place
    // at every keystroke do not copy the column every time.
    if (needed > bytes_.capacity())
        bytes_.reserve(std::max(needed, bytes_.capacity() + bytes_.capacity() / 2));
}

void TextColumn::clear()
{
    bytes_ = {};
    refs_ = {};
    unused_ = 0;
}

} // namespace renamer
