// The window playing addresses through the real engine: servers that stall, drop, lie about the
// length or fail end in the next entry or a message within the network timeout; closing during a
// connect ends at once; the window shows while it connects at start-up; a net Ogg file plays and
// keeps its true length.
#include "EngineFixture.h"
#include "TlsTestServer.h"
#include "../../support/Loopback.h"
#include "shell/PlayerStatus.h"

#include <QTimer>
#include <QWindow>

#include <poll.h>
#include <sys/socket.h>

namespace tavuro {
namespace {

using basstest::TestHttpServer;

constexpr DWORD kTimeoutMs = 1500;
constexpr double kTimeout = kTimeoutMs / 1000.0;

// Two seconds of a tone as 128 kbit/s MP3: half the bytes are about a second.
std::string TwoSecondMp3(const basstest::TempDir& dir) {
    const std::string wav =
        basstest::MakeSineWav(dir, "net.wav", 440, 2.0, 0.5, "-b 16 -e signed-integer");
    const std::vector<uint8_t> bytes = basstest::ReadFile(basstest::EncodeMp3(dir, wav, "net.mp3"));
    return {bytes.begin(), bytes.end()};
}

std::string Head(const std::string& extra) {
    return "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n" + extra + "\r\n";
}

std::string Length(size_t bytes) {
    return "Content-Length: " + std::to_string(bytes) + "\r\n";
}

void StayConnected(const std::atomic<bool>& done) {
    basstest::WaitUntil([&] { return done.load(); }, 60.0);
}

// A Shoutcast metadata block of the largest size, 4080 bytes of text after its length byte.
std::string LargestMetadataBlock() {
    const std::string text = "StreamTitle='" + std::string(4080 - 15, 'x') + "';";
    return std::string(1, static_cast<char>(255)) + text;
}

enum class Outcome {
    Plays,      // what came plays, then the next entry
    Refused,    // the server answers, but with no stream: every back end is tried, then the message
    NoAnswer,   // nothing answers in time: the engine alone tries it, then the message
};

struct ServerCase {
    const char* name;
    const char* path;
    std::function<void(int socket, const std::string& mp3, const std::atomic<bool>& done)> serve;
    // Seconds until the next entry plays or, for a server that gives no stream, until the
    // message; see Within.
    double within;
    Outcome outcome;
};

void PrintTo(const ServerCase& server, std::ostream* out) {
    *out << server.name;
}

// The audio that came plays, the network timeout without data passes, two ticks of Timer1 see
// the end, and half a second goes to opening the address.
constexpr double Within(double audioSeconds) {
    return audioSeconds + kTimeout + 2.0 + 0.5;
}

// An address that answers with no stream is tried as HTTP, then through the WMA add-on as MMS
// over HTTP and over TCP, each attempt within the timeout.
constexpr double kRefusedWithin = 3 * kTimeout + 2.0;
// Where nothing answers within the timeout, no other try follows.
constexpr double kNoAnswerWithin = kTimeout + 1.0;

const ServerCase kServerCases[] = {
    {"StaysSilentAfterAudio", "/live",
     [](int socket, const std::string& mp3, const std::atomic<bool>& done) {
         TestHttpServer::Send(socket, "ICY 200 OK\r\n\r\n" + mp3.substr(0, mp3.size() / 2));
         StayConnected(done);
     },
     Within(1.0), Outcome::Plays},
    {"DropsInTheMiddleOfTheFile", "/net.mp3",
     [](int socket, const std::string& mp3, const std::atomic<bool>&) {
         TestHttpServer::Send(socket, Head("") + mp3.substr(0, mp3.size() / 2));
     },
     Within(1.0), Outcome::Plays},
    {"ContentLengthLongerThanTheBody", "/net.mp3",
     [](int socket, const std::string& mp3, const std::atomic<bool>&) {
         TestHttpServer::Send(socket, Head(Length(2 * mp3.size())) + mp3);
     },
     Within(2.0), Outcome::Plays},
    {"ContentLengthShorterThanTheBody", "/net.mp3",
     [](int socket, const std::string& mp3, const std::atomic<bool>& done) {
         TestHttpServer::Send(socket, Head(Length(mp3.size() / 2)) + mp3);
         StayConnected(done);
     },
     Within(2.0), Outcome::Plays},
    {"MetadataBlocksBackToBack", "/live",
     [](int socket, const std::string& mp3, const std::atomic<bool>& done) {
         TestHttpServer::Send(socket, "ICY 200 OK\r\nicy-metaint:64\r\n\r\n");
         const std::string block = LargestMetadataBlock();
         for (size_t at = 0; at + 64 <= mp3.size() && !done; at += 64)
             if (!TestHttpServer::Send(socket, mp3.substr(at, 64) + block))
                 return;
         StayConnected(done);
     },
     Within(2.0), Outcome::Plays},
    // The servers below give no stream.
    {"NeverAnswers", "/live",
     [](int, const std::string&, const std::atomic<bool>& done) { StayConnected(done); },
     kNoAnswerWithin, Outcome::NoAnswer},
    {"NotFound", "/live",
     [](int socket, const std::string&, const std::atomic<bool>&) {
         TestHttpServer::Send(socket, "HTTP/1.0 404 Not Found\r\n\r\n");
     },
     kRefusedWithin, Outcome::Refused},
    {"ServerError", "/live",
     [](int socket, const std::string&, const std::atomic<bool>&) {
         TestHttpServer::Send(socket, "HTTP/1.0 500 Internal Server Error\r\n\r\n");
     },
     kRefusedWithin, Outcome::Refused},
    {"RedirectsToItself", "/live",
     [](int socket, const std::string&, const std::atomic<bool>&) {
         const std::string& request = TestHttpServer::Request();
         const auto host = request.find("Host: ") + 6;
         TestHttpServer::Send(socket, "HTTP/1.0 302 Found\r\nLocation: http://" +
                                          request.substr(host, request.find('\r', host) - host) +
                                          "/live\r\n\r\n");
     },
     kRefusedWithin, Outcome::Refused},
    {"EndlessHeaders", "/live",
     [](int socket, const std::string&, const std::atomic<bool>& done) {
         TestHttpServer::Send(socket, "HTTP/1.0 200 OK\r\n");
         while (!done &&
                TestHttpServer::Send(socket, "X-Filler: " + std::string(100, 'f') + "\r\n"))
             std::this_thread::sleep_for(std::chrono::milliseconds(1));
     },
     kRefusedWithin, Outcome::Refused},
    {"SpeaksAnotherProtocol", "/live",
     [](int socket, const std::string&, const std::atomic<bool>& done) {
         TestHttpServer::Send(socket, "SSH-2.0-OpenSSH_9.2\r\n");
         StayConnected(done);
     },
     kNoAnswerWithin, Outcome::NoAnswer},
    {"SendsOneBytePerTenthOfASecond", "/live",
     [](int socket, const std::string& mp3, const std::atomic<bool>& done) {
         const std::string answer = "ICY 200 OK\r\n\r\n" + mp3;
         for (size_t at = 0; at < answer.size() && !done; ++at) {
             if (!TestHttpServer::Send(socket, answer.substr(at, 1)))
                 return;
             std::this_thread::sleep_for(std::chrono::milliseconds(100));
         }
     },
     kNoAnswerWithin, Outcome::NoAnswer},
};

class ServerThroughTheWindow : public EngineEndToEnd,
                               public testing::WithParamInterface<ServerCase> {};

// Records the longest time between two turns of the GUI thread's event loop.
class LoopWatch {
public:
    LoopWatch() {
        Clock.start();
        QObject::connect(&Ticker, &QTimer::timeout,
                         [this] { Longest = std::max(Longest, Clock.restart()); });
        Ticker.start(10);
    }
    qint64 Longest = 0;

private:
    QTimer Ticker;
    QElapsedTimer Clock;
};

} // namespace

TEST_P(ServerThroughTheWindow, EndsInTheNextEntryOrAMessageWithinTheTimeout) {
    const ServerCase& server = GetParam();
    const std::string mp3 = TwoSecondMp3(Clips);
    std::atomic<bool> done{false};
    TestHttpServer http([&](int socket, const std::string&) { server.serve(socket, mp3, done); });
    const std::string url = http.Url(server.path);
    const std::string next = Tone("zz_next.wav", 880);
    Write("list.m3u", "#EXTM3U\r\n" + url + "\r\n" + next + "\r\n");
    Media.FailOnPlay = {url}; // the media control cannot play what the engine refuses either
    SetNetworkTimeout(kTimeoutMs);
    LoopWatch loop;
    const auto start = std::chrono::steady_clock::now();
    TMainForm& form = MakeWithEngine({AppDir + "list.m3u"}, SeedForFirstDraw(2, 0));
    const auto nextPlays = [&] {
        auto* engine = dynamic_cast<TAudioEngine*>(form.EngineControl());
        return engine != nullptr && engine->StreamInfo().FileName == next;
    };
    if (server.outcome == Outcome::Plays) {
        EXPECT_TRUE(PumpUntil(nextPlays, server.within)) << "the next entry never played";
        EXPECT_TRUE(Dialogs.Messages.empty());
    } else {
        EXPECT_TRUE(PumpUntil([&] { return !Dialogs.Messages.empty(); }, server.within));
        ASSERT_FALSE(Dialogs.Messages.empty());
        EXPECT_EQ(Dialogs.Messages[0].Text, "地址有误或者尚未联网,不能播放!");
        const bool controlTried =
            std::find(Media.Opened.begin(), Media.Opened.end(), url) != Media.Opened.end();
        EXPECT_EQ(controlTried, server.outcome == Outcome::Refused);
    }
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s: ended after %.1f s; longest turn of the event loop %lld ms\n", server.name,
                took, static_cast<long long>(loop.Longest));
    // A freeze of the window would be seconds; a busy machine adds tens of milliseconds.
    EXPECT_LT(loop.Longest, 500);
    done = true;
}

