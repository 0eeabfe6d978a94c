#include "plugins/OutputEmulator.h"
#include "platform/Dialogs.h"
#include "plugins/MessageWindow.h"
#include "plugins/PluginHost.h"
#include "tests/plugins/FakeBass.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <future>
#include <limits>
#include <string>
#include <thread>
#include <vector>

using namespace tavuro;
using namespace tavuro::test;
using namespace std::chrono_literals;

namespace {

using TBytes = std::vector<std::uint8_t>;
using TCalls = std::vector<std::string>;

constexpr int kCdBytesPerSecond = 176400;

// Bytes that tell their place: a misplaced or lost byte shows in a comparison.
TBytes Pattern(std::size_t count, std::uint8_t seed) {
    TBytes bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 251);
    return bytes;
}

// The engine's side of the notices: what reaches its window, in order.
struct TNotices {
    struct TNotice {
        std::uint32_t Message;
        std::uintptr_t WParam;
        std::intptr_t LParam;
    };
    std::vector<TNotice> Received;
    TMessageWindow Window{
        [this](std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
            Received.push_back({message, wParam, lParam});
        }};

    // Handles what is queued, then hands over what arrived. Twice: the host window passes a
    // notice on with a post of its own.
    std::vector<TNotice> Take() {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return std::exchange(Received, {});
    }
};

// The result of a plug-in thread, handling the GUI thread's events meanwhile, so that a thread
// stuck on the GUI thread goes on and the test can end.
template <typename T> T GetPumping(std::future<T>& result) {
    while (result.wait_for(10ms) != std::future_status::ready)
        QCoreApplication::processEvents();
    return result.get();
}

class OutputEmulatorTest : public testing::Test {
protected:
    void SetUp() override {
        FakeBass().Reset();
        ASSERT_TRUE(InitPluginHost(FakeBassLibrary(), Dialogs));
        Out = GetOutputModule();
        ASSERT_NE(Out, nullptr);
        SetNotifyWindow(Notices.Window.Handle());
        SetStreamLength(0);
    }
    void TearDown() override {
        QuitPluginHost();
        SetNotifyWindow(0);
    }

    // Opens 44.1 kHz 16-bit stereo; forgets the calls and notices that took.
    void OpenCd() {
        ASSERT_EQ(Out->Open(44100, 2, 16, 0, 0), 0);
        FakeBass().TakeCalls();
        Notices.Take();
    }
    int Write(const TBytes& bytes) {
        return Out->Write(reinterpret_cast<char*>(const_cast<std::uint8_t*>(bytes.data())),
                          static_cast<int>(bytes.size()));
    }
    int Write(std::size_t count) { return Write(Pattern(count, 0)); }
    // Buffers the 0.4 s that start playback and lets the host window start the stream.
    void StartPlaying() {
        ASSERT_EQ(Write(70560), 0);
        ASSERT_EQ(Notices.Take().size(), 1u);
        ASSERT_EQ(FakeBass().TakeCalls(), TCalls{"StreamPlay 100 0"});
    }
    DWORD Pull(TBytes& buffer, std::size_t length) {
        buffer.resize(length);
        return FakeBass().Pull(buffer.data(), static_cast<DWORD>(length));
    }

    TRecordingDialogs Dialogs;
    TNotices Notices;
    Out_Module* Out = nullptr;
};

} // namespace

TEST_F(OutputEmulatorTest, TheRecordNamesTheEmulatorAndPointsAtTheHostWindow) {
    EXPECT_EQ(Out->version, 16);
    EXPECT_STREQ(Out->description, "BASS Winamp output plug-in emulator");
    EXPECT_EQ(Out->id, 65537);
    EXPECT_NE(GetHostWindow(), 0u);
    EXPECT_EQ(Out->hMainWindow, GetHostWindow());
    EXPECT_EQ(Out->hDllInstance, nullptr);
}

