#pragma once

#include <cstdint>
#include <string>

#include "common/ByteSource.h"

namespace tavuro {

// Technical facts of a raw AAC file (ADTS frames, .aac), which carries no tags and no length:
// the first frame header gives the format, and the mean size of the frames in the first 64 KB
// the duration, as for an MP3 without a VBR header.
class TADTSfile {
public:
    TADTSfile() { ResetData(); }

    // True when the file starts (after an ID3v2 tag, if any) with an ADTS frame header that the
    // next frame confirms; the fields are filled only then. False also when it cannot be opened.
    bool ReadFromFile(const std::string& fileName);
    bool ReadFromSource(TByteSource& source);

    void ResetData();

    std::int64_t FileSize() const { return fileSize_; }
    std::int32_t SampleRate() const { return sampleRate_; }
    std::uint8_t Channels() const { return channels_; }
    double Duration() const { return duration_; }
    // Mean kbit/s of the frames looked at.
    std::int32_t BitRate() const { return bitRate_; }
    bool Valid() const { return sampleRate_ > 0 && channels_ > 0 && duration_ > 0; }

private:
    std::int64_t fileSize_ = 0;
    std::int32_t sampleRate_ = 0;
    std::uint8_t channels_ = 0;
    double duration_ = 0;
    std::int32_t bitRate_ = 0;
};

} // namespace tavuro
