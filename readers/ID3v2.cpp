#include "readers/ID3v2.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "common/Text.h"
#include "common/Unicode.h"
#include "readers/FileSource.h"
#include "readers/TrackNumber.h"

namespace tavuro {

namespace {

constexpr std::size_t kHeaderSize = 10;
constexpr std::size_t kContentSize = 500; // a frame contributes at most this much text
constexpr std::uint8_t kFooterFlag = 0x10;
constexpr std::uint8_t kCompressedFlag = 0x80; // second flag byte, ID3v2.3

struct TFrameName {
    std::string_view v3;
    std::string_view v2;
};

enum TFrameEntry {
    feTitle,
    feArtist,
    feAlbum,
    feTrack,
    feYear,
    feGenre,
    feComment,
    feComposer,
    feEncoder,
    feCopyright,
    feLanguage,
    feLink,
    feRecordingTime,
    feOriginalArtist,
    feContentGroup,
    feOriginalAlbum,
    feCount
};

constexpr std::array<TFrameName, feCount> kFrameNames = {{
    {"TIT2", "TT2"},
    {"TPE1", "TP1"},
    {"TALB", "TAL"},
    {"TRCK", "TRK"},
    {"TYER", "TYE"},
    {"TCON", "TCO"},
    {"COMM", "COM"},
    {"TCOM", "TCM"},
    {"TENC", "TEN"},
    {"TCOP", "TCR"},
    {"TLAN", "TLA"},
    {"WXXX", "WXX"},
    {"TDRC", "TOR"},
    {"TOPE", "TOA"},
    {"TIT1", "TT1"},
    {"TOAL", "TOT"},
}};

// Frame contents by table entry: empty until a frame with text encoding 0 or 1 fills it.
using TFrameContents = std::array<std::string, feCount>;

// Frame contents keep the frame's first 500 bytes and two zero bytes after them (within those
// 500): the texts come out as from the zero-filled 500-byte buffer, without copying the zeros.
void OfferFrame(std::string_view id, bool version2, std::string_view content,
                TFrameContents& contents) {
    const auto encoding = static_cast<unsigned char>(content[0]);
    if (encoding > 1)
        return;
    for (std::size_t entry = 0; entry < feCount; ++entry) {
        const std::string_view name = version2 ? kFrameNames[entry].v2 : kFrameNames[entry].v3;
        if (name == id)
            contents[entry] = std::string(content);
    }
}

// Walks the frames from offset 10 up to the tag size. With `keepCutFrames` a frame cut short by
// the end of the source still counts with the bytes that are there (a tag held in memory); without
// it the walk ends at such a frame (a file that fails to read).
TFrameContents WalkFrames(TByteSource& source, std::uint8_t version, std::int64_t tagSize,
                          bool keepCutFrames) {
    TFrameContents contents;
    const bool version2 = version <= 2;
    const std::size_t frameHeaderSize = version2 ? 6 : 10;
    const std::size_t idLength = version2 ? 3 : 4;
    std::int64_t offset = kHeaderSize;
    while (offset < tagSize && offset < source.Size()) {
        std::uint8_t header[10] = {};
        if (!source.ReadExactly(offset, header, frameHeaderSize))
            break;
        if (header[0] < 'A' || header[0] > 'Z')
            break; // padding or garbage
        const TByteView view(header, frameHeaderSize);
        const std::uint32_t frameSize = version2 ? view.U24BE(3) : view.U32BE(4);
        std::array<char, kContentSize> content{};
        const std::size_t wanted = std::min<std::size_t>(frameSize, kContentSize);
        const std::int64_t contentStart = offset + static_cast<std::int64_t>(frameHeaderSize);
        if (source.ReadAt(contentStart, content.data(), wanted) < wanted && !keepCutFrames)
            break;
        const bool compressed = !version2 && (header[9] & kCompressedFlag);
        if (!compressed)
            OfferFrame(view.Chars(0, idLength), version2,
                       std::string_view(content.data(), std::min(wanted + 2, kContentSize)),
                       contents);
        offset = contentStart + frameSize; // 64-bit: a huge size ends the walk, never wraps
    }
    return contents;
}

// The text of a frame content whose first byte is its text encoding.
std::string EntryText(std::string_view content) {
    if (content.empty())
        return {};
    if (content[0] != 1)
        return std::string(TrimControl(content));
    std::u16string units;
    for (std::size_t i = 1; i + 1 < content.size(); i += 2) {
        const auto low = static_cast<unsigned char>(content[i]);
        const auto high = static_cast<unsigned char>(content[i + 1]);
        if (low == 0 && high == 0)
            break;
        if (low == 0xFF)
            continue; // drops the FF FE byte order mark
        units.push_back(static_cast<char16_t>(low | (high << 8)));
    }
    return std::string(TrimControl(Utf16ToUtf8(units)));
}

// The text after a content description (COMM, WXXX). `prefixLength` counts the encoding byte
// and, for a comment, its language.
std::string DescribedText(std::string_view content, std::size_t prefixLength) {
    if (content.size() < prefixLength)
        return {};
    const char encoding = content[0];
    const std::string_view rest = content.substr(prefixLength);
    std::size_t textStart = std::string_view::npos;
    if (encoding == 1) {
        // The description ends with a zero character, so the search keeps to character pairs.
        for (std::size_t i = 0; i + 1 < rest.size(); i += 2)
            if (rest[i] == 0 && rest[i + 1] == 0) {
                textStart = i + 2;
                break;
            }
    } else {
        const std::size_t zero = rest.find('\0');
        if (zero != std::string_view::npos)
            textStart = zero + 1;
    }
    if (textStart == std::string_view::npos)
        return {};
    std::string text(1, encoding);
    text.append(rest.substr(textStart));
    return EntryText(text);
}

std::string FirstNonEmpty(const TFrameContents& contents, TFrameEntry entry, TFrameEntry fallback) {
    std::string text = EntryText(contents[entry]);
    return text.empty() ? EntryText(contents[fallback]) : text;
}

std::string GenreText(const TFrameContents& contents) {
    std::string genre = EntryText(contents[feGenre]);
    const std::size_t close = genre.rfind(')');
    return close == std::string::npos ? genre : genre.substr(close + 1);
}

std::string YearText(const TFrameContents& contents) {
    std::string year = EntryText(contents[feYear]);
    return year.empty() ? EntryText(contents[feRecordingTime]).substr(0, 4) : year;
}

void FillTagInfo(const TFrameContents& contents, TMP3TagInfo& info) {
    info.Title = FirstNonEmpty(contents, feTitle, feContentGroup);
    info.Artist = FirstNonEmpty(contents, feArtist, feOriginalArtist);
    info.Album = FirstNonEmpty(contents, feAlbum, feOriginalAlbum);
    info.Track = TrackNumberOf(EntryText(contents[feTrack]));
    info.Year = YearText(contents);
    info.Genre = GenreText(contents);
    info.Comment = DescribedText(contents[feComment], 4);
}

bool IsReadableVersion(std::uint8_t version) {
    return version >= 2 && version <= 4;
}

} // namespace

std::int64_t ID3v2TagSize(TByteView header, std::int64_t sourceSize) {
    if (!header.Matches(0, "ID3"))
        return 0;
    // The size bytes are taken whole, not as 7-bit groups, as the player always has.
    std::int64_t size = (std::int64_t{header.U8(6)} << 21) + (std::int64_t{header.U8(7)} << 14) +
                        (std::int64_t{header.U8(8)} << 7) + header.U8(9) + kHeaderSize;
    if (header.U8(5) & kFooterFlag)
        size += kHeaderSize;
    return size > sourceSize ? 0 : size;
}

void TID3v2::ResetData() {
    exists_ = false;
    versionID_ = 0;
    size_ = 0;
    for (std::string* text : {&title_, &artist_, &album_, &trackString_, &year_, &genre_, &comment_,
                              &composer_, &encoder_, &copyright_, &language_, &link_})
        text->clear();
    track_ = 0;
}

bool TID3v2::ReadFromFile(const std::string& fileName) {
    TFileSource file;
    if (!file.Open(fileName)) {
        ResetData();
        return false;
    }
    return ReadFromSource(file);
}

bool TID3v2::TakeHeader(TByteView header, std::int64_t sourceSize) {
    if (!header.Matches(0, "ID3"))
        return false;
    versionID_ = header.U8(3);
    size_ = static_cast<std::int32_t>(ID3v2TagSize(header, sourceSize));
    return true;
}

bool TID3v2::ReadFromSource(TByteSource& source) {
    ResetData();
    std::uint8_t header[kHeaderSize];
    if (!source.ReadExactly(0, header, kHeaderSize))
        return false;
    if (!TakeHeader(TByteView(header, kHeaderSize), source.Size()))
        return true; // no tag, yet a successful read
    exists_ = true;
    if (!IsReadableVersion(versionID_) || size_ <= 0)
        return true;
    const TFrameContents contents = WalkFrames(source, versionID_, size_, false);
    TMP3TagInfo info;
    FillTagInfo(contents, info);
    title_ = std::move(info.Title);
    artist_ = std::move(info.Artist);
    album_ = std::move(info.Album);
    trackString_ = EntryText(contents[feTrack]);
    track_ = static_cast<std::uint16_t>(info.Track);
    year_ = std::move(info.Year);
    genre_ = std::move(info.Genre);
    comment_ = std::move(info.Comment);
    composer_ = EntryText(contents[feComposer]);
    encoder_ = EntryText(contents[feEncoder]);
    copyright_ = EntryText(contents[feCopyright]);
    language_ = EntryText(contents[feLanguage]);
    link_ = DescribedText(contents[feLink], 1);
    return true;
}

bool TID3v2::ReadTagFromBuffer(const std::uint8_t* data, std::size_t size, TMP3TagInfo& tagInfo) {
    if (!data || size < kHeaderSize)
        return false;
    if (!TakeHeader(TByteView(data, kHeaderSize), static_cast<std::int64_t>(size)))
        return false;
    TMemorySource source(data, size);
    if (IsReadableVersion(versionID_) && size_ > 0)
        FillTagInfo(WalkFrames(source, versionID_, size_, true), tagInfo);
    return true;
}

} // namespace tavuro
