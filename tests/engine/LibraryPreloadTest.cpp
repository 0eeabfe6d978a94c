// The audio library loaded beside the window's construction: its user's own load finds it, and
// the preload neither keeps it after its user let go nor hands a damaged file to the loader.
#include "platform/LibraryPreload.h"
#include "engine/BassWmaLibrary.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <thread>

using namespace tavuro;

namespace {

bool InMemory(const std::string& path) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr)
        dlclose(handle);
    return handle != nullptr;
}

// A copy of the WMA library (with the audio library it needs beside it), a file no other test
// has loaded.
std::string CopiedWmaLibrary(const QTemporaryDir& folder) {
    for (const char* name : {"libbass.so", "libbasswma.so"})
        QFile::copy(QString(TAVURO_PROGRAM_DIR) + "/" + name, folder.filePath(name));
    return folder.filePath("libbasswma.so").toStdString();
}

TEST(LibraryPreload, TheLibraryStaysWithItsUserAndGoesWhenBothLetGo) {
    QTemporaryDir folder;
    const std::string path = CopiedWmaLibrary(folder);
    std::thread::id firstRanOn;
    TBassWmaLibrary user;
    {
        const TLibraryPreload preload(path,
                                      [&firstRanOn] { firstRanOn = std::this_thread::get_id(); });
        ASSERT_TRUE(user.LoadBassWmaLibrary(path));
    }
    EXPECT_NE(firstRanOn, std::thread::id());
    EXPECT_NE(firstRanOn, std::this_thread::get_id());
    EXPECT_TRUE(InMemory(path));
    user.UnloadBassWmaLibrary();
    EXPECT_FALSE(InMemory(path));
}

TEST(LibraryPreload, AFileCutShortIsLeftAloneSilently) {
    QTemporaryDir folder;
    const std::string path = CopiedWmaLibrary(folder);
    QFile(QString::fromStdString(path)).resize(4096);
    testing::internal::CaptureStderr();
    { const TLibraryPreload preload(path); }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(InMemory(path));
}

} // namespace
