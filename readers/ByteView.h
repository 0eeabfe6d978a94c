#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tavuro {

// Little- and big-endian access to a bounded block of bytes. Every accessor checks its range:
// bytes outside the block read as zero, so a parser can never reach past what is there.
class TByteView {
public:
    TByteView() = default;
    TByteView(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    const std::uint8_t* Data() const { return data_; }
    std::size_t Size() const { return size_; }

    // True when `count` bytes from `offset` lie inside the block.
    bool Has(std::size_t offset, std::size_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }

    std::uint8_t U8(std::size_t offset) const { return offset < size_ ? data_[offset] : 0; }
    std::uint16_t U16LE(std::size_t offset) const {
        return static_cast<std::uint16_t>(U8(offset) | (U8(offset + 1) << 8));
    }
    std::uint32_t U32LE(std::size_t offset) const {
        return static_cast<std::uint32_t>(U16LE(offset)) |
               (static_cast<std::uint32_t>(U16LE(offset + 2)) << 16);
    }
    std::uint64_t U64LE(std::size_t offset) const {
        return static_cast<std::uint64_t>(U32LE(offset)) |
               (static_cast<std::uint64_t>(U32LE(offset + 4)) << 32);
    }
    std::uint16_t U16BE(std::size_t offset) const {
        return static_cast<std::uint16_t>((U8(offset) << 8) | U8(offset + 1));
    }
    std::uint32_t U24BE(std::size_t offset) const {
        return (static_cast<std::uint32_t>(U8(offset)) << 16) |
               (static_cast<std::uint32_t>(U8(offset + 1)) << 8) | U8(offset + 2);
    }
    std::uint32_t U32BE(std::size_t offset) const {
        return (static_cast<std::uint32_t>(U8(offset)) << 24) | U24BE(offset + 1);
    }

    // True when the bytes at `offset` spell `text` exactly.
    bool Matches(std::size_t offset, std::string_view text) const {
        if (!Has(offset, text.size()))
            return false;
        return std::string_view(reinterpret_cast<const char*>(data_) + offset, text.size()) == text;
    }

    // The bytes from `offset` as characters, clipped to the block.
    std::string_view Chars(std::size_t offset, std::size_t count) const {
        if (offset >= size_)
            return {};
        if (count > size_ - offset)
            count = size_ - offset;
        return std::string_view(reinterpret_cast<const char*>(data_) + offset, count);
    }

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace tavuro
