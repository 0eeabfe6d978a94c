#include "readers/MPEGaudio.h"

#include <array>
#include <limits>

#include "common/Rounding.h"
#include "readers/ByteView.h"
#include "readers/FileSource.h"

namespace tavuro {

namespace {

constexpr std::size_t kBlockSize = 3458;
constexpr std::size_t kLastCandidate = 1729; // the search tries offsets 0 to 1729

enum TMPEGVersion { mvMPEG25 = 0, mvReserved = 1, mvMPEG2 = 2, mvMPEG1 = 3 };
enum TMPEGLayer { mlReserved = 0, mlLayer3 = 1, mlLayer2 = 2, mlLayer1 = 3 };
constexpr std::uint8_t kModeMono = 3;

// kbit/s by version, layer and bit-rate index (ISO/IEC 11172-3 and 13818-3).
using TBitRateRow = std::array<std::uint16_t, 16>;
constexpr TBitRateRow kNoRates{};
// clang-format off
constexpr TBitRateRow kMPEG1Layer1{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0};
constexpr TBitRateRow kMPEG1Layer2{0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0};
constexpr TBitRateRow kMPEG1Layer3{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
constexpr TBitRateRow kMPEG2Layer1{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0};
constexpr TBitRateRow kMPEG2Layer23{0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
// clang-format on
constexpr std::array<std::array<TBitRateRow, 4>, 4> kBitRates = {{
    {kNoRates, kMPEG2Layer23, kMPEG2Layer23, kMPEG2Layer1}, // MPEG 2.5
    {kNoRates, kNoRates, kNoRates, kNoRates},               // reserved
    {kNoRates, kMPEG2Layer23, kMPEG2Layer23, kMPEG2Layer1}, // MPEG 2
    {kNoRates, kMPEG1Layer3, kMPEG1Layer2, kMPEG1Layer1},   // MPEG 1
}};

constexpr std::array<std::array<std::uint16_t, 4>, 4> kSampleRates = {{
    {11025, 12000, 8000, 0},
    {0, 0, 0, 0},
    {22050, 24000, 16000, 0},
    {44100, 48000, 32000, 0},
}};

// Samples per frame divided by 8. A Layer I frame holds 384 samples in every version.
constexpr std::array<std::array<std::uint16_t, 4>, 4> kFrameCoefficients = {{
    {0, 72, 144, 48},
    {0, 0, 0, 0},
    {0, 72, 144, 48},
    {0, 144, 144, 48},
}};

constexpr std::array<std::string_view, 5> kChannelModes = {"Stereo", "Joint Stereo", "Dual Channel",
                                                           "Mono", "Unknown"};

bool IsFrameHeader(const std::uint8_t* b) {
    const int version = (b[1] >> 3) & 3, layer = (b[1] >> 1) & 3;
    const int bitRateIndex = b[2] >> 4, sampleRateIndex = (b[2] >> 2) & 3;
    return b[0] == 0xFF && (b[1] & 0xE0) == 0xE0 && version != mvReserved && layer != mlReserved &&
           bitRateIndex != 15 && bitRateIndex != 0 && sampleRateIndex != 3 && (b[3] & 3) != 2;
}

TFrameData DecodeHeader(const std::uint8_t* b) {
    TFrameData frame;
    for (int i = 0; i < 4; ++i)
        frame.Data[i] = b[i];
    frame.VersionID = (b[1] >> 3) & 3;
    frame.LayerID = (b[1] >> 1) & 3;
    frame.ProtectionBit = (b[1] & 1) == 0;
    frame.BitRateID = b[2] >> 4;
    frame.SampleRateID = (b[2] >> 2) & 3;
    frame.PaddingBit = (b[2] & 2) != 0;
    frame.PrivateBit = (b[2] & 1) != 0;
    frame.ModeID = b[3] >> 6;
    frame.ModeExtensionID = (b[3] >> 4) & 3;
    frame.CopyrightBit = (b[3] & 8) != 0;
    frame.OriginalBit = (b[3] & 4) != 0;
    frame.EmphasisID = b[3] & 3;
    return frame;
}

std::uint16_t TableBitRate(const TFrameData& frame) {
    return kBitRates[frame.VersionID & 3][frame.LayerID & 3][frame.BitRateID & 15];
}

std::uint16_t TableSampleRate(const TFrameData& frame) {
    return kSampleRates[frame.VersionID & 3][frame.SampleRateID & 3];
}

std::uint16_t Coefficient(const TFrameData& frame) {
    return kFrameCoefficients[frame.VersionID & 3][frame.LayerID & 3];
}

int Padding(const TFrameData& frame) {
    if (!frame.PaddingBit)
        return 0;
    return frame.LayerID == mlLayer1 ? 4 : 1;
}

int FrameLength(const TFrameData& frame) {
    const std::uint16_t sampleRate = TableSampleRate(frame);
    if (sampleRate == 0)
        return 0;
    const std::int32_t product = Coefficient(frame) * TableBitRate(frame) * 1000;
    return static_cast<int>(static_cast<double>(product) / sampleRate) + Padding(frame);
}

std::size_t VBRHeaderOffset(const TFrameData& frame) {
    const bool mono = frame.ModeID == kModeMono;
    if (frame.VersionID == mvMPEG1)
        return mono ? 21 : 36;
    return mono ? 13 : 21;
}

TVBRData ReadVBRHeader(TByteView block, std::size_t p) {
    TVBRData vbr;
    if (block.Matches(p, "Xing")) {
        vbr.Found = true;
        vbr.ID = "Xing";
        vbr.Frames = static_cast<std::int32_t>(block.U32BE(p + 8));
        vbr.Bytes = static_cast<std::int32_t>(block.U32BE(p + 12));
        vbr.Scale = block.U8(p + 119);
        vbr.VendorID = std::string(block.Chars(p + 120, 8));
    }
    if (block.Matches(p, "VBRI")) {
        vbr = TVBRData{};
        vbr.Found = true;
        vbr.ID = "VBRI";
        vbr.Scale = block.U8(p + 9);
        vbr.Bytes = static_cast<std::int32_t>(block.U32BE(p + 10));
        vbr.Frames = static_cast<std::int32_t>(block.U32BE(p + 14));
    }
    return vbr;
}

// A header counts only when another header passes the test one frame length later.
TFrameData FindFrame(const std::uint8_t* block, TVBRData& vbr) {
    const TByteView view(block, kBlockSize);
    for (std::size_t i = 0; i <= kLastCandidate; ++i) {
        if (!IsFrameHeader(block + i))
            continue;
        TFrameData frame = DecodeHeader(block + i);
        const int length = FrameLength(frame);
        if (length <= 0 || i + static_cast<std::size_t>(length) + 4 > kBlockSize ||
            !IsFrameHeader(block + i + length))
            continue;
        frame.Found = true;
        frame.Position = static_cast<std::int32_t>(i);
        frame.Size = static_cast<std::uint16_t>(length);
        frame.ZeroAfterHeader = true;
        for (std::size_t k = i + 4; k < i + 10; ++k)
            frame.ZeroAfterHeader = frame.ZeroAfterHeader && block[k] == 0;
        vbr = ReadVBRHeader(view, i + VBRHeaderOffset(frame));
        return frame;
    }
    vbr = TVBRData{};
    return TFrameData{};
}

std::uint16_t SaturatedKbps(double value) {
    if (!(value > 0))
        return 0;
    if (value >= std::numeric_limits<std::uint16_t>::max())
        return std::numeric_limits<std::uint16_t>::max();
    return static_cast<std::uint16_t>(RoundHalfEven(value));
}

} // namespace

void TMPEGaudio::ResetData() {
    fileLength_ = 0;
    vbr_ = TVBRData{};
    frame_ = TFrameData{};
    id3v1_.ResetData();
    id3v2_.ResetData();
}

bool TMPEGaudio::ReadFromFile(const std::string& fileName) {
    TFileSource file;
    if (!file.Open(fileName)) {
        ResetData();
        return false;
    }
    return ReadFromSource(file);
}

bool TMPEGaudio::ReadFromSource(TByteSource& source) {
    ResetData();
    const bool read = ReadTagsAndFrame(source);
    if (!frame_.Found)
        ResetData();
    return read;
}

bool TMPEGaudio::ReadTagsAndFrame(TByteSource& source) {
    if (!id3v2_.ReadFromSource(source) || !id3v1_.ReadFromSource(source))
        return false;
    fileLength_ = source.Size();
    std::uint8_t block[kBlockSize];
    const std::size_t got = source.ReadZeroFilled(id3v2_.Size(), block, kBlockSize);
    frame_ = FindFrame(block, vbr_);
    if (!frame_.Found && got == kBlockSize) {
        // A second look in the middle of the file (an absolute position, not after the tag).
        source.ReadZeroFilled((fileLength_ - id3v2_.Size()) / 2, block, kBlockSize);
        frame_ = FindFrame(block, vbr_);
    }
    return true;
}

bool TMPEGaudio::ReadTagFromBuffer(const std::uint8_t* data, std::size_t size, int kind,
                                   TMP3TagInfo& tagInfo) {
    if (kind == 1)
        return id3v1_.ReadTagFromBuffer(data, size, tagInfo);
    if (kind == 2)
        return id3v2_.ReadTagFromBuffer(data, size, tagInfo);
    return false;
}

std::uint16_t TMPEGaudio::SampleRate() const {
    return TableSampleRate(frame_);
}

std::uint16_t TMPEGaudio::BitRate() const {
    if (!HasVBRFrameCount())
        return TableBitRate(frame_);
    const double bytesPerFrame = static_cast<double>(vbr_.Bytes) / vbr_.Frames;
    const std::uint16_t coefficient = Coefficient(frame_);
    if (coefficient == 0)
        return 0;
    return SaturatedKbps((bytesPerFrame - Padding(frame_)) * SampleRate() / coefficient / 1000);
}

std::string_view TMPEGaudio::ChannelMode() const {
    return kChannelModes[frame_.ModeID < kChannelModes.size() ? frame_.ModeID : 4];
}

double TMPEGaudio::Duration() const {
    if (!frame_.Found || SampleRate() == 0)
        return 0;
    if (HasVBRFrameCount()) {
        // 64-bit: a long stream's sample count does not fit in 32 bits.
        const std::int64_t samples = std::int64_t{Coefficient(frame_)} * vbr_.Frames * 8;
        return static_cast<double>(samples) / SampleRate();
    }
    const std::uint16_t kbps = TableBitRate(frame_);
    if (kbps == 0)
        return 0;
    const std::int64_t audioBytes =
        fileLength_ - id3v2_.Size() - (id3v1_.Exists() ? TID3v1::TagSize : 0) - frame_.Position;
    return static_cast<double>(audioBytes) / kbps / 1000 * 8;
}

bool TMPEGaudio::Valid() const {
    const std::uint16_t bitRate = BitRate();
    return frame_.Found && bitRate >= 8 && bitRate <= 448 && Duration() >= 0.1;
}

} // namespace tavuro
