#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "common/Text.h"

namespace tavuro {

// A flat open-addressing table from paths (ASCII letters compared case-insensitively) to the
// first number stored for each. A slot holds only the path's hash and its number, eight bytes,
// so the table of a hundred-thousand-entry playlist stays small enough to be cheap to probe;
// the caller says which path a number stands for.
class TPathTable {
public:
    explicit TPathTable(std::size_t expected = 0) { Reserve(expected); }

    // Stores the number for the path unless the path is there already; false when it was.
    // pathOf(number) gives the path of a number stored earlier.
    template <class PathOf> bool Insert(std::string_view path, int number, const PathOf& pathOf) {
        if ((Count + 1) * 2 > Slots.size())
            Rehash(Slots.empty() ? 16 : Slots.size() * 2);
        const std::uint32_t hash = Hash(path);
        TSlot& slot = Slots[Find(path, hash, pathOf)];
        if (slot.Number >= 0)
            return false;
        slot = {hash, number};
        ++Count;
        return true;
    }
    // The number stored for the path, or -1.
    template <class PathOf> int Lookup(std::string_view path, const PathOf& pathOf) const {
        return Slots.empty() ? -1 : Slots[Find(path, Hash(path), pathOf)].Number;
    }
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
        std::uint32_t Hash = 0;
        int Number = -1;
    };

    static std::uint32_t Hash(std::string_view path) {
        std::uint64_t hash = 14695981039346656037ull; // FNV-1a
        for (char c : path) {
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        }
        return static_cast<std::uint32_t>(hash ^ (hash >> 32));
    }

    template <class PathOf>
    std::size_t Find(std::string_view path, std::uint32_t hash, const PathOf& pathOf) const {
        const std::size_t mask = Slots.size() - 1;
        std::size_t at = hash & mask;
        while (Slots[at].Number >= 0 &&
               !(Slots[at].Hash == hash && EqualsIgnoringAsciiCase(pathOf(Slots[at].Number), path)))
            at = (at + 1) & mask;
        return at;
    }

    void Rehash(std::size_t size) {
        std::vector<TSlot> old = std::move(Slots);
        Slots.assign(size, TSlot{});
        const std::size_t mask = size - 1;
        for (const TSlot& item : old) {
            if (item.Number < 0)
                continue;
            std::size_t at = item.Hash & mask;
            while (Slots[at].Number >= 0)
                at = (at + 1) & mask;
            Slots[at] = item;
        }
    }

    std::vector<TSlot> Slots;
    std::size_t Count = 0;
};

} // namespace tavuro
