// Net files and Shoutcast-style live streams from a server on 127.0.0.1.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "../support/Loopback.h"
#include "BassTestSupport.h"
#include "TlsTestServer.h"
#include "basswma.h"

using namespace basstest;

namespace {

void Pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::vector<std::string> Strings(const char* list) {
    std::vector<std::string> strings;
    for (const char* at = list; at && *at; at += std::strlen(at) + 1)
        strings.emplace_back(at);
    return strings;
}

class BassNetwork : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device_.ok); }
    TempDir dir_;
    Device device_{dir_};
};

} // namespace

TEST_F(BassNetwork, NetFileWithLengthTellsSizeDownloadAndLengthAndPlays) {
    const std::string wav =
        MakeSineWav(dir_, "tone.wav", 1000, 1.0, 0.5, "-b 16 -e signed-integer");
    const std::string mp3 = dir_.Path("net.mp3");
    RunCommand("lame --quiet -b 128 --id3v1-only --tt 'Net Title' " + wav + " " + mp3);
    const std::string body = Text(ReadFile(mp3));
    TestHttpServer server([&](int socket, const std::string&) {
        TestHttpServer::Send(socket,
                             "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nContent-Length: " +
                                 std::to_string(body.size()) + "\r\n\r\n");
        SendPaced(socket, body, 4096, 40);
    });
    const DWORD stream =
        BASS_StreamCreateURL(server.Url("/music/net.mp3").c_str(), 0, BASS_STREAM_META, nullptr, 0);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_END), body.size());
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, BASS_StreamGetLength(stream)), 1.0, 0.1);
    SyncRecorder downloads, ends;
    downloads.Watch(stream, BASS_SYNC_DOWNLOAD);
    ends.Watch(stream, BASS_SYNC_END);
    ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, 0));
    ASSERT_TRUE(WaitUntil([&] { return downloads.calls > 0; }, 3.0));
    const char* id3v1 = BASS_StreamGetTags(stream, BASS_TAG_ID3);
    ASSERT_NE(id3v1, nullptr);
    EXPECT_EQ(std::string(id3v1 + 3, 9), "Net Title");
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, BASS_StreamGetLength(stream)), 1.0, 0.06);
    ASSERT_TRUE(WaitUntil([&] { return ends.calls > 0; }, 3.0));
    EXPECT_EQ(downloads.calls, 1);
    ExpectToneHeard(device_, 1.0, 0.1);
}

TEST_F(BassNetwork, NetFileWithoutLengthLearnsSizeAndLengthWhenComplete) {
    const std::string ogg = EncodeOgg(
        dir_, MakeSineWav(dir_, "tone.wav", 1000, 3.0, 0.5, "-b 16 -e signed-integer"), "net.ogg");
    const std::string body = Text(ReadFile(ogg));
    std::atomic<bool> release{false}; // the last bytes wait for the test's checks
    TestHttpServer server([&](int socket, const std::string&) {
        TestHttpServer::Send(socket, "HTTP/1.0 200 OK\r\nContent-Type: application/ogg\r\n\r\n");
        SendPaced(socket, body.substr(0, body.size() - 1024), 1024, 10);
        WaitUntil([&] { return release.load(); }, 5.0);
        TestHttpServer::Send(socket, body.substr(body.size() - 1024));
    });
    const DWORD stream =
        BASS_StreamCreateURL(server.Url("/net.ogg").c_str(), 0, BASS_STREAM_META, nullptr, 0);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_END), 0xFFFFFFFFu);
    EXPECT_EQ(BASS_StreamGetLength(stream), ~QWORD{0});
    const auto comments = Strings(BASS_StreamGetTags(stream, BASS_TAG_OGG));
    EXPECT_NE(std::find(comments.begin(), comments.end(), "title=Ogg Title"), comments.end());
    EXPECT_FALSE(BASS_ChannelSetPosition(stream, 0)); // not before the download is complete
    SyncRecorder downloads;
    downloads.Watch(stream, BASS_SYNC_DOWNLOAD);
    release = true;
    ASSERT_TRUE(WaitUntil([&] { return downloads.calls > 0; }, 5.0));
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_END), body.size());
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, BASS_StreamGetLength(stream)), 3.0, 0.01);
    EXPECT_TRUE(BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, 0.5f)));
}

