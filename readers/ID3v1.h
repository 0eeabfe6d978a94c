#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/ByteSource.h"
#include "readers/MP3TagInfo.h"

namespace tavuro {

// The 128-byte ID3v1 / ID3v1.1 tag at the end of a file. Texts are the stored bytes, trimmed.
class TID3v1 {
public:
    static constexpr std::size_t TagSize = 128;
    static constexpr int GenreCount = 148;

    TID3v1() { ResetData(); }

    // Reads the file's last 128 bytes. True when they could be read, tag or not; false on a file
    // error or a file shorter than 128 bytes (the fields then stay reset).
    bool ReadFromFile(const std::string& fileName);
    // The same over a source that is already open.
    bool ReadFromSource(TByteSource& source);

    // Decodes a tag block held in memory into `tagInfo`; true when it starts with "TAG". Sets this
    // reader's VersionID and GenreID but not its texts or Exists. A block shorter than 128 bytes
    // is refused (false, `tagInfo` untouched).
    bool ReadTagFromBuffer(const std::uint8_t* data, std::size_t size, TMP3TagInfo& tagInfo);

    void ResetData();

    bool Exists() const { return exists_; }
    std::uint8_t VersionID() const { return versionID_; }
    const std::string& Title() const { return title_; }
    const std::string& Artist() const { return artist_; }
    const std::string& Album() const { return album_; }
    const std::string& Year() const { return year_; }
    const std::string& Comment() const { return comment_; }
    std::uint8_t Track() const { return track_; }
    std::uint8_t GenreID() const { return genreID_; }
    // The genre name for GenreID; empty from 148 on.
    std::string Genre() const { return std::string(GenreName(genreID_)); }

    // The name of genre `id` in the ID3v1 list with Winamp's extensions; empty from 148 on.
    static std::string_view GenreName(std::uint8_t id);

private:
    bool exists_ = false;
    std::uint8_t versionID_ = 1;
    std::string title_, artist_, album_, year_, comment_;
    std::uint8_t track_ = 0;
    std::uint8_t genreID_ = 255;
};

} // namespace tavuro
