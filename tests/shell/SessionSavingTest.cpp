// What the window saves when the session, not the user, ends it: in these cases nobody may be
// there to answer a message box, and nothing may be lost.
#include <gtest/gtest.h>

#include "ShellFixture.h"

namespace tavuro {
namespace {

constexpr auto HKCU = TRegistryRoot::rrCurrentUser;

class SessionSaving : public ShellFixture {
protected:
    // A playlist due for a rewrite (a path listed twice) with the external player's key set aside.
    TMainForm& MakeWithUnsavedState() {
        Write("XGPlayer", "");
        Write("playlist.m3u", "#EXTM3U VisMIDI\r\n/m/a.mid\r\n/m/a.mid\r\n");
        Registry->WriteString(HKCU, "Software\\YAMAHA\\XGPlayer", "Volume", "50", true);
        auto& form = Make();
        EXPECT_TRUE(Registry->KeyExists(HKCU, "Software\\YAMAHA\\XGPlayer~"));
        return form;
    }
    bool KeyRestored() const {
        return !Registry->KeyExists(HKCU, "Software\\YAMAHA\\XGPlayer~") &&
               Registry->ReadString(HKCU, "Software\\YAMAHA\\XGPlayer", "Volume") == "50";
    }
};

TEST_F(SessionSaving, TheSessionManagersRequestSavesAndThePlayerGoesOn) {
    auto& form = MakeWithUnsavedState();
    form.SaveForSessionEnd();
    EXPECT_EQ(Read("playlist.m3u"), "#EXTM3U VisMIDI\r\n/m/a.mid\r\n");
    EXPECT_FALSE(form.Closed());
    EXPECT_TRUE(KeyRestored()) << "the session manager may kill the player after the save";
}

TEST_F(SessionSaving, EndingWhileAStreamIsBeingOpenedStillSavesEverything) {
    auto& form = MakeWithUnsavedState();
    form.StartingStream = true; // the close query itself does nothing then
    form.EndSession();
    EXPECT_TRUE(form.Closed());
    EXPECT_EQ(Read("playlist.m3u"), "#EXTM3U VisMIDI\r\n/m/a.mid\r\n");
    EXPECT_TRUE(KeyRestored());
}

TEST_F(SessionSaving, WithoutTheDisplayTheKeyAndTheFilesAreStillSaved) {
    auto& form = MakeWithUnsavedState();
    form.StayOnTop = !form.StayOnTop;
    form.SaveWithoutDisplay();
    EXPECT_TRUE(form.Closed());
    EXPECT_EQ(Read("playlist.m3u"), "#EXTM3U VisMIDI\r\n/m/a.mid\r\n");
    EXPECT_TRUE(KeyRestored());
    EXPECT_TRUE(Exists("playmode.ini"));
}

TEST_F(SessionSaving, AFailedSaveAtTheSessionsEndIsToldOnStandardError) {
    auto& form = MakeWithUnsavedState();
    form.PlaylistFile = "/proc/tavuro-test.m3u";
    testing::internal::CaptureStderr();
    form.EndSession();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(Dialogs.Messages.empty()) << "no message box nobody may answer";
    EXPECT_NE(said.find("无法保存文件 \"/proc/tavuro-test.m3u\": "), std::string::npos) << said;
    EXPECT_TRUE(KeyRestored());
}

} // namespace
} // namespace tavuro