TEST_F(BassNetwork, FtpFileIsDownloadedWithItsSize) {
    const std::string wav =
        MakeSineWav(dir_, "tone.wav", 1000, 1.0, 0.5, "-b 16 -e signed-integer");
    const std::string mp3 = dir_.Path("ftp.mp3");
    RunCommand("lame --quiet -b 128 --id3v1-only --tt 'Ftp Title' " + wav + " " + mp3);
    const std::string body = Text(ReadFile(mp3));
    TestHttpServer server([&](int socket, const std::string&) { ServeFtp(socket, body); }, true);
    const std::string url = "ftp://127.0.0.1:" + std::to_string(server.Port()) + "/ftp.mp3";
    const DWORD stream = BASS_StreamCreateURL(url.c_str(), 0, BASS_STREAM_META, nullptr, 0);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_END), body.size());
    SyncRecorder downloads;
    downloads.Watch(stream, BASS_SYNC_DOWNLOAD);
    ASSERT_TRUE(WaitUntil([&] { return downloads.calls > 0; }, 3.0));
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, BASS_StreamGetLength(stream)), 1.0, 0.06);
    const char* id3v1 = BASS_StreamGetTags(stream, BASS_TAG_ID3);
    ASSERT_NE(id3v1, nullptr);
    EXPECT_EQ(std::string(id3v1 + 3, 9), "Ftp Title");
    EXPECT_TRUE(BASS_StreamFree(stream));
}

TEST_F(BassNetwork, DownloadFinishedBeforeTheSyncIsSetIsStillToldOnce) {
    const std::string mp3 = EncodeMp3(
        dir_, MakeSineWav(dir_, "tone.wav", 1000, 0.3, 0.5, "-b 16 -e signed-integer"), "a.mp3");
    const std::string body = Text(ReadFile(mp3));
    TestHttpServer server([&](int socket, const std::string&) {
        TestHttpServer::Send(socket, "HTTP/1.0 200 OK\r\nContent-Length: " +
                                         std::to_string(body.size()) + "\r\n\r\n" + body);
    });
    const DWORD stream = BASS_StreamCreateURL(server.Url("/a.mp3").c_str(), 0, 0, nullptr, 0);
    ASSERT_NE(stream, 0u);
    ASSERT_TRUE(WaitUntil(
        [&] { return BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD) == body.size(); },
        2.0));
    Pause(100);
    SyncRecorder downloads;
    downloads.Watch(stream, BASS_SYNC_DOWNLOAD);
    ASSERT_TRUE(WaitUntil([&] { return downloads.calls > 0; }, 2.0));
    Pause(100);
    EXPECT_EQ(downloads.calls, 1);
}

