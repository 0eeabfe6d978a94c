#pragma once

#include <cstdint>
#include <string>

#include "common/ByteSource.h"
#include "readers/VorbisComments.h"

namespace tavuro {

// Technical facts and comments of an Ogg Opus file, read without decoding: OpusHead from the
// first page, OpusTags from the second, the sample count from the granule position of the last
// page less the pre-skip. Opus always decodes at 48 kHz, which the granules count in.
class TOpusFile {
public:
    static constexpr std::int32_t DecodeRate = 48000;

    TOpusFile() { ResetData(); }

    // True when the file holds an Ogg page with an OpusHead packet where expected; the fields are
    // filled only then. False also when the file cannot be opened.
    bool ReadFromFile(const std::string& fileName);
    bool ReadFromSource(TByteSource& source);

    void ResetData();

    std::int64_t FileSize() const { return fileSize_; }
    std::uint8_t Channels() const { return channels_; }
    // The rate of the audio the encoder was given (for information only).
    std::uint32_t InputSampleRate() const { return inputSampleRate_; }
    // Samples at 48 kHz the decoder drops at the start.
    std::uint16_t PreSkip() const { return preSkip_; }
    // Samples at 48 kHz from the last granule position, the pre-skip taken off; 0 when unknown.
    std::int64_t Samples() const { return samples_; }
    const TCommentTags& Tags() const { return tags_; }

    double Duration() const { return static_cast<double>(samples_) / DecodeRate; }
    // Average kbit/s over the file.
    std::int32_t BitRate() const;
    bool Valid() const;

private:
    std::int64_t fileSize_ = 0;
    std::uint8_t channels_ = 0;
    std::uint32_t inputSampleRate_ = 0;
    std::uint16_t preSkip_ = 0;
    std::int64_t samples_ = 0;
    TCommentTags tags_;
};

} // namespace tavuro
