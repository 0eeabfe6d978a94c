#include "engine/StreamTitles.h"

#include <gtest/gtest.h>

#include <string>

using namespace tavuro;

TEST(StreamTitles, ShoutcastBlockGivesTheQuotedTitle) {
    struct Case {
        const char* Block;
        const char* Title;
    } cases[] = {
        {"StreamTitle='Song';StreamUrl='';", "Song"},
        {"StreamTitle='Artist - Song';", "Artist - Song"},
        {"StreamTitle='Song'", "Song"}, // no semicolon: up to the second-last character
        {"StreamTitle='';", ""},
        {"a;StreamTitle='x';", ""}, // the first ";" lies before the title
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShoutcastTitle(c.Block), std::string(c.Title)) << c.Block;
    EXPECT_FALSE(ShoutcastTitle("StreamUrl='x';").has_value());
}

TEST(StreamTitles, OggCommentsMatchTitleOnlyInTheMetadataNoticeWhenLowerCase) {
    const char comments[] = "ARTIST=x\0title=y\0\0";
    EXPECT_EQ(MetadataTitle(comments), "y");
    EXPECT_EQ(CommentTitle(comments, false), "");
    EXPECT_EQ(CommentTitle("TITLE=Exact\0\0", false), "Exact");
    EXPECT_EQ(MetadataTitle(nullptr), "");
}

TEST(StreamTitles, MetadataTitleIsCutTo259BytesOnACharacterBoundary) {
    const std::string block = "StreamTitle='" + std::string(400, 'a') + "';";
    EXPECT_EQ(MetadataTitle(block.c_str()).size(), 259u);
    // Two-byte characters: 259 bytes would end inside the 130th, which goes whole.
    std::string accents;
    for (int i = 0; i < 200; ++i)
        accents += "\xC3\xA9";
    EXPECT_EQ(MetadataTitle(("StreamTitle='" + accents + "';").c_str()), accents.substr(0, 258));
    // Three-byte characters after one ASCII letter: 259 bytes end right after the 86th.
    std::string chinese = "x";
    for (int i = 0; i < 100; ++i)
        chinese += "\xE6\xAD\x8C";
    EXPECT_EQ(MetadataTitle(("StreamTitle='" + chinese + "';").c_str()), chinese.substr(0, 259));
}

TEST(StreamTitles, TitleFromUrlSkipsShortLastSegments) {
    struct Case {
        const char* Url;
        const char* Title;
    } cases[] = {
        {"http://host/music/track01.mp3", "track01"},
        {"http://host/dir/a.mp3", "dir/a"},
        {"http://h/ab.mp3", "ab"},
        {"ftp://a.mp3", ""}, // the scheme's slashes lie before the sixth character
    };
    for (const Case& c : cases)
        EXPECT_EQ(TitleFromURL(c.Url), c.Title) << c.Url;
}
