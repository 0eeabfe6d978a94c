#include "readers/ID3v1.h"

#include <gtest/gtest.h>

#include "Fixtures.h"

namespace tavuro {
namespace {

using namespace fixtures;

// A tag with the given fields, each padded with zeros to its width.
Bytes ID3v1Tag(std::string_view title, std::string_view comment30, std::uint8_t genre = 17) {
    Bytes tag = Text("TAG");
    auto field = [&](std::string_view text, std::size_t width) {
        Bytes bytes = Text(text.substr(0, width));
        bytes.resize(width, 0);
        Append(tag, bytes);
    };
    field(title, 30);
    field("Artist", 30);
    field("Album", 30);
    field("1999", 4);
    field(comment30, 30);
    tag.push_back(genre);
    return tag;
}

struct VersionCase {
    const char* name;
    std::uint8_t byte125;
    std::uint8_t byte126;
    std::uint8_t versionID;
    std::uint8_t track;
    std::string comment;
};

class ID3v1VersionRule : public ::testing::TestWithParam<VersionCase> {};

TEST_P(ID3v1VersionRule, DecidesVersionTrackAndCommentWidth) {
    const VersionCase& c = GetParam();
    Bytes comment = Text("abcdefghijklmnopqrstuvwxyzABCD"); // fills all 30 bytes
    comment[28] = c.byte125;
    comment[29] = c.byte126;
    TTempDir dir;
    Bytes file = Zeros(200);
    Append(file, ID3v1Tag("T", std::string_view(reinterpret_cast<char*>(comment.data()), 30)));
    TID3v1 tag;
    ASSERT_TRUE(tag.ReadFromFile(dir.Write("a.mp3", file)));
    EXPECT_TRUE(tag.Exists());
    EXPECT_EQ(tag.VersionID(), c.versionID);
    EXPECT_EQ(tag.Track(), c.track);
    EXPECT_EQ(tag.Comment(), c.comment);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ID3v1VersionRule,
    ::testing::Values(VersionCase{"FullComment", 'x', 'y', 1, 0, "abcdefghijklmnopqrstuvwxyzABxy"},
                      VersionCase{"ZeroThenTrack", 0, 7, 2, 7, "abcdefghijklmnopqrstuvwxyzAB"},
                      VersionCase{"ZeroZero", 0, 0, 1, 0, "abcdefghijklmnopqrstuvwxyzAB"},
                      VersionCase{"SpaceThenTrack", ' ', 5, 2, 5, "abcdefghijklmnopqrstuvwxyzAB"},
                      VersionCase{"SpaceSpace", ' ', ' ', 1, 0, "abcdefghijklmnopqrstuvwxyzAB"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ID3v1, TrailingSpacesAndZerosGoButAnEmbeddedZeroStays) {
    TTempDir dir;
    std::string title("A\0B  \0 ", 7);
    TID3v1 tag;
    ASSERT_TRUE(tag.ReadFromFile(dir.Write("a.mp3", ID3v1Tag(title, "c"))));
    EXPECT_EQ(tag.Title(), std::string("A\0B", 3));
    EXPECT_EQ(tag.Artist(), "Artist");
    EXPECT_EQ(tag.Album(), "Album");
    EXPECT_EQ(tag.Year(), "1999");
    EXPECT_EQ(tag.GenreID(), 17);
    EXPECT_EQ(tag.Genre(), "Rock");
}

TEST(ID3v1, GenreNamesFollowTheWinampListAndEndAt147) {
    const std::pair<int, const char*> names[] = {{0, "Blues"},
                                                 {40, "AlternRock"},
                                                 {67, "Psychadelic"},
                                                 {79, "Hard Rock"},
                                                 {80, "Folk"},
                                                 {85, "Bebob"},
                                                 {92, "Progessive Rock"},
                                                 {123, "A capella"},
                                                 {132, "BritPop"},
                                                 {144, "Trash Metal"},
                                                 {146, "JPop"},
                                                 {147, "Synthpop"},
                                                 {148, ""},
                                                 {255, ""}};
    for (const auto& [id, name] : names)
        EXPECT_EQ(TID3v1::GenreName(static_cast<std::uint8_t>(id)), name) << id;
}

TEST(ID3v1, FileShorterThanATagFailsAndAFileWithoutTagSucceeds) {
    TTempDir dir;
    TID3v1 tag;
    EXPECT_FALSE(tag.ReadFromFile(dir.Write("short.mp3", Zeros(100))));
    EXPECT_FALSE(tag.Exists());
    EXPECT_EQ(tag.GenreID(), 255);
    EXPECT_FALSE(tag.ReadFromFile(dir.PathOf("missing.mp3")));
    EXPECT_TRUE(tag.ReadFromFile(dir.Write("plain.mp3", Zeros(300))));
    EXPECT_FALSE(tag.Exists());
    EXPECT_EQ(tag.Genre(), "");
}

TEST(ID3v1, BufferDecoderFillsTheRecordButNotTheReadersTexts) {
    TID3v1 tag;
    TMP3TagInfo info;
    Bytes comment = Text("note");
    comment.resize(30, 0);
    comment[29] = 9;
    const Bytes block =
        ID3v1Tag("Buffered", std::string_view(reinterpret_cast<char*>(comment.data()), 30), 8);
    ASSERT_TRUE(tag.ReadTagFromBuffer(block.data(), block.size(), info));
    EXPECT_EQ(info.Title, "Buffered");
    EXPECT_EQ(info.Comment, "note");
    EXPECT_EQ(info.Track, 9);
    EXPECT_EQ(info.Genre, "Jazz");
    EXPECT_EQ(tag.GenreID(), 8);
    EXPECT_EQ(tag.VersionID(), 2);
    EXPECT_FALSE(tag.Exists());
    EXPECT_EQ(tag.Title(), "");
}

TEST(ID3v1, BufferDecoderRefusesOtherBlocksAndShortBlocks) {
    TID3v1 tag;
    TMP3TagInfo info;
    info.Title = "kept";
    Bytes block = ID3v1Tag("New", "c");
    block[0] = 'X';
    EXPECT_FALSE(tag.ReadTagFromBuffer(block.data(), block.size(), info));
    block[0] = 'T';
    EXPECT_FALSE(tag.ReadTagFromBuffer(block.data(), 127, info));
    EXPECT_EQ(info.Title, "kept");
}

} // namespace
} // namespace tavuro
