#include "readers/ID3v2.h"

#include <gtest/gtest.h>

#include "ID3v2Builders.h"

namespace tavuro {
namespace {

using namespace fixtures;

class ID3v2File : public ::testing::Test {
protected:
    TID3v2 Read(const Bytes& tag, std::size_t audioBytes = 64) {
        Bytes file = tag;
        file.resize(file.size() + audioBytes, 0x55);
        TID3v2 reader;
        EXPECT_TRUE(reader.ReadFromFile(dir.Write("a.mp3", file)));
        return reader;
    }
    TTempDir dir;
};

TEST_F(ID3v2File, Version3ReadsEveryTextFrame) {
    Bytes comment{0};
    Append(comment, "engdesc");
    comment.push_back(0);
    Append(comment, "The comment");
    Bytes link{0};
    Append(link, "site");
    link.push_back(0);
    Append(link, "http://example.org");
    const TID3v2 tag = Read(ID3v2Tag(
        3,
        {Frame("TIT2", Latin1("Title")), Frame("TPE1", Latin1("Artist")),
         Frame("TALB", Latin1("Album")), Frame("TRCK", Latin1("3/12")),
         Frame("TYER", Latin1("2001")), Frame("TCON", Latin1("(17)Rock")), Frame("COMM", comment),
         Frame("TCOM", Latin1("Composer")), Frame("TENC", Latin1("Encoder")),
         Frame("TCOP", Latin1("(c) Us")), Frame("TLAN", Latin1("eng")), Frame("WXXX", link)},
        32));
    EXPECT_TRUE(tag.Exists());
    EXPECT_EQ(tag.VersionID(), 3);
    EXPECT_EQ(tag.Title(), "Title");
    EXPECT_EQ(tag.Artist(), "Artist");
    EXPECT_EQ(tag.Album(), "Album");
    EXPECT_EQ(tag.Track(), 3);
    EXPECT_EQ(tag.TrackString(), "3/12");
    EXPECT_EQ(tag.Year(), "2001");
    EXPECT_EQ(tag.Genre(), "Rock");
    EXPECT_EQ(tag.Comment(), "The comment");
    EXPECT_EQ(tag.Composer(), "Composer");
    EXPECT_EQ(tag.Encoder(), "Encoder");
    EXPECT_EQ(tag.Copyright(), "(c) Us");
    EXPECT_EQ(tag.Language(), "eng");
    EXPECT_EQ(tag.Link(), "http://example.org");
}

TEST_F(ID3v2File, Version2UsesThreeLetterFrames) {
    const TID3v2 tag =
        Read(ID3v2Tag(2, {Frame22("TT2", Latin1("Old title")), Frame22("TP1", Latin1("Old artist")),
                          Frame22("TRK", Latin1("7")), Frame22("TYE", Latin1("1990"))}));
    EXPECT_EQ(tag.Title(), "Old title");
    EXPECT_EQ(tag.Artist(), "Old artist");
    EXPECT_EQ(tag.Track(), 7);
    EXPECT_EQ(tag.Year(), "1990");
}

TEST_F(ID3v2File, Version4FrameSizeIsAPlainBigEndianNumber) {
    const TID3v2 tag = Read(ID3v2Tag(
        4, {Frame("TXXX", Latin1(std::string(199, 'x'))), Frame("TIT2", Latin1("After"))}));
    EXPECT_EQ(tag.Title(), "After");
}

TEST_F(ID3v2File, DeclaredSizeBeyondTheFileGivesSizeZeroAndNoTexts) {
    Bytes tag = ID3v2Tag(3, {Frame("TIT2", Latin1("Lost"))});
    tag[6] = 0x7F; // about 266 MB
    const TID3v2 reader = Read(tag);
    EXPECT_TRUE(reader.Exists());
    EXPECT_EQ(reader.Size(), 0);
    EXPECT_EQ(reader.Title(), "");
}

TEST_F(ID3v2File, SizeCountsHeaderAndFooter) {
    const Bytes plain = ID3v2Tag(4, {Frame("TIT2", Latin1("x"))}, 10);
    EXPECT_EQ(Read(plain).Size(), static_cast<std::int32_t>(plain.size()));
    EXPECT_EQ(Read(ID3v2Tag(4, {Frame("TIT2", Latin1("x"))}, 10, 0x10)).Size(),
              static_cast<std::int32_t>(plain.size() + 10));
}

TEST_F(ID3v2File, LongFrameGivesItsFirst500BytesAndTheWalkGoesOnAfterItsEnd) {
    const TID3v2 tag = Read(
        ID3v2Tag(3, {Frame("TIT2", Latin1(std::string(600, 'a'))), Frame("TPE1", Latin1("Next"))}));
    EXPECT_EQ(tag.Title(), std::string(499, 'a'));
    EXPECT_EQ(tag.Artist(), "Next");
}

TEST_F(ID3v2File, PaddingEndsTheWalk) {
    Bytes tag =
        ID3v2Tag(3, {Frame("TIT2", Latin1("Before")), Zeros(10), Frame("TPE1", Latin1("Hidden"))});
    const TID3v2 reader = Read(tag);
    EXPECT_EQ(reader.Title(), "Before");
    EXPECT_EQ(reader.Artist(), "");
}

TEST_F(ID3v2File, OtherEncodingsAndCompressedFramesAreIgnored) {
    Bytes utf8{3};
    Append(utf8, "Utf8 title");
    Bytes latin2{2};
    Append(latin2, "x");
    const TID3v2 tag = Read(ID3v2Tag(
        3, {Frame("TIT2", utf8), Frame("TPE1", latin2), Frame("TALB", Latin1("Zipped"), 0x80)}));
    EXPECT_EQ(tag.Title(), "");
    EXPECT_EQ(tag.Artist(), "");
    EXPECT_EQ(tag.Album(), "");
}

TEST_F(ID3v2File, TrackThatIsNoNumberGivesZero) {
    const TID3v2 tag = Read(ID3v2Tag(3, {Frame("TRCK", Latin1("A3"))}));
    EXPECT_EQ(tag.Track(), 0);
    EXPECT_EQ(tag.TrackString(), "A3");
}

TEST_F(ID3v2File, Utf16LosesItsByteOrderMarkAndBigEndianIsReadAsLittle) {
    Bytes bigEndian{1, 0xFE, 0xFF, 0x00, 'B'};
    const TID3v2 tag = Read(ID3v2Tag(
        3, {Frame("TIT2", Utf16WithBom(u"Gr\u00fc\u00dfe \u4e2d")), Frame("TPE1", bigEndian)}));
    EXPECT_EQ(tag.Title(), "Gr\u00fc\u00dfe \u4e2d");
    EXPECT_NE(tag.Artist(), "B");
    EXPECT_FALSE(tag.Artist().empty());
}

TEST_F(ID3v2File, Utf16TextWithAnOddByteCountKeepsItsLastCharacter) {
    // The last byte pairs with the zero that follows the content in the 500-byte buffer.
    const TID3v2 tag = Read(ID3v2Tag(3, {Frame("TIT2", Bytes{1, 0xFF, 0xFE, 'A', 0, 'B'})}, 20));
    EXPECT_EQ(tag.Title(), "AB");
}

TEST_F(ID3v2File, UnreadableVersionsKeepHeaderFactsOnly) {
    for (std::uint8_t version : {1, 5}) {
        const TID3v2 tag = Read(ID3v2Tag(version, {Frame("TIT2", Latin1("x"))}));
        EXPECT_TRUE(tag.Exists());
        EXPECT_EQ(tag.VersionID(), version);
        EXPECT_GT(tag.Size(), 0);
        EXPECT_EQ(tag.Title(), "");
    }
}

TEST_F(ID3v2File, SecondChoiceFramesFillEmptyTexts) {
    const TID3v2 tag =
        Read(ID3v2Tag(4, {Frame("TIT1", Latin1("Group")), Frame("TOPE", Latin1("Original")),
                          Frame("TOAL", Latin1("Old album")), Frame("TDRC", Latin1("2004-05-06")),
                          Frame("TCON", Latin1("(17)"))}));
    EXPECT_EQ(tag.Title(), "Group");
    EXPECT_EQ(tag.Artist(), "Original");
    EXPECT_EQ(tag.Album(), "Old album");
    EXPECT_EQ(tag.Year(), "2004");
    EXPECT_EQ(tag.Genre(), "");
}

TEST_F(ID3v2File, LaterFrameReplacesEarlierOne) {
    EXPECT_EQ(
        Read(ID3v2Tag(3, {Frame("TIT2", Latin1("One")), Frame("TIT2", Latin1("Two"))})).Title(),
        "Two");
}

TEST_F(ID3v2File, Utf16CommentAfterADescriptionKeepsCharacterPairs) {
    // "FF FE 'd' 00 00 00": an unaligned search for two zero bytes would cut inside the 'd'.
    Bytes comment{1};
    Append(comment, "eng");
    Append(comment, Bytes{0xFF, 0xFE, 'd', 0, 0, 0, 0xFF, 0xFE});
    Append(comment, Utf16LE(u"Note"));
    EXPECT_EQ(Read(ID3v2Tag(3, {Frame("COMM", comment)})).Comment(), "Note");
}

TEST_F(ID3v2File, HugeFrameSizeEndsTheWalk) {
    Bytes frame = Frame("TIT2", Latin1("x"));
    frame[4] = frame[5] = frame[6] = frame[7] = 0xFF;
    const TID3v2 tag = Read(ID3v2Tag(3, {Frame("TPE1", Latin1("A")), frame}, 600));
    EXPECT_EQ(tag.Artist(), "A");
    EXPECT_EQ(tag.Title(), "x");
}

TEST_F(ID3v2File, FrameCutByTheFileEndIsDropped) {
    Bytes title = Frame("TIT2", Latin1("Cut title"));
    title[7] = 100;
    const Bytes tag = ID3v2Tag(3, {Frame("TPE1", Latin1("Artist")), title});
    const TID3v2 reader = Read(tag, 0);
    EXPECT_EQ(reader.Artist(), "Artist");
    EXPECT_EQ(reader.Title(), "");
}

TEST(ID3v2, ShortOrMissingFilesFail) {
    TTempDir dir;
    TID3v2 tag;
    EXPECT_FALSE(tag.ReadFromFile(dir.Write("short.mp3", Text("ID3\3\0\0\0"))));
    EXPECT_FALSE(tag.ReadFromFile(dir.PathOf("missing.mp3")));
    EXPECT_TRUE(tag.ReadFromFile(dir.Write("plain.mp3", Zeros(20))));
    EXPECT_FALSE(tag.Exists());
}

TEST(ID3v2Buffer, FrameCutByTheBufferEndGivesTheBytesInside) {
    Bytes title = Frame("TIT2", Latin1("Cut title"));
    title[7] = 100; // declares more than the block holds
    const Bytes tag = ID3v2Tag(3, {Frame("TPE1", Latin1("Artist")), title});
    TID3v2 reader;
    TMP3TagInfo info;
    ASSERT_TRUE(reader.ReadTagFromBuffer(tag.data(), tag.size(), info));
    EXPECT_EQ(info.Artist, "Artist");
    EXPECT_EQ(info.Title, "Cut title");
    EXPECT_EQ(reader.VersionID(), 3);
    EXPECT_FALSE(reader.Exists());
    EXPECT_EQ(reader.Title(), "");
}

TEST(ID3v2Buffer, OtherBlocksAndUnreadableVersionsLeaveTheRecordAlone) {
    TID3v2 reader;
    TMP3TagInfo info;
    info.Title = "kept";
    Bytes tag = ID3v2Tag(3, {Frame("TIT2", Latin1("New"))});
    tag[0] = 'X';
    EXPECT_FALSE(reader.ReadTagFromBuffer(tag.data(), tag.size(), info));
    EXPECT_FALSE(reader.ReadTagFromBuffer(tag.data(), 5, info));
    tag[0] = 'I';
    tag[3] = 5;
    EXPECT_TRUE(reader.ReadTagFromBuffer(tag.data(), tag.size(), info));
    EXPECT_EQ(info.Title, "kept");
}

} // namespace
} // namespace tavuro