TEST_F(BassNetwork, LiveStreamStripsMetadataTellsTitlesAndRecoversFromAStall) {
    const std::string mp3 = EncodeMp3(
        dir_, MakeSineWav(dir_, "tone.wav", 1000, 2.0, 0.5, "-b 16 -e signed-integer"), "live.mp3");
    const std::string audio = Text(ReadFile(mp3));
    const size_t interval = 4096;
    const std::string longText =
        "StreamTitle='Two';StreamUrl='" + std::string(4080 - 32, 'u') + "';";
    ASSERT_EQ(MetaBlock(longText)[0], static_cast<char>(255));
    // Interleave: one block after each interval of audio.
    std::vector<std::string> pieces;
    for (size_t at = 0, block = 0; at < audio.size(); at += interval, ++block) {
        std::string piece = audio.substr(at, interval);
        if (piece.size() == interval) {
            if (block == 0)
                piece += MetaBlock("StreamTitle='One';");
            else if (block == 4)
                piece += MetaBlock(longText);
            else if (block == 5)
                piece += MetaBlock("StreamTitle='Three';StreamUrl='';");
            else
                piece += std::string(1, '\0');
        }
        pieces.push_back(piece);
    }
    TestHttpServer server([&](int socket, const std::string&) {
        TestHttpServer::Send(
            socket, "ICY 200 OK\r\nicy-name:Tavuro test\r\nicy-br:128\r\nicy-metaint:4096\r\n\r\n");
        for (size_t i = 0; i < pieces.size(); ++i) {
            if (i == 4)
                Pause(2000); // a network that starves the player for a while
            if (!TestHttpServer::Send(socket, pieces[i]))
                return;
        }
    });
    const DWORD stream =
        BASS_StreamCreateURL(server.Url("/live").c_str(), 0, BASS_STREAM_META, nullptr, 0);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    const auto headers = Strings(BASS_StreamGetTags(stream, BASS_TAG_ICY));
    EXPECT_NE(std::find(headers.begin(), headers.end(), "icy-br:128"), headers.end());
    EXPECT_NE(std::find(headers.begin(), headers.end(), "icy-name:Tavuro test"), headers.end());
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_END), 0xFFFFFFFFu);
    EXPECT_STREQ(BASS_StreamGetTags(stream, BASS_TAG_META),
                 "StreamTitle='One';"); // came before the pause
    SyncRecorder metas, ends;
    metas.Watch(stream, BASS_SYNC_META);
    ends.Watch(stream, BASS_SYNC_END);
    ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, 0));
    bool stalled = false, recovered = false;
    WaitUntil(
        [&] {
            const DWORD active = BASS_ChannelIsActive(stream);
            stalled |= active == BASS_ACTIVE_STALLED;
            recovered |= stalled && active == BASS_ACTIVE_PLAYING;
            return ends.calls > 0;
        },
        8.0);
    EXPECT_TRUE(stalled);
    EXPECT_TRUE(recovered);
    EXPECT_EQ(ends.calls, 1);
    {
        std::lock_guard lock(metas.mutex);
        const std::vector<std::string> expected{longText, "StreamTitle='Three';StreamUrl='';"};
        EXPECT_EQ(metas.texts, expected);
    }
    EXPECT_STREQ(BASS_StreamGetTags(stream, BASS_TAG_META), "StreamTitle='Three';StreamUrl='';");
    device_.Free();
    const std::vector<float> heard = device_.output.TakeLeft();
    const Span sound = NonSilent(heard, 0.02f);
    EXPECT_NEAR(Frequency(heard, sound.first + 2000, sound.first + 30000), 1000, 10);
}

// An open with metadata asked for returns once the first block is in, so the title is known at
// open even when the decoder needs fewer bytes than come before that block.
TEST_F(BassNetwork, TheFirstTitleIsInWhenTheOpenReturns) {
    const std::string stream =
        IcyStream(ToneMp3(dir_, 2.0), 16384, {{0, "StreamTitle='First';"}});
    TestHttpServer server([&](int socket, const std::string&) {
        TestHttpServer::Send(socket, "ICY 200 OK\r\nicy-metaint:16384\r\n\r\n" +
                                         stream.substr(0, 8192));
        Pause(700); // enough audio to open with; the block comes later
        TestHttpServer::Send(socket, stream.substr(8192));
        Pause(2000);
    });
    const DWORD channel =
        BASS_StreamCreateURL(server.Url("/live").c_str(), 0, BASS_STREAM_META, nullptr, 0);
    ASSERT_NE(channel, 0u) << BASS_ErrorGetCode();
    EXPECT_STREQ(BASS_StreamGetTags(channel, BASS_TAG_META), "StreamTitle='First';");
}

