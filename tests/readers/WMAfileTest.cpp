#include "readers/WMAfile.h"

#include <optional>

#include <gtest/gtest.h>

#include "Fixtures.h"

namespace tavuro {
namespace {

using namespace fixtures;

// GUIDs as stored in the file.
const Bytes kHeaderGuid{0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                        0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const Bytes kFilePropertiesGuid{0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
const Bytes kStreamPropertiesGuid{0x91, 0x07, 0xDC, 0xB7, 0xB7, 0xA9, 0xCF, 0x11,
                                  0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
const Bytes kContentDescriptionGuid{0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                    0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const Bytes kExtendedGuid{0x40, 0xA4, 0xD0, 0xD2, 0x07, 0xE3, 0xD2, 0x11,
                          0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50};
const Bytes kPaddingGuid{0x74, 0xD4, 0x06, 0x18, 0xDF, 0xCA, 0x09, 0x45,
                         0xA4, 0xBA, 0x9A, 0xAB, 0xCB, 0x96, 0xAA, 0xE8};

Bytes Object(const Bytes& guid, const Bytes& payload,
             std::optional<std::uint64_t> declaredSize = std::nullopt) {
    Bytes object = guid;
    AppendLE64(object, declaredSize.value_or(24 + payload.size()));
    Append(object, payload);
    return object;
}

Bytes FileProperties(std::uint32_t maxBitRate) {
    Bytes payload = Zeros(76); // the maximum bit rate sits at 100 from the object start
    AppendLE32(payload, maxBitRate);
    return Object(kFilePropertiesGuid, payload);
}

Bytes StreamProperties(std::uint16_t channels, std::uint32_t sampleRate, std::uint32_t byteRate) {
    Bytes payload = Zeros(54);
    AppendLE16(payload, 0x161); // format tag of the audio format at 78
    AppendLE16(payload, channels);
    AppendLE32(payload, sampleRate);
    AppendLE32(payload, byteRate);
    AppendLE16(payload, 1);
    AppendLE16(payload, 16);
    return Object(kStreamPropertiesGuid, payload);
}

Bytes WideZ(std::u16string_view text) {
    Bytes bytes = Utf16LE(text);
    AppendLE16(bytes, 0);
    return bytes;
}

Bytes ContentDescription(std::u16string_view title, std::u16string_view author,
                         std::u16string_view description) {
    const Bytes texts[5] = {WideZ(title), WideZ(author), WideZ(u"(c)"), WideZ(description), {}};
    Bytes payload;
    for (const Bytes& text : texts)
        AppendLE16(payload, static_cast<std::uint32_t>(text.size()));
    for (const Bytes& text : texts)
        Append(payload, text);
    return Object(kContentDescriptionGuid, payload);
}

struct Descriptor {
    std::u16string name;
    std::uint16_t type;
    Bytes value;
};

Bytes ExtendedContentDescription(const std::vector<Descriptor>& descriptors) {
    Bytes payload;
    AppendLE16(payload, static_cast<std::uint32_t>(descriptors.size()));
    for (const Descriptor& d : descriptors) {
        const Bytes name = WideZ(d.name);
        AppendLE16(payload, static_cast<std::uint32_t>(name.size()));
        Append(payload, name);
        AppendLE16(payload, d.type);
        AppendLE16(payload, static_cast<std::uint32_t>(d.value.size()));
        Append(payload, d.value);
    }
    return Object(kExtendedGuid, payload);
}

Descriptor Text16(std::u16string name, std::u16string_view value) {
    return {std::move(name), 0, WideZ(value)};
}

Bytes AsfFile(const std::vector<Bytes>& objects, std::uint32_t declaredCount = 0,
              std::size_t dataBytes = 4000) {
    Bytes body;
    for (const Bytes& object : objects)
        Append(body, object);
    Bytes file = kHeaderGuid;
    AppendLE64(file, 30 + body.size());
    AppendLE32(file, declaredCount ? declaredCount : static_cast<std::uint32_t>(objects.size()));
    file.push_back(1);
    file.push_back(2);
    Append(file, body);
    file.resize(file.size() + dataBytes, 0x33); // stands in for the Data object
    return file;
}

std::vector<Bytes> ValidObjects() {
    return {FileProperties(128000), StreamProperties(2, 44100, 16000)};
}

class WMAFileTest : public ::testing::Test {
protected:
    TWMAfile Read(const Bytes& bytes, bool expected = true) {
        TWMAfile reader;
        EXPECT_EQ(reader.ReadFromFile(dir.Write("a.wma", bytes)), expected);
        return reader;
    }
    TTempDir dir;
};

TEST_F(WMAFileTest, ReadsFactsAndTags) {
    std::vector<Bytes> objects = ValidObjects();
    objects.push_back(ContentDescription(u"Title \u4e2d", u"Author", u"Described"));
    objects.push_back(
        ExtendedContentDescription({Text16(u"WM/AlbumTitle", u"Album"), Text16(u"WM/Track", u"7"),
                                    Text16(u"WM/Year", u"2009"), Text16(u"WM/Genre", u"Pop")}));
    const Bytes file = AsfFile(objects);
    const TWMAfile wma = Read(file);
    ASSERT_TRUE(wma.Valid());
    EXPECT_EQ(wma.FileSize(), static_cast<std::int64_t>(file.size()));
    EXPECT_EQ(wma.ChannelModeID(), 2);
    EXPECT_EQ(wma.SampleRate(), 44100);
    EXPECT_EQ(wma.BitRate(), 128);
    EXPECT_DOUBLE_EQ(wma.Duration(), file.size() * 8.0 / 128000);
    EXPECT_EQ(wma.Title(), u"Title \u4e2d");
    EXPECT_EQ(wma.Artist(), u"Author");
    EXPECT_EQ(wma.Comment(), u"Described");
    EXPECT_EQ(wma.Album(), u"Album");
    EXPECT_EQ(wma.Track(), 7);
    EXPECT_EQ(wma.Year(), u"2009");
    EXPECT_EQ(wma.Genre(), u"Pop");
}

TEST_F(WMAFileTest, FileWithoutTheHeaderGuidReadsButIsNotValid) {
    Bytes file = AsfFile(ValidObjects());
    file[0] ^= 0xFF;
    EXPECT_FALSE(Read(file).Valid());
    EXPECT_FALSE(Read(Bytes(10, 0), false).Valid());
}

struct ValidityCase {
    const char* name;
    std::uint32_t maxBitRate;
    std::uint16_t channels;
    std::uint32_t sampleRate;
    std::uint32_t byteRate;
    bool valid;
};

class WMAValidity : public WMAFileTest, public ::testing::WithParamInterface<ValidityCase> {};

TEST_P(WMAValidity, FollowsTheRanges) {
    const ValidityCase& c = GetParam();
    EXPECT_EQ(Read(AsfFile({FileProperties(c.maxBitRate),
                            StreamProperties(c.channels, c.sampleRate, c.byteRate)}))
                  .Valid(),
              c.valid);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WMAValidity,
    ::testing::Values(ValidityCase{"Lowest", 1, 1, 8000, 1, true},
                      ValidityCase{"Highest", 319999, 6, 96000, 39999, true},
                      ValidityCase{"Rate7999", 128000, 2, 7999, 16000, false},
                      ValidityCase{"Rate96001", 128000, 2, 96001, 16000, false},
                      ValidityCase{"ByteRate40000", 128000, 2, 44100, 40000, false},
                      ValidityCase{"NoChannels", 128000, 0, 44100, 16000, false},
                      ValidityCase{"SevenChannels", 128000, 7, 44100, 16000, false},
                      ValidityCase{"NoMaxBitRate", 0, 2, 44100, 16000, false},
                      ValidityCase{"MaxBitRate320000", 320000, 2, 44100, 16000, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WMAFileTest, DescriptorRules) {
    std::vector<Bytes> objects = ValidObjects();
    objects.push_back(ContentDescription(u"First", u"", u""));
    objects.push_back(ExtendedContentDescription({Descriptor{u"WM/Number", 3, Bytes{1, 2, 3, 4}},
                                                  Text16(u" wm/title ", u"Lower-case name"),
                                                  Text16(u"WM/TRACK", u"seven")}));
    const TWMAfile wma = Read(AsfFile(objects));
    EXPECT_EQ(wma.Title(), u"Lower-case name");
    EXPECT_EQ(wma.Track(), 0);
}

TEST_F(WMAFileTest, LongTextKeepsItsFirst250Characters) {
    std::vector<Bytes> objects = ValidObjects();
    objects.push_back(ContentDescription(std::u16string(300, u'x'), u"After", u""));
    const TWMAfile wma = Read(AsfFile(objects));
    EXPECT_EQ(wma.Title(), std::u16string(250, u'x'));
    EXPECT_EQ(wma.Artist(), u"After");
}

TEST_F(WMAFileTest, ZeroSizeObjectEndsTheWalkInsteadOfLoopingForEver) {
    std::vector<Bytes> objects = ValidObjects();
    objects.push_back(Object(kPaddingGuid, Zeros(8), 0));
    objects.push_back(ContentDescription(u"Unreached", u"", u""));
    const TWMAfile wma = Read(AsfFile(objects));
    EXPECT_TRUE(wma.Valid());
    EXPECT_EQ(wma.Title(), u"");
}

TEST_F(WMAFileTest, ObjectReachingPastTheFileEndEndsTheWalk) {
    std::vector<Bytes> objects = ValidObjects();
    objects.push_back(Object(kPaddingGuid, Zeros(8), 1u << 30));
    const TWMAfile wma = Read(AsfFile(objects, 0, 100));
    EXPECT_TRUE(wma.Valid());
}

TEST_F(WMAFileTest, DeclaredCountBeyondTheHeaderIsNotFollowedIntoTheData) {
    const TWMAfile wma = Read(AsfFile(ValidObjects(), 0xFFFFFFFF));
    EXPECT_TRUE(wma.Valid());
    EXPECT_EQ(wma.SampleRate(), 44100);
}

TEST_F(WMAFileTest, TextReachingPastItsObjectFailsTheRead) {
    std::vector<Bytes> objects = ValidObjects();
    Bytes description = ContentDescription(u"T", u"", u"");
    description[24] = 0xF0; // title length far beyond the object
    objects.push_back(description);
    EXPECT_FALSE(Read(AsfFile(objects, 0, 0), false).Valid());
}

TEST(WMAfile, DurationOfAFileBeyond256MBUsesTheWholeBitCount) {
    const std::int64_t size = 3'000'000'000;
    THugeSource source(AsfFile(ValidObjects(), 0, 0), size);
    TWMAfile wma;
    ASSERT_TRUE(wma.ReadFromSource(source));
    EXPECT_EQ(wma.FileSize(), size);
    EXPECT_DOUBLE_EQ(wma.Duration(), size * 8.0 / 128000);
}

} // namespace
} // namespace tavuro
