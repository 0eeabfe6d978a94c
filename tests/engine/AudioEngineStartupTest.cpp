// The engine's start-up against stand-in libraries that fail in each way it must survive.
#include "engine/AudioEngine.h"
#include "platform/Dialogs.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

using namespace tavuro;

namespace {

std::string FakeFolder(const std::string& name) {
    return std::string(TAVURO_FAKE_BASS_DIR) + "/" + name + "/";
}

// How often the stand-in library loaded from `folder` was asked to open the device.
int InitCalls(const std::string& folder) {
    void* library = dlopen((folder + "libbass.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr)
        return -1;
    const int calls = *static_cast<int*>(dlsym(library, "FakeBassInitCalls"));
    dlclose(library);
    return calls;
}

} // namespace

TEST(AudioEngineStartup, WithoutTheLibraryTheEngineIsSilentlyNotReady) {
    TRecordingDialogs dialogs;
    TAudioEngine engine(dialogs, "/nonexistent/");
    EXPECT_FALSE(engine.BassReady());
    EXPECT_EQ(engine.BASSDLLVer(), "");
    EXPECT_EQ(engine.Version(), "1.5");
    EXPECT_TRUE(dialogs.Messages.empty());
}

TEST(AudioEngineStartup, AWrongVersionIsReportedOnceAndOpensNoDevice) {
    TRecordingDialogs dialogs;
    const std::string folder = FakeFolder("version21");
    TAudioEngine engine(dialogs, folder);
    EXPECT_FALSE(engine.BassReady());
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, "BASS version is not 2.0 !");
    EXPECT_EQ(dialogs.Messages[0].Title, "提示");
    EXPECT_EQ(InitCalls(folder), 0);
}

TEST(AudioEngineStartup, ADeviceThatCannotBeOpenedIsReported) {
    TRecordingDialogs dialogs;
    const std::string folder = FakeFolder("initfails");
    TAudioEngine engine(dialogs, folder);
    EXPECT_FALSE(engine.BassReady());
    EXPECT_EQ(InitCalls(folder), 1);
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, "声卡未安装或者被占用,不能运行!");
}

TEST(AudioEngineStartup, ALibraryLackingAnEntryPointLoadsNothing) {
    TRecordingDialogs dialogs;
    const std::string folder = FakeFolder("missing");
    TAudioEngine engine(dialogs, folder);
    EXPECT_FALSE(engine.BassReady());
    EXPECT_TRUE(dialogs.Messages.empty());
    EXPECT_EQ(dlopen((folder + "libbass.so").c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
}

TEST(AudioEngineStartup, AnEngineThatIsNotReadyRefusesToOpen) {
    TRecordingDialogs dialogs;
    TAudioEngine engine(dialogs, "/nonexistent/");
    EXPECT_FALSE(engine.Open("/tmp/a.mp3"));
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, "Player is not ready !");
    EXPECT_EQ(engine.PlayerState(), psNone);
}
