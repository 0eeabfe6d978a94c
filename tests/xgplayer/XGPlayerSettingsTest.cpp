#include "xgplayer/XGPlayerSettings.h"

#include <gtest/gtest.h>

using namespace tavuro;

namespace {
constexpr auto User = TRegistryRoot::rrCurrentUser;
}

TEST(XGPlayerSettings, MissingKeyGetsTheDefaultsWritten) {
    auto registry = MakeMemoryRegistry();
    TXGPlayerSettings settings = TXGPlayerSettings::Load(*registry);
    EXPECT_EQ(settings.Volume, 100);
    EXPECT_TRUE(settings.Reverb);
    EXPECT_EQ(registry->ReadString(User, TXGPlayerSettings::Key, "Volume"), "100");
    EXPECT_EQ(registry->ReadString(User, TXGPlayerSettings::Key, "Reverb"), "1");
}

TEST(XGPlayerSettings, StoredValuesAreReadAndKeptInRange) {
    struct Case {
        const char* Volume;
        const char* Reverb;
        int ExpectedVolume;
        bool ExpectedReverb;
    } cases[] = {{"40", "0", 40, false}, {"900", "1", 200, true}, {"-3", "x", 0, true},
                 {"loud", "0", 100, false}};
    for (const Case& c : cases) {
        auto registry = MakeMemoryRegistry();
        registry->WriteString(User, TXGPlayerSettings::Key, "Volume", c.Volume, true);
        registry->WriteString(User, TXGPlayerSettings::Key, "Reverb", c.Reverb, true);
        TXGPlayerSettings settings = TXGPlayerSettings::Load(*registry);
        EXPECT_EQ(settings.Volume, c.ExpectedVolume) << c.Volume;
        EXPECT_EQ(settings.Reverb, c.ExpectedReverb) << c.Reverb;
    }
}
