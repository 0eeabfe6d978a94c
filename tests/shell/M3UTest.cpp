#include <gtest/gtest.h>

#include "shell/M3U.h"

namespace tavuro {
namespace {

TEST(M3U, HeaderFlagsAreReadByPrefixAndSuffix) {
    struct Case {
        const char* Text;
        bool Random, VisMidi;
    } cases[] = {
        {"#EXTM3U random,vismidi\na", true, true},
        {"#EXTM3U VisMIDI,Random\na", false, false},
        {"#EXTM3U Random\na", true, false},
        {"#extm3u   VISMIDI\na", false, true},
        {"#EXTM3U\na", false, false},
        {"a\n#EXTM3U Random", false, false},
    };
    for (const auto& c : cases) {
        const TM3UContent content = ParseM3U(c.Text);
        EXPECT_EQ(content.RandomFlag, c.Random) << c.Text;
        EXPECT_EQ(content.VisMidiFlag, c.VisMidi) << c.Text;
    }
}

TEST(M3U, InformationLinesMakeTheRows) {
    const TM3UContent content = ParseM3U("#EXTM3U\r\n"
                                         "#EXTINF:-1,Radio\r\n"
                                         "mms://radio.example/live\r\n"
                                         "#EXTINF:215,Song, live\r\n"
                                         "/m/song.mp3\n"
                                         "#EXTINF:No comma here\r"
                                         "/m/nocomma.mp3\n"
                                         "#EXTINF:,Only title\n"
                                         "/m/title.mp3\n"
                                         "#EXTINF:12,\n"
                                         "/m/untitled.ogg\n"
                                         "#EXTINF:abc,Bad\n"
                                         "/m/bad.mp3\n"
                                         "/m/plain.wav\n");
    using V = std::vector<std::string>;
    const std::vector<TPlaylistEntry> expected = {
        {"Radio", V{"mms://radio.example/live", "0"}},
        {"Song, live", V{"/m/song.mp3", "215", "3:35"}},
        {"No comma here", V{"/m/nocomma.mp3", "0"}},
        {"Only title", V{"/m/title.mp3"}},
        {"untitled", V{"/m/untitled.ogg", "12", "0:12"}},
        {"Bad", V{"/m/bad.mp3", "0"}},
        {"plain", V{"/m/plain.wav"}},
    };
    ASSERT_EQ(content.Entries.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(content.Entries[i].Caption, expected[i].Caption) << i;
        EXPECT_EQ(content.Entries[i].SubItems, expected[i].SubItems) << i;
    }
}

TEST(M3U, OnlyTheLastCommentBeforeAnEntryCounts) {
    const TM3UContent content = ParseM3U("#EXTINF:1,First\n#EXTINF:2,Second\n/a.mp3\n"
                                         "#EXTINF:3,Third\n# plain comment\n/b.mp3\n"
                                         "#EXTINF:4,Dangling\n");
    ASSERT_EQ(content.Entries.size(), 2u);
    EXPECT_EQ(content.Entries[0].Caption, "Second");
    EXPECT_EQ(content.Entries[1].Caption, "b") << "a plain comment cuts the information off";
    EXPECT_EQ(content.Entries[1].SubItems.size(), 1u);
}

TEST(M3U, DuplicatesAreDroppedAndReported) {
    const TM3UContent content = ParseM3U("/m/A.mp3\n#EXTINF:9,Again\n/M/a.MP3\n/m/b.mp3\n");
    ASSERT_EQ(content.Entries.size(), 2u);
    EXPECT_EQ(content.Entries[0].Caption, "A");
    EXPECT_TRUE(content.HadDuplicates);
    EXPECT_FALSE(ParseM3U("/a\n/b\n").HadDuplicates);
}

TEST(M3U, ManyPathsAndEveryLineEnd) {
    // A plain playlist has one line per entry, more than the path table first expects; a list
    // this long has its entries made on two cores, each in its place.
    std::string text;
    for (int i = 0; i < 6000; ++i) {
        if (i % 5 == 0)
            text += "#EXTINF:" + std::to_string(i + 1) + ",Title " + std::to_string(i) + "\n";
        text += "/m/" + std::to_string(i) + (i % 3 == 0 ? "\r" : i % 3 == 1 ? "\n" : "\r\n");
    }
    for (int i = 0; i < 6000; i += 7)
        text += "#EXTINF:1,Again\n/M/" + std::to_string(i) + "\n";
    const TM3UContent content = ParseM3U(text);
    ASSERT_EQ(content.Entries.size(), 6000u);
    EXPECT_TRUE(content.HadDuplicates);
    for (int i = 0; i < 6000; ++i) {
        const TPlaylistEntry& entry = content.Entries[i];
        ASSERT_EQ(entry.Path(), "/m/" + std::to_string(i));
        ASSERT_EQ(entry.Caption, (i % 5 == 0 ? "Title " : "") + std::to_string(i));
        ASSERT_EQ(entry.SubItems.size(), i % 5 == 0 ? 3u : 1u) << i;
    }
}

TEST(M3U, AHeaderAloneHasNoEntries) {
    EXPECT_TRUE(ParseM3U("#EXTM3U Random\r\n").Entries.empty());
    EXPECT_TRUE(ParseM3U("").Entries.empty());
    EXPECT_TRUE(ParseM3U("\r\n \t\r\n").Entries.empty());
}

TEST(M3U, WritingAndHeaderUpdates) {
    EXPECT_EQ(M3UHeader(false, false), "#EXTM3U");
    EXPECT_EQ(M3UHeader(true, false), "#EXTM3U Random");
    EXPECT_EQ(M3UHeader(false, true), "#EXTM3U VisMIDI");
    EXPECT_EQ(M3UHeader(true, true), "#EXTM3U Random,VisMIDI");

    const std::vector<TPlaylistEntry> rows = {
        {"Song", {"/s.mp3", "215", "3:35"}}, {"Radio", {"mms://r", "0"}}, {"x", {"/x.wav"}}};
    EXPECT_EQ(ComposeM3U("#EXTM3U", rows.size(),
                         [&](std::size_t i) -> const TPlaylistEntry& { return rows[i]; }),
              "#EXTM3U\r\n#EXTINF:215,Song\r\n/s.mp3\r\n#EXTINF:0,Radio\r\nmms://r\r\n/x.wav\r\n");

    EXPECT_EQ(UpdateM3UHeader("/a.mp3\n/b.mp3\n", "#EXTM3U Random"),
              "#EXTM3U Random\r\n/a.mp3\r\n/b.mp3\r\n");
    EXPECT_EQ(UpdateM3UHeader("#extm3u\r\n#EXTINF:1,x\r\n/x\r\n", "#EXTM3U"),
              "#EXTM3U\r\n#EXTINF:1,x\r\n/x\r\n");
    EXPECT_EQ(UpdateM3UHeader("", "#EXTM3U"), "#EXTM3U\r\n");
}

} // namespace
} // namespace tavuro
