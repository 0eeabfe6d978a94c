#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tavuro {

// Random access to the bytes of a file or of a block in memory. Readers parse through it, so the
// same code reads a file on disk and a tag handed over in memory.
class TByteSource {
public:
    virtual ~TByteSource() = default;

    // Total size in bytes.
    virtual std::int64_t Size() const = 0;

    // Copies up to `count` bytes from `offset` into `dest` and returns how many were there to copy:
    // fewer near the end, 0 for an offset outside the source or after a read error.
    virtual std::size_t ReadAt(std::int64_t offset, void* dest, std::size_t count) = 0;

    // True when all `count` bytes could be read.
    bool ReadExactly(std::int64_t offset, void* dest, std::size_t count) {
        return ReadAt(offset, dest, count) == count;
    }

    // Reads what is there and fills the rest of `dest` with zeros; returns the bytes read.
    std::size_t ReadZeroFilled(std::int64_t offset, void* dest, std::size_t count) {
        const std::size_t got = ReadAt(offset, dest, count);
        std::memset(static_cast<std::uint8_t*>(dest) + got, 0, count - got);
        return got;
    }
};

// A block of memory seen as a source; the memory must outlive it.
class TMemorySource final : public TByteSource {
public:
    TMemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::int64_t Size() const override { return static_cast<std::int64_t>(size_); }

    std::size_t ReadAt(std::int64_t offset, void* dest, std::size_t count) override {
        if (offset < 0 || static_cast<std::uint64_t>(offset) >= size_)
            return 0;
        const std::size_t start = static_cast<std::size_t>(offset);
        if (count > size_ - start)
            count = size_ - start;
        std::memcpy(dest, data_ + start, count);
        return count;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

} // namespace tavuro
