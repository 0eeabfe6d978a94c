// What another program hands over (a media key client, a second start) is opened as the open
// dialog opens it and played; what the window does is read back for the desktop's controls.
#include "ShellFixture.h"
#include "shell/PlayerStatus.h"

namespace tavuro {
namespace {

class OpenAndPlay : public ShellFixture {};

TEST_F(OpenAndPlay, AFileOnAnIdlePlayerIsAddedSavedAndPlayed) {
    Media.Durations["/m/song.mp3"] = 214.5;
    TMainForm& form = Make();
    ASSERT_FALSE(form.sbAbout->isHidden()); // the empty-list display
    form.OpenAndPlay("/m/song.mp3");
    EXPECT_EQ(Captions(), std::vector<std::string>{"song"});
    EXPECT_EQ(Media.FileName(), "/m/song.mp3");
    EXPECT_TRUE(form.sbStop->isEnabled());
    EXPECT_EQ(form.ApplicationTitle(), "song/Tavuro");
    EXPECT_EQ(form.LastOpenDir, "/m/");
    EXPECT_EQ(Read("playlist.m3u"), "#EXTM3U\r\n/m/song.mp3\r\n"); // saved as the dialog saves
    EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(OpenAndPlay, AFileWhilePlayingTakesOverAndStaysInTheList) {
    Media.Durations = {{"/m/a.mp3", 3}, {"/m/b.mp3", 3}, {"/m/c.mp3", 3}};
    Write("playlist.m3u", "/m/a.mp3\r\n/m/b.mp3\r\n");
    TMainForm& form = Make({}, true, SeedForFirstDraw(2, 0));
    form.PlaySelected();
    ASSERT_EQ(Media.FileName(), "/m/a.mp3");
    form.OpenAndPlay("/m/c.mp3");
    EXPECT_EQ(Captions(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(Media.FileName(), "/m/c.mp3");
    EXPECT_EQ(form.CurrentIndex, 2);
    EXPECT_EQ(form.ApplicationTitle(), "c/Tavuro");
    form.OpenAndPlay("/m/a.mp3"); // already listed: played, not added
    EXPECT_EQ(Captions(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(Media.FileName(), "/m/a.mp3");
}

// Several files at once ("tavuro a.mp3 b.mp3", a file manager's %U): the first start adds them
// all to its playlist and plays the first, and so does a running player handed them over.
TEST_F(OpenAndPlay, SeveralFilesAreAllAddedAndTheFirstPlays) {
    Media.Durations = {{"/m/b.mp3", 3}, {"/m/a.mp3", 3}, {"/m/d.mp3", 3}, {"/m/c.mp3", 3}};
    Write("playlist.m3u", "/m/z.mp3\r\n");
    TMainForm& form = Make({"/m/b.mp3", "/m/a.mp3"});
    EXPECT_EQ(Captions(), (std::vector<std::string>{"a", "b", "z"}));
    EXPECT_EQ(Media.FileName(), "/m/b.mp3");
    EXPECT_TRUE(form.sbStop->isEnabled());
    EXPECT_EQ(form.RunMode, 1) << "a player that goes on after them";
    EXPECT_EQ(Read("playlist.m3u"), "#EXTM3U\r\n/m/a.mp3\r\n/m/b.mp3\r\n/m/z.mp3\r\n");
    form.OpenAndPlay(std::vector<std::string>{"/m/d.mp3", "/m/c.mp3"});
    EXPECT_EQ(Captions(), (std::vector<std::string>{"a", "b", "c", "d", "z"}));
    EXPECT_EQ(Media.FileName(), "/m/d.mp3");
}

TEST_F(OpenAndPlay, SeveralFilesOnAFreshPlayerMakeItsPlaylist) {
    Media.Durations = {{"/m/b.mp3", 3}, {"/m/a.mp3", 3}};
    TMainForm& form = Make({"/m/b.mp3", "/m/a.mp3"});
    EXPECT_TRUE(form.sbAbout->isHidden()) << "the empty-list display is gone";
    EXPECT_EQ(Captions(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(Media.FileName(), "/m/b.mp3");
    EXPECT_EQ(Read("playlist.m3u"), "#EXTM3U\r\n/m/a.mp3\r\n/m/b.mp3\r\n");
}

TEST_F(OpenAndPlay, APlaylistIsOpenedAsTheDialogOpensItAndStarts) {
    QTemporaryDir elsewhere;
    const std::string list = elsewhere.path().toStdString() + "/party.m3u";
    std::ofstream(list, std::ios::binary) << "#EXTM3U Random\r\n/m/x.mp3\r\n";
    Media.Durations["/m/x.mp3"] = 5;
    TMainForm& form = Make();
    form.OpenAndPlay(list);
    EXPECT_EQ(Captions(), std::vector<std::string>{"x"});
    EXPECT_FALSE(form.sbRandom->isHidden());
    EXPECT_EQ(form.PlaylistFile, AppDir + "party.m3u"); // copied into the player's folder
    EXPECT_EQ(Media.FileName(), "/m/x.mp3");
    EXPECT_TRUE(form.sbStop->isEnabled());
}

TEST_F(OpenAndPlay, AnAddressIsPlayedWithoutBecomingTheDialogsFolder) {
    Write("libbass.so", "");
    TMainForm& form = Make();
    form.LastOpenDir = "/music/";
    form.OpenAndPlay("http://radio.example/live");
    EXPECT_EQ(form.LastOpenDir, "/music/");
    EXPECT_EQ(Engine->Current, "http://radio.example/live");
    EXPECT_EQ(form.ApplicationTitle(), "i))http://radio.example/live/Tavuro");
}

TEST_F(OpenAndPlay, ASingleFilePlayerPlaysTheFileHandedOverAloneAndKeepsThePlaylist) {
    Media.Durations = {{"/m/one.ogg", 2}, {"/m/two.ogg", 2}};
    Write("playlist.m3u", "#EXTM3U\r\n/m/kept.mp3\r\n");
    TMainForm& form = Make({"/m/one.ogg"});
    ASSERT_EQ(form.RunMode, 2);
    form.OpenAndPlay("/m/two.ogg");
    EXPECT_EQ(Media.FileName(), "/m/two.ogg");
    EXPECT_EQ(form.RunMode, 2); // it still ends with its file
    form.close();
    EXPECT_EQ(Read("playlist.m3u"), "#EXTM3U\r\n/m/kept.mp3\r\n");
}

TEST_F(OpenAndPlay, TheStatusFollowsTheWindow) {
    Write("libbass.so", "");
    Write("playlist.m3u",
          "#EXTINF:215,Song\r\n/m/song.mp3\r\n#EXTINF:-1,Radio\r\nhttp://radio/live\r\n");
    TMainForm& form = Make();
    form.ClearSelection();
    form.SelectRow(1);
    form.CurrentIndex = 1;
    ASSERT_EQ(Captions(), (std::vector<std::string>{"Radio", "Song"}));
    TPlayerStatus idle = ReadPlayerStatus(form);
    EXPECT_FALSE(idle.Playing);
    EXPECT_TRUE(idle.HasEntry && idle.CanPlay);
    EXPECT_FALSE(idle.CanGoNext || idle.CanSeek);
    EXPECT_EQ(idle.Title, "Song");
    EXPECT_EQ(idle.LengthMicroseconds, 215000000); // from the row while idle
    EXPECT_EQ(PlayerPosition(form), 0);

    Engine->Lengths["/m/song.mp3"] = 215000;
    form.PlaySelected();
    Engine->Position = 1500;
    const TPlayerStatus playing = ReadPlayerStatus(form);
    EXPECT_TRUE(playing.Playing && playing.CanGoNext && playing.CanSeek);
    EXPECT_EQ(PlayerPosition(form), 1500000);
    EXPECT_TRUE(form.SeekTo(100000));
    EXPECT_EQ(Engine->Seeks, std::vector<std::uint32_t>{100000});
    EXPECT_EQ(form.Gauge1->Progress, 100);

    Engine->Title = "Artist - Song";
    form.NextClick(); // the stream: no length, its own title, no seeking
    const TPlayerStatus stream = ReadPlayerStatus(form);
    EXPECT_EQ(stream.Path, "http://radio/live");
    EXPECT_EQ(stream.Title, "Artist - Song");
    EXPECT_EQ(form.ApplicationTitle(), "i))Radio/Tavuro"); // the window keeps its title
    EXPECT_EQ(stream.LengthMicroseconds, std::nullopt);
    EXPECT_FALSE(stream.CanSeek);
    EXPECT_FALSE(form.SeekTo(1000));

    form.StopClick();
    EXPECT_FALSE(ReadPlayerStatus(form).Playing);
}

TEST_F(OpenAndPlay, TheEmptyListDisplayHasNoEntry) {
    TMainForm& form = Make();
    const TPlayerStatus status = ReadPlayerStatus(form);
    EXPECT_FALSE(status.HasEntry || status.CanPlay || status.Playing);
}

} // namespace
} // namespace tavuro
