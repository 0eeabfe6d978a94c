#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "common/Text.h"

namespace tavuro {

// Hashing and equality of paths with ASCII letters compared case-insensitively, so path sets
// can hold views instead of upper-cased copies.
struct TPathHash {
    std::size_t operator()(std::string_view path) const {
        std::size_t hash = 14695981039346656037ull; // FNV-1a
        for (char c : path) {
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        }
        return hash;
    }
};

struct TPathEqual {
    bool operator()(std::string_view a, std::string_view b) const {
        return EqualsIgnoringAsciiCase(a, b);
    }
};

// A flat open-addressing table from paths (views, ASCII case ignored) to the first number
// stored for them. Far fewer allocations and cache misses than a node-based map for the
// hundred thousand paths of a big playlist.
class TPathTable {
public:
    explicit TPathTable(std::size_t expected = 0) { Reserve(expected); }

    // Stores the value for the path unless the path is there already; false when it was.
    bool Insert(std::string_view path, int value) {
        if ((Count + 1) * 2 > Slots.size())
            Grow();
        const std::size_t slot = Find(path);
        if (Slots[slot].Value >= 0)
            return false;
        Slots[slot] = {path, value};
        ++Count;
        return true;
    }
    // The value stored for the path, or -1.
    int Lookup(std::string_view path) const { return Slots.empty() ? -1 : Slots[Find(path)].Value; }
    void Clear() {
        Slots.clear();
        Count = 0;
    }
    void Reserve(std::size_t expected) {
        std::size_t size = 16;
        while (size < expected * 2 + 2)
            size *= 2;
        if (size > Slots.size())
            Rehash(size);
    }

private:
    struct TSlot {
        std::string_view Path;
        int Value = -1;
    };
    std::size_t Find(std::string_view path) const {
        const std::size_t mask = Slots.size() - 1;
        std::size_t slot = TPathHash{}(path)&mask;
        while (Slots[slot].Value >= 0 && !TPathEqual{}(Slots[slot].Path, path))
            slot = (slot + 1) & mask;
        return slot;
    }
    void Grow() { Rehash(Slots.empty() ? 16 : Slots.size() * 2); }
    void Rehash(std::size_t size) {
        std::vector<TSlot> old = std::move(Slots);
        Slots.assign(size, TSlot{});
        for (const TSlot& item : old)
            if (item.Value >= 0)
                Slots[Find(item.Path)] = item;
    }
    std::vector<TSlot> Slots;
    std::size_t Count = 0;
};

} // namespace tavuro