// Where no title can come before the deadline, the open does not wait for one: an empty first
// block, a block farther away than the buffer holds, or no metadata asked for.
TEST_F(BassNetwork, AnOpenWaitsForNoTitleThatCannotCome) {
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 3000);
    const std::string audio = ToneMp3(dir_, 2.0);
    struct Case {
        const char* name;
        std::string head, body;
        DWORD flags;
    } cases[] = {
        {"empty first block", "ICY 200 OK\r\nicy-metaint:4096\r\n\r\n",
         IcyStream(audio, 4096, {}).substr(0, 20000), BASS_STREAM_META},
        {"block beyond the buffer", "ICY 200 OK\r\nicy-metaint:2000000\r\n\r\n",
         audio + audio + audio + audio + audio + audio + audio + audio, BASS_STREAM_META},
        {"no metadata asked for", "ICY 200 OK\r\nicy-metaint:16384\r\n\r\n",
         audio.substr(0, 8192), 0},
    };
    for (const Case& item : cases) {
        std::atomic<bool> done{false};
        TestHttpServer server([&](int socket, const std::string&) {
            TestHttpServer::Send(socket, item.head + item.body);
            WaitUntil([&] { return done.load(); }, 5.0);
        });
        const auto start = std::chrono::steady_clock::now();
        const DWORD channel =
            BASS_StreamCreateURL(server.Url("/live").c_str(), 0, item.flags, nullptr, 0);
        EXPECT_NE(channel, 0u) << item.name << ": " << BASS_ErrorGetCode();
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                  1.0)
            << item.name;
        EXPECT_EQ(BASS_StreamGetTags(channel, BASS_TAG_META), nullptr) << item.name;
        BASS_StreamFree(channel);
        done = true;
    }
}

namespace {

} // namespace

TEST_F(BassNetwork, RefusedConnectionGivesZeroAtOnce) {
    const auto start = std::chrono::steady_clock::now();
    const std::string port = std::to_string(tavuro::testing_support::ClosedLoopbackPort());
    EXPECT_EQ(BASS_StreamCreateURL(("http://127.0.0.1:" + port + "/x.mp3").c_str(), 0,
                                   BASS_STREAM_META, nullptr, 0),
              0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NONET);
    EXPECT_EQ(
        BASS_StreamCreateURL(("ftp://127.0.0.1:" + port + "/x.mp3").c_str(), 0, 0, nullptr, 0), 0u);
    EXPECT_NE(BASS_ErrorGetCode(), BASS_OK);
    EXPECT_EQ(BASS_WMA_StreamCreateFile(FALSE, ("mms://127.0.0.1:" + port + "/x").c_str(), 0, 0,
                                        BASS_WMA_STREAM_URL),
              0u);
    EXPECT_NE(BASS_ErrorGetCode(), BASS_OK);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.0);
}

struct SilentServerCase {
    const char* name;
    const char* head; // what the server says before going quiet
};

void PrintTo(const SilentServerCase& server, std::ostream* out) {
    *out << server.name;
}

// Each case over plain HTTP, and over TLS.
using SilentServerParam = std::tuple<SilentServerCase, bool>;

class BassSilentServer : public testing::TestWithParam<SilentServerParam> {};

TEST_P(BassSilentServer, GivesZeroWithinTheTimeout) {
    const auto& [silent, overTls] = GetParam();
    TempDir dir;
    const CaseTransport transport(dir, overTls);
    ASSERT_TRUE(transport.ok());
    Device device(dir);
    ASSERT_TRUE(device.ok);
    std::atomic<bool> done{false};
    TestHttpServer server(
        [&](int socket, const std::string&) {
            TestHttpServer::Send(socket, silent.head);
            WaitUntil([&] { return done.load(); }, 5.0);
        },
        false, transport.Layer());
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 800);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(BASS_StreamCreateURL(server.Url("/live").c_str(), 0, BASS_STREAM_META, nullptr, 0),
              0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_TIMEOUT);
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GT(elapsed, 0.7);
    EXPECT_LT(elapsed, 1.5);
    done = true;
}

INSTANTIATE_TEST_SUITE_P(
    Servers, BassSilentServer,
    testing::Combine(testing::Values(SilentServerCase{"NeverAnswers", ""},
                                     SilentServerCase{"HeadersButNoAudio",
                                                      "ICY 200 OK\r\nicy-metaint:8192\r\n\r\n"}),
                     testing::Bool()),
    [](const testing::TestParamInfo<SilentServerParam>& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "OverTls" : "");
    });

