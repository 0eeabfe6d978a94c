// The engine over the real audio library on SDL's disk driver: what it reads of files, its play
// states, seeking, network streams and the spectrum levels.
#include "../support/Loopback.h"
#include "BassTestSupport.h"
#include "TlsTestServer.h"
#include "engine/AudioEngine.h"
#include "platform/Dialogs.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>
#include <dlfcn.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

using namespace tavuro;
using basstest::TempDir;
using basstest::TestHttpServer;

namespace {

// Handles the engine's notices while waiting for a condition.
bool PumpUntil(const std::function<bool()>& condition, double seconds) {
    return basstest::WaitUntil(
        [&] {
            QCoreApplication::processEvents();
            return condition();
        },
        seconds);
}

std::string Id3v1Block(const std::string& title, const std::string& artist) {
    std::string block(128, '\0');
    block.replace(0, 3, "TAG");
    block.replace(3, title.size(), title);
    block.replace(33, artist.size(), artist);
    block[127] = static_cast<char>(17);
    return block;
}

class AudioEnginePlayback : public testing::Test {
protected:
    void SetUp() override {
        output = std::make_unique<basstest::DiskOutput>(dir);
        engine = std::make_unique<TAudioEngine>(dialogs, std::string(TAVURO_PROGRAM_DIR) + "/");
        ASSERT_TRUE(engine->BassReady());
    }
    std::string Tone(const std::string& name, double seconds, double frequency = 1000) {
        return basstest::MakeSineWav(dir, name, frequency, seconds, 0.5, "-b 16 -e signed-integer");
    }

    TempDir dir;
    std::unique_ptr<basstest::DiskOutput> output;
    TRecordingDialogs dialogs;
    std::unique_ptr<TAudioEngine> engine;
};

} // namespace

TEST_F(AudioEnginePlayback, ReportsTheLibraryVersion) {
    EXPECT_EQ(engine->BASSDLLVer(), "2.0");
    EXPECT_TRUE(engine->WmaReady());
}

TEST_F(AudioEnginePlayback, StreamInfoOfAWavFileCountsNoChannelsInItsBitRate) {
    TStreamInfo info;
    int slot = 0;
    TPlayableBy playable = pbNobody;
    ASSERT_TRUE(engine->GetStreamInfo(Tone("tone.wav", 1), info, slot, playable));
    EXPECT_EQ(info.BitRate, 705);
    EXPECT_EQ(info.SampleRate, 44100);
    EXPECT_EQ(info.Channels, 2);
    EXPECT_EQ(info.Duration, 1000);
    EXPECT_EQ(info.Title, "tone.wav");
    EXPECT_EQ(playable, pbBassOnly);
    EXPECT_EQ(slot, -1);
}

TEST_F(AudioEnginePlayback, AnMp3WithBothTagsTakesTheId3v1Texts) {
    const std::string wav = Tone("tone.wav", 1);
    const std::string mp3 = dir.Path("tagged.mp3");
    ASSERT_TRUE(
        basstest::RunCommand("lame --quiet --id3v2-only --tt Two --ta Second " + wav + " " + mp3));
    std::vector<uint8_t> bytes = basstest::ReadFile(mp3);
    const std::string tag = Id3v1Block("One", "First");
    bytes.insert(bytes.end(), tag.begin(), tag.end());
    basstest::WriteFile(mp3, bytes);
    TStreamInfo info;
    int slot = 0;
    TPlayableBy playable = pbNobody;
    ASSERT_TRUE(engine->GetStreamInfo(mp3, info, slot, playable));
    EXPECT_EQ(info.Title, "One");
    EXPECT_EQ(info.Artist, "First");
    EXPECT_EQ(info.Genre, "Rock");
    EXPECT_EQ(info.GenreID, 17);
}

TEST_F(AudioEnginePlayback, FilesNoReaderKnowsLeaveThePlayingChannelAlone) {
    ASSERT_TRUE(engine->Open(Tone("tone.wav", 3)));
    engine->Play();
    basstest::WriteFile(dir.Path("song.it"), {1, 2, 3});
    basstest::WriteFile(dir.Path("song.mod"), {1, 2, 3});
    EXPECT_FALSE(engine->Open(dir.Path("song.it")));
    EXPECT_FALSE(engine->Open(dir.Path("song.mod")));
    EXPECT_EQ(engine->PlayerState(), psPlaying);
    EXPECT_EQ(engine->ChannelKind(), ckStream);
    EXPECT_TRUE(dialogs.Messages.empty());
}

