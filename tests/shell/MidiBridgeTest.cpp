// The bridge to the external MIDI player, driven through the main window with a scripted desktop:
// which entries go to the player, how it is started, watched, counted and closed.
#include <gtest/gtest.h>

#include <filesystem>

#include "ShellFixture.h"
#include "desktop/XGBridge.h"

namespace tavuro {
namespace {

constexpr const char* PlayerKey = "Software\\YAMAHA\\XGPlayer";
constexpr const char* BackupKey = "Software\\YAMAHA\\XGPlayer~";
constexpr auto CurrentUser = TRegistryRoot::rrCurrentUser;

class MidiBridge : public ShellFixture {
protected:
    // A song file in the program folder; the fake media control measures it.
    std::string Song(const std::string& name, double seconds) {
        const std::string path = AppDir + name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << "MThd";
        Media.Durations[path] = seconds;
        return path;
    }
    void InstallPlayer() { Write("XGPlayer", "#!/bin/sh\n"); }

    // Loads a playlist of the given paths with the VisMIDI switch as given and plays a row.
    void Start(const std::vector<std::string>& paths, bool visMidi = true, int row = 0) {
        std::string playlist = visMidi ? "#EXTM3U VisMIDI\n" : "#EXTM3U\n";
        for (const std::string& path : paths)
            playlist += path + "\n";
        Write("playlist.m3u", playlist);
        Make();
        Form->ClearSelection();
        Form->SelectRow(row);
        Form->PlaySelected();
    }
    // The player's window as XGPlayer shows it once started.
    void PlayerWindowOpens(TWindowId id, const std::string& fileName) {
        Windows.Windows.insert(Windows.Windows.begin(),
                               {id, std::string(XGPlayerTitlePrefix) + fileName, 0});
    }
    bool WindowLeft(TWindowId id) const {
        for (const auto& window : Windows.Windows)
            if (window.Id == id)
                return false;
        return true;
    }
    std::string Value(const char* key) const {
        return Registry->ReadString(CurrentUser, key, "Volume").value_or("(none)");
    }
};

TEST_F(MidiBridge, AvailabilityNeedsTheProgramAndAMidiEntry) {
    struct Case {
        const char* Name;
        bool ProgramPresent;
        std::vector<std::string> Entries;
        bool Available;
    } cases[] = {
        {"a MIDI entry after others", true, {"/m/a.mp3", "/m/b.kar"}, true},
        {"no MIDI entry", true, {"/m/a.mp3", "/m/b.wav"}, false},
        {"MIDI only on the network", true, {"http://host/b.mid"}, false},
        {"no program", false, {"/m/b.mid"}, false},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.Name);
        std::filesystem::remove(AppDir + "XGPlayer");
        if (test.ProgramPresent)
            InstallPlayer();
        std::string playlist = "#EXTM3U VisMIDI\n";
        for (const std::string& entry : test.Entries)
            playlist += entry + "\n";
        Write("playlist.m3u", playlist);
        Make();
        EXPECT_EQ(Form->sbLevel->isEnabled(), test.Available);
        EXPECT_EQ(Form->sbNormal->isEnabled(), test.Available);
        EXPECT_EQ(Form->bgLabel3->isHidden(), test.Available);
        EXPECT_FALSE(Form->sbLevel->isHidden()) << "the stored switch is shown either way";
    }
}

TEST_F(MidiBridge, RegistryBackupIsMadeOnceAndRestoredAtShutdown) {
    InstallPlayer();
    Registry->WriteString(CurrentUser, PlayerKey, "Volume", "50", true);
    Write("playlist.m3u", "#EXTM3U\n/m/a.mid\n");
    Make();
    EXPECT_EQ(Value(BackupKey), "(none)") << "the switch is off: nothing is set aside";
    Form->NormalClick();
    EXPECT_EQ(Value(BackupKey), "50");
    EXPECT_FALSE(Registry->KeyExists(CurrentUser, PlayerKey));
    // The player writes its defaults while it runs; switching again keeps the user's backup.
    Registry->WriteString(CurrentUser, PlayerKey, "Volume", "100", true);
    Form->LevelClick();
    Form->NormalClick();
    EXPECT_EQ(Value(BackupKey), "50");
    EXPECT_EQ(Value(PlayerKey), "100");
    Form->close();
    EXPECT_EQ(Value(PlayerKey), "50");
    EXPECT_FALSE(Registry->KeyExists(CurrentUser, BackupKey));
}

// The session manager may kill the player after it asked it to save: the user's key is back by
// then, and set aside again only when the external player starts once more.
TEST_F(MidiBridge, ASessionSaveRestoresTheKeyAndTheNextLaunchSetsItAsideAgain) {
    InstallPlayer();
    Registry->WriteString(CurrentUser, PlayerKey, "Volume", "50", true);
    const std::string song = Song("song.mid", 20);
    Write("playlist.m3u", "#EXTM3U VisMIDI\n" + song + "\n");
    Make();
    ASSERT_EQ(Value(BackupKey), "50");
    Registry->WriteString(CurrentUser, PlayerKey, "Volume", "100", true); // the player's defaults
    Form->SaveForSessionEnd();
    EXPECT_EQ(Value(PlayerKey), "50");
    EXPECT_FALSE(Registry->KeyExists(CurrentUser, BackupKey));
    Form->PlaySelected();
    ASSERT_EQ(Launcher.CommandLines.size(), 1u);
    EXPECT_EQ(Value(BackupKey), "50");
    EXPECT_FALSE(Registry->KeyExists(CurrentUser, PlayerKey));
    Form->close();
    EXPECT_EQ(Value(PlayerKey), "50");
}

TEST_F(MidiBridge, AnExistingBackupIsNeverOverwritten) {
    InstallPlayer();
    Registry->WriteString(CurrentUser, PlayerKey, "Volume", "100", true);
    Registry->WriteString(CurrentUser, BackupKey, "Volume", "50", true);
    Write("playlist.m3u", "#EXTM3U VisMIDI\n/m/a.mid\n");
    Make();
    EXPECT_EQ(Value(PlayerKey), "100");
    EXPECT_EQ(Value(BackupKey), "50");
}

TEST_F(MidiBridge, ASingleMidiFileGoesToThePlayerWhenItIsThere) {
    InstallPlayer();
    Registry->WriteString(CurrentUser, PlayerKey, "Volume", "50", true);
    const std::string path = Song("single.mid", 30);
    Make({path});
    EXPECT_EQ(Form->RunMode, 2);
    EXPECT_FALSE(Form->sbLevel->isHidden());
    EXPECT_TRUE(Form->bgLabel3->isHidden());
    EXPECT_EQ(Value(BackupKey), "50");
    ASSERT_EQ(Launcher.CommandLines.size(), 1u);
    EXPECT_TRUE(Form->StripMode());
}

TEST_F(MidiBridge, APathWithBlanksReachesThePlayerAsOneArgument) {
    InstallPlayer();
    const std::string path = Song("My Songs/a b.mid", 95);
    Start({path});
    ASSERT_EQ(Launcher.CommandLines.size(), 1u);
    EXPECT_EQ(Launcher.CommandLines[0], AppDir + "XGPlayer \"" + path + "\"");
    EXPECT_EQ(SplitCommandLine(Launcher.CommandLines[0]),
              (std::vector<std::string>{AppDir + "XGPlayer", path}));
}

TEST(XGPlayerCommandLine, EveryPathComesBackWhole) {
    for (const std::string path : {"/m/plain.mid", "/m/a b/c d.mid", "/m/say \"hi\".mid",
                                   "/m/back\\slash.mid", "/m/ends in\\", "/m/\\\"both.mid"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(SplitCommandLine(XGPlayerCommandLine("/opt/tavuro/", path)),
                  (std::vector<std::string>{"/opt/tavuro/XGPlayer", path}));
    }
    EXPECT_EQ(XGPlayerCommandLine("/p/", "/m/a b.mid"), "/p/XGPlayer \"/m/a b.mid\"")
        << "an ordinary path is only put between quotes";
}

TEST_F(MidiBridge, ThePlayerPlaysInTheStripWithTheMeasuredLength) {
    InstallPlayer();
    const std::string path = Song("song.mid", 94.5);
    Start({path});
    auto& form = *Form;
    EXPECT_EQ(Media.Opened, std::vector<std::string>{path}) << "measured by the media control";
    EXPECT_EQ(Media.FileName(), "") << "and closed again";
    EXPECT_TRUE(form.StripMode());
    EXPECT_EQ(form.size(), QSize(400, 6));
    EXPECT_EQ(form.Gauge1->MaxValue, 94) << "halves go to the even neighbour";
    EXPECT_EQ(form.ApplicationTitle(), "[1:34]song/Tavuro");
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_TRUE(form.sbStop->isEnabled());
}

TEST_F(MidiBridge, MidiGoesToTheMediaControlUnlessTheSwitchIsOnAndEnabled) {
    InstallPlayer();
    const std::string path = Song("song.mid", 20);
    Start({path}, /*visMidi=*/false);
    EXPECT_TRUE(Launcher.CommandLines.empty());
    EXPECT_EQ(Media.FileName(), path);
    EXPECT_FALSE(Form->StripMode());
    EXPECT_EQ(Form->MediaClass, mcMidi);
}

TEST_F(MidiBridge, ASongWithoutLengthIsReportedAndNotLaunched) {
    InstallPlayer();
    const std::string empty = Song("empty.mid", 0);
    for (const std::string& path : {empty, AppDir + "missing.mid"}) {
        SCOPED_TRACE(path);
        Dialogs.Messages.clear();
        Launcher.CommandLines.clear();
        Start({path});
        EXPECT_TRUE(Launcher.CommandLines.empty());
        ASSERT_EQ(Dialogs.Messages.size(), 1u);
        EXPECT_EQ(Dialogs.Messages[0].Text, "格式不明或者路径有误,不能播放!");
        EXPECT_EQ(Dialogs.Messages[0].Title, Form->Playlist->Entry(0).Caption);
        EXPECT_FALSE(Form->Timer1->isActive());
        EXPECT_TRUE(Form->Timer2->isActive());
        EXPECT_FALSE(Form->StripMode());
    }
}

TEST_F(MidiBridge, AnOldPlayerWindowIsClosedBeforeTheLaunch) {
    InstallPlayer();
    Windows.Windows = {{1, "Editor", 0}, {2, "XGPlayer - stale.mid", 0}, {3, "", 0}};
    Start({Song("song.mid", 20)});
    EXPECT_EQ(Windows.CloseRequests, std::vector<TWindowId>{2});
    EXPECT_EQ(Launcher.CommandLines.size(), 1u);
}

TEST(CloseXGPlayerWindows, SkipsARefusingWindowAndStopsAtTheFirstThatCloses) {
    TFakeWindowSystem windows;
    windows.Windows = {{1, "", 0},       {2, "XGPlayer -x.mid", 0},  {3, "XGPlayer - a.mid", 1},
                       {4, "Editor", 0}, {5, "XGPlayer - b.mid", 0}, {6, "XGPlayer - c.mid", 0}};
    CloseXGPlayerWindows(windows);
    EXPECT_EQ(windows.CloseRequests, (std::vector<TWindowId>{3, 5}));
}

TEST(CloseXGAlertBox, MatchesTheWholeTitleOnly) {
    TFakeWindowSystem windows;
    windows.Windows = {{1, "YAMAHA Softsynthesizer Player - help", 0},
                       {2, std::string(XGAlertTitle), 1},
                       {3, std::string(XGAlertTitle), 0}};
    EXPECT_TRUE(CloseXGAlertBox(windows));
    EXPECT_EQ(windows.CloseRequests, (std::vector<TWindowId>{2, 3}));
    windows.CloseRequests.clear();
    EXPECT_FALSE(CloseXGAlertBox(windows)) << "only the refusing box is left";
}

TEST_F(MidiBridge, TheAlertBoxAtTheFirstTickHandsTheSongToTheMediaControl) {
    InstallPlayer();
    const std::string path = Song("bad.mid", 40);
    Start({path});
    PlayerWindowOpens(7, "bad.mid");
    Windows.Windows.insert(Windows.Windows.begin(), {8, std::string(XGAlertTitle), 0});
    Form->Timer1Timer();
    EXPECT_EQ(Windows.CloseRequests, (std::vector<TWindowId>{8, 7}));
    EXPECT_EQ(Form->MediaClass, mcMidiFallback);
    EXPECT_EQ(Media.FileName(), path);
    EXPECT_EQ(Media.PlayState(), 2);
    EXPECT_FALSE(Form->StripMode());
    EXPECT_FALSE(Form->GaugeAtTopEdge()) << "the list layout is back";
    EXPECT_EQ(Form->Gauge1->Progress, 0) << "the tick does nothing more";
    EXPECT_EQ(Form->ApplicationTitle(), "bad/Tavuro");
    EXPECT_TRUE(Form->Timer1->isActive());
    Tick();
    EXPECT_EQ(Form->Gauge1->Progress, 1) << "the media control's position from now on";
}

TEST_F(MidiBridge, TheAlertIsLookedForOnlyAtTheFirstTick) {
    InstallPlayer();
    Start({Song("song.mid", 40)});
    Form->Timer1Timer();
    Windows.Windows = {{8, std::string(XGAlertTitle), 0}};
    Form->Timer1Timer();
    EXPECT_TRUE(Windows.CloseRequests.empty());
    EXPECT_EQ(Form->Gauge1->Progress, 2);
    EXPECT_TRUE(Form->StripMode());
}

TEST_F(MidiBridge, AFailingFallbackLeavesTheTimerOff) {
    InstallPlayer();
    const std::string path = Song("bad.mid", 40);
    Media.FailOnPlay.insert(path);
    Start({path});
    Windows.Windows = {{8, std::string(XGAlertTitle), 0}};
    Form->Timer1Timer();
    EXPECT_FALSE(Form->Timer1->isActive());
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, "格式不明或者路径有误,不能播放!");
    EXPECT_FALSE(Form->sbPlay->isHidden()) << "idle";
}

TEST_F(MidiBridge, TheSongEndsAfterItsCountedSeconds) {
    InstallPlayer();
    const std::string a = Song("a.mid", 3), b = Song("b.mp3", 10);
    Start({a, b});
    PlayerWindowOpens(7, "a.mid");
    Media.State = 1; // a paused media control holds the count
    Form->Timer1Timer();
    EXPECT_EQ(Form->Gauge1->Progress, 0);
    Media.State = 0;
    for (int second = 1; second <= 3; ++second) {
        Form->Timer1Timer();
        EXPECT_EQ(Form->Gauge1->Progress, second);
        EXPECT_EQ(Form->Gauge2->Progress, second);
    }
    EXPECT_FALSE(WindowLeft(7));
    Form->Timer1Timer();
    EXPECT_TRUE(WindowLeft(7)) << "the end of the song closes the player";
    EXPECT_EQ(Media.FileName(), b);
    EXPECT_FALSE(Form->StripMode());
    EXPECT_EQ(Form->width(), 195);
}

TEST_F(MidiBridge, TheNextMidiEntryStartsANewPlayerAndOnlyResizesTheStrip) {
    InstallPlayer();
    const std::string a = Song("a.mid", 2), b = Song("b.mid", 5);
    Start({a, b});
    PlayerWindowOpens(7, "a.mid");
    Form->ActivatedOnce = true;
    Form->move(10, 20);
    Form->WindowCentred = false;
    Form->GeometryChanged = false;
    for (int tick = 0; tick < 3; ++tick)
        Form->Timer1Timer();
    EXPECT_TRUE(WindowLeft(7));
    ASSERT_EQ(Launcher.CommandLines.size(), 2u);
    EXPECT_EQ(Launcher.CommandLines[1], AppDir + "XGPlayer \"" + b + "\"");
    EXPECT_EQ(Windows.CloseRequests, std::vector<TWindowId>{7}) << "closed once, at the end";
    EXPECT_TRUE(Form->StripMode());
    EXPECT_EQ(Form->size(), QSize(400, 6));
    EXPECT_EQ(Form->pos(), QPoint(10, 20)) << "not placed again";
    EXPECT_FALSE(Form->WindowCentred);
    EXPECT_FALSE(Form->GeometryChanged);
    EXPECT_EQ(Form->Gauge1->MaxValue, 5);
}

TEST_F(MidiBridge, StopClosesThePlayerAndBringsTheListBack) {
    InstallPlayer();
    Start({Song("song.mid", 20)});
    PlayerWindowOpens(7, "song.mid");
    Form->StopClick();
    EXPECT_TRUE(WindowLeft(7));
    EXPECT_FALSE(Form->StripMode());
    EXPECT_EQ(Form->size(), QSize(195, Form->MListPanel->height() + 36));
    EXPECT_EQ(Form->ApplicationTitle(), "!Tavuro");
}

TEST_F(MidiBridge, ClosingTheWindowClosesThePlayer) {
    InstallPlayer();
    Start({Song("song.mid", 20)});
    PlayerWindowOpens(7, "song.mid");
    Form->close();
    EXPECT_TRUE(WindowLeft(7));
}

} // namespace
} // namespace tavuro
