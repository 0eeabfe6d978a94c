#include "readers/WMAfile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "common/Text.h"
#include "common/Unicode.h"
#include "readers/ByteView.h"
#include "readers/FileSource.h"

namespace tavuro {

namespace {

using TGuid = std::array<std::uint8_t, 16>;

// GUIDs as stored: the first three fields little-endian, the last eight bytes as written.
constexpr TGuid kHeaderObject = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr TGuid kFilePropertiesObject = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                         0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr TGuid kStreamPropertiesObject = {0x91, 0x07, 0xDC, 0xB7, 0xB7, 0xA9, 0xCF, 0x11,
                                           0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr TGuid kContentDescriptionObject = {0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                             0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr TGuid kExtendedContentDescriptionObject = {
    0x40, 0xA4, 0xD0, 0xD2, 0x07, 0xE3, 0xD2, 0x11, 0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50};

constexpr std::int64_t kObjectHeaderSize = 24; // GUID and 64-bit size
constexpr std::int64_t kFirstObjectAt = 30;    // after the Header object's own fields
constexpr std::size_t kMaxTextCharacters = 250;

enum TTagSlot { tsTitle, tsArtist, tsAlbum, tsTrack, tsYear, tsGenre, tsComment, tsCount };
constexpr std::array<std::string_view, tsCount> kDescriptorNames = {
    "WM/TITLE", "WM/AUTHOR", "WM/ALBUMTITLE", "WM/TRACK", "WM/YEAR", "WM/GENRE", "WM/DESCRIPTION"};

struct TWorkingRecord {
    std::uint32_t maxBitRate = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    std::array<std::u16string, tsCount> slots;
};

// Reads the fields of one object in order; a read past the object's end fails the object.
class TObjectReader {
public:
    TObjectReader(TByteSource& source, std::int64_t start, std::int64_t size)
        : source_(source), position_(start), end_(start + size) {}

    bool Ok() const { return ok_; }
    void Seek(std::int64_t position) { position_ = position; }
    void Skip(std::int64_t count) { position_ += count; }

    std::uint16_t U16() {
        std::uint8_t bytes[2] = {};
        Read(bytes, 2);
        return TByteView(bytes, 2).U16LE(0);
    }
    std::uint32_t U32() {
        std::uint8_t bytes[4] = {};
        Read(bytes, 4);
        return TByteView(bytes, 4).U32LE(0);
    }
    // A stored text of `length` bytes: its first 250 characters at most.
    std::u16string Text(std::uint16_t length) {
        const std::size_t characters = std::min<std::size_t>(length / 2, kMaxTextCharacters);
        std::array<std::uint8_t, kMaxTextCharacters * 2> bytes{};
        const std::int64_t textEnd = position_ + length;
        Read(bytes.data(), characters * 2);
        position_ = textEnd;
        if (position_ > end_)
            ok_ = false;
        return ok_ ? Utf16FromLittleEndian(bytes.data(), characters) : std::u16string();
    }

private:
    void Read(std::uint8_t* dest, std::size_t count) {
        if (!ok_ || position_ + static_cast<std::int64_t>(count) > end_ ||
            !source_.ReadExactly(position_, dest, count))
            ok_ = false;
        position_ += static_cast<std::int64_t>(count);
    }

    TByteSource& source_;
    std::int64_t position_;
    std::int64_t end_;
    bool ok_ = true;
};

bool ReadFileProperties(TObjectReader& object, std::int64_t start, TWorkingRecord& record) {
    object.Seek(start + 100);
    const std::uint32_t maxBitRate = object.U32();
    if (object.Ok())
        record.maxBitRate = maxBitRate;
    return object.Ok();
}

bool ReadStreamProperties(TObjectReader& object, std::int64_t start, TWorkingRecord& record) {
    // The audio format structure starts at 78; channels, rate and byte rate follow its tag.
    object.Seek(start + 80);
    const std::uint16_t channels = object.U16();
    const std::uint32_t sampleRate = object.U32();
    const std::uint32_t byteRate = object.U32();
    if (!object.Ok())
        return false;
    record.channels = channels;
    record.sampleRate = sampleRate;
    record.byteRate = byteRate;
    return true;
}

bool ReadContentDescription(TObjectReader& object, std::int64_t start, TWorkingRecord& record) {
    object.Seek(start + kObjectHeaderSize);
    std::array<std::uint16_t, 5> lengths{}; // title, author, copyright, description, rating
    for (std::uint16_t& length : lengths)
        length = object.U16();
    constexpr std::array<int, 5> kSlotOf = {tsTitle, tsArtist, -1, tsComment, -1};
    for (std::size_t i = 0; i < lengths.size() && object.Ok(); ++i) {
        if (lengths[i] == 0)
            continue;
        std::u16string text = object.Text(lengths[i]);
        if (object.Ok() && kSlotOf[i] >= 0)
            record.slots[kSlotOf[i]] = std::move(text);
    }
    return object.Ok();
}

void OfferDescriptor(std::u16string_view name, std::u16string value, TWorkingRecord& record) {
    const std::string key = UpperAscii(Utf16ToUtf8(TrimControl(name)));
    for (std::size_t slot = 0; slot < tsCount; ++slot)
        if (key == kDescriptorNames[slot])
            record.slots[slot] = value;
}

bool ReadExtendedContentDescription(TObjectReader& object, std::int64_t start,
                                    TWorkingRecord& record) {
    object.Seek(start + kObjectHeaderSize);
    const std::uint16_t count = object.U16();
    for (std::uint32_t i = 0; i < count && object.Ok(); ++i) {
        const std::u16string name = object.Text(object.U16());
        const std::uint16_t valueType = object.U16();
        const std::uint16_t valueLength = object.U16();
        if (valueType != 0) {
            object.Skip(valueLength);
            continue;
        }
        std::u16string value = object.Text(valueLength);
        if (object.Ok())
            OfferDescriptor(name, std::move(value), record);
    }
    return object.Ok();
}

bool ReadObject(TByteSource& source, const TGuid& guid, std::int64_t start, std::int64_t size,
                TWorkingRecord& record) {
    TObjectReader object(source, start, size);
    if (guid == kFilePropertiesObject)
        return ReadFileProperties(object, start, record);
    if (guid == kStreamPropertiesObject)
        return ReadStreamProperties(object, start, record);
    if (guid == kContentDescriptionObject)
        return ReadContentDescription(object, start, record);
    if (guid == kExtendedContentDescriptionObject)
        return ReadExtendedContentDescription(object, start, record);
    return true;
}

// Walks the objects of the Header object. The walk ends early, keeping what it read, at an object
// too small to hold its own header (a size of 0 would never advance) or reaching past the end of
// the file, and after as many objects as the header could hold whatever count it declares.
// False when the file ends inside the Header object's own fields or inside an object being read.
bool WalkHeader(TByteSource& source, TWorkingRecord& record) {
    std::uint8_t head[kFirstObjectAt];
    if (!source.ReadExactly(0, head, 16))
        return false;
    if (std::memcmp(head, kHeaderObject.data(), 16) != 0)
        return true;
    if (!source.ReadExactly(16, head + 16, kFirstObjectAt - 16))
        return false;
    const TByteView header(head, sizeof head);
    const std::uint64_t headerEnd =
        std::min<std::uint64_t>(header.U64LE(16), static_cast<std::uint64_t>(source.Size()));
    const std::uint64_t room =
        headerEnd > kFirstObjectAt ? (headerEnd - kFirstObjectAt) / kObjectHeaderSize : 0;
    const std::uint64_t objectCount = std::min<std::uint64_t>(header.U32LE(24), room);

    std::int64_t position = kFirstObjectAt;
    for (std::uint64_t i = 0; i < objectCount; ++i) {
        std::uint8_t objectHead[kObjectHeaderSize];
        if (!source.ReadExactly(position, objectHead, sizeof objectHead))
            return false;
        const TByteView view(objectHead, sizeof objectHead);
        const std::int64_t size = view.U32LE(16); // only the low 32 bits count
        if (size < kObjectHeaderSize || position + size > source.Size())
            break;
        TGuid guid;
        std::memcpy(guid.data(), objectHead, guid.size());
        if (!ReadObject(source, guid, position, size, record))
            return false;
        position += size;
    }
    return true;
}

bool IsValid(const TWorkingRecord& record) {
    return record.maxBitRate >= 1 && record.maxBitRate < 320000 && record.channels >= 1 &&
           record.channels <= 6 && record.sampleRate >= 8000 && record.sampleRate < 96001 &&
           record.byteRate >= 1 && record.byteRate < 40000;
}

} // namespace

void TWMAfile::ResetData() {
    valid_ = false;
    fileSize_ = 0;
    channelModeID_ = 0;
    sampleRate_ = 0;
    duration_ = 0;
    bitRate_ = 0;
    for (std::u16string* text : {&title_, &artist_, &album_, &year_, &genre_, &comment_})
        text->clear();
    track_ = 0;
}

bool TWMAfile::ReadFromFile(const std::string& fileName) {
    TFileSource file;
    if (!file.Open(fileName)) {
        ResetData();
        return false;
    }
    return ReadFromSource(file);
}

bool TWMAfile::ReadFromSource(TByteSource& source) {
    ResetData();
    TWorkingRecord record;
    if (!WalkHeader(source, record))
        return false;
    if (!IsValid(record))
        return true;
    valid_ = true;
    fileSize_ = source.Size();
    channelModeID_ = static_cast<std::uint8_t>(record.channels);
    sampleRate_ = static_cast<std::int32_t>(record.sampleRate);
    // In double: the bit count of a file beyond 256 MB does not fit in 32 bits.
    duration_ = static_cast<double>(fileSize_) * 8 / record.maxBitRate;
    bitRate_ = static_cast<std::int32_t>(record.byteRate * 8 / 1000);
    auto trimmed = [&](TTagSlot slot) { return std::u16string(TrimControl(record.slots[slot])); };
    title_ = trimmed(tsTitle);
    artist_ = trimmed(tsArtist);
    album_ = trimmed(tsAlbum);
    year_ = trimmed(tsYear);
    genre_ = trimmed(tsGenre);
    comment_ = trimmed(tsComment);
    std::int32_t track = 0;
    track_ = ParseInt32(Utf16ToUtf8(trimmed(tsTrack)), track) ? track : 0;
    return true;
}

} // namespace tavuro