TEST_F(OutputEmulatorTest, OpenCreatesTheStreamAndTellsTheEngineItsHandle) {
    ASSERT_EQ(Out->Open(44100, 2, 16, 0, 0), 0);
    EXPECT_EQ(FakeBass().CreatedRate, 44100u);
    EXPECT_EQ(FakeBass().CreatedChannels, 2u);
    EXPECT_EQ(FakeBass().CreatedFlags, 0u);
    auto notices = Notices.Take();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].Message, kMsgStreamCreated);
    EXPECT_EQ(notices[0].WParam, 100u);

    // Opening again without a close: the first stream must not drain the ring as well.
    FakeBass().TakeCalls();
    ASSERT_EQ(Out->Open(22050, 1, 8, 0, 0), 0);
    EXPECT_EQ(FakeBass().TakeCalls(), (TCalls{"StreamFree 100", "StreamCreate"}));
    EXPECT_EQ(FakeBass().CreatedFlags, static_cast<DWORD>(BASS_SAMPLE_8BITS));
    notices = Notices.Take();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].WParam, 101u);

    EXPECT_EQ(Out->Open(44100, 2, 24, 0, 0), -1); // the library plays 8 and 16 bits only
    FakeBass().NextStream = 0;                    // the library refuses
    EXPECT_EQ(Out->Open(44100, 2, 16, 0, 0), -1);
    EXPECT_TRUE(Notices.Take().empty());
}

TEST_F(OutputEmulatorTest, AWriteOfExactlyCanWriteIsAcceptedAndOneByteMoreIsRefused) {
    OpenCd();
    EXPECT_EQ(Out->CanWrite(), 88199);
    ASSERT_EQ(Write(1000), 0);
    const int room = Out->CanWrite();
    EXPECT_EQ(room, 87199);

    EXPECT_EQ(Write(room + 1), 1);
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, "Write error : No Space");
    EXPECT_EQ(Dialogs.Messages[0].Title, "Error");
    EXPECT_EQ(Dialogs.Messages[0].Buttons, TMessageButtons::mbOkCancel);
    EXPECT_EQ(Out->CanWrite(), room); // nothing was copied

    EXPECT_EQ(Write(room), 0);
    EXPECT_EQ(Out->CanWrite(), 0);
    EXPECT_EQ(Out->GetWrittenTime(), 500); // 88199 bytes of 176400 a second, rounded
    EXPECT_EQ(Dialogs.Messages.size(), 1u);
}

TEST_F(OutputEmulatorTest, AWriteAcrossTheEndIsSplitAndAShortRequestEndsTheStream) {
    OpenCd();
    const TBytes first = Pattern(80000, 1);
    TBytes buffer;
    ASSERT_EQ(Write(first), 0);
    ASSERT_EQ(Pull(buffer, 80000), 80000u);
    EXPECT_EQ(buffer, first);

    // 8200 bytes fill the end of the ring, the other 11800 start at offset 0.
    const TBytes second = Pattern(20000, 2);
    ASSERT_EQ(Write(second), 0);
    EXPECT_EQ(Out->CanWrite(), 88199 - 20000);
    // More is asked than the ring holds: the buffered bytes come, with the end of the stream.
    EXPECT_EQ(Pull(buffer, 30000), 20000u + BASS_STREAMPROC_END);
    buffer.resize(20000);
    EXPECT_EQ(buffer, second);
    EXPECT_EQ(Out->CanWrite(), 88199); // read and write positions met at 11800
    EXPECT_EQ(Pull(buffer, 100), BASS_STREAMPROC_END);
}

TEST_F(OutputEmulatorTest, PlaybackStartsOnceTwiceThePrebufferIsInOrTheRingIsNearlyFull) {
    struct Case {
        int Rate, Channels, Bits;
        int StartsAt; // bytes buffered when the stream starts
    } cases[] = {
        {44100, 2, 16, 70560}, // prebuffer 35280
        {22050, 1, 8, 8820},
        {96000, 2, 16, 80008}, // 0.4 s would not fit: Free has come down to 8192
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Rate);
        SetStreamLength(183000);
        ASSERT_EQ(Out->Open(c.Rate, c.Channels, c.Bits, 0, 0), 0);
        const DWORD stream = FakeBass().Stream;
        FakeBass().TakeCalls();
        Notices.Take();

        ASSERT_EQ(Write(c.StartsAt - 1), 0);
        EXPECT_TRUE(Notices.Take().empty());
        EXPECT_TRUE(FakeBass().TakeCalls().empty());

        ASSERT_EQ(Write(1), 0);
        const auto notices = Notices.Take();
        EXPECT_EQ(FakeBass().TakeCalls(), TCalls{"StreamPlay " + std::to_string(stream) + " 0"});
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_EQ(notices[0].Message, kMsgStartPlay);
        const auto* info = reinterpret_cast<const TChannelInfo*>(notices[0].LParam);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->BitsPerSample, c.Bits);
        EXPECT_EQ(info->BitRate, 0);
        EXPECT_EQ(info->SampleRate, c.Rate);
        EXPECT_EQ(info->Length, 183000);
        EXPECT_EQ(info->Channels, c.Channels);
        Out->Close();
    }
}