INSTANTIATE_TEST_SUITE_P(Servers, ServerThroughTheWindow, testing::ValuesIn(kServerCases),
                         [](const testing::TestParamInfo<ServerCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(EngineEndToEnd, ASingleAddressThatFallsSilentEndsTheProgram) {
    const std::string mp3 = TwoSecondMp3(Clips);
    std::atomic<bool> done{false};
    TestHttpServer http([&](int socket, const std::string&) {
        TestHttpServer::Send(socket, "ICY 200 OK\r\n\r\n" + mp3.substr(0, mp3.size() / 2));
        StayConnected(done);
    });
    SetNetworkTimeout(kTimeoutMs);
    TMainForm& form = MakeWithEngine({http.Url("/live")});
    EXPECT_TRUE(PumpUntil([&] { return form.Closed(); }, Within(1.0)));
    done = true;
}

TEST_F(EngineEndToEnd, ClosingWhileAnAddressConnectsEndsAtOnceAndKeepsTheList) {
    std::atomic<bool> done{false};
    TestHttpServer silent([&](int, const std::string&) { StayConnected(done); });
    const std::string url = silent.Url("/live");
    const std::string next = Tone("zz_next.wav", 880);
    Write("list.m3u", "#EXTM3U\r\n" + next + "\r\n");
    TMainForm& form = MakeWithEngine({});
    form.AddFiles({url}); // a change the close must save
    std::chrono::steady_clock::time_point closedAt;
    QTimer::singleShot(300, [&] {
        EXPECT_TRUE(form.StartingStream);
        closedAt = std::chrono::steady_clock::now();
        form.close();
    });
    form.ClearSelection();
    form.SelectRow(form.FindEntry(url));
    form.PlaySelected();
    const double afterClose =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - closedAt).count();
    EXPECT_LT(afterClose, 1.0) << "the connect went on after the close";
    EXPECT_TRUE(form.Closed());
    EXPECT_EQ(form.EngineControl(), nullptr) << "the close-time clean-up ran";
    EXPECT_TRUE(Dialogs.Messages.empty());
    EXPECT_TRUE(Media.Opened.empty()) << "nothing fell back to the media control";
    EXPECT_NE(Read("list.m3u").find(url), std::string::npos);
    done = true;
}

TEST_F(EngineEndToEnd, AtStartUpTheWindowShowsWhileAnAddressConnects) {
    std::atomic<bool> done{false};
    TestHttpServer silent([&](int, const std::string&) { StayConnected(done); });
    SetNetworkTimeout(kTimeoutMs);
    bool shownWhileConnecting = false;
    std::string titleWhileConnecting;
    QTimer::singleShot(500, [&] {
        shownWhileConnecting = Form->windowHandle() != nullptr && Form->windowHandle()->isVisible();
        titleWhileConnecting = Form->ApplicationTitle();
    });
    MakeWithEngine({silent.Url("/live")});
    EXPECT_TRUE(PumpUntil([&] { return !titleWhileConnecting.empty(); }, 3.0));
    EXPECT_TRUE(shownWhileConnecting);
    EXPECT_EQ(titleWhileConnecting, "正在连接/Tavuro");
    done = true;
}

TEST_F(EngineEndToEnd, AnHttpsRadioPlaysThroughTheEngineWithItsTitleAtOnce) {
    basstest::TrustedTestAuthority authority(Clips);
    ASSERT_TRUE(authority.certificates.ok);
    const std::string stream =
        basstest::IcyStream(TwoSecondMp3(Clips), 8192, {{0, "StreamTitle='Secure Song';"}});
    std::atomic<bool> done{false};
    TestHttpServer server(
        [&](int socket, const std::string&) {
            TestHttpServer::Send(socket, "ICY 200 OK\r\nicy-metaint:8192\r\n\r\n" +
                                             stream.substr(0, 4096));
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            basstest::SendPaced(socket, stream.substr(4096), 4096, 100);
            StayConnected(done);
        },
        false, authority.Layer());
    const std::string url = server.Url("/live");
    Write("radio.m3u", "#EXTM3U\r\n#EXTINF:-1,Secure Radio\r\n" + url + "\r\n");
    TMainForm& form = MakeWithEngine({AppDir + "radio.m3u"});
    ASSERT_TRUE(PumpUntil([&] { return form.Timer1->isActive(); }, 5));
    EXPECT_TRUE(Dialogs.Messages.empty());
    EXPECT_EQ(form.MediaClass, mcEngine);
    EXPECT_TRUE(Media.Opened.empty());
    EXPECT_FALSE(form.VisPanel->isHidden()); // the spectrum layout
    EXPECT_EQ(ReadPlayerStatus(form).Title, "Secure Song");
    EXPECT_EQ(form.ApplicationTitle(), "i))Secure Radio/Tavuro");
    done = true;
}

TEST_F(EngineEndToEnd, AnHttpsRadioWithASelfSignedCertificateGivesTheMessage) {
    basstest::TrustedTestAuthority authority(Clips);
    ASSERT_TRUE(authority.certificates.ok);
    std::atomic<bool> asked{false};
    TestHttpServer server([&](int, const std::string&) { asked = true; }, false,
                          std::make_shared<basstest::TlsLayer>(authority.certificates.selfSigned));
    const std::string url = server.Url("/live");
    Media.FailOnPlay = {url}; // the media control verifies the certificate as well
    Write("radio.m3u", "#EXTM3U\r\n#EXTINF:-1,Untrusted Radio\r\n" + url + "\r\n");
    TMainForm& form = MakeWithEngine({AppDir + "radio.m3u"});
    ASSERT_TRUE(PumpUntil([&] { return !Dialogs.Messages.empty(); }, 5));
    EXPECT_EQ(Dialogs.Messages[0].Text, "地址有误或者尚未联网,不能播放!");
    EXPECT_EQ(Dialogs.Messages[0].Title, "Untrusted Radio");
    EXPECT_FALSE(form.sbStop->isEnabled()); // nothing plays
    EXPECT_FALSE(asked) << "a request reached the server";
}

// A port where nobody listens is known dead at once: no other back end asks it again.
TEST_F(EngineEndToEnd, AnAddressThatRefusesGivesTheMessageAtOnce) {
    const int port = tavuro::testing_support::ClosedLoopbackPort();
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/live";
    Media.FailOnPlay = {url};
    Write("radio.m3u", "#EXTM3U\r\n#EXTINF:-1,Closed Radio\r\n" + url + "\r\n");
    SetNetworkTimeout(kTimeoutMs);
    const auto start = std::chrono::steady_clock::now();
    MakeWithEngine({AppDir + "radio.m3u"});
    ASSERT_TRUE(PumpUntil([&] { return !Dialogs.Messages.empty(); }, 1.0));
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.0);
    EXPECT_EQ(Dialogs.Messages[0].Text, "地址有误或者尚未联网,不能播放!");
    EXPECT_TRUE(Media.Opened.empty()) << "the media control asked the closed port again";
}

