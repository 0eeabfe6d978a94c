#include "platform/Dialogs.h"
#include "plugins/MessageWindow.h"
#include "plugins/OutputEmulator.h"
#include "plugins/PluginHost.h"
#include "tests/plugins/FakeBass.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <dlfcn.h>
#include <unistd.h>

using namespace tavuro;
using namespace tavuro::test;

namespace {

// In-process modules whose calls the tests can see.
std::vector<int> QuitCalls;
char kMp3Extensions[] = "MP3\0MPEG Layer 3\0";
char kOggExtensions[] = "ogg;oga\0Ogg Vorbis\0";
char kTrackerExtensions[] = "mod;xm;it\0"; // "MP" would hide in the description

template <int Id>
In_Module MakeModule(char* extensions) {
    In_Module module{};
    module.FileExtensions = extensions;
    module.Quit = [] { QuitCalls.push_back(Id); };
    module.GetOutputTime = [] { return Id * 1000; };
    return module;
}

In_Module Mp3Module = MakeModule<1>(kMp3Extensions);
In_Module OggModule = MakeModule<2>(kOggExtensions);
In_Module TrackerModule = MakeModule<3>(kTrackerExtensions);

class PluginHostTest : public testing::Test {
protected:
    void SetUp() override {
        QuitCalls.clear();
        FakeBass().Reset();
        InitPluginHost(FakeBassLibrary(), Dialogs);
    }
    void TearDown() override { QuitPluginHost(); }

    TRecordingDialogs Dialogs;
};

} // namespace

TEST_F(PluginHostTest, AnEmptyTableFindsNothing) {
    EXPECT_TRUE(InitPluginHost(FakeBassLibrary(), Dialogs)); // the output emulator is set up
    for (const char* ext : {"MP3", "mp", "", "WMA"})
        EXPECT_EQ(FindPluginForExtension(ext), -1) << ext;
    EXPECT_EQ(GetPluginModule(0), nullptr);
    EXPECT_EQ(GetPluginInfo(3), TPluginInfo{});
    EXPECT_EQ(CurrentPlugin(), -1);
    EXPECT_EQ(GetPlayedTime(false), 0);
}

TEST_F(PluginHostTest, SelectPluginAcceptsMinusOneAndOccupiedSlotsOnly) {
    ASSERT_TRUE(InstallPlugin(2, &Mp3Module, {}));
    EXPECT_EQ(SelectPlugin(2), 0);
    for (int refused : {8, -2, 0, 7, 100}) {
        EXPECT_EQ(SelectPlugin(refused), -1) << refused;
        EXPECT_EQ(CurrentPlugin(), 2) << refused;
    }
    EXPECT_EQ(SelectPlugin(-1), 0);
    EXPECT_EQ(CurrentPlugin(), -1);
}

TEST_F(PluginHostTest, OccupiedSlotsAnswerWithTheirModuleAndRecord) {
    TPluginInfo info{"Fake", 3, "A fake", "MP3", 1, nullptr};
    ASSERT_TRUE(InstallPlugin(5, &Mp3Module, info));
    EXPECT_EQ(GetPluginModule(5), &Mp3Module);
    EXPECT_EQ(GetPluginInfo(5), info);
    EXPECT_EQ(GetPluginModule(8), nullptr);
    EXPECT_EQ(GetPluginInfo(-1), TPluginInfo{});
    EXPECT_FALSE(InstallPlugin(5, &OggModule, {})); // occupied
    EXPECT_FALSE(InstallPlugin(8, &OggModule, {}));
    EXPECT_FALSE(InstallPlugin(1, nullptr, {}));
}

TEST_F(PluginHostTest, ExtensionSearchIsACaseBlindSubstringTestOverTheFirstText) {
    ASSERT_TRUE(InstallPlugin(1, &TrackerModule, {}));
    ASSERT_TRUE(InstallPlugin(3, &OggModule, {}));
    ASSERT_TRUE(InstallPlugin(6, &Mp3Module, {}));
    struct Case {
        const char* ext;
        int slot;
    } cases[] = {{"MP", 6}, {"mp3", 6}, {"OGG", 3}, {"oga", 3}, {"XM", 1}, {"m", 1},
                 {"Vorbis", -1}, {"Layer", -1}, {"WMA", -1}};
    for (const Case& c : cases)
        EXPECT_EQ(FindPluginForExtension(c.ext), c.slot) << c.ext;
}

TEST_F(PluginHostTest, PlayedTimeComesFromTheCurrentPlugin) {
    ASSERT_TRUE(InstallPlugin(0, &Mp3Module, {}));
    ASSERT_TRUE(InstallPlugin(4, &OggModule, {}));
    ASSERT_EQ(SelectPlugin(4), 0);
    EXPECT_EQ(GetPlayedTime(false), 2000);
    ASSERT_EQ(SelectPlugin(0), 0);
    EXPECT_EQ(GetPlayedTime(false), 1000);

    ASSERT_EQ(GetOutputModule()->Open(44100, 2, 16, 0, 0), 0);
    FakeBass().Position = 176400 * 3; // three seconds through the emulator's stream
    EXPECT_EQ(GetPlayedTime(true), 3000);
}

