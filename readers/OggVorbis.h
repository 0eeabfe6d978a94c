#pragma once

#include <cstdint>
#include <string>

#include "common/ByteSource.h"

namespace tavuro {

// Technical facts and comments of an Ogg Vorbis file, read without decoding: the identification
// header from the first page, the comment header from the second, the sample count from the last.
class TOggVorbis {
public:
    TOggVorbis() { ResetData(); }

    // True when the file holds an Ogg page and a Vorbis identification header where expected; the
    // fields are filled only then. False also when the file cannot be opened.
    bool ReadFromFile(const std::string& fileName);
    bool ReadFromSource(TByteSource& source);

    void ResetData();

    std::int64_t FileSize() const { return fileSize_; }
    std::uint8_t ChannelModeID() const { return channelModeID_; }
    // The low 16 bits of the header's sample rate.
    std::uint16_t SampleRate() const { return sampleRate_; }
    std::uint16_t BitRateNominal() const { return bitRateNominal_; }
    std::int32_t Samples() const { return samples_; }
    std::int32_t ID3v2Size() const { return id3v2Size_; }
    const std::string& Title() const { return title_; }
    const std::string& Artist() const { return artist_; }
    const std::string& Album() const { return album_; }
    std::uint16_t Track() const { return track_; }
    const std::string& Date() const { return date_; }
    const std::string& Genre() const { return genre_; }
    const std::string& Comment() const { return comment_; }
    const std::string& Vendor() const { return vendor_; }

    // Seconds: from the sample count, else estimated from the nominal bit rate.
    double Duration() const;
    // Average kbit/s over the file.
    std::uint16_t BitRate() const;
    bool Valid() const;

private:
    std::int64_t fileSize_ = 0;
    std::uint8_t channelModeID_ = 0;
    std::uint16_t sampleRate_ = 0;
    std::uint16_t bitRateNominal_ = 0;
    std::int32_t samples_ = 0;
    std::int32_t id3v2Size_ = 0;
    std::string title_, artist_, album_;
    std::uint16_t track_ = 0;
    std::string date_, genre_, comment_, vendor_;
};

} // namespace tavuro
