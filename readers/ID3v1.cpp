#include "readers/ID3v1.h"

#include <array>

#include "common/Text.h"
#include "readers/ByteView.h"
#include "readers/FileSource.h"

namespace tavuro {

namespace {

constexpr std::uint8_t kVersion10 = 1;
constexpr std::uint8_t kVersion11 = 2;

// The ID3v1 list (0 to 79) and Winamp's extensions (80 to 147), spelled as players show them.
constexpr std::array<std::string_view, TID3v1::GenreCount> kGenres = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz",
    "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno",
    "Industrial", "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno",
    "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental",
    "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "AlternRock", "Bass", "Soul", "Punk",
    "Space", "Meditative", "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic", "Darkwave",
    "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream", "Southern Rock", "Comedy",
    "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk", "Jungle", "Native American",
    "Cabaret", "New Wave", "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo-Fi", "Tribal",
    "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll", "Hard Rock",
    // Winamp's extensions.
    "Folk", "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebob", "Latin", "Revival",
    "Celtic", "Bluegrass", "Avantgarde", "Gothic Rock", "Progessive Rock", "Psychedelic Rock",
    "Symphonic Rock", "Slow Rock", "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour",
    "Speech", "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus",
    "Porn Groove", "Satire", "Slow Jam", "Club", "Tango", "Samba", "Folklore", "Ballad",
    "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock", "Drum Solo", "A capella",
    "Euro-House", "Dance Hall", "Goa", "Drum & Bass", "Club-House", "Hardcore", "Terror", "Indie",
    "BritPop", "Negerpunk", "Polsk Punk", "Beat", "Christian Gangsta Rap", "Heavy Metal",
    "Black Metal", "Crossover", "Contemporary Christian", "Christian Rock", "Merengue", "Salsa",
    "Trash Metal", "Anime", "JPop", "Synthpop"};

// ID3v1.1 keeps a track number in the last comment byte, behind a zero (or a space).
std::uint8_t VersionOf(TByteView tag) {
    const std::uint8_t b125 = tag.U8(125), b126 = tag.U8(126);
    const bool v11 = (b125 == 0 && b126 != 0) || (b125 == 32 && b126 != 32);
    return v11 ? kVersion11 : kVersion10;
}

std::string TextField(TByteView tag, std::size_t offset, std::size_t width) {
    return std::string(TrimRightControl(tag.Chars(offset, width)));
}

// Decodes a block known to start with "TAG".
void DecodeTag(TByteView tag, TMP3TagInfo& info, std::uint8_t& versionID) {
    versionID = VersionOf(tag);
    info.Title = TextField(tag, 3, 30);
    info.Artist = TextField(tag, 33, 30);
    info.Album = TextField(tag, 63, 30);
    info.Year = TextField(tag, 93, 4);
    const bool v11 = versionID == kVersion11;
    info.Comment = TextField(tag, 97, v11 ? 28 : 30);
    info.Track = v11 ? tag.U8(126) : 0;
}

} // namespace

std::string_view TID3v1::GenreName(std::uint8_t id) {
    return id < kGenres.size() ? kGenres[id] : std::string_view();
}

void TID3v1::ResetData() {
    exists_ = false;
    versionID_ = kVersion10;
    title_.clear();
    artist_.clear();
    album_.clear();
    year_.clear();
    comment_.clear();
    track_ = 0;
    genreID_ = 255;
}

bool TID3v1::ReadFromFile(const std::string& fileName) {
    TFileSource file;
    if (!file.Open(fileName)) {
        ResetData();
        return false;
    }
    return ReadFromSource(file);
}

bool TID3v1::ReadFromSource(TByteSource& source) {
    ResetData();
    std::uint8_t block[TagSize];
    if (source.Size() < static_cast<std::int64_t>(TagSize) ||
        !source.ReadExactly(source.Size() - TagSize, block, TagSize))
        return false;
    const TByteView tag(block, TagSize);
    if (!tag.Matches(0, "TAG"))
        return true;
    TMP3TagInfo info;
    DecodeTag(tag, info, versionID_);
    exists_ = true;
    title_ = std::move(info.Title);
    artist_ = std::move(info.Artist);
    album_ = std::move(info.Album);
    year_ = std::move(info.Year);
    comment_ = std::move(info.Comment);
    track_ = static_cast<std::uint8_t>(info.Track);
    genreID_ = tag.U8(127);
    return true;
}

bool TID3v1::ReadTagFromBuffer(const std::uint8_t* data, std::size_t size, TMP3TagInfo& tagInfo) {
    if (!data || size < TagSize)
        return false;
    const TByteView tag(data, TagSize);
    if (!tag.Matches(0, "TAG"))
        return false;
    DecodeTag(tag, tagInfo, versionID_);
    genreID_ = tag.U8(127);
    tagInfo.Genre = Genre();
    return true;
}

} // namespace tavuro
