#include "readers/ADTSfile.h"

#include <array>

#include "common/Rounding.h"
#include "readers/ByteView.h"
#include "readers/FileSource.h"
#include "readers/ID3v2.h"

namespace tavuro {

namespace {

constexpr std::size_t kHeaderSize = 7;
constexpr std::int64_t kSampledBytes = 65536;
constexpr int kSamplesPerFrame = 1024;
constexpr std::array<std::int32_t, 13> kSampleRates = {
    96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000, 7350};

struct TFrame {
    std::int32_t rate = 0;
    std::uint8_t channels = 0;
    std::uint32_t length = 0; // header included
};

bool ReadFrame(TByteSource& source, std::int64_t at, TFrame& frame) {
    std::uint8_t bytes[kHeaderSize];
    if (!source.ReadExactly(at, bytes, sizeof bytes))
        return false;
    const TByteView view(bytes, sizeof bytes);
    // 12 sync bits, MPEG version, layer 00, protection; profile, rate index, private bit,
    // channel configuration, four flags, 13 bits of frame length.
    if (bytes[0] != 0xFF || (bytes[1] & 0xF6) != 0xF0)
        return false;
    const int rateIndex = (bytes[2] >> 2) & 0x0F;
    if (rateIndex >= static_cast<int>(kSampleRates.size()))
        return false;
    frame.rate = kSampleRates[static_cast<std::size_t>(rateIndex)];
    frame.channels = static_cast<std::uint8_t>(((bytes[2] & 0x01) << 2) | (bytes[3] >> 6));
    frame.length = ((view.U8(3) & 0x03u) << 11) | (view.U8(4) << 3) | (view.U8(5) >> 5);
    return frame.length >= kHeaderSize;
}

} // namespace

void TADTSfile::ResetData() {
    fileSize_ = 0;
    sampleRate_ = 0;
    channels_ = 0;
    duration_ = 0;
    bitRate_ = 0;
}

bool TADTSfile::ReadFromFile(const std::string& fileName) {
    TFileSource file;
    if (!file.Open(fileName)) {
        ResetData();
        return false;
    }
    return ReadFromSource(file);
}

bool TADTSfile::ReadFromSource(TByteSource& source) {
    ResetData();
    std::uint8_t head[10];
    source.ReadZeroFilled(0, head, sizeof head);
    const std::int64_t start = ID3v2TagSize(TByteView(head, sizeof head), source.Size());
    TFrame first, frame;
    if (!ReadFrame(source, start, first) || !ReadFrame(source, start + first.length, frame))
        return false;
    std::int64_t at = start;
    std::int64_t frames = 0;
    while (at - start < kSampledBytes && ReadFrame(source, at, frame)) {
        at += frame.length;
        ++frames;
    }
    fileSize_ = source.Size();
    sampleRate_ = first.rate;
    channels_ = first.channels == 0 ? 2 : first.channels; // 0: told inside the stream
    const double meanFrame = static_cast<double>(at - start) / static_cast<double>(frames);
    const double frameCount = static_cast<double>(fileSize_ - start) / meanFrame;
    duration_ = frameCount * kSamplesPerFrame / sampleRate_;
    bitRate_ = static_cast<std::int32_t>(
        RoundHalfEven(meanFrame * 8 * sampleRate_ / kSamplesPerFrame / 1000));
    return true;
}

} // namespace tavuro
