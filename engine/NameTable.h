#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace renamer {

// The hash every name table uses; callers compute it once per name and
// reuse it for every table they look the name up in.
inline std::size_t hashName(std::string_view name)
{
    return std::hash<std::string_view>{}(name);
}

// An open-addressing hash table from (group, name) to a small value, for
// checking tens of thousands of names on every keystroke without allocating:
// clearing it is O(1), and its slots are reused from run to run. Names are
// views; whoever inserts them keeps them alive while the table is used.
template <class Value>
class NameTable {
public:
    // Empties the table, keeping its memory.
    void clear()
    {
        size_ = 0;
        if (++generation_ == 0) { // after four billion clears the stamps wrap
            for (Slot& slot : slots_)
                slot.generation = 0;
            generation_ = 1;
        }
    }

    // Gives the memory back.
    void release()
    {
        slots_ = {};
        size_ = 0;
        generation_ = 1;
    }

    // Makes room for `count` entries without growing.
    void reserve(std::size_t count)
    {
        const std::size_t capacity = std::max(kSmallest, count * kMaxLoadDenominator / kMaxLoadNumerator + 1);
        if (capacity > slots_.size())
            rehash(capacity);
    }

    std::size_t size() const { return size_; }

    const Value* find(std::uint32_t group, std::string_view name, std::size_t hash) const
    {
        if (slots_.empty())
            return nullptr;
        const Slot& slot = slots_[slotIndex(group, name, shortHash(hash))];
        return slot.generation == generation_ ? &slot.value : nullptr;
    }

    // The value stored for the name, default-made when the name is new.
    Value& findOrInsert(std::uint32_t group, std::string_view name, std::size_t hash)
    {
        if ((size_ + 1) * kMaxLoadDenominator > slots_.size() * kMaxLoadNumerator)
            rehash(slots_.empty() ? kSmallest : slots_.size() * 2);
        const std::uint32_t hash32 = shortHash(hash);
        Slot& slot = slots_[slotIndex(group, name, hash32)];
        if (slot.generation != generation_) {
            slot = Slot{name.data(), static_cast<std::uint32_t>(name.size()), hash32, group, generation_, Value{}};
            ++size_;
        }
        return slot.value;
    }

private:
    static constexpr std::size_t kSmallest = 16;
    // At most three quarters of the slots are used.
    static constexpr std::size_t kMaxLoadNumerator = 3;
    static constexpr std::size_t kMaxLoadDenominator = 4;

    // 32 bytes for small values: the name as pointer and length, and 32 bits
    // of its hash, enough to place it and to reject nearly every other name.
    struct Slot {
        const char* name = nullptr;
        std::uint32_t length = 0;
        std::uint32_t hash = 0;
        std::uint32_t group = 0;
        std::uint32_t generation = 0; // in use when it equals the table's
        Value value{};

        std::string_view view() const { return {name, length}; }
    };

    static std::uint32_t shortHash(std::size_t hash) { return static_cast<std::uint32_t>(hash ^ (hash >> 32)); }

    // Maps the hash onto any number of slots (not only powers of two), so
    // that the table is no larger than its load limit asks.
    std::size_t home(std::uint32_t group, std::uint32_t hash) const
    {
        const auto mixed = static_cast<std::uint32_t>((hash ^ group * 0x9E3779B9u) * 0x85EBCA6Bu);
        return static_cast<std::size_t>((static_cast<std::uint64_t>(mixed) * slots_.size()) >> 32);
    }

    // The slot that holds the name, or the empty one where it would go.
    std::size_t slotIndex(std::uint32_t group, std::string_view name, std::uint32_t hash) const
    {
        for (std::size_t index = home(group, hash);; index = index + 1 == slots_.size() ? 0 : index + 1) {
            const Slot& slot = slots_[index];
            if (slot.generation != generation_ || (slot.hash == hash && slot.group == group && slot.view() == name))
                return index;
        }
    }

    void rehash(std::size_t capacity)
    {
        std::vector<Slot> old = std::move(slots_);
        const std::uint32_t oldGeneration = generation_;
        slots_.assign(capacity, Slot{});
        generation_ = 1;
        size_ = 0;
        for (Slot& slot : old) {
            if (slot.generation != oldGeneration)
                continue;
            Slot& moved = slots_[slotIndex(slot.group, slot.view(), slot.hash)];
            moved = std::move(slot);
            moved.generation = generation_;
            ++size_;
        }
    }

    std::vector<Slot> slots_;
    std::size_t size_ = 0;
    std::uint32_t generation_ = 1;
};

} // namespace renamer