TEST_F(OutputEmulatorTest, AFlushWhilePausedWaitsForASeek) {
    OpenCd();
    StartPlaying();
    ASSERT_EQ(Write(10000), 0);
    EXPECT_EQ(Out->Pause(1), 0);
    FakeBass().TakeCalls();
    const int written = Out->GetWrittenTime();
    const int room = Out->CanWrite();

    Out->Flush(5000);
    EXPECT_EQ(Out->GetWrittenTime(), written);
    EXPECT_EQ(Out->CanWrite(), room);
    EXPECT_TRUE(FakeBass().TakeCalls().empty());

    SetSeekPending();
    Out->Flush(5000);
    EXPECT_EQ(Out->GetWrittenTime(), 5000);
    EXPECT_EQ(Out->CanWrite(), 88199);
    EXPECT_EQ(FakeBass().TakeCalls(), TCalls{"ChannelStop 100"});

    // Stopped and not prebuffering: writing does not start the stream, unpausing restarts it.
    ASSERT_EQ(Write(70560), 0);
    EXPECT_TRUE(Notices.Take().empty());
    EXPECT_EQ(Out->Pause(0), 0);
    EXPECT_EQ(FakeBass().TakeCalls(), TCalls{"StreamPlay 100 1"});
}

TEST_F(OutputEmulatorTest, OutputTimeAfterAFlushCountsFromTheFlushTime) {
    OpenCd();
    StartPlaying();
    FakeBass().Position = 2 * kCdBytesPerSecond;
    EXPECT_EQ(Out->GetOutputTime(), 2000);

    Out->Flush(30000); // playing: the stream stops and prebuffers again
    EXPECT_EQ(FakeBass().TakeCalls(), TCalls{"ChannelStop 100"});
    EXPECT_EQ(Out->GetOutputTime(), 30000);
    StartPlaying();
    FakeBass().Position = kCdBytesPerSecond + 441 * 4; // 1.01 s
    EXPECT_EQ(Out->GetOutputTime(), 31010);
    EXPECT_EQ(Out->GetWrittenTime(), 30400);
}

TEST_F(OutputEmulatorTest, PauseResumesPausesOrRestartsByTheStreamState) {
    struct Case {
        const char* Name;
        DWORD Before;
        int Pause;
        int Result;
        TCalls Calls;
        DWORD After;
    } cases[] = {
        {"pausing a playing stream",
         BASS_ACTIVE_PLAYING,
         1,
         0,
         {"ChannelPause 100"},
         BASS_ACTIVE_PAUSED},
        {"pausing a paused stream", BASS_ACTIVE_PAUSED, 1, 1, {}, BASS_ACTIVE_PAUSED},
        {"resuming a paused stream",
         BASS_ACTIVE_PAUSED,
         0,
         1,
         {"ChannelResume 100"},
         BASS_ACTIVE_PLAYING},
        {"unpausing a playing stream", BASS_ACTIVE_PLAYING, 0, 0, {}, BASS_ACTIVE_PLAYING},
        {"unpausing a stopped stream",
         BASS_ACTIVE_STOPPED,
         0,
         0,
         {"StreamPlay 100 1"},
         BASS_ACTIVE_PLAYING},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        FakeBass().Reset();
        OpenCd();
        StartPlaying();
        FakeBass().Active = c.Before;
        EXPECT_EQ(Out->Pause(c.Pause), c.Result);
        EXPECT_EQ(FakeBass().TakeCalls(), c.Calls);
        EXPECT_EQ(FakeBass().Active, c.After);
    }
}

TEST_F(OutputEmulatorTest, VolumeIsClampedAndPanScaledForTheLibrary) {
    OpenCd();
    for (int volume : {300, -5, 128})
        Out->SetVolume(volume);
    for (int pan : {128, -128, 64, 1})
        Out->SetPan(pan);
    EXPECT_EQ(FakeBass().TakeCalls(),
              (TCalls{"SetConfig 5 255", "SetConfig 5 0", "SetConfig 5 128",
                      "ChannelSetAttributes 100 -1 -1 100", "ChannelSetAttributes 100 -1 -1 -100",
                      "ChannelSetAttributes 100 -1 -1 50", "ChannelSetAttributes 100 -1 -1 1"}));
}