TEST_F(AudioEnginePlayback, PlayStatesFollowOpenPlayEndReplayStopAndClose) {
    int ends = 0;
    engine->OnPlayEnd = [&](TAudioEngine*) { ++ends; };
    ASSERT_TRUE(engine->Open(Tone("short.wav", 0.5)));
    EXPECT_EQ(engine->PlayerState(), psReady);
    EXPECT_EQ(engine->GetLength(), 500u);
    EXPECT_EQ(engine->GetPosition(), 0u);
    engine->Play();
    EXPECT_EQ(engine->PlayerState(), psPlaying);
    ASSERT_TRUE(PumpUntil([&] { return engine->PlayerState() == psStopped; }, 5));
    EXPECT_EQ(ends, 1);
    engine->Play(); // from the beginning again
    EXPECT_EQ(engine->PlayerState(), psPlaying);
    EXPECT_LT(engine->GetPosition(), 300u);
    engine->Stop();
    EXPECT_EQ(engine->PlayerState(), psStopped);
    engine->Close();
    EXPECT_EQ(engine->PlayerState(), psNone);
    EXPECT_EQ(engine->ChannelKind(), ckNone);
    EXPECT_EQ(engine->GetLength(), 0u);
}

TEST_F(AudioEnginePlayback, SeekingBeyondTheLengthIsIgnored) {
    ASSERT_TRUE(engine->Open(Tone("tone.wav", 4)));
    engine->Play();
    EXPECT_TRUE(engine->CanSeek());
    engine->SetPosition(9000);
    EXPECT_LT(engine->GetPosition(), 1000u);
    engine->SetPosition(3000);
    EXPECT_NEAR(static_cast<double>(engine->GetPosition()), 3000.0, 300.0);
}

TEST_F(AudioEnginePlayback, ToneLevelsReachTheSpectrumAndAStoppedChannelStopsTheTimer) {
    int frames = 0;
    engine->OnNewFFTData = [&](TAudioEngine*, TBandOut&) { ++frames; };
    // 2756 Hz lies in bin 32 of a 512-point FFT at 44100 Hz: band 6 (bins 25 to 32).
    ASSERT_TRUE(engine->Open(Tone("tone.wav", 3, 2756)));
    engine->Play();
    ASSERT_TRUE(PumpUntil([&] { return frames >= 10; }, 3));
    const TBandOut& bands = engine->BandOut();
    EXPECT_GT(bands[6], 100);
    EXPECT_GT(bands[6], 4 * bands[12]);
    engine->Stop();
    PumpUntil([&] { return !engine->VisTimerActive(); }, 1);
    EXPECT_FALSE(engine->VisTimerActive());
}

TEST_F(AudioEnginePlayback, ANetMp3FillsItsTagsWhenTheDownloadCompletes) {
    const std::string mp3 = basstest::EncodeMp3(dir, Tone("tone.wav", 2), "net.mp3");
    std::vector<uint8_t> bytes = basstest::ReadFile(mp3);
    const std::string tag = Id3v1Block("Net Title", "Net Artist");
    bytes.insert(bytes.end(), tag.begin(), tag.end());
    const std::string body(bytes.begin(), bytes.end());
    TestHttpServer server([&](int socket, const std::string&) {
        TestHttpServer::Send(socket,
                             "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nContent-Length: " +
                                 std::to_string(body.size()) + "\r\n\r\n" + body);
    });
    std::string downloaded;
    engine->OnDownloaded = [&](TAudioEngine*, const std::string& content) { downloaded = content; };
    ASSERT_TRUE(engine->Open(server.Url("/music/net.mp3")));
    EXPECT_EQ(engine->StreamInfo().Title, "net");
    engine->Play();
    ASSERT_TRUE(PumpUntil([&] { return !downloaded.empty(); }, 5));
    EXPECT_TRUE(engine->CanSeek());
    EXPECT_EQ(engine->StreamInfo().Title, "Net Title");
    EXPECT_EQ(engine->StreamInfo().Artist, "Net Artist");
    EXPECT_EQ(engine->StreamInfo().FileSize, static_cast<std::int64_t>(body.size()));
    EXPECT_NEAR(std::stoi(downloaded), 2000, 100);
}

