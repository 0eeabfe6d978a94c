#include "engine/RegisteredMessages.h"
#include "engine/SharedMemory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

using namespace tavuro;

namespace {

// Each test gets names no other test run uses at the same time.
std::string UniqueShareName() {
    static int counter = 0;
    return "TavuroTest" + std::to_string(getpid()) + "_" + std::to_string(++counter);
}

class SharedMemoryTest : public testing::Test {
protected:
    void SetUp() override {
        Name = UniqueShareName();
        First.ShareName = Second.ShareName = Name;
        First.Size = Second.Size = 2600;
    }
    std::string Name;
    TSharedMemory First;
    TSharedMemory Second;
};

} // namespace

TEST_F(SharedMemoryTest, ASecondOpenMapOnTheSameComponentFails) {
    ASSERT_TRUE(First.OpenMap());
    EXPECT_FALSE(First.OpenMap());
    EXPECT_NE(First.MapView(), nullptr); // the first mapping is still usable
}

TEST_F(SharedMemoryTest, TwoComponentsOnOneNameSeeEachOthersBytes) {
    ASSERT_TRUE(First.OpenMap());
    ASSERT_TRUE(Second.OpenMap());
    auto* a = static_cast<char*>(First.MapView());
    auto* b = static_cast<char*>(Second.MapView());
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    std::strcpy(a + 2590, "ping");
    EXPECT_STREQ(b + 2590, "ping");
    b[0] = 42;
    EXPECT_EQ(a[0], 42);
}

TEST_F(SharedMemoryTest, AFreshRegionIsZeroFilled) {
    ASSERT_TRUE(First.OpenMap());
    auto* view = static_cast<unsigned char*>(First.MapView());
    ASSERT_NE(view, nullptr);
    for (std::uint32_t i = 0; i < First.Size; ++i)
        ASSERT_EQ(view[i], 0) << i;
}

TEST_F(SharedMemoryTest, ALeftoverRegionNobodyHoldsStartsAfresh) {
    // What a crashed process leaves behind: the name with old bytes, held by nobody.
    const std::string posixName = "/" + Name;
    int leftover = shm_open(posixName.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(leftover, 0);
    ASSERT_EQ(ftruncate(leftover, 16), 0);
    ASSERT_EQ(write(leftover, "stale", 5), 5);
    close(leftover);

    ASSERT_TRUE(First.OpenMap());
    auto* view = static_cast<unsigned char*>(First.MapView());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view[0], 0);
    EXPECT_EQ(view[2599], 0); // and it has the full size
}

TEST_F(SharedMemoryTest, TheRegionLivesWhileAnyUserHasItOpen) {
    ASSERT_TRUE(First.OpenMap());
    static_cast<char*>(First.MapView())[7] = 'x';
    ASSERT_TRUE(Second.OpenMap());
    First.CloseMap();

    TSharedMemory third;
    third.ShareName = Name;
    third.Size = 2600;
    ASSERT_TRUE(third.OpenMap());
    EXPECT_EQ(static_cast<char*>(third.MapView())[7], 'x');

    Second.CloseMap();
    third.CloseMap();
    ASSERT_TRUE(First.OpenMap()); // everyone closed: a new, empty region
    EXPECT_EQ(static_cast<char*>(First.MapView())[7], 0);
}

TEST_F(SharedMemoryTest, ASmallerRegionIsGrownToTheSizeAsked) {
    First.Size = 100;
    ASSERT_TRUE(First.OpenMap());
    ASSERT_TRUE(Second.OpenMap()); // 2600
    auto* view = static_cast<unsigned char*>(Second.MapView());
    ASSERT_NE(view, nullptr);
    view[2599] = 1; // inside the object: no SIGBUS
    EXPECT_EQ(view[2599], 1);
}

TEST_F(SharedMemoryTest, RefusesWithoutNameOrSizeAndAfterCloseHasNoView) {
    TSharedMemory unnamed;
    unnamed.Size = 10;
    EXPECT_FALSE(unnamed.OpenMap());
    First.Size = 0;
    EXPECT_FALSE(First.OpenMap());
    EXPECT_EQ(First.MapView(), nullptr);
    EXPECT_FALSE(First.IsMapOpen());
}

