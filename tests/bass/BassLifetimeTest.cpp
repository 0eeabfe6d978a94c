// Freeing a channel while its callbacks run: once the free returns, none of them runs again.
// Meant to be run under AddressSanitizer and ThreadSanitizer as well.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "BassTestSupport.h"

using namespace basstest;

namespace {

// Owned by one round of the test and deleted right after the free: a late callback would
// touch freed memory.
struct Witness {
    std::atomic<int> calls{0};
    static void Sync(HSYNC, DWORD, DWORD_PTR, DWORD_PTR user) {
        auto* witness = reinterpret_cast<Witness*>(user);
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        ++witness->calls;
    }
    static DWORD Proc(HSTREAM, void* buffer, DWORD length, DWORD_PTR user) {
        auto* witness = reinterpret_cast<Witness*>(user);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ++witness->calls;
        std::memset(buffer, 0, length);
        return length;
    }
};

} // namespace

TEST(BassLifetime, FreeingALiveStreamWhileMetadataSyncsFireIsClean) {
    TempDir dir;
    const std::string mp3 = EncodeMp3(
        dir, MakeSineWav(dir, "tone.wav", 1000, 2.0, 0.5, "-b 16 -e signed-integer"), "live.mp3");
    const std::vector<uint8_t> bytes = ReadFile(mp3);
    const std::string audio(bytes.begin(), bytes.end());
    TestHttpServer server([&](int socket, const std::string&) {
        if (!TestHttpServer::Send(socket, "ICY 200 OK\r\nicy-metaint:512\r\n\r\n"))
            return;
        for (size_t at = 0; at + 512 <= audio.size(); at += 512) {
            const std::string title = "StreamTitle='" + std::to_string(at) + "';";
            std::string block(1, static_cast<char>((title.size() + 15) / 16));
            block += title;
            block.resize(1 + static_cast<size_t>(block[0]) * 16, '\0');
            if (!TestHttpServer::Send(socket, audio.substr(at, 512) + block))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    Device device(dir);
    ASSERT_TRUE(device.ok);
    for (int round = 0; round < 6; ++round) {
        auto witness = std::make_unique<Witness>();
        const DWORD stream =
            BASS_StreamCreateURL(server.Url("/live").c_str(), 0, BASS_STREAM_META, nullptr, 0);
        ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
        const auto user = reinterpret_cast<DWORD_PTR>(witness.get());
        BASS_ChannelSetSync(stream, BASS_SYNC_META, 0, &Witness::Sync, user);
        BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, &Witness::Sync, user);
        BASS_StreamPlay(stream, FALSE, 0);
        ASSERT_TRUE(WaitUntil([&] { return witness->calls > round % 3; }, 3.0));
        ASSERT_TRUE(BASS_StreamFree(stream));
        const int calls = witness->calls;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_EQ(witness->calls, calls);
    }
}

TEST(BassLifetime, FreeingAUserStreamWhileItsCallbackRunsIsClean) {
    TempDir dir;
    Device device(dir);
    ASSERT_TRUE(device.ok);
    for (int round = 0; round < 10; ++round) {
        auto witness = std::make_unique<Witness>();
        const DWORD stream = BASS_StreamCreate(44100, 2, 0, &Witness::Proc,
                                               reinterpret_cast<DWORD_PTR>(witness.get()));
        ASSERT_NE(stream, 0u);
        BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, &Witness::Sync,
                            reinterpret_cast<DWORD_PTR>(witness.get()));
        ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, 0));
        ASSERT_TRUE(WaitUntil([&] { return witness->calls > round % 4; }, 2.0));
        ASSERT_TRUE(BASS_StreamFree(stream));
        const int calls = witness->calls;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(witness->calls, calls);
    }
}

TEST(BassLifetime, FreeFromInsideItsOwnEndSyncDoesNotDeadlock) {
    TempDir dir;
    const std::string wav =
        MakeSineWav(dir, "short.wav", 1000, 0.1, 0.5, "-b 16 -e signed-integer");
    Device device(dir);
    ASSERT_TRUE(device.ok);
    static std::atomic<int> freed{0};
    const DWORD stream = BASS_StreamCreateFile(FALSE, wav.c_str(), 0, 0, 0);
    BASS_ChannelSetSync(
        stream, BASS_SYNC_END, 0,
        [](HSYNC, DWORD channel, DWORD_PTR, DWORD_PTR) {
            freed += BASS_StreamFree(channel) ? 1 : 0;
        },
        0);
    ASSERT_TRUE(BASS_StreamPlay(stream, FALSE, 0));
    EXPECT_TRUE(WaitUntil([&] { return freed.load() == 1; }, 2.0));
    EXPECT_EQ(BASS_ChannelIsActive(stream), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
}
