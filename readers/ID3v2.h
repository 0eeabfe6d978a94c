#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/ByteSource.h"
#include "readers/ByteView.h"
#include "readers/MP3TagInfo.h"

namespace tavuro {

// Whole size of the ID3v2 tag whose 10-byte header is `header`, footer included; 0 when the
// header does not start with "ID3" or the tag would be larger than `sourceSize`.
std::int64_t ID3v2TagSize(TByteView header, std::int64_t sourceSize);

// An ID3v2.2 to 2.4 tag at the start of a file: sixteen kinds of text frame as plain texts.
class TID3v2 {
public:
    TID3v2() { ResetData(); }

    // Reads the tag at the start of the file. True when the first 10 bytes could be read, tag or
    // not (Exists tells); false on a file error or a file shorter than 10 bytes.
    bool ReadFromFile(const std::string& fileName);
    // The same over a source that is already open.
    bool ReadFromSource(TByteSource& source);

    // Decodes a tag held in memory into `tagInfo`; true when the block starts with "ID3". Sets
    // this reader's VersionID and Size, not its texts or Exists. A frame that reaches past the
    // end of the block contributes the bytes inside it.
    bool ReadTagFromBuffer(const std::uint8_t* data, std::size_t size, TMP3TagInfo& tagInfo);

    void ResetData();

    bool Exists() const { return exists_; }
    std::uint8_t VersionID() const { return versionID_; }
    // Whole tag size in bytes; 0 without a tag or when the declared size exceeds the file.
    std::int32_t Size() const { return size_; }
    const std::string& Title() const { return title_; }
    const std::string& Artist() const { return artist_; }
    const std::string& Album() const { return album_; }
    std::uint16_t Track() const { return track_; }
    const std::string& TrackString() const { return trackString_; }
    const std::string& Year() const { return year_; }
    const std::string& Genre() const { return genre_; }
    const std::string& Comment() const { return comment_; }
    const std::string& Composer() const { return composer_; }
    const std::string& Encoder() const { return encoder_; }
    const std::string& Copyright() const { return copyright_; }
    const std::string& Language() const { return language_; }
    const std::string& Link() const { return link_; }

private:
    // Takes version and size from a header that starts with "ID3"; false for any other block.
    bool TakeHeader(TByteView header, std::int64_t sourceSize);

    bool exists_ = false;
    std::uint8_t versionID_ = 0;
    std::int32_t size_ = 0;
    std::string title_, artist_, album_;
    std::uint16_t track_ = 0;
    std::string trackString_, year_, genre_, comment_, composer_, encoder_, copyright_, language_,
        link_;
};

} // namespace tavuro