TEST_F(SharedMemoryTest, NamesWithSlashesAreUsable) {
    First.ShareName = Second.ShareName = "Tavuro/Test/" + Name;
    ASSERT_TRUE(First.OpenMap());
    ASSERT_TRUE(Second.OpenMap());
    static_cast<char*>(First.MapView())[1] = 9;
    EXPECT_EQ(static_cast<char*>(Second.MapView())[1], 9);
}

TEST_F(SharedMemoryTest, UnmapViewReleasesTheView) {
    ASSERT_TRUE(First.OpenMap());
    void* view = First.MapView();
    ASSERT_NE(view, nullptr);
    First.UnmapView(view);
    // The address is no longer mapped: msync reports ENOMEM for it.
    EXPECT_EQ(msync(view, 1, MS_ASYNC), -1);
    EXPECT_EQ(errno, ENOMEM);
}

using SharedMemoryDeathTest = SharedMemoryTest;

TEST_F(SharedMemoryDeathTest, AReadOnlyViewCannotBeWritten) {
    ASSERT_TRUE(First.OpenMap());
    First.ReadOnly = true;
    auto* view = static_cast<volatile char*>(First.MapView());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view[0], 0); // reading is fine
    EXPECT_DEATH(view[0] = 1, "");
}

TEST(SharedMemory, DefaultsAndRegisteredMessages) {
    TSharedMemory memory;
    EXPECT_FALSE(memory.ReadOnly);
    EXPECT_TRUE(memory.ShareName.empty());
    EXPECT_EQ(memory.Size, 0u);
    EXPECT_FALSE(memory.MsgOutOnErr);
    EXPECT_EQ(memory.Timeout, -1);
    EXPECT_EQ(memory.TargetWindow(), 0u);
    EXPECT_EQ(memory.SendingDataMessage(), RegisterWindowMessage("WM_SendingData"));
    EXPECT_EQ(memory.RequestingDataMessage(), RegisterWindowMessage("wm_requestingdata"));
    EXPECT_NE(memory.SendingDataMessage(), memory.RequestingDataMessage());
    EXPECT_GE(memory.SendingDataMessage(), 0xC000u);
}

TEST(SharedMemory, TargetApplicationIsTrimmedAndAnUnknownTitleFindsNoWindow) {
    TSharedMemory memory;
    memory.SetTargetApplication("  VisOut \t");
    EXPECT_EQ(memory.TargetApplication(), "VisOut");
    EXPECT_EQ(memory.TargetWindow(), 0u);
}

TEST(SharedMemory, TargetApplicationKeepsTheWindowTheFinderGives) {
    SetApplicationWindowFinder([](const std::string& title) -> TWindowId {
        return title == "VisOut" ? 77 : 0;
    });
    TSharedMemory memory;
    memory.SetTargetApplication(" VisOut");
    EXPECT_EQ(memory.TargetWindow(), 77u);
    memory.SetTargetApplication("Other");
    EXPECT_EQ(memory.TargetWindow(), 0u);
    memory.SetTargetApplication("VisOut");
    memory.SetTargetApplication("   ");
    EXPECT_EQ(memory.TargetWindow(), 0u);
    SetApplicationWindowFinder([](const std::string&) -> TWindowId { return 0; });
}

TEST(SharedMemory, ShareNameFollowsTheComponentNameWhileItWasEmptyOrTheSame) {
    TSharedMemory memory;
    memory.setObjectName("SharedMemory1");
    EXPECT_EQ(memory.ShareName, "SharedMemory1");
    memory.setObjectName("VisShare");
    EXPECT_EQ(memory.ShareName, "VisShare");
    memory.ShareName = "Custom";
    memory.setObjectName("Renamed");
    EXPECT_EQ(memory.ShareName, "Custom");
}

TEST(RegisteredMessages, SameNameSameNumberAndEmptyNameNone) {
    const std::uint32_t first = RegisterWindowMessage("TavuroTestMessageA");
    EXPECT_EQ(RegisterWindowMessage("TavuroTestMessageA"), first);
    EXPECT_EQ(RegisterWindowMessage("TAVUROTESTMESSAGEA"), first);
    EXPECT_NE(RegisterWindowMessage("TavuroTestMessageB"), first);
    EXPECT_EQ(RegisterWindowMessage(""), 0u);
}
