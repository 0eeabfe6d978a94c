#include "readers/StreamFacts.h"

#include <gtest/gtest.h>

#include "ID3v2Builders.h"

namespace tavuro {
namespace {

using namespace fixtures;

TEST(StreamFacts, ExtensionSelectsTheReader) {
    const std::pair<const char*, TReaderKind> cases[] = {
        {"/music/a.mp3", rkMPEG}, {"A.Mp2", rkMPEG}, {"x.MP1", rkMPEG},    {"b.ogg", rkOggVorbis},
        {"c.WMA", rkWMA},         {"d.wav", rkWAV},  {"song.it", rkNone},  {"song.mpeg", rkNone},
        {"dir.mp3/file", rkNone}, {"noext", rkNone}, {"song.mod", rkNone}, {".mp3", rkMPEG}};
    for (const auto& [name, kind] : cases)
        EXPECT_EQ(ReaderKindOf(name), kind) << name;
}

TEST(StreamFacts, WavBitRateLeavesTheChannelsOut) {
    TTempDir dir;
    Bytes file = Text("RIFF");
    AppendLE32(file, 36 + 441000);
    Append(file, "WAVEfmt ");
    AppendLE32(file, 16);
    AppendLE16(file, 1);
    AppendLE16(file, 2);
    AppendLE32(file, 44100);
    AppendLE32(file, 176400);
    AppendLE16(file, 4);
    AppendLE16(file, 16);
    Append(file, "data");
    AppendLE32(file, 441000);
    TStreamInfo info;
    ASSERT_TRUE(ReadStreamFacts(dir.Write("tone.wav", file), info));
    EXPECT_EQ(info.BitRate, 705);
    EXPECT_EQ(info.Duration, 2500);
    EXPECT_EQ(info.Channels, 2);
    EXPECT_EQ(info.BitsPerSample, 16);
    EXPECT_EQ(info.FileSize, 44 + 441000);
    EXPECT_EQ(info.Title, "");
    TakeTitleFromFileName(info);
    EXPECT_EQ(info.Title, "tone.wav");
}

TEST(StreamFacts, Mp3WithBothTagsTakesTheID3v1Texts) {
    TTempDir dir;
    Bytes file =
        ID3v2Tag(3, {Frame("TIT2", Latin1("From v2")), Frame("TPE1", Latin1("V2 artist"))});
    for (int i = 0; i < 40; ++i) {
        Append(file, Bytes{0xFF, 0xFB, 0x90, 0xC0});
        file.resize(file.size() + 413, 0);
    }
    const std::size_t withoutV1 = file.size();
    Bytes v1 = Text("TAGFrom v1");
    v1.resize(125, 0);
    v1.push_back(0);
    v1.push_back(4);
    v1.push_back(13);
    Append(file, v1);
    TStreamInfo info;
    ASSERT_TRUE(ReadStreamFacts(dir.Write("both.mp3", file), info));
    EXPECT_EQ(info.Title, "From v1");
    EXPECT_EQ(info.Artist, "");
    EXPECT_EQ(info.Genre, "Pop");
    EXPECT_EQ(info.GenreID, 13);
    EXPECT_EQ(info.Track, 4);
    EXPECT_EQ(info.Channels, 1);
    EXPECT_EQ(info.SampleRate, 44100);
    EXPECT_EQ(info.BitRate, 128);

    file.resize(withoutV1);
    ASSERT_TRUE(ReadStreamFacts(dir.Write("v2.mp3", file), info));
    EXPECT_EQ(info.Title, "From v2");
    EXPECT_EQ(info.Artist, "V2 artist");
    EXPECT_EQ(info.GenreID, 0);
}

TEST(StreamFacts, UnreadableFilesGiveTheClearedRecord) {
    TTempDir dir;
    TStreamInfo info;
    for (const std::string& name :
         {dir.Write("noise.mp3", Bytes(5000, 0x11)), dir.Write("noise.ogg", Bytes(500, 1)),
          dir.Write("noise.wma", Bytes(500, 1)), dir.Write("noise.wav", Bytes(500, 1)),
          dir.Write("song.mod", Bytes(500, 1)), dir.PathOf("missing.mp3")}) {
        EXPECT_FALSE(ReadStreamFacts(name, info)) << name;
        EXPECT_EQ(info.FileName, name);
        EXPECT_EQ(info.SampleRate, 0);
        EXPECT_EQ(info.BitsPerSample, 16);
        EXPECT_EQ(info.Title, "");
    }
}

} // namespace
} // namespace tavuro
