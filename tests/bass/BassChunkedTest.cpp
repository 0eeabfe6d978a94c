// Chunked answers and the encodings of an answer's body: a chunked file and a chunked live stream
// with Shoutcast metadata inside its chunks play, over plain HTTP and over TLS; a compressed
// body is refused, as none is asked for.
#include <gtest/gtest.h>

#include <sstream>

#include "BassTestSupport.h"
#include "TlsTestServer.h"

using namespace basstest;

namespace {

std::string Chunk(const std::string& data, const std::string& extension = "") {
    std::ostringstream size;
    size << std::hex << data.size();
    return size.str() + extension + "\r\n" + data + "\r\n";
}

// `body` in chunks of uneven sizes, some with extensions, then the last chunk and a trailer.
std::string Chunked(const std::string& body) {
    constexpr size_t kSizes[] = {1, 1000, 4096, 333, 16384, 77};
    std::string framed;
    for (size_t at = 0, i = 0; at < body.size(); at += kSizes[i % 6], ++i)
        framed += Chunk(body.substr(at, kSizes[i % 6]), i % 4 == 1 ? ";part=" + std::to_string(i) : "");
    return framed + "0\r\nX-Checksum: none\r\n\r\n";
}

// Over plain HTTP (false) and over TLS (true).
class BassChunked : public testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        ASSERT_TRUE(transport_.ok());
        ASSERT_TRUE(device_.ok);
    }
    std::shared_ptr<ConnectionLayer> Layer() const { return transport_.Layer(); }
    TempDir dir_;
    const CaseTransport transport_{dir_, GetParam()};
    Device device_{dir_};
};

} // namespace

TEST_P(BassChunked, AFileEndsWithItsLastChunkAndPlaysWhole) {
    const std::string body = ToneMp3(dir_, 1.0);
    std::atomic<bool> done{false};
    TestHttpServer server(
        [&](int socket, const std::string&) {
            TestHttpServer::Send(socket, "HTTP/1.1 200 OK\r\nContent-Type: audio/mpeg\r\n"
                                         "Transfer-Encoding: chunked\r\n\r\n");
            SendPaced(socket, Chunked(body), 3000, 20);
            // Kept open, as a server that keeps connections alive does: the last chunk ends it.
            WaitUntil([&] { return done.load(); }, 10.0);
        },
        false, Layer());
    const DWORD stream =
        BASS_StreamCreateURL(server.Url("/music/tone.mp3").c_str(), 0, 0, nullptr, 0);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    SyncRecorder downloads, ends;
    downloads.Watch(stream, BASS_SYNC_DOWNLOAD);
    ends.Watch(stream, BASS_SYNC_END);
    ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, 0));
    ASSERT_TRUE(WaitUntil([&] { return downloads.calls > 0; }, 3.0));
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_END), body.size());
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, BASS_StreamGetLength(stream)), 1.0, 0.06);
    ASSERT_TRUE(WaitUntil([&] { return ends.calls > 0; }, 3.0));
    done = true;
    ExpectToneHeard(device_, 1.0, 0.1);
}

TEST_P(BassChunked, AContentLengthBesideTheChunksIsIgnored) {
    const std::string body = ToneMp3(dir_, 1.0);
    TestHttpServer server(
        [&](int socket, const std::string&) {
            // Half the true length: a client that believed it would cut the file in two.
            TestHttpServer::Send(socket, "HTTP/1.1 200 OK\r\nContent-Type: audio/mpeg\r\n"
                                         "Content-Length: " + std::to_string(body.size() / 2) +
                                             "\r\nTransfer-Encoding: chunked\r\n\r\n" +
                                             Chunked(body));
        },
        false, Layer());
    const DWORD stream =
        BASS_StreamCreateURL(server.Url("/music/tone.mp3").c_str(), 0, 0, nullptr, 0);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    SyncRecorder downloads, ends;
    downloads.Watch(stream, BASS_SYNC_DOWNLOAD);
    ends.Watch(stream, BASS_SYNC_END);
    ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, 0));
    ASSERT_TRUE(WaitUntil([&] { return downloads.calls > 0; }, 3.0));
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_END), body.size());
    ASSERT_TRUE(WaitUntil([&] { return ends.calls > 0; }, 3.0));
    ExpectToneHeard(device_, 1.0, 0.1);
}

TEST_P(BassChunked, ALiveStreamTellsTheTitlesInsideItsChunks) {
    // Chunks of 1000 bytes against blocks every 4096: blocks straddle the chunks' framing.
    const std::string stream = IcyStream(
        ToneMp3(dir_, 2.0), 4096,
        {{0, "StreamTitle='One';"}, {5, "StreamTitle='Two';"}, {7, "StreamTitle='Three';"}});
    std::string framed;
    for (size_t at = 0; at < stream.size(); at += 1000)
        framed += Chunk(stream.substr(at, 1000));
    framed += "0\r\n\r\n";
    // The first 16 chunks open the stream; the titles after them come once it is open.
    const size_t opening = 16 * Chunk(std::string(1000, 'x')).size();
    std::atomic<bool> opened{false};
    TestHttpServer server(
        [&](int socket, const std::string&) {
            TestHttpServer::Send(socket, "HTTP/1.1 200 OK\r\nicy-metaint:4096\r\n"
                                         "Transfer-Encoding: chunked\r\n\r\n" +
                                             framed.substr(0, opening));
            WaitUntil([&] { return opened.load(); }, 5.0);
            SendPaced(socket, framed.substr(opening), 4096, 100);
        },
        false, Layer());
    const DWORD channel =
        BASS_StreamCreateURL(server.Url("/live").c_str(), 0, BASS_STREAM_META, nullptr, 0);
    opened = true;
    ASSERT_NE(channel, 0u) << BASS_ErrorGetCode();
    EXPECT_STREQ(BASS_StreamGetTags(channel, BASS_TAG_META), "StreamTitle='One';");
    const std::vector<std::string> expected{"StreamTitle='Two';", "StreamTitle='Three';"};
    EXPECT_EQ(PlayToEndTakingMetadata(channel, 6.0), expected);
    ExpectToneHeard(device_, 2.0, 0.1);
}

INSTANTIATE_TEST_SUITE_P(Transports, BassChunked, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "OverTls" : "Plain");
                         });

TEST(BassEncodedAnswer, IsRefusedAndNeverAskedFor) {
    TempDir dir;
    Device device(dir);
    ASSERT_TRUE(device.ok);
    const std::string body = ToneMp3(dir, 0.5);
    const char* const kRefusedHeads[] = {"Content-Encoding: gzip\r\n",
                                         "Content-Encoding: br\r\n",
                                         "Transfer-Encoding: gzip, chunked\r\n"};
    for (const char* head : kRefusedHeads) {
        std::atomic<bool> askedForIdentity{false};
        TestHttpServer server([&](int socket, const std::string&) {
            askedForIdentity =
                TestHttpServer::Request().find("\r\nAccept-Encoding: identity\r\n") !=
                std::string::npos;
            TestHttpServer::Send(socket, "HTTP/1.1 200 OK\r\nContent-Type: audio/mpeg\r\n" +
                                             std::string(head) + "\r\n" + body);
        });
        EXPECT_EQ(BASS_StreamCreateURL(server.Url("/tone.mp3").c_str(), 0, 0, nullptr, 0), 0u)
            << head;
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM) << head;
        EXPECT_TRUE(askedForIdentity);
    }
}
