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
        {"StreamTitle='Song'", "Song"},           // no semicolon: up to the second-last character
        {"StreamTitle='';", ""},
        {"a;StreamTitle='x';", ""},               // the first ";" lies before the title
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

TEST(StreamTitles, MetadataTitleIsCutTo259Characters) {
    const std::string block = "StreamTitle='" + std::string(400, 'a') + "';";
    EXPECT_EQ(MetadataTitle(block.c_str()).size(), 259u);
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
