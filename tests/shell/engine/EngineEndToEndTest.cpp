// The window playing through the real audio engine: a playlist of four formats heard in turn on
// SDL's disk driver, and a live stream whose title shows in the window title.
#include "BassTestSupport.h"
#include "ShellFixture.h"
#include "engine/AudioEngine.h"
#include "shell/PlayerStatus.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <filesystem>

namespace tavuro {
namespace {

using basstest::TestHttpServer;

// Runs of sound separated by at least 50 ms of silence, as (first, last) sample indices.
std::vector<basstest::Span> SoundRuns(const std::vector<float>& samples) {
    constexpr std::size_t kGap = 44100 / 20;
    std::vector<basstest::Span> runs;
    std::size_t quiet = kGap;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(samples[i]) < 0.01f) {
            ++quiet;
            continue;
        }
        if (quiet >= kGap || runs.empty())
            runs.push_back({i, i});
        runs.back().last = i;
        quiet = 0;
    }
    return runs;
}

bool PumpUntil(const std::function<bool()>& condition, double seconds) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > seconds * 1000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class EngineEndToEnd : public ShellFixture {
protected:
    basstest::TempDir Clips;
    std::unique_ptr<basstest::DiskOutput> Output;

    void SetUp() override {
        Output = std::make_unique<basstest::DiskOutput>(Clips);
        for (const char* library : {"libbass.so", "libbasswma.so"})
            std::filesystem::create_symlink(std::string(TAVURO_PROGRAM_DIR) + "/" + library,
                                            AppDir + library);
    }

    // The window with the real engine and the fake media control.
    TMainForm& MakeWithEngine(std::vector<std::string> arguments) {
        TShellServices services = Services(std::move(arguments), 1);
        services.CreateEngine = [this](TDialogs& dialogs) {
            return std::make_unique<TAudioEngine>(dialogs, AppDir);
        };
        Form = std::make_unique<TMainForm>(std::move(services));
        Form->show();
        return *Form;
    }

    std::string Tone(const std::string& name, double frequency) {
        return basstest::MakeSineWav(Clips, name, frequency, 1.0, 0.5, "-b 16 -e signed-integer");
    }

};

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
    const std::vector<basstest::Span> runs = SoundRuns(heard);
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
            const std::string frame =
                std::string(audio.begin() + at, audio.begin() + at + 4096) +
                std::string(1, static_cast<char>(meta.size() / 16)) + meta;
            if (!TestHttpServer::Send(socket, frame))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    Write("radio.m3u", "#EXTM3U\r\n#EXTINF:-1,Test Radio\r\n" + server.Url("/live") + "\r\n");
    TMainForm& form = MakeWithEngine({AppDir + "radio.m3u"});
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