TEST_F(EngineEndToEnd, ANetOggFileWithALengthPlaysItWholeAndKeepsItsLength) {
    const std::string wav = Tone("net.wav", 660, 8.0);
    const std::vector<uint8_t> ogg = basstest::ReadFile(basstest::EncodeOgg(Clips, wav, "net.ogg"));
    const std::string body(ogg.begin(), ogg.end());
    TestHttpServer http(
        [&](int socket, const std::string&) { basstest::ServeFile(socket, body, true); });
    const std::string url = http.Url("/music/net.ogg");
    const std::string next = Tone("zz_next.wav", 880);
    Write("list.m3u", "#EXTM3U\r\n" + url + "\r\n" + next + "\r\n");
    TMainForm& form = MakeWithEngine({AppDir + "list.m3u"}, SeedForFirstDraw(2, 0));
    ASSERT_TRUE(PumpUntil([&] { return form.Timer1->isActive(); }, 5.0));
    EXPECT_EQ(form.Gauge1->MaxValue, 8);
    const int row = form.FindEntry(url);
    ASSERT_GE(row, 0);
    EXPECT_EQ(form.Playlist->Entry(row).SubItems, (std::vector<std::string>{url, "8", "0:08"}));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(PumpUntil([&] { return form.CurrentIndex != row; }, 12.0));
    const double played =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GT(played, 7.5) << "the entry moved on before its end";
    form.close();
    EXPECT_NE(Read("list.m3u").find("#EXTINF:8,"), std::string::npos);
}

