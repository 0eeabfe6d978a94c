#include "readers/OggVorbis.h"

#include <cmath>

#include <gtest/gtest.h>

#include "ID3v2Builders.h"

namespace tavuro {
namespace {

using namespace fixtures;

// One Ogg page holding `payload` as one packet (lacing values of 255 and the rest).
Bytes OggPage(std::uint64_t granule, std::uint32_t sequence, const Bytes& payload) {
    Bytes page = Text("OggS");
    page.push_back(0);
    page.push_back(sequence == 0 ? 2 : 0);
    AppendLE64(page, granule);
    AppendLE32(page, 0x1234);
    AppendLE32(page, sequence);
    AppendLE32(page, 0); // checksum: not checked by the reader
    Bytes lacing(payload.size() / 255, 255);
    lacing.push_back(static_cast<std::uint8_t>(payload.size() % 255));
    page.push_back(static_cast<std::uint8_t>(lacing.size()));
    Append(page, lacing);
    Append(page, payload);
    return page;
}

Bytes Identification(std::uint8_t channels, std::uint32_t sampleRate, std::int32_t nominal) {
    Bytes header{1};
    Append(header, "vorbis");
    AppendLE32(header, 0);
    header.push_back(channels);
    AppendLE32(header, sampleRate);
    AppendLE32(header, 0);
    AppendLE32(header, static_cast<std::uint32_t>(nominal));
    AppendLE32(header, 0);
    header.push_back(0xB8);
    header.push_back(1);
    return header;
}

Bytes Comments(const std::vector<std::string>& fields,
               std::string_view vendor = "Xiph.Org libVorbis", std::uint32_t declaredCount = 0) {
    Bytes packet{3};
    Append(packet, "vorbis");
    AppendLE32(packet, static_cast<std::uint32_t>(vendor.size()));
    Append(packet, vendor);
    AppendLE32(packet, declaredCount ? declaredCount : static_cast<std::uint32_t>(fields.size()));
    for (const std::string& field : fields) {
        AppendLE32(packet, static_cast<std::uint32_t>(field.size()));
        Append(packet, field);
    }
    packet.push_back(1);
    return packet;
}

struct OggSpec {
    std::uint8_t channels = 2;
    std::uint32_t sampleRate = 44100;
    std::int32_t nominal = 128000;
    std::vector<std::string> fields = {"TITLE=Song"};
    std::uint64_t lastGranule = 441000; // 10 s
    std::size_t audioBytes = 4000;
    std::size_t tailAfterLastPage = 0;
};

Bytes OggFile(const OggSpec& spec) {
    Bytes file = OggPage(0, 0, Identification(spec.channels, spec.sampleRate, spec.nominal));
    Append(file, OggPage(0, 1, Comments(spec.fields)));
    Append(file, OggPage(spec.lastGranule / 2, 2, Bytes(spec.audioBytes, 0x5A)));
    Append(file, OggPage(spec.lastGranule, 3, Bytes(200, 0x5A)));
    file.resize(file.size() + spec.tailAfterLastPage, 0x5A);
    return file;
}

class OggFileTest : public ::testing::Test {
protected:
    TOggVorbis Read(const Bytes& bytes, bool expected = true) {
        TOggVorbis reader;
        EXPECT_EQ(reader.ReadFromFile(dir.Write("a.ogg", bytes)), expected);
        return reader;
    }
    TTempDir dir;
};

TEST_F(OggFileTest, ReadsFactsAndComments) {
    OggSpec spec;
    spec.fields = {"TITLE=Song", "ARTIST=Band", "ALBUM=Record", "TRACKNUMBER=5/12",
                   "DATE=2003",  "GENRE=Jazz",  "COMMENT=Nice", "OTHER=ignored"};
    const Bytes file = OggFile(spec);
    const TOggVorbis ogg = Read(file);
    EXPECT_EQ(ogg.FileSize(), static_cast<std::int64_t>(file.size()));
    EXPECT_EQ(ogg.ChannelModeID(), 2);
    EXPECT_EQ(ogg.SampleRate(), 44100);
    EXPECT_EQ(ogg.BitRateNominal(), 128);
    EXPECT_EQ(ogg.Samples(), 441000);
    EXPECT_DOUBLE_EQ(ogg.Duration(), 10.0);
    EXPECT_EQ(ogg.BitRate(), static_cast<std::uint16_t>(std::nearbyint(file.size() / 10.0 / 125)));
    EXPECT_TRUE(ogg.Valid());
    EXPECT_EQ(ogg.Title(), "Song");
    EXPECT_EQ(ogg.Artist(), "Band");
    EXPECT_EQ(ogg.Album(), "Record");
    EXPECT_EQ(ogg.Track(), 5);
    EXPECT_EQ(ogg.Date(), "2003");
    EXPECT_EQ(ogg.Genre(), "Jazz");
    EXPECT_EQ(ogg.Comment(), "Nice");
    EXPECT_EQ(ogg.Vendor(), "Xiph.Org libVorbis");
}

TEST_F(OggFileTest, LeadingID3v2TagIsSkipped) {
    Bytes file = ID3v2Tag(3, {Frame("TIT2", Latin1("x"))}, 50);
    const std::size_t tagSize = file.size();
    Append(file, OggFile(OggSpec{}));
    const TOggVorbis ogg = Read(file);
    EXPECT_EQ(ogg.ID3v2Size(), static_cast<std::int32_t>(tagSize));
    EXPECT_EQ(ogg.Title(), "Song");
    EXPECT_TRUE(ogg.Valid());
}

TEST_F(OggFileTest, LastPageBeyondTheSearchFallsBackToTheNominalRate) {
    OggSpec spec;
    spec.tailAfterLastPage = 12100;
    const Bytes file = OggFile(spec);
    const TOggVorbis ogg = Read(file);
    EXPECT_EQ(ogg.Samples(), 0);
    EXPECT_DOUBLE_EQ(ogg.Duration(), file.size() / 128.0 / 2 / 125 * 2);
}

TEST_F(OggFileTest, SecondChoiceNamesAndAnyCase) {
    OggSpec spec;
    spec.fields = {"title=Lower", "PERFORMER=Player", "Description=Described"};
    const TOggVorbis ogg = Read(OggFile(spec));
    EXPECT_EQ(ogg.Title(), "Lower");
    EXPECT_EQ(ogg.Artist(), "Player");
    EXPECT_EQ(ogg.Comment(), "Described");
}

TEST_F(OggFileTest, LongCommentIsCutAt250BytesWithItsName) {
    OggSpec spec;
    spec.fields = {"TITLE=" + std::string(400, 't'), "ARTIST=After"};
    const TOggVorbis ogg = Read(OggFile(spec));
    EXPECT_EQ(ogg.Title(), std::string(244, 't'));
    EXPECT_EQ(ogg.Artist(), "After");
}

TEST_F(OggFileTest, Utf8IsKeptUpToTheFirstFault) {
    OggSpec spec;
    spec.fields = {"TITLE=Caf\xC3\xA9 \xE4\xB8\xAD",
                   "ARTIST=ab\xFF"
                   "cd",
                   "ALBUM=x\xE4\xB8"};
    const TOggVorbis ogg = Read(OggFile(spec));
    EXPECT_EQ(ogg.Title(), "Caf\xC3\xA9 \xE4\xB8\xAD");
    EXPECT_EQ(ogg.Artist(), "ab");
    EXPECT_EQ(ogg.Album(), "x");
}

TEST_F(OggFileTest, SampleRateKeepsItsLow16BitsAndEightChannelsAreNotValid) {
    OggSpec spec;
    spec.sampleRate = 96000;
    EXPECT_EQ(Read(OggFile(spec)).SampleRate(), 30464);
    spec = OggSpec{};
    spec.channels = 8;
    EXPECT_FALSE(Read(OggFile(spec)).Valid());
}

TEST_F(OggFileTest, OtherFilesAreRefused) {
    Bytes file = OggFile(OggSpec{});
    file[0] = 'X';
    EXPECT_EQ(Read(file, false).SampleRate(), 0);
    file[0] = 'O';
    file[28] = 5; // identification packet type
    Read(file, false);
    TOggVorbis ogg;
    EXPECT_FALSE(ogg.ReadFromFile(dir.PathOf("missing.ogg")));
}

TEST_F(OggFileTest, FieldCountBeyondTheFileEndsAtTheFileEnd) {
    Bytes file = OggPage(0, 0, Identification(2, 44100, 128000));
    Append(file, OggPage(0, 1, Comments({"TITLE=Only"}, "vendor", 0xFFFFFFFF)));
    Append(file, OggPage(441000, 2, Bytes(3000, 0)));
    const TOggVorbis ogg = Read(file);
    EXPECT_EQ(ogg.Title(), "Only");
    EXPECT_EQ(ogg.Samples(), 441000);
}

TEST_F(OggFileTest, TinyFileSearchesItsLastPageFromTheStart) {
    Bytes file = OggPage(0, 0, Identification(1, 8000, 32000));
    Append(file, OggPage(0, 1, Comments({})));
    Append(file, OggPage(8000, 2, Bytes(10, 0)));
    const TOggVorbis ogg = Read(file);
    EXPECT_EQ(ogg.Samples(), 8000);
    EXPECT_TRUE(ogg.Valid());
}

} // namespace
} // namespace tavuro
