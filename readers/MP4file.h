#pragma once

#include <cstdint>
#include <string>

#include "common/ByteSource.h"

namespace tavuro {

// Technical facts and tags of an MPEG-4 audio file (.m4a: AAC or ALAC), read without decoding:
// the boxes are walked by their sizes along moov/trak/mdia and moov/udta/meta/ilst only, so the
// media data and the sample tables are never read. The duration is the sound track's (mdhd),
// else the movie's (mvhd).
class TMP4file {
public:
    TMP4file() { ResetData(); }

    // True when the file starts with an "ftyp" box and holds a "moov" box with a sound track;
    // the fields are filled only then. False also when the file cannot be opened.
    bool ReadFromFile(const std::string& fileName);
    bool ReadFromSource(TByteSource& source);

    void ResetData();

    std::int64_t FileSize() const { return fileSize_; }
    std::int32_t SampleRate() const { return sampleRate_; }
    std::uint16_t Channels() const { return channels_; }
    std::uint16_t BitsPerSample() const { return bitsPerSample_; }
    // The four-character code of the sample entry: "mp4a" for AAC, "alac" for Apple Lossless.
    const std::string& Codec() const { return codec_; }
    double Duration() const { return duration_; }
    const std::string& Title() const { return title_; }
    const std::string& Artist() const { return artist_; }
    const std::string& Album() const { return album_; }
    const std::string& Year() const { return year_; }
    const std::string& Genre() const { return genre_; }
    const std::string& Comment() const { return comment_; }
    std::uint16_t Track() const { return track_; }

    // Average kbit/s over the file.
    std::int32_t BitRate() const;
    bool Valid() const;

private:
    struct TBox;
    void WalkMovie(TByteSource& source, const TBox& movie);
    void ReadTrack(TByteSource& source, const TBox& track);
    void ReadItems(TByteSource& source, const TBox& items);

    std::int64_t fileSize_ = 0;
    std::int32_t sampleRate_ = 0;
    std::uint16_t channels_ = 0;
    std::uint16_t bitsPerSample_ = 0;
    std::string codec_;
    double duration_ = 0;
    double movieDuration_ = 0;
    bool soundTrack_ = false;
    std::string title_, artist_, album_, year_, genre_, comment_;
    std::uint16_t track_ = 0;
};

} // namespace tavuro
