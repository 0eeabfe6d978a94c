// Station links told from streams by their type and first bytes, and the addresses they name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StationLink.h"

using bass::StationLinkAddresses;
using bass::StationLinkKind;
using bass::StationLinkKindOf;

namespace {

struct KindCase {
    const char* contentType;
    std::string firstBytes;
    StationLinkKind kind;
};

constexpr const char* kLinkUrl = "http://radio.example/links/station.pls";

} // namespace

TEST(StationLink, IsToldByTypeAndFirstBytes) {
    const KindCase kCases[] = {
        {"audio/x-scpls", "File1=http://a/\n", StationLinkKind::Pls},
        {"Audio/X-SCPLS; charset=utf-8", "", StationLinkKind::Pls},
        {"audio/x-mpegurl", "http://a/\n", StationLinkKind::M3u},
        {"audio/mpegurl", "http://a/\n", StationLinkKind::M3u},
        {"text/plain", "[playlist]\r\nFile1=http://a/\r\n", StationLinkKind::Pls},
        {"application/octet-stream", "\xEF\xBB\xBF\r\n[Playlist]\n", StationLinkKind::Pls},
        {"", "#EXTM3U\n#EXTINF:-1,Radio\nhttp://a/\n", StationLinkKind::M3u},
        {"audio/x-scpls", "#EXTM3U\nhttp://a/\n", StationLinkKind::M3u}, // the body wins
        {"audio/mpeg", std::string("\xFF\xFB\x90\x00", 4), StationLinkKind::None},
        {"audio/x-mpegurl", std::string("ID3\x03\x00", 5), StationLinkKind::None},
        {"text/html", "<html>", StationLinkKind::None},
        {"application/vnd.apple.mpegurl", "#EXTM3U\nchunk.ts\n", StationLinkKind::None},
        {"audio/x-mpegurl", "#EXTM3U\n#EXT-X-TARGETDURATION:10\nchunk.ts\n",
         StationLinkKind::None},
    };
    for (const KindCase& example : kCases)
        EXPECT_EQ(StationLinkKindOf(example.contentType, example.firstBytes), example.kind)
            << example.contentType << " / " << example.firstBytes;
}

TEST(StationLink, PlsNamesItsFilesByTheirNumber) {
    const std::string pls = "[playlist]\r\n"
                            "NumberOfEntries=4\r\n"
                            "File3=http://third.example:8000/\r\n"
                            "Title3=Third\r\n"
                            "file1 = HTTPS://first.example/stream \r\n"
                            "File2=relative/stream\r\n"
                            "File10=http://tenth.example/\r\n"
                            "File4=C:\\Music\\local.mp3\r\n"
                            "File5=file:///etc/passwd\r\n"
                            "File6=\r\n"
                            "FileX=http://not-an-entry/\r\n"
                            "Version=2\r\n";
    const std::vector<std::string> expected{
        "https://first.example/stream", "http://radio.example/links/relative/stream",
        "http://third.example:8000/", "http://tenth.example/"};
    EXPECT_EQ(StationLinkAddresses(StationLinkKind::Pls, pls, kLinkUrl), expected);
}

TEST(StationLink, M3uNamesItsLinesThatAreNoComments) {
    const std::string m3u = "\xEF\xBB\xBF#EXTM3U\r\n"
                            "#EXTINF:-1,First\r\n"
                            "http://first.example/stream\r\n"
                            "\r\n"
                            "  /mounts/second.ogg  \n"
                            "# a comment\n"
                            "mms://third.example/radio\n"
                            "/home/someone/local.mp3\n"
                            "rtsp://unplayable.example/";
    const std::vector<std::string> expected{
        "http://first.example/stream", "http://radio.example/mounts/second.ogg",
        "mms://third.example/radio", "http://radio.example/home/someone/local.mp3"};
    EXPECT_EQ(StationLinkAddresses(StationLinkKind::M3u, m3u, kLinkUrl), expected);
    EXPECT_TRUE(StationLinkAddresses(StationLinkKind::None, m3u, kLinkUrl).empty());
}
