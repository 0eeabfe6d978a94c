#include "readers/OpusFile.h"

#include <algorithm>
#include <array>
#include <vector>

#include "common/Rounding.h"
#include "readers/ByteView.h"
#include "readers/FileSource.h"

namespace tavuro {

namespace {

constexpr std::size_t kPageBlockSize = 282; // page header with the longest segment table
constexpr std::size_t kSegmentCountAt = 26;
constexpr std::size_t kPageHeaderSize = 27; // up to the segment table
constexpr std::size_t kHeadSize = 19;       // OpusHead up to the channel mapping family
constexpr std::size_t kTagsMagicSize = 8;   // "OpusTags"
constexpr std::size_t kTailSize = 65536;    // holds the last page of any Ogg file

// The granule position of the last page of logical stream `serial`: the last "OggS" in the
// file's tail whose page belongs to it. -1 when none is found.
std::int64_t LastGranule(TByteSource& source, std::uint32_t serial) {
    const std::int64_t start = std::max<std::int64_t>(0, source.Size() - kTailSize);
    std::vector<std::uint8_t> tail(static_cast<std::size_t>(source.Size() - start));
    const std::size_t got = source.ReadAt(start, tail.data(), tail.size());
    const TByteView view(tail.data(), got);
    for (std::size_t at = got >= kPageHeaderSize ? got - kPageHeaderSize + 1 : 0; at-- > 0;) {
        if (tail[at] != 'O' || !view.Matches(at, "OggS") || view.U32LE(at + 14) != serial)
            continue;
        const std::uint64_t granule = view.U64LE(at + 6);
        if (granule != ~std::uint64_t{0}) // no packet ends on this page
            return static_cast<std::int64_t>(granule & 0x7FFFFFFFFFFFFFFF);
    }
    return -1;
}

} // namespace

void TOpusFile::ResetData() {
    fileSize_ = 0;
    channels_ = 0;
    inputSampleRate_ = 0;
    preSkip_ = 0;
    samples_ = 0;
    tags_ = {};
}

bool TOpusFile::ReadFromFile(const std::string& fileName) {
    TFileSource file;
    if (!file.Open(fileName)) {
        ResetData();
        return false;
    }
    return ReadFromSource(file);
}

bool TOpusFile::ReadFromSource(TByteSource& source) {
    ResetData();
    std::array<std::uint8_t, kPageBlockSize> page;
    source.ReadZeroFilled(0, page.data(), page.size());
    const TByteView firstPage(page.data(), page.size());
    if (!firstPage.Matches(0, "OggS"))
        return false;
    const std::uint32_t serial = firstPage.U32LE(14);
    const std::int64_t headAt = kPageHeaderSize + page[kSegmentCountAt];
    std::array<std::uint8_t, kHeadSize> head;
    source.ReadZeroFilled(headAt, head.data(), head.size());
    const TByteView header(head.data(), head.size());
    if (!header.Matches(0, "OpusHead"))
        return false;
    // OpusHead is one page of its own; OpusTags begins the second.
    std::int64_t bodySize = 0;
    for (std::size_t i = 0; i < page[kSegmentCountAt]; ++i)
        bodySize += page[kPageHeaderSize + i];
    const std::int64_t secondPageAt = headAt + bodySize;
    source.ReadZeroFilled(secondPageAt, page.data(), page.size());
    const std::int64_t tagsAt = secondPageAt + kPageHeaderSize + page[kSegmentCountAt];
    std::uint8_t magic[kTagsMagicSize];
    source.ReadZeroFilled(tagsAt, magic, sizeof magic);
    TCommentSlots slots;
    if (TByteView(magic, sizeof magic).Matches(0, "OpusTags"))
        ReadVorbisComments(source, tagsAt + kTagsMagicSize, slots);

    fileSize_ = source.Size();
    channels_ = header.U8(9);
    preSkip_ = header.U16LE(10);
    inputSampleRate_ = header.U32LE(12);
    const std::int64_t granule = LastGranule(source, serial);
    samples_ = granule > preSkip_ ? granule - preSkip_ : 0;
    tags_ = TCommentTags::From(slots);
    return true;
}

std::int32_t TOpusFile::BitRate() const {
    const double duration = Duration();
    if (!(duration > 0))
        return 0;
    return static_cast<std::int32_t>(
        RoundHalfEven(static_cast<double>(fileSize_) / duration / 125));
}

bool TOpusFile::Valid() const {
    return channels_ >= 1 && channels_ <= 8 && Duration() > 0;
}

} // namespace tavuro