TEST_F(AudioEnginePlayback, ALiveStreamTakesItsTitlesFromTheMetadataAndCannotSeek) {
    const std::vector<uint8_t> audio =
        basstest::ReadFile(basstest::EncodeMp3(dir, Tone("tone.wav", 4), "live.mp3"));
    TestHttpServer server([&](int socket, const std::string&) {
        TestHttpServer::Send(socket, "ICY 200 OK\r\nicy-br:128\r\nicy-metaint:8192\r\n\r\n");
        const char* titles[] = {"StreamTitle='First Song';", "StreamTitle='Second Song';"};
        for (std::size_t at = 0, block = 0; at < audio.size(); at += 8192, ++block) {
            const std::string piece(audio.begin() + at,
                                    audio.begin() + std::min(audio.size(), at + 8192));
            std::string meta = titles[std::min<std::size_t>(block / 4, 1)];
            meta.resize((meta.size() + 15) / 16 * 16, '\0');
            const std::string frame =
                piece + std::string(1, static_cast<char>(meta.size() / 16)) + meta;
            if (!TestHttpServer::Send(socket, frame))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        }
    });
    std::vector<std::string> titles;
    engine->OnGetMeta = [&](TAudioEngine*, const std::string& title) { titles.push_back(title); };
    ASSERT_TRUE(engine->Open(server.Url("/live")));
    EXPECT_EQ(engine->StreamInfo().BitRate, 128);
    EXPECT_FALSE(engine->CanSeek());
    engine->Play();
    ASSERT_TRUE(PumpUntil([&] { return engine->StreamInfo().Title == "Second Song"; }, 10));
    ASSERT_FALSE(titles.empty());
    EXPECT_EQ(titles.front(), "First Song");
}

TEST_F(AudioEnginePlayback, AnEightBitWavPlaysAtItsTone) {
    const std::string wav =
        basstest::MakeSineWav(dir, "eight.wav", 1000, 1.0, 0.5, "-b 8 -e unsigned-integer");
    ASSERT_TRUE(engine->Open(wav));
    EXPECT_TRUE(dialogs.Messages.empty());
    engine->Play();
    ASSERT_TRUE(PumpUntil([&] { return engine->PlayerState() == psStopped; }, 5));
    engine.reset();
    const std::vector<float> heard = output->TakeLeft();
    const basstest::Span sound = basstest::NonSilent(heard, 0.02f);
    EXPECT_NEAR(sound.Seconds(), 1.0, 0.08);
    EXPECT_NEAR(basstest::Frequency(heard, sound.first + 4410, sound.last - 4410), 1000, 10);
}

TEST_F(AudioEnginePlayback, ABitRateHeaderIsReadPastTheBlanksAfterItsColon) {
    const std::vector<uint8_t> audio =
        basstest::ReadFile(basstest::EncodeMp3(dir, Tone("tone.wav", 1), "live.mp3"));
    TestHttpServer server([&](int socket, const std::string&) {
        TestHttpServer::Send(socket, "ICY 200 OK\r\nicy-br: 128\r\n\r\n" +
                                         std::string(audio.begin(), audio.end()));
    });
    ASSERT_TRUE(engine->Open(server.Url("/live")));
    EXPECT_EQ(engine->StreamInfo().BitRate, 128);
}

namespace {

// A live stream whose server answers only when released, then sends three seconds of audio and
// keeps the connection until the client closes it, which it records.
class SlowRadio {
public:
    explicit SlowRadio(const std::string& mp3)
        : audio_(basstest::ReadFile(mp3)), server_([this](int socket, const std::string&) {
              basstest::WaitUntil([&] { return released.load(); }, 10.0);
              TestHttpServer::Send(socket, "ICY 200 OK\r\n\r\n" +
                                               std::string(audio_.begin(), audio_.end()));
              char byte;
              pollfd entry{socket, POLLIN, 0};
              if (poll(&entry, 1, 10000) > 0 && recv(socket, &byte, 1, 0) <= 0)
                  clientClosed = true;
          }) {}
    std::string Url() const { return server_.Url("/live"); }

