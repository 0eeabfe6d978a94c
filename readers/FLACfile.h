#pragma once

#include <cstdint>
#include <string>

#include "common/ByteSource.h"
#include "readers/VorbisComments.h"

namespace tavuro {

// Technical facts and comments of a FLAC file, read without decoding: the metadata blocks after
// "fLaC" are walked by their lengths; STREAMINFO gives the format and the sample count,
// VORBIS_COMMENT the tags; pictures and the other blocks are passed over unread. FLAC in Ogg
// carries the same two blocks in its first two pages.
class TFLACfile {
public:
    TFLACfile() { ResetData(); }

    // True when the file starts (after an ID3v2 tag, if any) with "fLaC" and a STREAMINFO block,
    // or with an Ogg FLAC page; the fields are filled only then. False also when the file cannot be
    // opened.
    bool ReadFromFile(const std::string& fileName);
    bool ReadFromSource(TByteSource& source);

    void ResetData();

    std::int64_t FileSize() const { return fileSize_; }
    std::int32_t SampleRate() const { return sampleRate_; }
    std::uint8_t Channels() const { return channels_; }
    std::uint8_t BitsPerSample() const { return bitsPerSample_; }
    // 0 when the encoder did not know it.
    std::int64_t Samples() const { return samples_; }
    // Where the audio frames begin: after the last metadata block.
    std::int64_t AudioOffset() const { return audioOffset_; }
    const TCommentTags& Tags() const { return tags_; }

    double Duration() const;
    // Average kbit/s of the audio frames.
    std::int32_t BitRate() const;
    bool Valid() const;

private:
    bool ReadMetadata(TByteSource& source);
    bool ReadOggMetadata(TByteSource& source, std::int64_t at);
    bool ReadStreamInfo(TByteSource& source, std::int64_t body);

    std::int64_t fileSize_ = 0;
    std::int32_t sampleRate_ = 0;
    std::uint8_t channels_ = 0;
    std::uint8_t bitsPerSample_ = 0;
    std::int64_t samples_ = 0;
    std::int64_t audioOffset_ = 0;
    TCommentTags tags_;
};

} // namespace tavuro