TEST_F(BassNetwork, MissingFileAndBadAddressesGiveZeroWithAnErrorCode) {
    TestHttpServer server([&](int socket, const std::string&) {
        TestHttpServer::Send(socket, "HTTP/1.0 404 Not Found\r\n\r\n");
    });
    EXPECT_EQ(BASS_StreamCreateURL(server.Url("/none.mp3").c_str(), 0, 0, nullptr, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
    EXPECT_EQ(BASS_StreamCreateURL("gopher://127.0.0.1/x", 0, 0, nullptr, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_EQ(BASS_StreamCreateURL(nullptr, 0, 0, nullptr, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
}

namespace {

// An Ogg file of a tone, titled: Vorbis unless another encoder is named ("{in}", "{out}" and
// "{title}" in it stand for the tone, the file and the title). Sine tones compress far below
// the nominal bit rate, so a length estimated from that rate would be much too short.
std::string OggTone(const TempDir& dir, const std::string& name, double frequency, double seconds,
                    const std::string& title,
                    std::string encoder = "oggenc --quiet -q 4 -t '{title}' -o {out} {in}") {
    const std::string wav =
        MakeSineWav(dir, name + ".wav", frequency, seconds, 0.5, "-b 16 -e signed-integer");
    encoder.replace(encoder.find("{title}"), 7, title);
    return Text(ReadFile(Encode(dir, wav, name + ".ogg", encoder)));
}

// The Ogg codecs a net file may carry.
struct OggCodec {
    const char* name;
    const char* encoder;
    bool countInHeader; // the first packet tells the sample count (FLAC's STREAMINFO)
};
const OggCodec kOggCodecs[] = {
    {"Vorbis", "oggenc --quiet -q 4 -t '{title}' -o {out} {in}", false},
    {"Opus", "opusenc --quiet --title '{title}' {in} {out}", false},
    {"Flac", "flac -s -f --ogg -T 'TITLE={title}' -o {out} {in}", true},
};
void PrintTo(const OggCodec& codec, std::ostream* out) {
    *out << codec.name;
}

// Keeps the comment lists that metadata syncs carry.
struct CommentListRecorder {
    std::atomic<int> calls{0};
    std::mutex mutex; // protects lists
    std::vector<std::vector<std::string>> lists;
    static void Proc(HSYNC, DWORD, DWORD_PTR data, DWORD_PTR user) {
        auto* recorder = reinterpret_cast<CommentListRecorder*>(user);
        std::lock_guard lock(recorder->mutex);
        recorder->lists.push_back(Strings(reinterpret_cast<const char*>(data)));
        ++recorder->calls;
    }
};

} // namespace

class BassNetOgg : public BassNetwork, public testing::WithParamInterface<OggCodec> {};

TEST_P(BassNetOgg, WithALengthTellsItsTrueLengthFromTheEndOfTheFile) {
    const std::string body = OggTone(dir_, "net", 1000, 8.0, "Net Ogg", GetParam().encoder);
    std::atomic<bool> release{false};
    TestHttpServer server([&](int socket, const std::string&) {
        ServeFile(socket, body, true, 1024, [&] { return release.load(); });
    });
    const DWORD stream =
        BASS_StreamCreateURL(server.Url("/net.ogg").c_str(), 0, BASS_STREAM_META, nullptr, 0);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, BASS_StreamGetLength(stream)), 8.0, 0.01);
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_END), body.size());
    release = true;
}

TEST_P(BassNetOgg, FromAServerWithoutRangesHasNoLengthUntilItIsIn) {
    const std::string body = OggTone(dir_, "net", 1000, 3.0, "Net Ogg", GetParam().encoder);
    std::atomic<bool> release{false};
    TestHttpServer server([&](int socket, const std::string&) {
        ServeFile(socket, body, false, 1024, [&] { return release.load(); });
    });
    const DWORD stream =
        BASS_StreamCreateURL(server.Url("/net.ogg").c_str(), 0, BASS_STREAM_META, nullptr, 0);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    if (GetParam().countInHeader)
        EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, BASS_StreamGetLength(stream)), 3.0, 0.001);
    else
        EXPECT_EQ(BASS_StreamGetLength(stream), ~QWORD{0}) << "no estimate stands in for it";
    SyncRecorder downloads;
    downloads.Watch(stream, BASS_SYNC_DOWNLOAD);
    release = true;
    ASSERT_TRUE(WaitUntil([&] { return downloads.calls > 0; }, 5.0));
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, BASS_StreamGetLength(stream)), 3.0, 0.01);
    // Positions beyond what was first known are reachable once the whole file is in.
    EXPECT_TRUE(BASS_ChannelSetPosition(stream, BASS_ChannelSeconds2Bytes(stream, 2.5f)));
}