    std::atomic<bool> released{false};
    std::atomic<bool> clientClosed{false};

private:
    std::vector<uint8_t> audio_;
    TestHttpServer server_;
};

} // namespace

TEST_F(AudioEnginePlayback, ACloseDuringAConnectGivesItUp) {
    SlowRadio radio(basstest::EncodeMp3(dir, Tone("tone.wav", 3), "live.mp3"));
    QTimer::singleShot(200, [&] {
        engine->Close();
        radio.released = true;
    });
    EXPECT_FALSE(engine->Open(radio.Url()));
    EXPECT_EQ(engine->PlayerState(), psNone);
    EXPECT_EQ(engine->ChannelKind(), ckNone);
    // The channel the connect still made is freed at once: its connection closes.
    EXPECT_TRUE(PumpUntil([&] { return radio.clientClosed.load(); }, 5));
}

TEST_F(AudioEnginePlayback, AnOpenAndPlayDuringAConnectSupersedeIt) {
    SlowRadio radio(basstest::EncodeMp3(dir, Tone("tone.wav", 3), "live.mp3"));
    const std::string local = Tone("local.wav", 3, 2000);
    bool nestedOpened = false;
    QTimer::singleShot(200, [&] {
        nestedOpened = engine->Open(local);
        engine->Play();
        radio.released = true;
    });
    EXPECT_FALSE(engine->Open(radio.Url()));
    EXPECT_TRUE(nestedOpened);
    EXPECT_EQ(engine->StreamInfo().FileName, local);
    EXPECT_EQ(engine->ChannelKind(), ckStream);
    EXPECT_EQ(engine->PlayerState(), psPlaying);
    EXPECT_TRUE(PumpUntil([&] { return radio.clientClosed.load(); }, 5));
    // The engine still reaches what plays: after Close nothing more is heard.
    engine->Close();
    PumpUntil([] { return false; }, 0.5);
    engine.reset();
    const std::vector<float> heard = output->TakeLeft();
    const basstest::Span sound = basstest::NonSilent(heard, 0.02f);
    EXPECT_LT(sound.Seconds(), 1.5) << "the local file stopped at the close";
}

TEST_F(AudioEnginePlayback, AnEngineClosedDuringAConnectEndsWithinASecond) {
    std::atomic<bool> done{false};
    TestHttpServer silent(
        [&](int, const std::string&) { basstest::WaitUntil([&] { return done.load(); }, 10.0); });
    std::chrono::steady_clock::time_point closedAt;
    QTimer::singleShot(200, [&] {
        closedAt = std::chrono::steady_clock::now();
        engine->Close();
    });
    EXPECT_FALSE(engine->Open(silent.Url("/live")));
    engine.reset();
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - closedAt).count(),
              1.0);
    done = true;
}

TEST_F(AudioEnginePlayback, AChainedOggRadioTakesEachNewSongsTitle) {
    auto song = [&](const std::string& name, const std::string& title) {
        const std::string ogg = dir.Path(name + ".ogg");
        basstest::RunCommand("oggenc --quiet -q 4 -t '" + title + "' -o " + ogg + " " +
                             Tone(name + ".wav", 1.5));
        const std::vector<uint8_t> bytes = basstest::ReadFile(ogg);
        return std::string(bytes.begin(), bytes.end());
    };
    const std::string first = song("first", "First Song");
    const std::string second = song("second", "Second Song");
    std::atomic<bool> release{false};
    TestHttpServer server([&](int socket, const std::string&) {
        TestHttpServer::Send(socket, "HTTP/1.0 200 OK\r\nContent-Type: application/ogg\r\n\r\n");
        TestHttpServer::Send(socket, first);
        basstest::WaitUntil([&] { return release.load(); }, 5.0);
        TestHttpServer::Send(socket, second);
    });
    std::vector<std::string> titles;
    engine->OnGetMeta = [&](TAudioEngine*, const std::string& title) { titles.push_back(title); };
    ASSERT_TRUE(engine->Open(server.Url("/radio")));
    engine->Play();
    release = true;
    ASSERT_TRUE(PumpUntil([&] { return engine->StreamInfo().Title == "Second Song"; }, 5));
    EXPECT_EQ(titles, std::vector<std::string>{"Second Song"});
}

