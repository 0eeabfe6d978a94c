// https:// addresses against TLS servers on 127.0.0.1 with a private authority made for the
// test: a verified server plays, any other is refused before a request is sent.
#include <gtest/gtest.h>

#include <cstdio>

#include "../support/Loopback.h"
#include "BassTestSupport.h"
#include "TlsTestServer.h"

using namespace basstest;

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string SecureUrl(const TestHttpServer& server, const std::string& host = "127.0.0.1") {
    return "https://" + host + ":" + std::to_string(server.Port()) + "/live";
}

class BassHttps : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(authority_.certificates.ok) << "openssl could not make the certificates";
        ASSERT_TRUE(device_.ok);
    }
    TempDir dir_;
    TrustedTestAuthority authority_{dir_};
    Device device_{dir_};
};

} // namespace

TEST_F(BassHttps, AnIcyStreamPlaysWithItsTitles) {
    const std::string stream = IcyStream(ToneMp3(dir_, 2.0), 4096,
                                         {{0, "StreamTitle='One';"}, {5, "StreamTitle='Two';"}});
    // Four blocks open the stream; the title after them comes once it is open.
    std::atomic<bool> opened{false};
    TestHttpServer server(
        [&](int socket, const std::string&) {
            TestHttpServer::Send(socket, "ICY 200 OK\r\nicy-name:Secure\r\nicy-metaint:4096\r\n\r\n" +
                                             stream.substr(0, 4 * 4097));
            WaitUntil([&] { return opened.load(); }, 5.0);
            SendPaced(socket, stream.substr(4 * 4097), 4097, 100);
        },
        false, authority_.Layer());
    const DWORD channel =
        BASS_StreamCreateURL(server.Url("/live").c_str(), 0, BASS_STREAM_META, nullptr, 0);
    opened = true;
    ASSERT_NE(channel, 0u) << BASS_ErrorGetCode();
    EXPECT_STREQ(BASS_StreamGetTags(channel, BASS_TAG_META), "StreamTitle='One';");
    EXPECT_EQ(PlayToEndTakingMetadata(channel, 6.0), std::vector<std::string>{"StreamTitle='Two';"});
    ExpectToneHeard(device_, 2.0, 0.25);
}

TEST_F(BassHttps, AHostNameIsVerifiedAndSentAnAddressIsVerifiedOnly) {
    const std::string body = ToneMp3(dir_, 0.5);
    auto layer = authority_.Layer();
    TestHttpServer server([&](int socket, const std::string&) { ServeFile(socket, body, false); },
                          false, layer);
    for (const char* host : {"localhost", "127.0.0.1"}) {
        const DWORD channel =
            BASS_StreamCreateURL(SecureUrl(server, host).c_str(), 0, 0, nullptr, 0);
        EXPECT_NE(channel, 0u) << host << ": " << BASS_ErrorGetCode();
        EXPECT_EQ(layer->LastServerName(), host == std::string("localhost") ? "localhost" : "");
        BASS_StreamFree(channel);
    }
}

TEST_F(BassHttps, TheStoreIsTheSystemsUnlessSslCertFileOrSslCertDirSaysOtherwise) {
    const std::string body = ToneMp3(dir_, 0.5);
    TestHttpServer server([&](int socket, const std::string&) { ServeFile(socket, body, false); },
                          false, authority_.Layer());
    const auto opens = [&] {
        const DWORD channel = BASS_StreamCreateURL(SecureUrl(server).c_str(), 0, 0, nullptr, 0);
        return channel != 0 && BASS_StreamFree(channel);
    };
    unsetenv("SSL_CERT_FILE");
    EXPECT_FALSE(opens()) << "the private authority is not in the system's store";
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
    setenv("SSL_CERT_DIR", authority_.certificates.authorityFolder.c_str(), 1);
    EXPECT_TRUE(opens());
    setenv("SSL_CERT_FILE", dir_.Path("none.pem").c_str(), 1);
    EXPECT_TRUE(opens());
}