INSTANTIATE_TEST_SUITE_P(Codecs, BassNetOgg, testing::ValuesIn(kOggCodecs),
                         [](const testing::TestParamInfo<OggCodec>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(BassNetwork, AChainedOggStreamTellsTheCommentsOfEachNewSong) {
    const std::string first = OggTone(dir_, "first", 1000, 1.5, "First Song");
    const std::string second = OggTone(dir_, "second", 2000, 1.5, "Second Song");
    std::atomic<bool> release{false};
    TestHttpServer server([&](int socket, const std::string&) {
        TestHttpServer::Send(socket, "HTTP/1.0 200 OK\r\nContent-Type: application/ogg\r\n\r\n");
        SendPaced(socket, first, 4096, 20);
        WaitUntil([&] { return release.load(); }, 5.0);
        SendPaced(socket, second, 4096, 20);
    });
    const DWORD stream =
        BASS_StreamCreateURL(server.Url("/radio").c_str(), 0, BASS_STREAM_META, nullptr, 0);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    const auto firstComments = Strings(BASS_StreamGetTags(stream, BASS_TAG_OGG));
    EXPECT_NE(std::find(firstComments.begin(), firstComments.end(), "title=First Song"),
              firstComments.end());
    CommentListRecorder metas;
    SyncRecorder ends;
    BASS_ChannelSetSync(stream, BASS_SYNC_META, 0, &CommentListRecorder::Proc,
                        reinterpret_cast<DWORD_PTR>(&metas));
    ends.Watch(stream, BASS_SYNC_END);
    ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, 0));
    release = true;
    ASSERT_TRUE(WaitUntil([&] { return metas.calls > 0; }, 5.0));
    {
        std::lock_guard lock(metas.mutex);
        EXPECT_NE(
            std::find(metas.lists.front().begin(), metas.lists.front().end(), "title=Second Song"),
            metas.lists.front().end());
    }
    const auto secondComments = Strings(BASS_StreamGetTags(stream, BASS_TAG_OGG));
    EXPECT_NE(std::find(secondComments.begin(), secondComments.end(), "title=Second Song"),
              secondComments.end());
    ASSERT_TRUE(WaitUntil([&] { return ends.calls > 0; }, 6.0));
    EXPECT_EQ(metas.calls, 1);
    device_.Free();
    const std::vector<float> heard = device_.output.TakeLeft();
    const Span sound = NonSilent(heard, 0.02f);
    EXPECT_NEAR(sound.Seconds(), 3.0, 0.2);
    EXPECT_NEAR(Frequency(heard, sound.last - 30000, sound.last - 2000), 2000, 20);
}

TEST_F(BassNetwork, AMetadataIntervalOutOfRangeMeansNoMetadata) {
    const std::string mp3 = EncodeMp3(
        dir_, MakeSineWav(dir_, "tone.wav", 1000, 1.0, 0.5, "-b 16 -e signed-integer"), "a.mp3");
    const std::string audio = Text(ReadFile(mp3));
    TestHttpServer server([&](int socket, const std::string&) {
        // 2^32 + 16 would wrap to an interval of 16 bytes.
        TestHttpServer::Send(socket, "ICY 200 OK\r\nicy-metaint:4294967312\r\n\r\n" + audio);
    });
    const DWORD stream =
        BASS_StreamCreateURL(server.Url("/live").c_str(), 0, BASS_STREAM_META, nullptr, 0);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    SyncRecorder ends;
    ends.Watch(stream, BASS_SYNC_END);
    ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, 0));
    ASSERT_TRUE(WaitUntil([&] { return ends.calls > 0; }, 4.0));
    ExpectToneHeard(device_, 1.0, 0.1);
}
