// The media control through the real libmpv and fluidsynth, with null audio and video outputs.
// Fixtures are made at test time by sox and ffmpeg; each test plays at most a second or two.
#include "desktop/NSPlay.h"

#include "../support/Loopback.h"
#include "BassTestSupport.h"
#include "TlsTestServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace tavuro {
namespace {

bool RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// Lets the GUI's events run until the condition holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < milliseconds) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    return condition();
}

// A one-track song at 96 ticks per quarter: one quarter at 120 bpm (0.5 s), then 60 bpm for
// one quarter (1 s): 1.5 s in all.
QByteArray TwoTempoSong() {
    const unsigned char events[] = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xC0, 0x00,
                                    0x00, 0x90, 0x45, 0x64, 0x60, 0xFF, 0x51, 0x03, 0x0F, 0x42,
                                    0x40, 0x60, 0x80, 0x45, 0x00, 0x00, 0xFF, 0x2F, 0x00};
    QByteArray song("MThd\0\0\0\6\0\0\0\1\0\x60", 14);
    song += QByteArray("MTrk\0\0\0", 7) + char(sizeof events);
    song += QByteArray(reinterpret_cast<const char*>(events), sizeof events);
    return song;
}

// A well-formed RIFF WAVE file whose format tag 0x1234 no decoder knows.
QByteArray UnknownCodecWave() {
    const QByteArray data(8192, '\x55');
    const unsigned char format[16] = {0x34, 0x12, 2, 0, 0x44, 0xAC, 0,  0,
                                      0x10, 0xB1, 2, 0, 4,    0,    16, 0};
    auto little32 = [](quint32 value) {
        return QByteArray(1, char(value)) + char(value >> 8) + char(value >> 16) +
               char(value >> 24);
    };
    return "RIFF" + little32(4 + 8 + 16 + 8 + data.size()) + "WAVEfmt " + little32(16) +
           QByteArray(reinterpret_cast<const char*>(format), 16) + "data" + little32(data.size()) +
           data;
}

// Makes a fixture the first time a test asks for it, so each test pays only for its own.
bool MakeFixture(const QDir& folder, const QString& name) {
    const QString path = folder.filePath(name);
    if (QFile::exists(path))
        return true;
    const QString wav = folder.filePath("tone.wav");
    const QStringList quiet{"-hide_banner", "-loglevel", "error", "-y"};
    if (name == "tone.wav")
        return RunTool(
            "sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", path, "synth", "2", "sine", "440"});
    if (name == "tone.ogg")
        return MakeFixture(folder, "tone.wav") && RunTool("oggenc", {"-Q", wav, "-o", path});
    if (name == "video.mkv")
        return RunTool("ffmpeg", quiet + QStringList{"-f", "lavfi", "-i",
                                                     "testsrc=size=160x120:rate=10:duration=1",
                                                     "-c:v", "mpeg4", path});
    if (name == "live.mp3")
        return MakeFixture(folder, "tone.wav") &&
               RunTool("ffmpeg", quiet + QStringList{"-i", wav, "-c:a", "libmp3lame", "-write_xing",
                                                     "0", "-id3v2_version", "0", path});
    if (name == "cover.png")
        return RunTool("ffmpeg", quiet + QStringList{"-f", "lavfi", "-i", "color=c=red:s=64x48",
                                                     "-frames:v", "1", path});
    if (name == "art.mp3")
        return MakeFixture(folder, "tone.wav") && MakeFixture(folder, "cover.png") &&
               RunTool("ffmpeg", quiet + QStringList{"-i", wav, "-i", folder.filePath("cover.png"),
                                                     "-map", "0:a", "-map", "1:v", "-c:a",
                                                     "libmp3lame", "-c:v", "copy", "-id3v2_version",
                                                     "3", "-disposition:v", "attached_pic", path});
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (name == "garbage.ogg") {
        for (int i = 0; i < 4096; ++i)
            file.putChar(char(i * 7919 % 251));
        return true;
    }
    if (name == "unknown-codec.wav")
        return file.write(UnknownCodecWave()) > 0;
    return name == "song.mid" && file.write(TwoTempoSong()) > 0;
}

class NSPlayTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("TAVURO_NULL_OUTPUT", "1", 1);
        Fixtures = new QTemporaryDir;
    }
    static void TearDownTestSuite() { delete Fixtures; }

    // A fixture's path, made on first use.
    static std::string Path(const char* name) {
        EXPECT_TRUE(MakeFixture(QDir(Fixtures->path()), name)) << "could not make " << name;
        return Fixtures->filePath(name).toStdString();
    }
    static std::string Missing() { return Fixtures->filePath("missing.ogg").toStdString(); }

    // The order in which the player opens a clip.
    bool Open(const std::string& path) {
        Player.SetFileName(path);
        Player.SetCurrentPosition(-1.0);
        return Player.Play();
    }

    static inline QTemporaryDir* Fixtures = nullptr;
    TNSPlay Player{nullptr};
};

TEST_F(NSPlayTest, Ogg_OpensPlaysAndStopsAtItsEndKeepingItsName) {
    EXPECT_EQ(Player.objectName(), "Player");
    ASSERT_TRUE(Open(Path("tone.ogg")));
    EXPECT_EQ(Player.ImageSourceWidth(), 0);
    EXPECT_NEAR(Player.Duration(), 2.0, 0.05);
    EXPECT_TRUE(Player.CanSeek());
    EXPECT_EQ(Player.PlayState(), 2);
    // Seek close to the end (the player's seek order) so the test need not hear it all.
    Player.SetCurrentPosition(1.6);
    ASSERT_TRUE(Player.Play());
    EXPECT_TRUE(WaitUntil([&] { return Player.PlayState() == 0; }, 3000));
    EXPECT_EQ(Player.FileName(), Path("tone.ogg"));
    // At its end a clip stands at its full length, which tells it from a stopped one.
    EXPECT_NEAR(Player.Duration(), 2.0, 0.05);
    EXPECT_GE(Player.CurrentPosition(), Player.Duration());
    // Play after the end starts again from the beginning.
    ASSERT_TRUE(Player.Play());
    EXPECT_TRUE(WaitUntil([&] { return Player.PlayState() == 2; }, 1000));
    EXPECT_LT(Player.CurrentPosition(), 1.0);

    Player.SetFileName("");
    EXPECT_EQ(Player.FileName(), "");
    EXPECT_EQ(Player.PlayState(), 0);
    EXPECT_EQ(Player.Duration(), 0.0);
}

TEST_F(NSPlayTest, FilesThatCannotPlay_FailPlayAndKeepTheirName) {
    for (const std::string& path : {Missing(), Path("garbage.ogg"), Path("unknown-codec.wav"),
                                    Fixtures->path().toStdString()}) {
        EXPECT_FALSE(Open(path)) << path;
        EXPECT_EQ(Player.FileName(), path);
        EXPECT_EQ(Player.PlayState(), 0);
        EXPECT_EQ(Player.Duration(), 0.0);
    }
    Player.SetFileName("");
    EXPECT_FALSE(Player.Play());
}

TEST_F(NSPlayTest, Video_ReportsItsPictureSize) {
    ASSERT_TRUE(Open(Path("video.mkv")));
    EXPECT_EQ(Player.ImageSourceWidth(), 160);
    EXPECT_EQ(Player.ImageSourceHeight(), 120);
    EXPECT_NEAR(Player.Duration(), 1.0, 0.15);
    Player.SetDisplaySize(2);
    EXPECT_EQ(Player.DisplaySize(), 2);
    Player.SetBounds(0, 0, 320, 240);
    EXPECT_EQ(Player.Width(), 320);
    EXPECT_EQ(Player.Height(), 240);
    // The last frame starts before the clip's end; the ended clip still stands at its length.
    EXPECT_TRUE(WaitUntil([&] { return Player.PlayState() == 0; }, 3000));
    EXPECT_GE(Player.CurrentPosition(), Player.Duration());
}

