// The format of a stream told from its first bytes, whatever its name says.
#include <cstring>

#include "Codec.h"

namespace bass {

namespace {

constexpr size_t kId3v2Header = 10;
constexpr size_t kOggPageHeader = 27;

// Kilobits per second by [MPEG-1?][layer - 1][index].
constexpr int kBitRates[2][3][15] = {
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}}};
constexpr int kSampleRates[4][3] = {
    {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};

// The length in bytes of the MPEG audio frame whose header starts `p`, 0 when it is no header
// (free-format frames are not taken: their length cannot be told from the header).
size_t MpegFrameLength(const uint8_t* p) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return 0;
    const int version = (p[1] >> 3) & 3; // 0 MPEG 2.5, 1 reserved, 2 MPEG 2, 3 MPEG 1
    const int layer = 4 - ((p[1] >> 1) & 3);
    const int bitRateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (version == 1 || layer == 4 || bitRateIndex == 0 || bitRateIndex == 15 || rateIndex == 3)
        return 0;
    const bool mpeg1 = version == 3;
    const int bitRate = kBitRates[mpeg1][layer - 1][bitRateIndex] * 1000;
    const int rate = kSampleRates[version][rateIndex];
    const int padding = (p[2] >> 1) & 1;
    if (layer == 1)
        return static_cast<size_t>((12 * bitRate / rate + padding) * 4);
    const int factor = layer == 3 && !mpeg1 ? 72 : 144;
    return static_cast<size_t>(factor * bitRate / rate + padding);
}

// Two frame headers in a row somewhere in the head (a single one when the stream ends first).
bool HoldsMpegFrames(const uint8_t* head, size_t size) {
    for (size_t at = 0; at + 4 <= size; ++at) {
        const size_t length = MpegFrameLength(head + at);
        if (length == 0)
            continue;
        const size_t next = at + length;
        if (next + 4 > size)
            return next >= size && at == 0; // a one-frame stream
        if (MpegFrameLength(head + next) != 0 && (head[next + 1] & 0xFE) == (head[at + 1] & 0xFE) &&
            (head[next + 2] & 0x0C) == (head[at + 2] & 0x0C))
            return true;
    }
    return false;
}

Content OggContent(const uint8_t* head, size_t size) {
    if (size < kOggPageHeader)
        return Content::Other;
    const size_t packet = kOggPageHeader + head[26];
    auto starts = [&](const char* magic, size_t length) {
        return packet + length <= size && std::memcmp(head + packet, magic, length) == 0;
    };
    if (starts("\x01vorbis", 7))
        return Content::Vorbis;
    if (starts("OpusHead", 8))
        return Content::Opus;
    if (starts("\x7F"
               "FLAC",
               5))
        return Content::OggFlac;
    return Content::Other;
}

} // namespace

size_t LeadingTagLength(const uint8_t* head, size_t size) {
    if (size < kId3v2Header || std::memcmp(head, "ID3", 3) != 0)
        return 0;
    size_t length = 0;
    for (size_t i = 6; i < 10; ++i)
        length = length << 7 | (head[i] & 0x7F);
    return kId3v2Header + length + ((head[5] & 0x10) ? kId3v2Header : 0);
}

Content Sniff(const uint8_t* head, size_t size) {
    if (size >= 4 && std::memcmp(head, "OggS", 4) == 0)
        return OggContent(head, size);
    if (size >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0)
        return Content::Wav;
    if (size >= 4 && std::memcmp(head, "fLaC", 4) == 0)
        return Content::Flac;
    return HoldsMpegFrames(head, size) ? Content::Mpeg : Content::Other;
}

} // namespace bass
