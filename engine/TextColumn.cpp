#include "TextColumn.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace renamer {

namespace {

// Compacting a small column is not worth the copy.
constexpr std::size_t kLeastWorthCompacting = 64 * 1024;

} // namespace

std::uint32_t TextColumn::store(std::string_view text)
{
    if (bytes_.size() + text.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::bad_alloc();
    const auto offset = static_cast<std::uint32_t>(bytes_.size());
    // Appending may move the buffer: a text taken from it is copied first.
    if (text.data() >= bytes_.data() && text.data() < bytes_.data() + bytes_.size()) {
        const std::size_t from = static_cast<std::size_t>(text.data() - bytes_.data());
        bytes_.resize(bytes_.size() + text.size());
        std::memmove(bytes_.data() + offset, bytes_.data() + from, text.size());
    } else {
        bytes_.append(text);
    }
    return offset;
}

void TextColumn::append(std::string_view text)
{
    const std::uint32_t offset = store(text);
    refs_.push_back({offset, static_cast<std::uint32_t>(text.size())});
}

void TextColumn::assign(std::size_t index, std::string_view text)
{
    Ref& ref = refs_[index];
    if (text.size() <= ref.length) {
        // Shorter or as long: written in place (memmove, as it may overlap).
        if (!text.empty())
            std::memmove(bytes_.data() + ref.offset, text.data(), text.size());
        unused_ += ref.length - text.size();
        ref.length = static_cast<std::uint32_t>(text.size());
    } else {
        unused_ += ref.length;
        const std::uint32_t offset = store(text);
        refs_[index] = {offset, static_cast<std::uint32_t>(text.size())};
    }
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
        compact.append(bytes_, ref.offset, ref.length);
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

void TextColumn::clear()
{
    bytes_ = {};
    refs_ = {};
    unused_ = 0;
}

} // namespace renamer
