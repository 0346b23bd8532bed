#pragma once

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

    // Makes room for `count` entries without growing.
    void reserve(std::size_t count)
    {
        std::size_t capacity = 16;
        while (capacity < count * 2)
            capacity *= 2;
        if (capacity > slots_.size())
            rehash(capacity);
    }

    std::size_t size() const { return size_; }

    const Value* find(std::uint32_t group, std::string_view name, std::size_t hash) const
    {
        if (slots_.empty())
            return nullptr;
        const Slot* slot = &slots_[slotIndex(group, name, hash)];
        return slot->generation == generation_ ? &slot->value : nullptr;
    }

    // The value stored for the name, default-made when the name is new.
    Value& findOrInsert(std::uint32_t group, std::string_view name, std::size_t hash)
    {
        if ((size_ + 1) * 2 > slots_.size())
            rehash(slots_.empty() ? 16 : slots_.size() * 2);
        Slot& slot = slots_[slotIndex(group, name, hash)];
        if (slot.generation != generation_) {
            slot = Slot{hash, name, group, generation_, Value{}};
            ++size_;
        }
        return slot.value;
    }

private:
    struct Slot {
        std::size_t hash = 0;
        std::string_view name;
        std::uint32_t group = 0;
        std::uint32_t generation = 0; // in use when it equals the table's
        Value value{};
    };

    // The slot that holds the name, or the empty one where it would go.
    std::size_t slotIndex(std::uint32_t group, std::string_view name, std::size_t hash) const
    {
        const std::size_t mask = slots_.size() - 1;
        std::size_t index = mixed(group, hash) & mask;
        for (;;) {
            const Slot& slot = slots_[index];
            if (slot.generation != generation_
                || (slot.hash == hash && slot.group == group && slot.name == name))
                return index;
            index = (index + 1) & mask;
        }
    }

    static std::size_t mixed(std::uint32_t group, std::size_t hash)
    {
        return hash ^ (static_cast<std::size_t>(group) * 0x9E3779B97F4A7C15ull);
    }

    void rehash(std::size_t capacity)
    {
        std::vector<Slot> old = std::move(slots_);
        const std::uint32_t oldGeneration = generation_;
        slots_.assign(capacity, Slot{});
        generation_ = 1;
        size_ = 0;
        for (Slot& slot : old) {
            if (slot.generation == oldGeneration)
                findOrInsert(slot.group, slot.name, slot.hash) = std::move(slot.value);
        }
    }

    std::vector<Slot> slots_;
    std::size_t size_ = 0;
    std::uint32_t generation_ = 1;
};

} // namespace renamer
