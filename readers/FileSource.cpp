#include "readers/FileSource.h"

#include <algorithm>
#include <cstring>

namespace tavuro {

TFileSource::~TFileSource() {
    if (file_)
        std::fclose(file_);
}

bool TFileSource::Open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_)
        return false;
    // The block below is our buffer; a second one inside stdio would only copy twice.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    if (std::fseek(file_, 0, SEEK_END) != 0)
        return false;
    const long end = std::ftell(file_);
    if (end < 0)
        return false;
    size_ = end;
    position_ = end;
    return true;
}

std::size_t TFileSource::ReadFromFile(std::int64_t offset, void* dest, std::size_t count) {
    if (position_ != offset) {
        if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) {
            position_ = -1;
            return 0;
        }
    }
    const std::size_t got = std::fread(dest, 1, count, file_);
    position_ = got == count ? offset + static_cast<std::int64_t>(got) : -1;
    return got;
}

const TFileSource::TBlock* TFileSource::BlockFor(std::int64_t offset, std::size_t count) {
    for (std::size_t i = 0; i < blocks_.size(); ++i)
        if (blocks_[i].Holds(offset, count)) {
            lastUsed_ = i;
            return &blocks_[i];
        }
    // Blocks sit on 4 KB boundaries so that reads walking backwards from the end share them.
    std::int64_t start = offset - offset % static_cast<std::int64_t>(kBlockSize);
    if (offset + static_cast<std::int64_t>(count) > start + static_cast<std::int64_t>(kBlockSize))
        start = offset;
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<std::int64_t>(kBlockSize, size_ - start));
    lastUsed_ = 1 - lastUsed_;
    TBlock& block = blocks_[lastUsed_];
    block.start = start;
    block.length = ReadFromFile(start, block.bytes.data(), wanted);
    return block.length > 0 ? &block : nullptr;
}

std::size_t TFileSource::ReadAt(std::int64_t offset, void* dest, std::size_t count) {
    if (!file_ || offset < 0 || offset >= size_ || count == 0)
        return 0;
    if (static_cast<std::uint64_t>(count) > static_cast<std::uint64_t>(size_ - offset))
        count = static_cast<std::size_t>(size_ - offset);
    if (count >= kBlockSize)
        return ReadFromFile(offset, dest, count);
    const TBlock* block = BlockFor(offset, count);
    if (!block)
        return 0;
    const std::size_t skip = static_cast<std::size_t>(offset - block->start);
    const std::size_t available = skip < block->length ? block->length - skip : 0;
    const std::size_t copied = std::min(count, available);
    std::memcpy(dest, block->bytes.data() + skip, copied);
    return copied;
}

} // namespace tavuro
