#pragma once

#include <array>
#include <cstdio>
#include <string>

#include "readers/ByteSource.h"

namespace tavuro {

// A file opened read-only as a byte source. Small reads are served from one 4 KB block held in
// memory, so a parser that reads a header field by field costs one system read, and a file is
// never read beyond the blocks the parsers ask for.
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

    std::size_t ReadFromFile(std::int64_t offset, void* dest, std::size_t count);
    bool LoadBlockFor(std::int64_t offset, std::size_t count);

    std::FILE* file_ = nullptr;
    std::int64_t size_ = 0;
    std::int64_t position_ = -1; // where the next fread starts; -1 when not known
    std::array<unsigned char, kBlockSize> block_{};
    std::int64_t blockStart_ = 0;
    std::size_t blockLength_ = 0;
};

} // namespace tavuro
