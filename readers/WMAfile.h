#pragma once

#include <cstdint>
#include <string>

#include "common/ByteSource.h"

namespace tavuro {

// Technical facts and text tags of a Windows Media Audio file, from the objects of its ASF
// header. Texts stay wide (UTF-16) as the file stores them.
class TWMAfile {
public:
    TWMAfile() { ResetData(); }

    // True when the file could be opened and its header walked without a read error; the fields
    // are filled only when the header is also valid.
    bool ReadFromFile(const std::string& fileName);
    bool ReadFromSource(TByteSource& source);

    void ResetData();

    bool Valid() const { return valid_; }
    std::int64_t FileSize() const { return fileSize_; }
    std::uint8_t ChannelModeID() const { return channelModeID_; }
    std::int32_t SampleRate() const { return sampleRate_; }
    // Seconds: the file size over the maximum bit rate, not a stored play time.
    double Duration() const { return duration_; }
    std::int32_t BitRate() const { return bitRate_; }
    const std::u16string& Title() const { return title_; }
    const std::u16string& Artist() const { return artist_; }
    const std::u16string& Album() const { return album_; }
    std::int32_t Track() const { return track_; }
    const std::u16string& Year() const { return year_; }
    const std::u16string& Genre() const { return genre_; }
    const std::u16string& Comment() const { return comment_; }

private:
    bool valid_ = false;
    std::int64_t fileSize_ = 0;
    std::uint8_t channelModeID_ = 0;
    std::int32_t sampleRate_ = 0;
    double duration_ = 0;
    std::int32_t bitRate_ = 0;
    std::u16string title_, artist_, album_;
    std::int32_t track_ = 0;
    std::u16string year_, genre_, comment_;
};

} // namespace tavuro
