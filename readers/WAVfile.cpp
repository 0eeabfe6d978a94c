#include "readers/WAVfile.h"

#include "readers/ByteView.h"
#include "readers/FileSource.h"

namespace tavuro {

void TWAVfile::ResetData() {
    valid_ = false;
    channelModeID_ = 0;
    sampleRate_ = 0;
    bitsPerSample_ = 0;
    fileSize_ = 0;
}

bool TWAVfile::ReadFromFile(const std::string& fileName) {
    TFileSource file;
    if (!file.Open(fileName)) {
        ResetData();
        return false;
    }
    return ReadFromSource(file);
}

bool TWAVfile::ReadFromSource(TByteSource& source) {
    ResetData();
    std::uint8_t bytes[HeaderSize];
    if (!source.ReadExactly(0, bytes, sizeof bytes))
        return false;
    const TByteView header(bytes, sizeof bytes);
    const std::uint16_t channels = header.U16LE(22);
    if (!header.Matches(0, "RIFF") || !header.Matches(8, "WAVE") || !header.Matches(12, "fmt ") ||
        (channels != 1 && channels != 2))
        return true;
    valid_ = true;
    channelModeID_ = header.U8(22);
    sampleRate_ = header.U16LE(24);
    bitsPerSample_ = header.U8(34);
    fileSize_ = std::int64_t{header.U32LE(4)} + 8;
    return true;
}

double TWAVfile::Duration() const {
    // A declared size below the header, or a zero rate or width, has no samples to time.
    if (!valid_ || fileSize_ < HeaderSize || sampleRate_ == 0 || bitsPerSample_ == 0 ||
        channelModeID_ == 0)
        return 0;
    return static_cast<double>(fileSize_ - HeaderSize) * 8 / sampleRate_ / bitsPerSample_ /
           channelModeID_;
}

} // namespace tavuro
