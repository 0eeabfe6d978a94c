// The engine's plug-in paths with in-process plug-ins over the real audio library (SDL's dummy
// driver): who plays a file, the plug-in's title and length, the ASF and WMA addresses, and two
// plug-in entries in a row.
#include "engine/AudioEngine.h"
#include "platform/Dialogs.h"
#include "plugins/PluginHost.h"
#include "tests/plugins/PumpEvents.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include <dlfcn.h>

using namespace tavuro;
using tavuro::test::PumpUntil;
using namespace std::chrono_literals;

namespace {

// An input plug-in whose file information the test sets; its Play writes a tone through the
// output module from a thread of its own, whatever the file.
struct TTonePlugin {
    static inline std::string Title;
    static inline bool TitleWithoutNul = false; // fills all 256 bytes of the title
    static inline int Length = 0;
    static inline int InfoLengthWhilePlaying = 0; // GetFileInfo without a file name
    static inline std::string InfoTitleWhilePlaying;
    static inline std::vector<std::string> Played;
    static inline std::thread Decoder;
    static inline std::atomic<bool> Kill{false};

    static void GetFileInfo(const char* file, char* title, int* length) {
        const bool current = file == nullptr;
        const std::string text = current ? InfoTitleWhilePlaying : Title;
        if (TitleWithoutNul && !current)
            std::memset(title, 'T', 256);
        else
            std::snprintf(title, 256, "%s", text.c_str());
        *length = current ? InfoLengthWhilePlaying : Length;
    }
    static int Play(const char* file);
    static void Stop() {
        Kill = true;
        if (Decoder.joinable())
            Decoder.join();
        Module.outMod->Close();
    }
    static int GetOutputTime() { return Module.outMod->GetOutputTime(); }

    static inline In_Module Module = [] {
        In_Module module{};
        module.version = 0x100;
        module.UsesOutputPlug = 1;
        module.GetFileInfo = GetFileInfo;
        module.Play = Play;
        module.Stop = Stop;
        module.GetOutputTime = GetOutputTime;
        return module;
    }();
};

int TTonePlugin::Play(const char* file) {
    Played.emplace_back(file);
    Out_Module& output = *Module.outMod;
    if (output.Open(44100, 2, 16, -1, -1) < 0)
        return 1;
    Kill = false;
    Decoder = std::thread([&output] {
        std::vector<std::int16_t> block(2 * 576);
        for (std::uint64_t frame = 0; !Kill;) {
            if (output.CanWrite() < static_cast<int>(2 * block.size())) {
                std::this_thread::sleep_for(5ms);
                continue;
            }
            for (std::size_t i = 0; i < block.size(); i += 2, ++frame)
                block[i] = block[i + 1] = static_cast<std::int16_t>(
                    8000 * std::sin(2 * std::numbers::pi * 440 * frame / 44100.0));
            output.Write(reinterpret_cast<char*>(block.data()), static_cast<int>(2 * block.size()));
        }
    });
    return 0;
}

char kXyzExtensions[] = "XYZ\0Test files\0";
char kWmaExtensions[] = "WMA;ASF\0Windows Media\0";

// A second plug-in for the same extension that knows no length for any file.
In_Module NoLengthModule = [] {
    In_Module module{};
    module.FileExtensions = kXyzExtensions;
    module.GetFileInfo = [](const char*, char* title, int* length) {
        std::snprintf(title, 256, "%s", "Nobody");
        *length = 0;
    };
    return module;
}();

class EnginePluginPaths : public testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        TTonePlugin::Title = "Plug-in Title";
        TTonePlugin::TitleWithoutNul = false;
        TTonePlugin::Length = 5000;
        TTonePlugin::InfoLengthWhilePlaying = 0;
        TTonePlugin::InfoTitleWhilePlaying.clear();
        TTonePlugin::Played.clear();
        Engine = std::make_unique<TAudioEngine>(Dialogs, GetProgramDirectory());
        ASSERT_TRUE(Engine->BassReady());
        ASSERT_TRUE(Folder.isValid());
    }
    void TearDown() override { Engine.reset(); }

    void Install(std::int32_t slot, In_Module& module, char* extensions) {
        module.FileExtensions = extensions;
        ASSERT_TRUE(InstallPlugin(slot, &module, {"", 0, "", extensions, 0, nullptr}));
    }
    std::string File(const std::string& name) {
        const std::string path = Folder.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path) << "not a file the library reads";
        return path;
    }

    QTemporaryDir Folder;
    TRecordingDialogs Dialogs;
    std::unique_ptr<TAudioEngine> Engine;
};

} // namespace

