#pragma once

#include <cstdint>
#include <string>

#include "common/ByteSource.h"

namespace tavuro {

// The canonical 44-byte header of a RIFF WAVE file and the duration it implies.
class TWAVfile {
public:
    static constexpr std::int64_t HeaderSize = 44;

    TWAVfile() { ResetData(); }

    // True when the first 44 bytes could be read; the fields are filled only when the header also
    // passes the check.
    bool ReadFromFile(const std::string& fileName);
    bool ReadFromSource(TByteSource& source);

    void ResetData();

    bool Valid() const { return valid_; }
    std::uint8_t ChannelModeID() const { return channelModeID_; }
    // The low 16 bits of the header's sample rate.
    std::uint16_t SampleRate() const { return sampleRate_; }
    std::uint8_t BitsPerSample() const { return bitsPerSample_; }
    // The RIFF chunk size + 8, as the header declares it.
    std::int64_t FileSize() const { return fileSize_; }
    // Seconds, assuming the samples follow a 44-byte header.
    double Duration() const;

private:
    bool valid_ = false;
    std::uint8_t channelModeID_ = 0;
    std::uint16_t sampleRate_ = 0;
    std::uint8_t bitsPerSample_ = 0;
    std::int64_t fileSize_ = 0;
};

} // namespace tavuro