TEST_F(OutputEmulatorTest, AfterTheEndOfPlaybackTheCallbackDrainsWithoutWaiting) {
    SetStreamLength(600000); // far from the end: a short ring would be waited for
    OpenCd();
    const TBytes tail = Pattern(10000, 3);
    ASSERT_EQ(Write(tail), 0);
    ASSERT_TRUE(PostWindowMessage(GetHostWindow(), kMsgPlaybackEnd));
    const auto notices = Notices.Take();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].Message, kMsgPlaybackEnd);

    const auto start = std::chrono::steady_clock::now();
    TBytes buffer;
    EXPECT_EQ(Pull(buffer, 15000), 10000u + BASS_STREAMPROC_END);
    buffer.resize(10000);
    EXPECT_EQ(buffer, tail);
    EXPECT_EQ(Pull(buffer, 100), BASS_STREAMPROC_END);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s); // no 3 s underrun wait
}

TEST_F(OutputEmulatorTest, ALateWriterIsWaitedForAndItsBytesDelivered) {
    SetStreamLength(600000);
    OpenCd();
    TBytes buffer;
    DWORD result = 0;
    std::thread mixer([&] { result = Pull(buffer, 8820); });
    std::this_thread::sleep_for(100ms); // the callback is waiting by now, or soon will be
    const TBytes late = Pattern(8820, 4);
    ASSERT_EQ(Write(late), 0);
    mixer.join();
    EXPECT_EQ(result, 8820u);
    EXPECT_EQ(buffer, late);
}

TEST_F(OutputEmulatorTest, JustAfterAResumeTheCallbackWaitsForTheWriterEvenNearTheEnd) {
    OpenCd(); // no stream length: no underrun wait
    StartPlaying();
    TBytes buffer;
    ASSERT_EQ(Pull(buffer, 70560), 70560u);
    ASSERT_EQ(Out->Pause(1), 0);
    ASSERT_EQ(Out->Pause(0), 1);
    DWORD result = 0;
    std::thread mixer([&] { result = Pull(buffer, 8820); });
    std::this_thread::sleep_for(100ms);
    const TBytes late = Pattern(8820, 6);
    ASSERT_EQ(Write(late), 0);
    mixer.join();
    EXPECT_EQ(result, 8820u);
    EXPECT_EQ(buffer, late);
    // Playback has got going again: a short ring now ends the stream at once.
    EXPECT_EQ(Pull(buffer, 100), BASS_STREAMPROC_END);
}

TEST_F(OutputEmulatorTest, ClosingEndsAWaitForDataAndDeliversNothing) {
    SetStreamLength(600000);
    OpenCd();
    TBytes buffer;
    DWORD result = 1;
    const auto start = std::chrono::steady_clock::now();
    std::thread mixer([&] { result = Pull(buffer, 8820); });
    std::this_thread::sleep_for(200ms); // the callback is waiting for data by now
    Out->Close();
    mixer.join();
    EXPECT_EQ(result, 0u); // neither old bytes nor the end of a stream that is gone
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

TEST_F(OutputEmulatorTest, AWriterAndTheCallbackOnTheirOwnThreadsPassEveryByteInOrder) {
    SetStreamLength(600000);
    OpenCd();
    constexpr std::size_t kTotal = 8820 * 200;
    const TBytes source = Pattern(kTotal, 5);
    std::thread plugin([&] {
        for (std::size_t at = 0; at < kTotal;) {
            const int block = static_cast<int>(std::min<std::size_t>(2304, kTotal - at));
            if (Out->CanWrite() < block) {
                std::this_thread::yield();
                continue;
            }
            ASSERT_EQ(
                Out->Write(reinterpret_cast<char*>(const_cast<std::uint8_t*>(&source[at])), block),
                0);
            at += static_cast<std::size_t>(block);
        }
    });
    TBytes heard, buffer;
    std::thread mixer([&] {
        while (heard.size() < kTotal) {
            ASSERT_EQ(Pull(buffer, 8820), 8820u);
            heard.insert(heard.end(), buffer.begin(), buffer.end());
        }
    });
    plugin.join();
    mixer.join();
    EXPECT_TRUE(heard == source);
}

TEST_F(OutputEmulatorTest, ConfigAndAboutFromAnotherThreadShowTheirBoxesWithoutWaiting) {
    Out->Config(0); // on the GUI thread: shown at once
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    // A plug-in thread returns at once, even while the GUI thread handles nothing: it may be
    // waiting for that very thread.
    std::thread plugin([&] { Out->About(0); });
    plugin.join();
    EXPECT_EQ(Dialogs.Messages.size(), 1u);
    QCoreApplication::processEvents();
    ASSERT_EQ(Dialogs.Messages.size(), 2u);
    EXPECT_EQ(Dialogs.Messages[0].Text, "No configuration is needed.");
    EXPECT_EQ(Dialogs.Messages[0].Title, "Confirm");
    EXPECT_EQ(Dialogs.Messages[1].Text, "This is a Winamp output plug-in emulator using BASS");
    EXPECT_EQ(Dialogs.Messages[1].Title, "Confirm");
    EXPECT_EQ(Dialogs.Messages[1].Buttons, TMessageButtons::mbOk);
}

TEST_F(OutputEmulatorTest, ARefusedWriteOnAPluginThreadNeverWaitsForTheGuiThread) {
    OpenCd();
    ASSERT_EQ(Write(80000), 0);
    // The GUI thread joins the plug-in's thread, as its Stop does, while that thread is refused.
    auto plugin = std::async(std::launch::async, [&] { return Write(20000); });
    const bool joined = plugin.wait_for(3s) == std::future_status::ready;
    EXPECT_TRUE(joined) << "the plug-in's thread waits for a box the GUI thread cannot show";
    EXPECT_EQ(GetPumping(plugin), 1);
    QCoreApplication::processEvents();
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, "Write error : No Space");
    // While one box is waiting or showing, more refusals add none.
    auto again = std::async(std::launch::async, [&] { return Write(20000) + Write(20000); });
    EXPECT_TRUE(again.wait_for(3s) == std::future_status::ready);
    EXPECT_EQ(GetPumping(again), 2);
    QCoreApplication::processEvents();
    EXPECT_EQ(Dialogs.Messages.size(), 2u);
}

