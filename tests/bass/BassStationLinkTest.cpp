// Station links from a server on 127.0.0.1, over plain HTTP and over TLS: a .pls or M3U answer,
// known by its type or its body, opens the first stream it names that opens, within the open's
// time; HLS and links that name nothing playable are refused.
#include <gtest/gtest.h>
#include <unistd.h>


#include "../support/Loopback.h"
#include "BassTestSupport.h"
#include "TlsTestServer.h"

using namespace basstest;

namespace {

constexpr DWORD kTimeoutMs = 2000;

struct LinkCase {
    const char* name;
    const char* type; // the link's Content-Type
    // The link's body: "{live}" is a stream's address, "{dead}" one that refuses, "{silent}" one
    // that never answers, "{link}" another link's.
    const char* body;
    int error; // BASS_OK: plays the live stream; else the open fails with this code
    double maxSeconds;
};

void PrintTo(const LinkCase& link, std::ostream* out) {
    *out << link.name;
}

const LinkCase kLinkCases[] = {
    {"PlsByItsType", "audio/x-scpls", "File1={live}\n", BASS_OK, 1.0},
    {"PlsByItsBody", "text/plain",
     "[playlist]\r\nNumberOfEntries=1\r\nFile1={live}\r\nTitle1=Live\r\nLength1=-1\r\nVersion=2\r\n",
     BASS_OK, 1.0},
    {"PlsInTheOrderOfItsNumbers", "audio/x-scpls",
     "[playlist]\nFile2={dead}\nFile1={live}\n", BASS_OK, 1.0},
    {"M3uByItsType", "audio/x-mpegurl", "{live}\n", BASS_OK, 1.0},
    {"M3uByTheOtherType", "audio/mpegurl", "# a comment\n{live}\n", BASS_OK, 1.0},
    {"M3uByItsBody", "application/octet-stream", "#EXTM3U\n#EXTINF:-1,Live\n{live}\n", BASS_OK,
     1.0},
    {"RelativeEntry", "audio/x-scpls", "[playlist]\nFile1=live\n", BASS_OK, 1.0},
    {"FirstEntryRefusesTheNextPlays", "audio/x-scpls", "[playlist]\nFile1={dead}\nFile2={live}\n",
     BASS_OK, 1.0},
    {"FirstEntrySilentTheNextPlays", "audio/x-mpegurl", "{silent}\n{live}\n", BASS_OK,
     kTimeoutMs / 1000.0 + 0.5},
    {"AllEntriesDead", "audio/x-scpls", "[playlist]\nFile1={dead}\nFile2={dead}\n",
     BASS_ERROR_NONET, 1.0},
    {"AllEntriesSilent", "audio/x-mpegurl", "{silent}\n{silent}\n", BASS_ERROR_TIMEOUT,
     kTimeoutMs / 1000.0 + 0.5},
    {"NamesNoStream", "audio/x-scpls", "[playlist]\nNumberOfEntries=0\n", BASS_ERROR_FILEFORM, 1.0},
    {"NamesOnlyLocalFiles", "audio/x-mpegurl", "file:///music/a.mp3\nC:\\music\\b.mp3\n",
     BASS_ERROR_FILEFORM, 1.0},
    {"ALinkInALinkIsNotFollowed", "audio/x-scpls", "[playlist]\nFile1={link}\n",
     BASS_ERROR_FILEFORM, 1.0},
    {"HlsByItsType", "application/vnd.apple.mpegurl", "#EXTM3U\n{live}\n", BASS_ERROR_FILEFORM,
     1.0},
    {"HlsByItsOtherType", "application/x-mpegurl", "#EXTM3U\n{live}\n", BASS_ERROR_FILEFORM, 1.0},
    {"HlsByItsBody", "audio/x-mpegurl", "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10,\n{live}\n",
     BASS_ERROR_FILEFORM, 1.0},
};

using LinkParam = std::tuple<LinkCase, bool>;

class BassStationLink : public testing::TestWithParam<LinkParam> {};

} // namespace

TEST_P(BassStationLink, OpensTheFirstStreamThatOpens) {
    const auto& [link, overTls] = GetParam();
    TempDir dir;
    const CaseTransport transport(dir, overTls);
    ASSERT_TRUE(transport.ok());
    Device device(dir);
    ASSERT_TRUE(device.ok);
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, kTimeoutMs);
    const std::string stream = IcyStream(ToneMp3(dir, 1.0), 4096, {{0, "StreamTitle='Live';"}});
    std::atomic<bool> done{false};
    std::atomic<int> liveRequests{0};
    std::string body;
    TestHttpServer server(
        [&](int socket, const std::string& path) {
            if (path == "/live") {
                ++liveRequests;
                TestHttpServer::Send(socket, "ICY 200 OK\r\nicy-metaint:4096\r\n\r\n" + stream);
            } else if (path == "/silent") {
                WaitUntil([&] { return done.load(); }, 10.0);
            } else if (path == "/station" || path == "/other") {
                TestHttpServer::Send(socket, "HTTP/1.0 200 OK\r\nContent-Type: " +
                                                 std::string(link.type) + "\r\n\r\n" + body);
            }
        },
        false, transport.Layer());
    body = link.body;
    body = Replaced(body, "{live}", server.Url("/live"));
    body = Replaced(body, "{silent}", server.Url("/silent"));
    body = Replaced(body, "{link}", server.Url("/other"));
    const int deadPort = tavuro::testing_support::ClosedLoopbackPort();
    body = Replaced(body, "{dead}", "http://127.0.0.1:" + std::to_string(deadPort) + "/live");
    const auto start = std::chrono::steady_clock::now();
    const DWORD channel =
        BASS_StreamCreateURL(server.Url("/station").c_str(), 0, BASS_STREAM_META, nullptr, 0);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, link.maxSeconds);
    if (link.error == BASS_OK) {
        ASSERT_NE(channel, 0u) << BASS_ErrorGetCode();
        EXPECT_STREQ(BASS_StreamGetTags(channel, BASS_TAG_META), "StreamTitle='Live';");
        EXPECT_EQ(PlayToEndTakingMetadata(channel, 4.0), std::vector<std::string>{});
        done = true;
        device.Free();
        const std::vector<float> heard = device.output.TakeLeft();
        const Span sound = NonSilent(heard, 0.02f);
        EXPECT_NEAR(sound.Seconds(), 1.0, 0.1);
    } else {
        EXPECT_EQ(channel, 0u);
        EXPECT_EQ(BASS_ErrorGetCode(), link.error);
        EXPECT_EQ(liveRequests, 0);
        done = true;
    }
}

INSTANTIATE_TEST_SUITE_P(Links, BassStationLink,
                         testing::Combine(testing::ValuesIn(kLinkCases), testing::Bool()),
                         [](const testing::TestParamInfo<LinkParam>& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "OverTls" : "");
                         });

TEST(BassStationLinkBody, ALinkThatNeverEndsIsRefusedAtTheDeadline) {
    TempDir dir;
    Device device(dir);
    ASSERT_TRUE(device.ok);
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 1000);
    std::atomic<bool> done{false};
    TestHttpServer server([&](int socket, const std::string&) {
        TestHttpServer::Send(socket, "HTTP/1.0 200 OK\r\nContent-Type: audio/x-scpls\r\n\r\n"
                                     "[playlist]\nFile1=http://127.0.0.1:1/");
        WaitUntil([&] { return done.load(); }, 5.0);
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(BASS_StreamCreateURL(server.Url("/station").c_str(), 0, 0, nullptr, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_TIMEOUT);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.5);
    done = true;
}
