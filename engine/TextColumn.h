#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace renamer {

// The texts of one column, held back to back in one buffer: a million rows
// cost a few allocations, not one per cell. A text read is a view into the
// buffer, valid until the next change of this column. Each text keeps the
// room it once had, plus a little, so that a proposal that shrinks and grows
// by a few characters from keystroke to keystroke is rewritten in place.
// A text is at most kLongestText bytes.
class TextColumn {
public:
    static constexpr std::size_t kLongestText = (std::size_t{1} << 20) - 1;

    std::size_t size() const { return refs_.size(); }
    std::string_view text(std::size_t index) const
    {
        const Ref& ref = refs_[index];
        return {bytes_.data() + ref.offset, ref.length};
    }

    // The bytes the column's buffer holds: its texts, their room to grow, and
    // what replaced texts left behind until the next compaction.
    std::size_t heldBytes() const { return bytes_.size(); }

    // A longer text than kLongestText throws std::length_error.
    void append(std::string_view text);
    // `text` may be a view into this very column.
    void assign(std::size_t index, std::string_view text);
    // Writes the text in the place of text `index` when it fits there (as
    // assign would): true when written, false (and nothing changed) when it
    // does not fit. Never moves a text, so that calls for different indexes
    // may run at the same time.
    bool assignInPlace(std::size_t index, std::string_view text);
    // Room for `count` more texts of `bytes` bytes in all.
    void reserve(std::size_t count, std::size_t bytes);
    // Room for `count` texts of `bytes` bytes in all to be written where
    // they do not fit their place (assign): exactly that, unless the buffer
    // must grow by more to grow by half.
    void reserveForAssigning(std::size_t count, std::size_t bytes);
    void clear();

private:
    struct Ref {
        std::uint32_t offset;
        std::uint32_t length : 20;
        std::uint32_t spare : 12; // room after the text that is still its own
    };
    static constexpr std::uint32_t kMostSpare = (1u << 12) - 1;

    // Appends `text` and `spare` bytes of room to the buffer; returns where
    // the text starts.
    std::uint32_t store(std::string_view text, std::uint32_t spare);
    // Drops the bytes no row refers to any more, once they outweigh the rest.
    void compactIfWasteful();

    std::string bytes_;
    std::vector<Ref> refs_;
    std::size_t unused_ = 0; // bytes of texts since replaced
};

} // namespace renamer
