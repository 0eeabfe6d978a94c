// Local .pls files: read as playlists of addresses and files, and what the player keeps of them.
#include <gtest/gtest.h>

#include "shell/M3U.h"
#include "shell/Pls.h"

namespace tavuro {
namespace {

using TRow = std::pair<std::string, std::vector<std::string>>; // caption, sub-items

std::vector<TRow> Rows(const TM3UContent& content) {
    std::vector<TRow> rows;
    for (const TPlaylistEntry& entry : content.Entries)
        rows.emplace_back(entry.Caption, entry.SubItems);
    return rows;
}

TEST(Pls, EntriesComeInTheOrderOfTheirNumbersWithTitlesAndLengths) {
    const TM3UContent content = ParsePls("[playlist]\r\n"
                                         "NumberOfEntries=6\r\n"
                                         "File3=/m/song.mp3\r\n"
                                         "Title3=Song, live\r\n"
                                         "Length3=245\r\n"
                                         "file1=http://radio.example:8000/live\r\n"
                                         "TITLE1=  Radio  \r\n"
                                         "Length1=-1\r\n"
                                         "File2=../up/b.ogg\r\n"
                                         "File10=C:\\Music\\c.wma\r"
                                         "Length10=abc\r"
                                         "Title4=A title without its file\n"
                                         "File5=\n"
                                         "File6=#hash.mp3\n"
                                         "FileX=/m/not-an-entry.mp3\n"
                                         "Version=2\n");
    EXPECT_FALSE(content.RandomFlag);
    EXPECT_FALSE(content.VisMidiFlag);
    EXPECT_FALSE(content.HadDuplicates);
    EXPECT_EQ(Rows(content),
              (std::vector<TRow>{
                  {"Radio", {"http://radio.example:8000/live", "0"}},
                  {"b", {"../up/b.ogg"}},
                  {"Song, live", {"/m/song.mp3", "245", "4:05"}},
                  {"#hash", {"./#hash.mp3"}},
                  {"C:\\Music\\c", {"C:\\Music\\c.wma", "0"}},
              }));
}

// What the player writes in its place: an M3U list that reads back to the same rows.
TEST(Pls, ItsM3uCopyReadsBackToTheSameRows) {
    const TM3UContent pls = ParsePls("[playlist]\nFile1=#a.mp3\nTitle1=A\nFile2=b.mp3\n"
                                     "Length2=7\nFile3=http://r.example/\n");
    const auto entryAt = [&](std::size_t i) -> const TPlaylistEntry& { return pls.Entries[i]; };
    const TM3UContent copy = ParseM3U(ComposeM3U("#EXTM3U", pls.Entries.size(), entryAt));
    EXPECT_EQ(Rows(copy), Rows(pls));
}

TEST(Pls, EachPathOnceAndTextOfAnyEncoding) {
    const TM3UContent twice = ParsePls("[playlist]\nFile1=/m/a.mp3\nFile2=/M/A.MP3\nFile3=/m/b.mp3\n");
    EXPECT_TRUE(twice.HadDuplicates);
    ASSERT_EQ(twice.Entries.size(), 2u);
    EXPECT_EQ(twice.Entries[1].Path(), "/m/b.mp3");

    const std::string utf8 = "[playlist]\nFile1=/m/\xE6\xAD\x8C.mp3\n";
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("[playlist]\nFile1=/m/")) {
        utf16 += c;
        utf16 += '\0';
    }
    utf16 += std::string("\x4C\x6B", 2) + std::string(".\0m\0p\0003\0\n\0", 10);
    for (const std::string& text : {utf8, "\xEF\xBB\xBF" + utf8, utf16}) {
        const TM3UContent content = ParsePls(text);
        ASSERT_EQ(content.Entries.size(), 1u);
        EXPECT_EQ(content.Entries[0].Path(), "/m/\xE6\xAD\x8C.mp3");
    }
    EXPECT_TRUE(ParsePls(std::string("[playlist]\nFile1=/m/a\0.mp3\n", 24)).NotText);
    EXPECT_TRUE(ParsePls("").Entries.empty());
}

TEST(Pls, IsAPlaylistPath) {
    EXPECT_TRUE(IsPlsPath("/m/radio.PLS"));
    EXPECT_TRUE(IsPlaylistPath("radio.pls"));
    EXPECT_TRUE(IsPlaylistPath("list.m3u"));
    EXPECT_FALSE(IsPlaylistPath("radio.pls.mp3"));
}

} // namespace
} // namespace tavuro