namespace {

struct RefusedServer {
    const char* name;
    // Starts the server; `asked` is set when a request reaches it.
    std::function<std::unique_ptr<TestHttpServer>(const TestCertificates&, std::atomic<bool>& asked,
                                                   const std::atomic<bool>& done)>
        start;
    int error;
    double minSeconds, maxSeconds;
    const char* host = "127.0.0.1";
};

void PrintTo(const RefusedServer& server, std::ostream* out) {
    *out << server.name;
}

std::unique_ptr<TestHttpServer> TlsServer(std::shared_ptr<TlsLayer> layer,
                                          std::atomic<bool>& asked) {
    return std::make_unique<TestHttpServer>([&asked](int, const std::string&) { asked = true; },
                                            false, std::move(layer));
}

std::unique_ptr<TestHttpServer> RawServer(std::function<void(int)> serve) {
    return std::make_unique<TestHttpServer>(
        [serve = std::move(serve)](int socket, const std::string&) { serve(socket); }, true);
}

constexpr DWORD kRefusalTimeoutMs = 800;

const RefusedServer kRefusedServers[] = {
    {"SelfSigned",
     [](const TestCertificates& made, std::atomic<bool>& asked, const std::atomic<bool>&) {
         return TlsServer(std::make_shared<TlsLayer>(made.selfSigned), asked);
     },
     BASS_ERROR_FILEOPEN, 0, 0.5},
    {"ForAnotherHost",
     [](const TestCertificates& made, std::atomic<bool>& asked, const std::atomic<bool>&) {
         return TlsServer(std::make_shared<TlsLayer>(made.wrongHost), asked);
     },
     BASS_ERROR_FILEOPEN, 0, 0.5},
    {"ForAnotherHostByName",
     [](const TestCertificates& made, std::atomic<bool>& asked, const std::atomic<bool>&) {
         return TlsServer(std::make_shared<TlsLayer>(made.wrongHost), asked);
     },
     BASS_ERROR_FILEOPEN, 0, 0.5, "localhost"},
    {"OlderThanTls12",
     [](const TestCertificates& made, std::atomic<bool>& asked, const std::atomic<bool>&) {
         return TlsServer(std::make_shared<TlsLayer>(made.good, true), asked);
     },
     BASS_ERROR_FILEOPEN, 0, 0.5},
    {"PlainHttp",
     [](const TestCertificates&, std::atomic<bool>&, const std::atomic<bool>& done) {
         return RawServer([&done](int socket) {
             TestHttpServer::Send(socket, "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n");
             WaitUntil([&] { return done.load(); }, 5.0);
         });
     },
     BASS_ERROR_FILEOPEN, 0, 0.5},
    {"ClosesAtOnce",
     [](const TestCertificates&, std::atomic<bool>&, const std::atomic<bool>&) {
         return RawServer([](int) {});
     },
     BASS_ERROR_FILEOPEN, 0, 0.5},
    {"NeverSaysHello",
     [](const TestCertificates&, std::atomic<bool>&, const std::atomic<bool>& done) {
         return RawServer([&done](int) { WaitUntil([&] { return done.load(); }, 5.0); });
     },
     BASS_ERROR_TIMEOUT, 0.7, 1.5},
};

class BassHttpsRefused : public testing::TestWithParam<RefusedServer> {};

} // namespace

TEST_P(BassHttpsRefused, GivesZeroWithoutAskingForAnything) {
    TempDir dir;
    TrustedTestAuthority authority(dir);
    ASSERT_TRUE(authority.certificates.ok);
    Device device(dir);
    ASSERT_TRUE(device.ok);
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, kRefusalTimeoutMs);
    std::atomic<bool> asked{false}, done{false};
    const auto server = GetParam().start(authority.certificates, asked, done);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(BASS_StreamCreateURL(SecureUrl(*server, GetParam().host).c_str(), 0,
                                   BASS_STREAM_META, nullptr, 0),
              0u);
    EXPECT_EQ(BASS_ErrorGetCode(), GetParam().error);
    EXPECT_GE(SecondsSince(start), GetParam().minSeconds);
    EXPECT_LT(SecondsSince(start), GetParam().maxSeconds);
    EXPECT_FALSE(asked);
    done = true;
}

INSTANTIATE_TEST_SUITE_P(Servers, BassHttpsRefused, testing::ValuesIn(kRefusedServers),
                         [](const testing::TestParamInfo<RefusedServer>& info) {
                             return std::string(info.param.name);
                         });

namespace {

// What the dynamic loader says it loaded while bassplay tries `url`.
std::string LoadedBy(const std::string& url) {
    const std::string command = "LD_DEBUG=files SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null " +
                                std::string(TAVURO_PROGRAM_DIR) + "/bassplay '" + url +
                                "' 1 2>&1";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            output.append(buffer, n);
        pclose(pipe);
    }
    return output;
}

} // namespace

TEST_F(BassHttps, OpenSslIsLoadedByTheFirstHttpsAddressOnly) {
    TestHttpServer missing([](int socket, const std::string&) {
        TestHttpServer::Send(socket, "HTTP/1.0 404 Not Found\r\n\r\n");
    });
    const int port = tavuro::testing_support::ClosedLoopbackPort();
    const std::string plain = LoadedBy(missing.Url("/none.mp3"));
    ASSERT_NE(plain.find("file=libbass.so"), std::string::npos) << plain;
    EXPECT_EQ(plain.find("file=libssl"), std::string::npos);
    EXPECT_EQ(plain.find("file=libcrypto"), std::string::npos);
    const std::string secure = LoadedBy("https://127.0.0.1:" + std::to_string(port) + "/none.mp3");
    EXPECT_NE(secure.find("file=libssl"), std::string::npos) << secure;
}
