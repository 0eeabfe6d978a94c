#include "OggPages.h"

#include <array>
#include <cstring>

namespace bass {

namespace {

constexpr size_t kHeaderSize = 27;
constexpr size_t kCrcOffset = 22;

// The Ogg CRC: polynomial 0x04C11DB7, no reflection, starting from 0.
const std::array<uint32_t, 256>& CrcTable() {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> entries{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t value = i << 24;
            for (int bit = 0; bit < 8; ++bit)
                value = (value & 0x80000000u) ? (value << 1) ^ 0x04C11DB7u : value << 1;
            entries[i] = value;
        }
        return entries;
    }();
    return table;
}

uint32_t PageCrc(const uint8_t* page, size_t size) {
    const auto& table = CrcTable();
    uint32_t crc = 0;
    for (size_t i = 0; i < size; ++i) {
        // The CRC field itself counts as zeros.
        const uint8_t byte = i >= kCrcOffset && i < kCrcOffset + 4 ? 0 : page[i];
        crc = (crc << 8) ^ table[((crc >> 24) ^ byte) & 0xFF];
    }
    return crc;
}

uint32_t Little32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

} // namespace

OggRead ReadOggPage(const uint8_t* data, size_t size, OggPage& page) {
    if (size < 4)
        return OggRead::Incomplete;
    if (std::memcmp(data, "OggS", 4) != 0)
        return OggRead::Invalid;
    if (size < kHeaderSize)
        return OggRead::Incomplete;
    if (data[4] != 0 || (data[5] & ~0x07) != 0) // version 0, three flag bits
        return OggRead::Invalid;
    const size_t segments = data[26];
    if (size < kHeaderSize + segments)
        return OggRead::Incomplete;
    size_t bodySize = 0;
    for (size_t i = 0; i < segments; ++i)
        bodySize += data[kHeaderSize + i];
    const size_t total = kHeaderSize + segments + bodySize;
    if (size < total)
        return OggRead::Incomplete;
    if (PageCrc(data, total) != Little32(data + kCrcOffset))
        return OggRead::Invalid;
    page.flags = data[5];
    uint64_t granule = 0;
    for (int i = 7; i >= 0; --i)
        granule = granule << 8 | data[6 + i];
    page.granule = static_cast<int64_t>(granule);
    page.serial = Little32(data + 14);
    page.lacing = data + kHeaderSize;
    page.segments = segments;
    page.body = data + kHeaderSize + segments;
    page.bodySize = bodySize;
    page.size = total;
    return OggRead::Page;
}

std::optional<OggAudio> FirstOggAudio(const uint8_t* data, size_t size) {
    OggPage page;
    for (size_t at = 0;
         ReadOggPage(data + at, size - at, page) == OggRead::Page && (page.flags & OggPage::kFirst);
         at += page.size) {
        auto starts = [&](const char* magic, size_t length) {
            return page.bodySize >= length && std::memcmp(page.body, magic, length) == 0;
        };
        if (starts("\x01vorbis", 7) || starts("\x7F"
                                              "FLAC",
                                              5))
            return OggAudio{page.serial, 0};
        // The pre-skip: samples the decoder drops at the start, counted by the granules.
        if (starts("OpusHead", 8) && page.bodySize >= 12)
            return OggAudio{page.serial, page.body[10] | page.body[11] << 8};
    }
    return std::nullopt;
}

int64_t LastOggGranule(const uint8_t* data, size_t size, uint32_t serial) {
    int64_t last = -1;
    size_t at = 0;
    while (at + 4 <= size) {
        const void* found = std::memchr(data + at, 'O', size - at);
        if (!found)
            break;
        at = static_cast<size_t>(static_cast<const uint8_t*>(found) - data);
        OggPage page;
        if (ReadOggPage(data + at, size - at, page) != OggRead::Page) {
            ++at;
            continue;
        }
        if (page.serial == serial && page.granule >= 0)
            last = page.granule;
        at += page.size;
    }
    return last;
}

} // namespace bass
