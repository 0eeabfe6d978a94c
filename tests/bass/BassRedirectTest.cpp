// Redirects, from a server on 127.0.0.1 over plain HTTP and over TLS: every status that moves a
// resource, absolute and relative targets, to the other scheme and back, ten hops but not eleven,
// and loops; each hop is a request the servers see.
#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "BassTestSupport.h"
#include "TlsTestServer.h"

using namespace basstest;

namespace {

struct Hop {
    std::string path;
    int status;
    // The Location sent, "{home}" and "{other}" standing for the two servers' addresses; empty
    // sends none.
    std::string location;
};

struct RedirectCase {
    const char* name;
    std::vector<Hop> hops; // the first hop's path is where the open starts, on the home server
    bool plays;            // else the open fails with BASS_ERROR_FILEOPEN
};

void PrintTo(const RedirectCase& redirect, std::ostream* out) {
    *out << redirect.name;
}

// `count` redirects from /hop0 to the tone, one hop each.
std::vector<Hop> Chain(int count) {
    std::vector<Hop> hops;
    for (int i = 0; i < count; ++i)
        hops.push_back({"/hop" + std::to_string(i), 302,
                        i + 1 < count ? "/hop" + std::to_string(i + 1) : "/tone.mp3"});
    return hops;
}

const RedirectCase kRedirectCases[] = {
    {"MovedPermanently301", {{"/start", 301, "{home}/tone.mp3"}}, true},
    {"Found302", {{"/start", 302, "{home}/tone.mp3"}}, true},
    {"SeeOther303", {{"/start", 303, "{home}/tone.mp3"}}, true},
    {"TemporaryRedirect307", {{"/start", 307, "{home}/tone.mp3"}}, true},
    {"PermanentRedirect308", {{"/start", 308, "{home}/tone.mp3"}}, true},
    {"RelativePath", {{"/radio/start", 302, "tone.mp3"}}, true},
    {"RelativeWithDotSegmentsAndQuery", {{"/a/b/start", 302, "../c/./tone.mp3?at=1"}}, true},
    {"AbsolutePath", {{"/radio/start", 301, "/music/tone.mp3"}}, true},
    {"ToTheOtherScheme", {{"/start", 302, "{other}/tone.mp3"}}, true},
    {"ToTheOtherSchemeAndBack",
     {{"/start", 302, "{other}/back"}, {"/back", 301, "{home}/tone.mp3"}},
     true},
    {"TenRedirects", Chain(10), true},
    {"ElevenRedirects", Chain(11), false},
    {"Loop", {{"/a", 302, "/b"}, {"/b", 307, "{home}/a"}}, false},
    {"ToItself", {{"/start", 301, "/start"}}, false},
    {"WithoutLocation", {{"/start", 302, ""}}, false},
    {"MultipleChoicesIsNotFollowed", {{"/start", 300, "{home}/tone.mp3"}}, false},
    {"ToAnotherProtocol", {{"/start", 302, "ftp://127.0.0.1:1/tone.mp3"}}, false},
};

// Over plain HTTP (false) or TLS (true) at home; "{other}" is the other transport.
using RedirectParam = std::tuple<RedirectCase, bool>;

class BassRedirect : public testing::TestWithParam<RedirectParam> {};

} // namespace

TEST_P(BassRedirect, FollowsWhatMovesAResourceAndRefusesTheRest) {
    const auto& [redirect, homeOverTls] = GetParam();
    TempDir dir;
    TrustedTestAuthority authority(dir);
    ASSERT_TRUE(authority.certificates.ok);
    Device device(dir);
    ASSERT_TRUE(device.ok);
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 3000);
    const std::string tone = ToneMp3(dir, 0.5);
    std::mutex mutex; // protects requests
    std::vector<std::string> requests;
    std::map<std::string, std::string> bases; // "{home}", "{other}" -> address
    const auto serve = [&](int socket, const std::string& path) {
        {
            std::lock_guard lock(mutex);
            requests.push_back(path);
        }
        for (const Hop& hop : redirect.hops) {
            if (hop.path != path)
                continue;
            std::string location = hop.location;
            for (const auto& [name, base] : bases)
                location = Replaced(location, name, base);
            TestHttpServer::Send(socket, "HTTP/1.1 " + std::to_string(hop.status) +
                                             " Moved\r\nContent-Length: 0\r\n" +
                                             (location.empty() ? "" : "Location: " + location +
                                                                          "\r\n") +
                                             "\r\n");
            return;
        }
        if (path.find("/tone.mp3") != std::string::npos)
            ServeFile(socket, tone, false);
        else
            TestHttpServer::Send(socket, "HTTP/1.0 404 Not Found\r\n\r\n");
    };
    TestHttpServer plain(serve);
    TestHttpServer secure(serve, false, authority.Layer());
    TestHttpServer& home = homeOverTls ? secure : plain;
    TestHttpServer& other = homeOverTls ? plain : secure;
    bases = {{"{home}", home.Url("")}, {"{other}", other.Url("")}};
    const DWORD stream =
        BASS_StreamCreateURL(home.Url(redirect.hops[0].path).c_str(), 0, 0, nullptr, 0);
    if (redirect.plays) {
        ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
        EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, BASS_StreamGetLength(stream)), 0.5, 0.06);
        std::lock_guard lock(mutex);
        EXPECT_EQ(requests.size(), redirect.hops.size() + 1);
    } else {
        EXPECT_EQ(stream, 0u);
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
        std::lock_guard lock(mutex);
        EXPECT_LE(requests.size(), 11u);
        EXPECT_TRUE(std::none_of(requests.begin(), requests.end(), [](const std::string& path) {
            return path.find("/tone.mp3") != std::string::npos;
        }));
    }
    BASS_StreamFree(stream);
}

INSTANTIATE_TEST_SUITE_P(Redirects, BassRedirect,
                         testing::Combine(testing::ValuesIn(kRedirectCases), testing::Bool()),
                         [](const testing::TestParamInfo<RedirectParam>& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "OverTls" : "");
                         });
