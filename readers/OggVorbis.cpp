#include "readers/OggVorbis.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string_view>

#include "common/Rounding.h"
#include "common/Text.h"
#include "common/Unicode.h"
#include "readers/ByteView.h"
#include "readers/FileSource.h"
#include "readers/ID3v2.h"
#include "readers/TrackNumber.h"
#include "readers/VorbisComments.h"

namespace tavuro {

namespace {

constexpr std::size_t kPageBlockSize = 282; // page header with the longest segment table
constexpr std::size_t kSegmentCountAt = 26;
constexpr std::size_t kPageHeaderSize = 27; // up to the segment table
constexpr std::size_t kIdentificationSize = 30;
constexpr std::size_t kPacketTagSize = 7;   // packet type and "vorbis"
constexpr std::int64_t kLastPageStep = 241; // the backward search for the last page
constexpr int kLastPageWindows = 50;

bool IsVorbisPacket(TByteView packet, std::uint8_t type) {
    return packet.U8(0) == type && packet.Matches(1, "vorbis");
}

// The granule position of the last page: "OggS" searched backwards in overlapping windows over
// the last 12060 bytes. Bytes before the start of a short file count as zeros.
std::int32_t LastPageSamples(TByteSource& source) {
    constexpr std::size_t kWindowSize = kLastPageStep + 10;
    for (int k = 1; k <= kLastPageWindows; ++k) {
        const std::int64_t start = source.Size() - k * kLastPageStep - 10;
        if (start + static_cast<std::int64_t>(kWindowSize) <= 0)
            break;
        std::array<std::uint8_t, kWindowSize> window{};
        const std::int64_t skipped = start < 0 ? -start : 0;
        source.ReadAt(start + skipped, window.data() + skipped, kWindowSize - skipped);
        const TByteView view(window.data(), window.size());
        for (std::int64_t offset = kLastPageStep; offset >= 0; --offset) {
            const auto at = static_cast<std::size_t>(offset);
            if (window[at] != 'O' || !view.Matches(at, "OggS"))
                continue;
            std::uint8_t granule[8];
            source.ReadZeroFilled(start + offset + 6, granule, sizeof granule);
            return static_cast<std::int32_t>(TByteView(granule, 8).U32LE(0));
        }
    }
    return 0;
}

} // namespace

void TOggVorbis::ResetData() {
    fileSize_ = 0;
    channelModeID_ = 0;
    sampleRate_ = 0;
    bitRateNominal_ = 0;
    samples_ = 0;
    id3v2Size_ = 0;
    for (std::string* text : {&title_, &artist_, &album_, &date_, &genre_, &comment_, &vendor_})
        text->clear();
    track_ = 0;
}

bool TOggVorbis::ReadFromFile(const std::string& fileName) {
    TFileSource file;
    if (!file.Open(fileName)) {
        ResetData();
        return false;
    }
    return ReadFromSource(file);
}

bool TOggVorbis::ReadFromSource(TByteSource& source) {
    ResetData();
    std::uint8_t head[10];
    source.ReadZeroFilled(0, head, sizeof head);
    const std::int64_t id3v2Size = ID3v2TagSize(TByteView(head, sizeof head), source.Size());

    std::array<std::uint8_t, kPageBlockSize> page;
    source.ReadZeroFilled(id3v2Size, page.data(), page.size());
    if (!TByteView(page.data(), page.size()).Matches(0, "OggS"))
        return false;
    const std::int64_t identificationAt = id3v2Size + kPageHeaderSize + page[kSegmentCountAt];
    std::array<std::uint8_t, kIdentificationSize> identification;
    source.ReadZeroFilled(identificationAt, identification.data(), identification.size());
    const TByteView header(identification.data(), identification.size());
    if (!IsVorbisPacket(header, 1))
        return false;

    TCommentSlots slots;
    const std::int64_t secondPageAt = identificationAt + kIdentificationSize;
    source.ReadZeroFilled(secondPageAt, page.data(), page.size());
    const std::int64_t commentAt = secondPageAt + kPageHeaderSize + page[kSegmentCountAt];
    std::array<std::uint8_t, kPacketTagSize> packet;
    source.ReadZeroFilled(commentAt, packet.data(), packet.size());
    if (IsVorbisPacket(TByteView(packet.data(), packet.size()), 3))
        ReadVorbisComments(source, commentAt + kPacketTagSize, slots);

    fileSize_ = source.Size();
    channelModeID_ = header.U8(11);
    sampleRate_ = static_cast<std::uint16_t>(header.U32LE(12));
    const auto nominal = static_cast<std::int32_t>(header.U32LE(20));
    bitRateNominal_ = static_cast<std::uint16_t>(RoundHalfEven(nominal / 1000.0));
    samples_ = LastPageSamples(source);
    id3v2Size_ = static_cast<std::int32_t>(id3v2Size);
    title_ = slots[csTitle];
    artist_ = slots[csArtist].empty() ? slots[csPerformer] : slots[csArtist];
    album_ = slots[csAlbum];
    track_ = static_cast<std::uint8_t>(TrackNumberOf(slots[csTrackNumber]));
    date_ = slots[csDate];
    genre_ = slots[csGenre];
    comment_ = slots[csComment].empty() ? slots[csDescription] : slots[csComment];
    vendor_ = slots[csVendor];
    return true;
}

double TOggVorbis::Duration() const {
    if (samples_ > 0)
        return sampleRate_ == 0 ? 0 : static_cast<double>(samples_) / sampleRate_;
    if (bitRateNominal_ > 0 && channelModeID_ > 0)
        return static_cast<double>(fileSize_ - id3v2Size_) / bitRateNominal_ / channelModeID_ /
               125 * 2;
    return 0;
}

std::uint16_t TOggVorbis::BitRate() const {
    const double duration = Duration();
    if (!(duration > 0))
        return 0;
    const double kbps = static_cast<double>(fileSize_ - id3v2Size_) / duration / 125;
    if (kbps >= std::numeric_limits<std::uint16_t>::max())
        return std::numeric_limits<std::uint16_t>::max();
    return static_cast<std::uint16_t>(RoundHalfEven(kbps));
}

bool TOggVorbis::Valid() const {
    return channelModeID_ >= 1 && channelModeID_ <= 6 && sampleRate_ > 0 && Duration() > 0.1 &&
           BitRate() > 0;
}

} // namespace tavuro
