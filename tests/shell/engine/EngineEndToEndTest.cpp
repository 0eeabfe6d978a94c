// The window playing through the real audio engine: a playlist of four formats heard in turn on
// SDL's disk driver, and a live stream whose title shows in the window title.
#include "EngineFixture.h"
#include "shell/PlayerStatus.h"

namespace tavuro {
namespace {

using basstest::TestHttpServer;

// Runs of one tone, as (first, last) sample indices, in windows of 20 ms. A run ends at 60 ms of
// silence or where the pitch changes: an idle output holds no silence, so one entry may follow
// another without a gap.
std::vector<basstest::Span> ToneRuns(const std::vector<float>& samples) {
    constexpr std::size_t kWindow = 44100 / 50;
    constexpr std::size_t kGapWindows = 3;
    std::vector<basstest::Span> runs;
    double pitch = 0;
    std::size_t quiet = kGapWindows;
    for (std::size_t at = 0; at + kWindow <= samples.size(); at += kWindow) {
        const std::size_t last = at + kWindow - 1;
        if (basstest::Peak(samples, at, last) < 0.01) {
            ++quiet;
            continue;
        }
        const double windowPitch = basstest::Frequency(samples, at, last);
        if (quiet >= kGapWindows || std::abs(windowPitch - pitch) > 0.1 * pitch) {
            runs.push_back({at, last});
            pitch = windowPitch;
        }
        runs.back().last = last;
        quiet = 0;
    }
    // A window astride two entries may have the pitch of neither.
    std::erase_if(runs, [](const basstest::Span& run) { return run.Seconds() < 0.1; });
    return runs;
}

TEST_F(EngineEndToEnd, APlaylistOfFourFormatsIsHeardInTurn) {
    const std::vector<std::pair<std::string, double>> entries = {
        {basstest::EncodeMp3(Clips, Tone("a.wav", 440), "a_mp3.mp3"), 440},
        {basstest::EncodeOgg(Clips, Tone("b.wav", 660), "b_ogg.ogg"), 660},
        {Tone("c_wav.wav", 880), 880},
        {basstest::EncodeWma(Clips, Tone("d.wav", 1100), "d_wma.wma"), 1100},
    };
    std::string playlist = "#EXTM3U\r\n";
    for (const auto& [path, frequency] : entries)
        playlist += path + "\r\n";
    Write("list.m3u", playlist);
    TMainForm& form = MakeWithEngine({AppDir + "list.m3u"});
    ASSERT_TRUE(Dialogs.Messages.empty());
    ASSERT_FALSE(form.VisBox->isHidden());
    ASSERT_FALSE(form.VisPanel->isHidden()); // the spectrum layout
    const int first = form.CurrentIndex;
    int started = 1;
    int shown = first;
    ASSERT_TRUE(PumpUntil(
        [&] {
            if (form.CurrentIndex != shown) {
                shown = form.CurrentIndex;
                ++started;
            }
            return started > 4;
        },
        30));
    form.close();
    Form.reset();

    const std::vector<float> heard = Output->TakeLeft();
    const std::vector<basstest::Span> runs = ToneRuns(heard);
    ASSERT_GE(runs.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        const double expected = entries[(first + i) % 4].second;
        const basstest::Span& run = runs[i];
        EXPECT_NEAR(run.Seconds(), 1.0, 0.15) << "entry " << i;
        EXPECT_NEAR(basstest::Frequency(heard, run.first, run.last), expected, expected * 0.02)
            << "entry " << i;
    }
}

TEST_F(EngineEndToEnd, ALiveStreamShowsItsCaptionAndFollowsItsTitle) {
    const std::vector<uint8_t> audio =
        basstest::ReadFile(basstest::EncodeMp3(Clips, Tone("live.wav", 440), "live.mp3"));
    std::atomic<bool> secondTitle{false};
    std::atomic<bool> finished{false};
    TestHttpServer server([&](int socket, const std::string&) {
        TestHttpServer::Send(socket, "ICY 200 OK\r\nicy-metaint:4096\r\n\r\n");
        for (int block = 0; block < 200 && !finished; ++block) {
            const std::size_t at = (block * 4096) % (audio.size() - 4096);
            std::string meta = secondTitle ? "StreamTitle='Second';" : "StreamTitle='First';";
            meta.resize((meta.size() + 15) / 16 * 16, '\0');
            const std::string frame = std::string(audio.begin() + at, audio.begin() + at + 4096) +
                                      std::string(1, static_cast<char>(meta.size() / 16)) + meta;
            if (!TestHttpServer::Send(socket, frame))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    Write("radio.m3u", "#EXTM3U\r\n#EXTINF:-1,Test Radio\r\n" + server.Url("/live") + "\r\n");
    TMainForm& form = MakeWithEngine({AppDir + "radio.m3u"});
    // An address starts once the window is on screen.
    ASSERT_TRUE(PumpUntil([&] { return form.Timer1->isActive(); }, 5));
    ASSERT_TRUE(Dialogs.Messages.empty());
    EXPECT_EQ(form.ApplicationTitle(), "i))Test Radio/Tavuro");
    EXPECT_EQ(form.MediaClass, mcEngine);
    auto* engine = dynamic_cast<TAudioEngine*>(form.EngineControl());
    ASSERT_NE(engine, nullptr);
    std::vector<std::string> told; // what the desktop's media controls are told
    engine->SetStreamTitleHandler([&](const std::string& title) { told.push_back(title); });
    ASSERT_TRUE(PumpUntil([&] { return engine->StreamInfo().Title == "First"; }, 5));
    secondTitle = true;
    EXPECT_TRUE(PumpUntil([&] { return engine->StreamInfo().Title == "Second"; }, 5));
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.back(), "Second");
    EXPECT_EQ(ReadPlayerStatus(form).Title, "Second");
    EXPECT_EQ(form.ApplicationTitle(), "i))Test Radio/Tavuro");
    EXPECT_EQ(engine->PlayerState(), psPlaying);
    finished = true;
}

} // namespace
} // namespace tavuro
