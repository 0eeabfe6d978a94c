#pragma once

#include <array>
#include <cstdio>
#include <string>

#include "common/ByteSource.h"

namespace tavuro {

// A file opened read-only as a byte source. Small reads are served from two 4 KB blocks held in
// memory (typically the start and the end of the file), so a parser that reads a header field by
// field costs one system read, and a file is never read beyond the blocks the parsers ask for.
class TFileSource final : public TByteSource {
public:
    TFileSource() = default;
    ~TFileSource() override;
    TFileSource(const TFileSource&) = delete;
    TFileSource& operator=(const TFileSource&) = delete;

    // Opens the file and notes its size; false when it cannot be opened or is no seekable file.
    bool Open(const std::string& path);

    std::int64_t Size() const override { return size_; }
    std::size_t ReadAt(std::int64_t offset, void* dest, std::size_t count) override;

private:
    static constexpr std::size_t kBlockSize = 4096;

    struct TBlock {
        std::array<unsigned char, kBlockSize> bytes; // only the first `length` bytes are read
        std::int64_t start = 0;
        std::size_t length = 0;
        bool Holds(std::int64_t offset, std::size_t count) const {
            return offset >= start && offset + static_cast<std::int64_t>(count) <=
                                          start + static_cast<std::int64_t>(length);
        }
    };

    std::size_t ReadFromFile(std::int64_t offset, void* dest, std::size_t count);
    const TBlock* BlockFor(std::int64_t offset, std::size_t count);

    std::FILE* file_ = nullptr;
    std::int64_t size_ = 0;
    std::int64_t position_ = -1; // where the next fread starts; -1 when not known
    std::array<TBlock, 2> blocks_;
    std::size_t lastUsed_ = 0; // the block that served the last read; the other is refilled
};

} // namespace tavuro