TEST_F(PluginHostTest, InstallingGivesTheModuleTheHostWindowAndOutputThenInitialisesIt) {
    static In_Module* initialised = nullptr;
    static In_Module module = MakeModule<4>(kMp3Extensions);
    module.Init = [] { initialised = &module; };
    ASSERT_TRUE(InstallPlugin(1, &module, {"", 0, "", "MP3", 0, nullptr}));
    EXPECT_EQ(initialised, &module);
    EXPECT_EQ(module.hMainWindow, GetHostWindow());
    EXPECT_EQ(module.outMod, GetOutputModule());
    EXPECT_EQ(module.hDllInstance, nullptr);
}

TEST_F(PluginHostTest, QuitCallsEachOccupiedModuleInSlotOrderAndEmptiesTheTable) {
    ASSERT_TRUE(InstallPlugin(7, &TrackerModule, {}));
    ASSERT_TRUE(InstallPlugin(2, &OggModule, {}));
    ASSERT_TRUE(InstallPlugin(0, &Mp3Module, {}));
    ASSERT_EQ(SelectPlugin(2), 0);
    QuitPluginHost();
    EXPECT_EQ(QuitCalls, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(GetPluginModule(0), nullptr);
    EXPECT_EQ(CurrentPlugin(), -1);
    EXPECT_EQ(GetPlayedTime(false), 0);
    EXPECT_EQ(GetHostWindow(), 0u);
}

TEST_F(PluginHostTest, QuitReleasesALoadedPluginLibrary) {
    unsetenv("TAVURO_FAKE_PLUGIN_QUIT");
    void* library = dlopen(FAKE_INPUT_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto getModule = reinterpret_cast<winampGetInModule2Proc>(dlsym(library, "winampGetInModule2"));
    ASSERT_NE(getModule, nullptr);
    ASSERT_TRUE(InstallPlugin(0, getModule(), {"Fake", 0, "", "MP3", 0, library}));
    ASSERT_EQ(SelectPlugin(0), 0);
    EXPECT_EQ(GetPlayedTime(false), 4321);
    EXPECT_EQ(FindPluginForExtension("mp3"), 0);

    QuitPluginHost();
    EXPECT_STREQ(getenv("TAVURO_FAKE_PLUGIN_QUIT"), "1");
    EXPECT_EQ(dlopen(FAKE_INPUT_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr); // unloaded
}

TEST_F(PluginHostTest, MessagePluginStoppedAtTheHostWindowClearsTheCurrentPlugin) {
    ASSERT_TRUE(InstallPlugin(3, &Mp3Module, {}));
    ASSERT_EQ(SelectPlugin(3), 0);
    const TWindowHandle hostWindow = GetHostWindow();
    ASSERT_NE(hostWindow, 0u);

    ASSERT_TRUE(PostWindowMessage(hostWindow, WM_USER + 2)); // not for the table
    QCoreApplication::processEvents();
    EXPECT_EQ(CurrentPlugin(), 3);

    ASSERT_TRUE(PostWindowMessage(hostWindow, 1127));
    EXPECT_EQ(CurrentPlugin(), 3); // posted: handled when the GUI thread gets to it
    QCoreApplication::processEvents();
    EXPECT_EQ(CurrentPlugin(), -1);
}

TEST(PluginHost, ProgramDirectoryIsTheFolderOfTheRunningProgram) {
    const std::string directory = GetProgramDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory.back(), '/');
    EXPECT_EQ(access((directory + "plugins_tests").c_str(), X_OK), 0) << directory;
}

TEST(PluginHost, HostWindowExistsOnlyBetweenInitAndQuit) {
    QuitPluginHost();
    EXPECT_EQ(GetHostWindow(), 0u);
    TRecordingDialogs dialogs;
    EXPECT_TRUE(InitPluginHost(FakeBassLibrary(), dialogs));
    const TWindowHandle window = GetHostWindow();
    EXPECT_NE(window, 0u);
    QuitPluginHost();
    EXPECT_FALSE(PostWindowMessage(window, 1127)); // a destroyed window takes no messages
}

TEST(MessageWindow, MessagesArriveInOrderWithTheirParameters) {
    struct TReceived {
        std::uint32_t Message;
        std::uintptr_t WParam;
        std::intptr_t LParam;
    };
    std::vector<TReceived> received;
    TMessageWindow window([&](std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
        received.push_back({message, wParam, lParam});
    });
    ASSERT_TRUE(PostWindowMessage(window.Handle(), 1129, 77, 0));
    ASSERT_TRUE(PostWindowMessage(window.Handle(), 1125, 0, -5));
    QCoreApplication::processEvents();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].Message, 1129u);
    EXPECT_EQ(received[0].WParam, 77u);
    EXPECT_EQ(received[1].Message, 1125u);
    EXPECT_EQ(received[1].LParam, -5);
    EXPECT_FALSE(PostWindowMessage(0, 1125));
}