TEST_F(OutputEmulatorTest, TimesNearTheLargestMillisecondCountStopThereInsteadOfWrapping) {
    OpenCd();
    StartPlaying();
    Out->Flush(std::numeric_limits<int>::max() - 100);
    FakeBass().Position = kCdBytesPerSecond; // a second played since
    EXPECT_EQ(Out->GetOutputTime(), std::numeric_limits<int>::max());
    ASSERT_EQ(Write(kCdBytesPerSecond / 4), 0);
    EXPECT_EQ(Out->GetWrittenTime(), std::numeric_limits<int>::max());
}

TEST_F(OutputEmulatorTest, AWriteAfterTheOutputQuitIsRefused) {
    OpenCd();
    Out->Quit();
    EXPECT_EQ(Write(100), 1);
    EXPECT_EQ(Out->CanWrite(), 0);
    EXPECT_TRUE(Dialogs.Messages.empty());
    Out->Init(); // for the host's own Quit at tear-down
}

TEST_F(OutputEmulatorTest, AWriterRacingTheHostShutdownNeverTouchesTheFreedRing) {
    OpenCd();
    std::atomic<bool> stop{false};
    std::thread plugin([&] {
        const TBytes block = Pattern(4000, 7);
        while (!stop) {
            if (Write(block) != 0)
                std::this_thread::yield();
            Out->Flush(0);
        }
    });
    std::this_thread::sleep_for(50ms);
    QuitPluginHost();
    std::this_thread::sleep_for(20ms);
    stop = true;
    plugin.join();
    EXPECT_EQ(Write(100), 1);
    ASSERT_TRUE(InitPluginHost(FakeBassLibrary(), Dialogs)); // for the tear-down
    Out = GetOutputModule();
}

TEST_F(OutputEmulatorTest, TheHostWindowAgreesToEndTheSessionAndAnswersOthersWithZero) {
    EXPECT_EQ(HostWindowProc(kMsgEndSessionQuery, 0, 0), 1);
    EXPECT_EQ(HostWindowProc(WM_USER + 106, 0, 0), 0);
}

TEST_F(OutputEmulatorTest, QuitClosesTheStreamAndLeavesAnEmulatorThatRefusesEverything) {
    OpenCd();
    QuitPluginHost();
    EXPECT_EQ(FakeBass().TakeCalls(), TCalls{"StreamFree 100"});
    EXPECT_EQ(GetOutputModule(), nullptr);
    EXPECT_EQ(GetHostWindow(), 0u);
    EXPECT_EQ(Out->Open(44100, 2, 16, 0, 0), -1);
    EXPECT_EQ(Out->CanWrite(), 0);
    EXPECT_EQ(Write(100), 1);
    EXPECT_TRUE(Dialogs.Messages.empty());
}