// A server without byte ranges tells no length of a net Ogg file: the stored one stays until the
// download completes and tells the true one.
TEST_F(EngineEndToEnd, ANetOggFileWithoutRangesKeepsItsStoredLengthUntilTheTrueOneIsKnown) {
    const std::string wav = Tone("net.wav", 660, 8.0);
    const std::vector<uint8_t> ogg = basstest::ReadFile(basstest::EncodeOgg(Clips, wav, "net.ogg"));
    const std::string body(ogg.begin(), ogg.end());
    std::atomic<bool> release{false};
    TestHttpServer http([&](int socket, const std::string&) {
        basstest::ServeFile(socket, body, false, 1024, [&] { return release.load(); });
    });
    const std::string url = http.Url("/music/net.ogg");
    const std::string next = Tone("zz_next.wav", 880);
    Write("list.m3u", "#EXTM3U\r\n#EXTINF:10,A Net Ogg\r\n" + url + "\r\n" + next + "\r\n");
    TMainForm& form = MakeWithEngine({AppDir + "list.m3u"}, SeedForFirstDraw(2, 0));
    ASSERT_TRUE(PumpUntil([&] { return form.Timer1->isActive(); }, 5.0));
    const int row = form.FindEntry(url);
    ASSERT_EQ(form.CurrentIndex, row);
    EXPECT_TRUE(form.UnknownLength);
    EXPECT_EQ(form.Playlist->Entry(row).SubItems, (std::vector<std::string>{url, "10", "0:10"}));
    release = true;
    ASSERT_TRUE(PumpUntil([&] { return !form.UnknownLength; }, 5.0)) << "the download completed";
    EXPECT_EQ(form.Gauge1->MaxValue, 8);
    EXPECT_EQ(form.Playlist->Entry(row).SubItems, (std::vector<std::string>{url, "8", "0:08"}));
    form.close();
    EXPECT_NE(Read("list.m3u").find("#EXTINF:8,A Net Ogg\r\n"), std::string::npos);
}

} // namespace tavuro