namespace {

// The library's network timeout for the engine, which loaded the same libbass.so.
void SetNetworkTimeout(DWORD milliseconds) {
    void* library =
        dlopen((std::string(TAVURO_PROGRAM_DIR) + "/libbass.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(library, nullptr);
    const auto setConfig =
        reinterpret_cast<decltype(&BASS_SetConfig)>(dlsym(library, "BASS_SetConfig"));
    ASSERT_NE(setConfig, nullptr);
    setConfig(BASS_CONFIG_NET_TIMEOUT, milliseconds);
    dlclose(library);
}

} // namespace

TEST_F(AudioEnginePlayback, AnHttpsRadioOpensWithItsTitle) {
    basstest::TrustedTestAuthority authority(dir);
    ASSERT_TRUE(authority.certificates.ok);
    const std::string audio = basstest::Text(
        basstest::ReadFile(basstest::EncodeMp3(dir, Tone("tone.wav", 2), "live.mp3")));
    const std::string stream =
        basstest::IcyStream(audio, 16384, {{0, "StreamTitle='Secure Song';"}});
    TestHttpServer server(
        [&](int socket, const std::string&) {
            TestHttpServer::Send(socket, "ICY 200 OK\r\nicy-br:128\r\nicy-metaint:16384\r\n\r\n" +
                                             stream.substr(0, 8192));
            // Enough to open with; the title comes a little later.
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            basstest::SendPaced(socket, stream.substr(8192), 8192, 100);
        },
        false, authority.Layer());
    ASSERT_TRUE(engine->Open(server.Url("/live")));
    EXPECT_EQ(engine->ChannelKind(), ckStream);
    EXPECT_EQ(engine->StreamInfo().Title, "Secure Song");
    EXPECT_EQ(engine->StreamInfo().BitRate, 128);
    EXPECT_FALSE(engine->CanSeek());
}

// An address where nothing answers is tried by the library alone: the add-on's MMS tries would
// go to the same host and port. One that answers, with an error, is still tried by the add-on.
TEST_F(AudioEnginePlayback, AnAddressWhereNothingAnswersIsTriedOnceAndToldSo) {
    ASSERT_TRUE(engine->WmaReady());
    SetNetworkTimeout(1000);
    struct Case {
        const char* name;
        std::function<void(int socket, const std::atomic<bool>& done)> serve;
        bool answered;
    } cases[] = {
        {"silent", [](int, const std::atomic<bool>& done) {
             basstest::WaitUntil([&] { return done.load(); }, 10.0);
         }, false},
        {"banner", [](int socket, const std::atomic<bool>& done) {
             TestHttpServer::Send(socket, "SSH-2.0-OpenSSH_9.2\r\n");
             basstest::WaitUntil([&] { return done.load(); }, 10.0);
         }, false},
        {"not found", [](int socket, const std::atomic<bool>&) {
             TestHttpServer::Send(socket, "HTTP/1.0 404 Not Found\r\n\r\n");
         }, true},
    };
    for (const Case& item : cases) {
        std::atomic<bool> done{false};
        std::atomic<int> connections{0};
        TestHttpServer server(
            [&](int socket, const std::string&) {
                ++connections;
                item.serve(socket, done);
            },
            true);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(engine->Open(server.Url("/live"))) << item.name;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(engine->AddressDidNotAnswer(), !item.answered) << item.name;
        if (!item.answered) {
            EXPECT_LT(seconds, 1.5) << item.name;
            EXPECT_EQ(connections, 1) << item.name;
        } else {
            EXPECT_GT(connections, 1) << item.name << ": the add-on tried it too";
        }
        done = true;
    }
    const int port = tavuro::testing_support::ClosedLoopbackPort();
    EXPECT_FALSE(engine->Open("http://127.0.0.1:" + std::to_string(port) + "/live"));
    EXPECT_TRUE(engine->AddressDidNotAnswer()) << "refused";
    EXPECT_FALSE(engine->Open(dir.Path("missing.mp3")));
    EXPECT_FALSE(engine->AddressDidNotAnswer()) << "a local file";
}