TEST_F(NSPlayTest, CoverPictureOfAnMp3_IsNoVideo) {
    ASSERT_TRUE(Open(Path("art.mp3")));
    EXPECT_EQ(Player.ImageSourceWidth(), 0);
    EXPECT_EQ(Player.ImageSourceHeight(), 0);
    EXPECT_NEAR(Player.Duration(), 2.0, 0.1);
}

TEST_F(NSPlayTest, MidiMeasured_GivesTheTempoMapLengthAndPlaysNothing) {
    Player.SetFileName(Path("song.mid"));
    EXPECT_DOUBLE_EQ(Player.Duration(), 1.5);
    EXPECT_EQ(Player.PlayState(), 0);
    EXPECT_EQ(Player.CurrentPosition(), 0.0);
    Player.SetFileName("");
    EXPECT_EQ(Player.Duration(), 0.0);
}

TEST_F(NSPlayTest, Midi_PlaysToItsEnd) {
    ASSERT_TRUE(Open(Path("song.mid")));
    EXPECT_EQ(Player.ImageSourceWidth(), 0);
    EXPECT_EQ(Player.PlayState(), 2);
    EXPECT_TRUE(WaitUntil([&] { return Player.CurrentPosition() > 0.2; }, 1500));
    // Seek into the slower second half; the position follows the tempo map.
    Player.SetCurrentPosition(1.2);
    ASSERT_TRUE(Player.Play());
    EXPECT_TRUE(WaitUntil([&] { return Player.CurrentPosition() >= 1.2; }, 500));
    EXPECT_TRUE(WaitUntil([&] { return Player.PlayState() == 0; }, 1500));
    EXPECT_DOUBLE_EQ(Player.CurrentPosition(), 1.5);
    EXPECT_EQ(Player.FileName(), Path("song.mid"));
    // Play after the end starts the song again.
    ASSERT_TRUE(Player.Play());
    EXPECT_EQ(Player.PlayState(), 2);
    EXPECT_LT(Player.CurrentPosition(), 0.5);
}

// A listening socket on 127.0.0.1 that never accepts: connections complete but nothing is ever
// answered. Closed at once, its port refuses connections instead.
class TSilentServer {
public:
    TSilentServer() { Socket = testing_support::ListenOnLoopback(8, Port); }
    ~TSilentServer() { Close(); }
    void Close() {
        if (Socket >= 0)
            close(Socket);
        Socket = -1;
    }
    std::string Address() const { return "http://127.0.0.1:" + std::to_string(Port) + "/x"; }

private:
    int Socket = -1;
    int Port = 0;
};

TEST_F(NSPlayTest, UnreachableAddress_FailsQuickly) {
    TSilentServer closed;
    closed.Close();
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(Open(closed.Address()));
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(Player.FileName(), closed.Address());
}

TEST_F(NSPlayTest, SilentServer_FailsWithinTheBoundWhileTheWindowStaysResponsive) {
    TSilentServer server;
    Player.SetNetworkTimeout(1.0);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(50);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(Open(server.Address()));
    const qint64 took = clock.elapsed();
    EXPECT_LT(took, 4000);
    EXPECT_GT(ticks, took / 50 / 2); // the timer kept firing during the wait
}

// The player's own handlers run while an address opens; whatever they do to the control must
// leave it usable (or gone) without a crash.
TEST_F(NSPlayTest, ClipOpenedDuringAWait_SupersedesTheWaitingOne) {
    TSilentServer server;
    Player.SetNetworkTimeout(5.0);
    QTimer::singleShot(200, [&] { Player.SetFileName(Path("tone.ogg")); });
    QElapsedTimer clock;
    clock.start();
    Player.SetFileName(server.Address());
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(Player.FileName(), Path("tone.ogg"));
    EXPECT_TRUE(Player.Play());
    EXPECT_NEAR(Player.Duration(), 2.0, 0.05);
}

TEST_F(NSPlayTest, ControlDestroyedDuringAWait_ReturnsWithoutTouchingIt) {
    TSilentServer server;
    auto* player = new TNSPlay(nullptr);
    player->SetNetworkTimeout(5.0);
    QPointer<TNSPlay> watch(player);
    QTimer::singleShot(200, player, [player] { player->deleteLater(); });
    player->SetFileName(server.Address());
    EXPECT_TRUE(watch.isNull());
}