TEST_F(EnginePluginPaths, AFileOnlyAPluginKnowsIsPlayableByItAloneWithItsTitleAndLength) {
    Install(0, TTonePlugin::Module, kXyzExtensions);
    const std::string path = File("song.xyz");
    TStreamInfo info;
    int slot = -1;
    TPlayableBy playable = pbNobody;
    ASSERT_TRUE(Engine->GetStreamInfo(path, info, slot, playable));
    EXPECT_EQ(playable, pbPluginOnly);
    EXPECT_EQ(slot, 0);
    EXPECT_EQ(info.Title, "Plug-in Title");
    EXPECT_EQ(info.Duration, 5000);
    ASSERT_TRUE(Engine->Open(path));
    EXPECT_EQ(Engine->ChannelKind(), ckPlugin);
    EXPECT_EQ(Engine->GetLength(), 5000u);
}

TEST_F(EnginePluginPaths, APluginThatKnowsNoLengthIsPassedOver) {
    Install(0, NoLengthModule, kXyzExtensions);
    Install(1, TTonePlugin::Module, kXyzExtensions);
    TStreamInfo info;
    int slot = -1;
    TPlayableBy playable = pbNobody;
    ASSERT_TRUE(Engine->GetStreamInfo(File("song.xyz"), info, slot, playable));
    EXPECT_EQ(slot, 1);
    EXPECT_EQ(info.Title, "Plug-in Title");

    TTonePlugin::Length = -1; // neither knows it: nobody plays the file
    EXPECT_FALSE(Engine->GetStreamInfo(File("other.xyz"), info, slot, playable));
    EXPECT_EQ(slot, -1);
    EXPECT_EQ(playable, pbNobody);
}

TEST_F(EnginePluginPaths, ATitleOfAll256BytesIsTakenWithoutReadingPastIt) {
    Install(0, TTonePlugin::Module, kXyzExtensions);
    TTonePlugin::TitleWithoutNul = true;
    TStreamInfo info;
    int slot = -1;
    TPlayableBy playable = pbNobody;
    ASSERT_TRUE(Engine->GetStreamInfo(File("song.xyz"), info, slot, playable));
    EXPECT_EQ(info.Title, std::string(256, 'T'));
}

TEST_F(EnginePluginPaths, AnAsfOrWmaAddressNeedsAPlugin) {
    EXPECT_FALSE(Engine->Open("http://host/radio.wma"));
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text,
              "Winamp input plug-in for ASF (or WMA) file is not loaded.");
    EXPECT_EQ(Dialogs.Messages[0].Title, "提示");

    Install(0, TTonePlugin::Module, kWmaExtensions);
    ASSERT_TRUE(Engine->Open("http://host/radio.asf"));
    EXPECT_EQ(Engine->ChannelKind(), ckPlugin);
    EXPECT_EQ(Engine->StreamInfo().Duration, 0);
    EXPECT_EQ(Dialogs.Messages.size(), 1u);
}

TEST_F(EnginePluginPaths, AnAddressWithoutALengthTakesItFromThePluginOnceItsOutputStarts) {
    Install(0, TTonePlugin::Module, kWmaExtensions);
    TTonePlugin::InfoTitleWhilePlaying = "Net Title";
    TTonePlugin::InfoLengthWhilePlaying = 6000;
    int starts = 0;
    Engine->OnPluginStartPlay = [&](TAudioEngine*, PChannelInfo) { ++starts; };
    ASSERT_TRUE(Engine->Open("http://host/radio.wma"));
    Engine->Play();
    ASSERT_EQ(Engine->PlayerState(), psPlaying);
    ASSERT_TRUE(PumpUntil([&] { return starts > 0; }, 2s));
    EXPECT_EQ(Engine->StreamInfo().Duration, 6000);
    EXPECT_EQ(Engine->StreamInfo().Title, "Net Title");
    EXPECT_EQ(Engine->GetLength(), 6000u);
    EXPECT_EQ(TTonePlugin::Played, std::vector<std::string>{"http://host/radio.wma"});
    Engine->Close();
}

TEST_F(EnginePluginPaths, TwoPluginEntriesInARowBothPlay) {
    Install(0, TTonePlugin::Module, kXyzExtensions);
    ASSERT_TRUE(Engine->Open(File("one.xyz")));
    Engine->Play();
    ASSERT_EQ(Engine->PlayerState(), psPlaying);
    // The end of a track: close, open and play the next entry within one turn of events.
    Engine->Close();
    ASSERT_TRUE(Engine->Open(File("two.xyz")));
    Engine->Play();
    EXPECT_EQ(Engine->PlayerState(), psPlaying);
    EXPECT_TRUE(Dialogs.Messages.empty()) << Dialogs.Messages.front().Text;
    EXPECT_EQ(CurrentPlugin(), 0);
    Engine->Close();
    EXPECT_EQ(CurrentPlugin(), -1);
}
