// Ogg pages read from a byte buffer: for the true length of a net file from its last page, and
// for the new songs of a chained live stream. No I/O, so tests and fuzzers can feed any bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace bass {

struct OggPage {
    static constexpr uint8_t kFirst = 0x02; // the page begins a logical stream
    uint8_t flags = 0;
    int64_t granule = -1; // -1 when no packet ends on the page
    uint32_t serial = 0;
    const uint8_t* lacing = nullptr; // one value per segment
    size_t segments = 0;
    const uint8_t* body = nullptr;
    size_t bodySize = 0;
    size_t size = 0; // header, lacing values and body
};

enum class OggRead { Page, Incomplete, Invalid };

// Reads the page that starts at `data`: its capture pattern, version and CRC are checked.
// Incomplete when the bytes end inside what its header announces.
OggRead ReadOggPage(const uint8_t* data, size_t size, OggPage& page);

// The audio stream of an Ogg file: its logical stream, and the granule position its first
// sample has (an Opus stream's pre-skip).
struct OggAudio {
    uint32_t serial = 0;
    int64_t granuleStart = 0;
};
// The logical stream whose first page, among those that begin an Ogg file, starts a Vorbis,
// Opus or FLAC stream; nullopt when the bytes begin no such file.
std::optional<OggAudio> FirstOggAudio(const uint8_t* data, size_t size);

// The granule position of the last whole page of logical stream `serial` in `data`, a stretch
// that may begin inside a page; -1 when it holds none.
int64_t LastOggGranule(const uint8_t* data, size_t size, uint32_t serial);

} // namespace bass