// A station on the loopback: every listener gets an endless MP3 broadcast at about its bit rate.
class TLiveStation {
public:
    explicit TLiveStation(const std::string& mp3Path) {
        QFile file(QString::fromStdString(mp3Path));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        Audio = file.readAll();
        Socket = testing_support::ListenOnLoopback(8, Port);
        Broadcaster = std::thread([this] { Serve(); });
    }
    ~TLiveStation() {
        Stopping = true;
        Broadcaster.join();
        close(Socket);
    }
    std::string Address() const { return "http://127.0.0.1:" + std::to_string(Port) + "/live"; }
    int Listeners() const { return Connections; }

private:
    void Serve() {
        std::vector<int> listeners;
        size_t offset = 0;
        while (!Stopping) {
            pollfd incoming{Socket, POLLIN, 0};
            if (poll(&incoming, 1, 50) > 0) {
                const int listener = accept(Socket, nullptr, nullptr);
                char request[2048];
                (void)!recv(listener, request, sizeof request, 0);
                const char header[] = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n";
                (void)!send(listener, header, sizeof header - 1, MSG_NOSIGNAL);
                listeners.push_back(listener);
                ++Connections;
            }
            // 50 ms at 160 kbit/s; what a full listener cannot take is gone, as on the air.
            const size_t chunk = std::min<size_t>(1000, Audio.size() - offset);
            for (int listener : listeners)
                (void)!send(listener, Audio.constData() + offset, chunk,
                            MSG_NOSIGNAL | MSG_DONTWAIT);
            offset = (offset + chunk) % Audio.size();
        }
        for (int listener : listeners)
            close(listener);
    }

    QByteArray Audio;
    int Socket = -1;
    int Port = 0;
    std::atomic<bool> Stopping{false};
    std::atomic<int> Connections{0};
    std::thread Broadcaster;
};

TEST_F(NSPlayTest, LiveStream_PausedLongerThanTheTimeoutIsOpenedAnewOnResume) {
    TLiveStation station(Path("live.mp3"));
    Player.SetNetworkTimeout(1.0);
    ASSERT_TRUE(Open(station.Address()));
    ASSERT_FALSE(Player.CanSeek());

    Player.Pause(); // a short pause goes on from where it was held
    EXPECT_EQ(Player.PlayState(), 1);
    EXPECT_TRUE(Player.Play());
    EXPECT_EQ(station.Listeners(), 1);

    Player.Pause();
    WaitUntil([] { return false; }, 1500);
    EXPECT_TRUE(Player.Play());
    EXPECT_EQ(Player.PlayState(), 2);
    EXPECT_EQ(station.Listeners(), 2);
}

// A secure address plays only from a server whose certificate the trusted store vouches for
// (here the tests' own authority, through SSL_CERT_FILE); any other is refused, as by the engine.
TEST_F(NSPlayTest, HttpsAddress_PlaysOnlyFromAVerifiedServer) {
    basstest::TempDir dir;
    basstest::TrustedTestAuthority authority(dir);
    ASSERT_TRUE(authority.certificates.ok);
    QFile ogg(QString::fromStdString(Path("tone.ogg")));
    ASSERT_TRUE(ogg.open(QIODevice::ReadOnly));
    const QByteArray bytes = ogg.readAll();
    const std::string body(bytes.constData(), static_cast<size_t>(bytes.size()));
    const auto serve = [&](int socket, const std::string&) {
        basstest::ServeFile(socket, body, false);
    };
    basstest::TestHttpServer verified(serve, false, authority.Layer());
    basstest::TestHttpServer selfSigned(
        serve, false, std::make_shared<basstest::TlsLayer>(authority.certificates.selfSigned));
    EXPECT_TRUE(Open(verified.Url("/tone.ogg")));
    EXPECT_FALSE(Open(selfSigned.Url("/tone.ogg")));
}

} // namespace
} // namespace tavuro
