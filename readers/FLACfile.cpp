#include "readers/FLACfile.h"

#include <algorithm>
#include <array>

#include "common/Rounding.h"
#include "readers/ByteView.h"
#include "readers/FileSource.h"
#include "readers/ID3v2.h"

namespace tavuro {

namespace {

constexpr std::uint8_t kStreamInfo = 0;
constexpr std::uint8_t kVorbisComment = 4;
constexpr std::size_t kBlockHeaderSize = 4;
constexpr std::size_t kStreamInfoSize = 34;
constexpr int kMaxBlocks = 1024; // a file with more metadata blocks is taken as damaged
constexpr std::size_t kOggPageBlockSize = 282; // page header with the longest segment table
constexpr std::size_t kOggSegmentCountAt = 26;
constexpr std::size_t kOggPageHeaderSize = 27;                 // up to the segment table
constexpr std::size_t kOggMappingSize = 13 + kBlockHeaderSize; // up to STREAMINFO's body

} // namespace

void TFLACfile::ResetData() {
    fileSize_ = 0;
    sampleRate_ = 0;
    channels_ = 0;
    bitsPerSample_ = 0;
    samples_ = 0;
    audioOffset_ = 0;
    tags_ = {};
}

bool TFLACfile::ReadFromFile(const std::string& fileName) {
    TFileSource file;
    if (!file.Open(fileName)) {
        ResetData();
        return false;
    }
    return ReadFromSource(file);
}

bool TFLACfile::ReadFromSource(TByteSource& source) {
    ResetData();
    if (ReadMetadata(source))
        return true;
    ResetData();
    return false;
}

bool TFLACfile::ReadStreamInfo(TByteSource& source, std::int64_t body) {
    std::uint8_t info[kStreamInfoSize];
    if (!source.ReadExactly(body, info, sizeof info))
        return false;
    const TByteView bits(info, sizeof info);
    // 20 bits rate, 3 bits channels - 1, 5 bits depth - 1, 36 bits sample count.
    const std::uint32_t word = bits.U32BE(10);
    sampleRate_ = static_cast<std::int32_t>(word >> 12);
    channels_ = static_cast<std::uint8_t>(((word >> 9) & 0x07) + 1);
    bitsPerSample_ = static_cast<std::uint8_t>(((word >> 4) & 0x1F) + 1);
    samples_ = static_cast<std::int64_t>(std::uint64_t{word & 0x0F} << 32 | bits.U32BE(14));
    return true;
}

bool TFLACfile::ReadMetadata(TByteSource& source) {
    std::uint8_t head[10];
    source.ReadZeroFilled(0, head, sizeof head);
    std::int64_t at = ID3v2TagSize(TByteView(head, sizeof head), source.Size());
    std::uint8_t marker[4];
    if (!source.ReadExactly(at, marker, sizeof marker))
        return false;
    if (TByteView(marker, sizeof marker).Matches(0, "OggS"))
        return ReadOggMetadata(source, at);
    if (!TByteView(marker, sizeof marker).Matches(0, "fLaC"))
        return false;
    at += 4;
    bool haveInfo = false, last = false;
    TCommentSlots slots;
    for (int block = 0; block < kMaxBlocks && !last; ++block) {
        std::uint8_t header[kBlockHeaderSize];
        if (!source.ReadExactly(at, header, sizeof header))
            return false;
        last = (header[0] & 0x80) != 0;
        const std::uint8_t type = header[0] & 0x7F;
        const std::uint32_t length = TByteView(header, sizeof header).U24BE(1);
        const std::int64_t body = at + kBlockHeaderSize;
        if (type == kStreamInfo && length >= kStreamInfoSize) {
            if (!ReadStreamInfo(source, body))
                return false;
            haveInfo = true;
        } else if (type == kVorbisComment) {
            ReadVorbisComments(source, body, slots, body + length);
        }
        at = body + length;
    }
    if (!haveInfo || !last)
        return false;
    fileSize_ = source.Size();
    audioOffset_ = at;
    tags_ = TCommentTags::From(slots);
    return true;
}

// FLAC in Ogg: the first page's packet is 0x7F "FLAC", the mapping version and header count,
// "fLaC" and the STREAMINFO block; the second page's is the VORBIS_COMMENT block.
bool TFLACfile::ReadOggMetadata(TByteSource& source, std::int64_t at) {
    std::int64_t bodyAt = 0, bodySize = 0;
    auto readPage = [&](std::int64_t page) {
        std::array<std::uint8_t, kOggPageBlockSize> header{};
        source.ReadZeroFilled(page, header.data(), header.size());
        if (!TByteView(header.data(), header.size()).Matches(0, "OggS"))
            return false;
        bodyAt = page + kOggPageHeaderSize + header[kOggSegmentCountAt];
        bodySize = 0;
        for (std::size_t i = 0; i < header[kOggSegmentCountAt]; ++i)
            bodySize += header[kOggPageHeaderSize + i];
        return true;
    };
    std::uint8_t mapping[kOggMappingSize];
    if (!readPage(at) || !source.ReadExactly(bodyAt, mapping, sizeof mapping))
        return false;
    const TByteView view(mapping, sizeof mapping);
    if (!view.Matches(0, "\x7F"
                         "FLAC") ||
        !view.Matches(9, "fLaC") || (view.U8(13) & 0x7F) != kStreamInfo ||
        !ReadStreamInfo(source, bodyAt + kOggMappingSize))
        return false;
    TCommentSlots slots;
    std::uint8_t header[kBlockHeaderSize];
    if (readPage(bodyAt + bodySize) && source.ReadExactly(bodyAt, header, sizeof header) &&
        (header[0] & 0x7F) == kVorbisComment)
        ReadVorbisComments(source, bodyAt + kBlockHeaderSize, slots,
                           bodyAt + kBlockHeaderSize + TByteView(header, sizeof header).U24BE(1));
    fileSize_ = source.Size();
    audioOffset_ = std::min(bodyAt + bodySize, fileSize_);
    tags_ = TCommentTags::From(slots);
    return true;
}

double TFLACfile::Duration() const {
    return sampleRate_ > 0 ? static_cast<double>(samples_) / sampleRate_ : 0;
}

std::int32_t TFLACfile::BitRate() const {
    const double duration = Duration();
    if (!(duration > 0) || fileSize_ <= audioOffset_)
        return 0;
    return static_cast<std::int32_t>(
        RoundHalfEven(static_cast<double>(fileSize_ - audioOffset_) / duration / 125));
}

bool TFLACfile::Valid() const {
    return sampleRate_ > 0 && channels_ >= 1 && channels_ <= 8 && Duration() > 0;
}

} // namespace tavuro
