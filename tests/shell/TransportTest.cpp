#include <gtest/gtest.h>

#include "ShellFixture.h"

namespace tavuro {
namespace {

class Transport : public ShellFixture {
protected:
    void Start(const std::string& playlist, int row) {
        Write("playlist.m3u", playlist);
        Make();
        Form->ClearSelection();
        Form->SelectRow(row);
        Form->PlaySelected();
    }
};

TEST_F(Transport, PlayingSetsTheButtonsTitleAndLength) {
    Media.Durations["/m/song.mp3"] = 214.5;
    Start("/m/song.mp3\n", 0);
    auto& form = *Form;
    EXPECT_TRUE(form.sbPlay->isHidden());
    EXPECT_FALSE(form.sbNext->isHidden());
    EXPECT_TRUE(form.sbStop->isEnabled());
    EXPECT_TRUE(form.bgLabel2->isHidden());
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_EQ(form.Gauge1->MaxValue, 214) << "halves go to the even neighbour";
    EXPECT_EQ(form.Playlist->Entry(0).SubItems,
              (std::vector<std::string>{"/m/song.mp3", "214", "3:34"}));
    EXPECT_TRUE(form.PlaylistDirty);
    EXPECT_EQ(form.lbTime->text().toStdString(), "3:34");
    EXPECT_EQ(form.ApplicationTitle(), "song/Tavuro");
    EXPECT_EQ(form.RunMode, 1);
}

TEST_F(Transport, AStoredLengthIsKept) {
    Media.Durations["/m/song.mp3"] = 214.5;
    Start("#EXTINF:215,Song\n/m/song.mp3\n", 0);
    EXPECT_EQ(Form->Playlist->Entry(0).SubItems[2], "3:35");
    EXPECT_EQ(Form->lbTime->text().toStdString(), "3:35");
    EXPECT_FALSE(Form->PlaylistDirty);
}

TEST_F(Transport, AStreamWithoutLengthIsMarkedAndKeepsAStoredLength) {
    Start("#EXTINF:215,Radio\nmms://radio.example/live\n#EXTINF:,Some Radio\n"
          "mms://radio.example/other\n",
          0);
    EXPECT_TRUE(Form->UnknownLength);
    EXPECT_EQ(Form->Playlist->Entry(0).SubItems,
              (std::vector<std::string>{"mms://radio.example/live", "215", "3:35"}));
    EXPECT_FALSE(Form->PlaylistDirty) << "an unknown length replaces no stored one";
    EXPECT_EQ(Form->ApplicationTitle(), "i))Radio/Tavuro");
    EXPECT_EQ(Form->MediaClass, mcNetStream);
    EXPECT_FALSE(Form->StartingStream);
    Form->NextClick();
    EXPECT_EQ(Form->Playlist->Entry(1).SubItems,
              (std::vector<std::string>{"mms://radio.example/other", "0"}));
    EXPECT_TRUE(Form->PlaylistDirty);
}

// A net Ogg file from a server without byte ranges has no length until it is downloaded whole.
TEST_F(Transport, ANetFileLearnsItsTrueLengthWhenTheDownloadCompletes) {
    const std::string url = "http://host/a.ogg";
    Write("libbass.so", "");
    Start("#EXTINF:10,A Net Ogg\n" + url + "\n", 0);
    ASSERT_EQ(Engine->Current, url);
    EXPECT_TRUE(Form->UnknownLength);
    EXPECT_EQ(Form->Playlist->Entry(0).SubItems, (std::vector<std::string>{url, "10", "0:10"}));
    Engine->Lengths[url] = 8200;
    if (Engine->DownloadHandler)
        Engine->DownloadHandler();
    EXPECT_FALSE(Form->UnknownLength);
    EXPECT_EQ(Form->Gauge1->MaxValue, 8);
    EXPECT_EQ(Form->Gauge2->MaxValue, 8);
    EXPECT_EQ(Form->lbTime->text().toStdString(), "0:08");
    EXPECT_EQ(Form->Playlist->Entry(0).SubItems, (std::vector<std::string>{url, "8", "0:08"}));
    Engine->Position = 8000;
    Form->Timer1Timer();
    EXPECT_EQ(Form->Gauge1->Progress, 8) << "the gauge follows the entry now";
    Form->close();
    EXPECT_EQ(Read("playlist.m3u"), "#EXTM3U\r\n#EXTINF:8,A Net Ogg\r\n" + url + "\r\n");
}

TEST_F(Transport, AThreeSecondEntryAdvancesOnTheFourthTick) {
    Media.Durations = {{"/m/a.mp3", 3}, {"/m/b.mp3", 3}};
    Start("/m/a.mp3\n/m/b.mp3\n", 0);
    for (int tick = 1; tick <= 3; ++tick) {
        Tick();
        EXPECT_EQ(Form->Gauge1->Progress, tick);
        EXPECT_EQ(Form->Gauge2->Progress, tick);
    }
    EXPECT_EQ(Media.FileName(), "/m/a.mp3");
    Tick();
    EXPECT_EQ(Media.FileName(), "/m/b.mp3");
    EXPECT_EQ(Form->Gauge1->Progress, 0);
}

TEST_F(Transport, OrderModeWrapsAround) {
    Media.Durations = {{"/m/a.mp3", 1}, {"/m/b.mp3", 1}};
    Start("/m/a.mp3\n/m/b.mp3\n", 1);
    Form->NextClick();
    EXPECT_EQ(Media.FileName(), "/m/a.mp3");
}

TEST_F(Transport, RandomModeAlternatesBetweenTwoRows) {
    Start("#EXTM3U Random\n/m/a.mp3\n/m/b.mp3\n", 0);
    for (int i = 0; i < 6; ++i) {
        const std::string before = Media.FileName();
        Form->NextClick();
        EXPECT_NE(Media.FileName(), before);
    }
}

TEST_F(Transport, RandomModeWithOneRowReplaysIt) {
    Start("#EXTM3U Random\n/m/a.mp3\n", 0);
    Form->NextClick();
    EXPECT_EQ(Media.Opened, (std::vector<std::string>{"/m/a.mp3", "/m/a.mp3"}));
}

TEST_F(Transport, ASelectedRowIsPlayedNext) {
    Start("#EXTM3U Random\n/m/a.mp3\n/m/b.mp3\n/m/c.mp3\n/m/d.mp3\n", 0);
    Form->ClearSelection();
    Form->SelectRow(2);
    Form->NextClick();
    EXPECT_EQ(Media.FileName(), "/m/c.mp3");
}

TEST_F(Transport, StopShowsTheIdleStateAndTakesTheSelection) {
    Start("/m/a.mp3\n/m/b.mp3\n", 0);
    Form->ClearSelection();
    Form->SelectRow(1);
    Form->StopClick();
    EXPECT_EQ(Form->CurrentIndex, 1);
    EXPECT_EQ(Media.FileName(), "");
    EXPECT_FALSE(Form->Timer1->isActive());
    EXPECT_FALSE(Form->sbStop->isEnabled());
    EXPECT_FALSE(Form->bgLabel2->isHidden());
    EXPECT_EQ(Form->ApplicationTitle(), "!Tavuro");
    Form->StopClick();
    EXPECT_EQ(Form->ApplicationTitle(), "智能模式@暂停/Tavuro");
}

TEST_F(Transport, AFailedStartIsReportedAndGoesNoFurther) {
    Media.FailOnPlay = {"/m/bad.mp3", "http://host/x.mp3"};
    Start("#EXTINF:0,Bad one\n/m/bad.mp3\n/m/good.mp3\n", 0);
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, "格式不明或者路径有误,不能播放!");
    EXPECT_EQ(Dialogs.Messages[0].Title, "Bad one");
    EXPECT_EQ(Form->ApplicationTitle(), "!Tavuro");
    EXPECT_FALSE(Form->Timer1->isActive());
    EXPECT_FALSE(Form->sbStop->isEnabled());
    EXPECT_TRUE(Form->Timer2->isActive());

    Form->AddFiles({"http://host/x.mp3"});
    Form->ClearSelection();
    Form->SelectRow(Form->FindEntry("http://host/x.mp3"));
    Form->PlaySelected();
    EXPECT_EQ(Dialogs.Messages.back().Text, "地址有误或者尚未联网,不能播放!");
    EXPECT_FALSE(Form->StartingStream);
}

TEST_F(Transport, ClosingWhileTheMediaControlConnectsShowsNoErrorAndCleansUp) {
    Write("playlist.m3u", "/m/a.mp3\n");
    Make();
    Form->AddFiles({"mms://radio.example/live"});    // a change the close must save
    Media.FailOnPlay = {"mms://radio.example/live"}; // the close broke the connect off
    Media.WhilePlaying = [&] {
        Media.WhilePlaying = nullptr;
        Form->close();
    };
    Form->ClearSelection();
    Form->SelectRow(Form->FindEntry("mms://radio.example/live"));
    Form->PlaySelected();
    EXPECT_TRUE(Form->Closed());
    EXPECT_TRUE(Dialogs.Messages.empty()) << Dialogs.Messages.front().Text;
    EXPECT_FALSE(Form->StartingStream);
    EXPECT_NE(Read("playlist.m3u").find("mms://radio.example/live"), std::string::npos);
}

TEST_F(Transport, ASingleFileThatFailsClosesTheProgram) {
    Media.FailOnPlay = {"/m/bad.ogg"};
    auto& form = Make({"/m/bad.ogg"});
    EXPECT_EQ(form.RunMode, 2);
    EXPECT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_TRUE(form.Closed());
}

TEST_F(Transport, ASingleFilePlaysAloneAndEndsTheProgram) {
    Media.Durations["/m/one.ogg"] = 1;
    auto& form = Make({"/m/one.ogg"});
    EXPECT_EQ(form.RunMode, 2);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"one"}));
    EXPECT_TRUE(form.sbStop->isEnabled());
    Tick();
    EXPECT_FALSE(form.Closed());
    Tick();
    EXPECT_TRUE(form.Closed());
    EXPECT_FALSE(Exists("playlist.m3u")) << "a single file is never saved as a playlist";
}

TEST_F(Transport, ProgressClicksSeekToTheRoundedSecond) {
    Media.Durations["/m/a.mp3"] = 200;
    Start("/m/a.mp3\n", 0);
    ASSERT_EQ(Form->lbProgress->width(), 187);
    Form->ProgressClick(93);
    EXPECT_EQ(Media.Position, 99);
    EXPECT_EQ(Form->Gauge1->Progress, 99);
    Form->ProgressClick(187);
    EXPECT_EQ(Media.Position, 200);

    Media.Seekable = false;
    Form->IsWindowsMediaFormat = true;
    Form->ProgressClick(10);
    EXPECT_EQ(Media.Position, 200) << "Windows Media files seek only when the control can";
}

TEST_F(Transport, TheEngineBranchPlaysSeeksAndEnds) {
    Write("libbass.so", "");
    Write("playlist.m3u", "/m/a.ogg\n/m/b.ogg\n");
    Make();
    ASSERT_FALSE(Form->VisBox->isHidden());
    Engine->Lengths = {{"/m/a.ogg", 2500}, {"/m/b.ogg", 4000}};
    Form->ClearSelection();
    Form->SelectRow(0);
    Form->PlaySelected();
    EXPECT_EQ(Form->MediaClass, mcEngine);
    EXPECT_EQ(Form->Gauge1->MaxValue, 2) << "2.5 s rounds to the even 2";
    EXPECT_FALSE(Form->VisPanel->isHidden());
    EXPECT_TRUE(Form->GaugeAtTopEdge());
    EXPECT_EQ(Form->lbTitle->text().toStdString(), "a");
    Engine->Position = 1500;
    Form->Timer1Timer();
    EXPECT_EQ(Form->Gauge1->Progress, 2);
    Form->ProgressClick(Form->lbProgress->width() / 2);
    EXPECT_EQ(Engine->Seeks.back(), 1000u);
    Engine->Position = 2600; // at the end the progress counts on by itself
    Form->Timer1Timer();
    EXPECT_EQ(Form->Gauge1->Progress, 2);
    EXPECT_EQ(Engine->Current, "/m/a.ogg");
    Form->Timer1Timer();
    EXPECT_EQ(Engine->Current, "/m/b.ogg");

    Engine->Refused = {"/m/a.ogg"};
    Form->NextClick();
    EXPECT_EQ(Form->MediaClass, mcControl) << "a refused file falls back to the media control";
    EXPECT_EQ(Media.FileName(), "/m/a.ogg");
}

TEST_F(Transport, AnEngineStreamEndsByItsState) {
    Write("libbass.so", "");
    Write("playlist.m3u", "http://radio.example/live\n/m/z.ogg\n");
    Make();
    Form->ClearSelection();
    Form->SelectRow(0);
    Form->PlaySelected();
    ASSERT_EQ(Engine->Current, "http://radio.example/live");
    EXPECT_TRUE(Form->UnknownLength);
    Form->Timer1Timer();
    EXPECT_EQ(Engine->Current, "http://radio.example/live");
    Engine->State = psStopped;
    Form->Timer1Timer();
    EXPECT_EQ(Engine->Current, "/m/z.ogg");
}

TEST_F(Transport, AnEngineEntryTheLibraryEndsEarlyMovesOnAtTheNextTicks) {
    Write("libbass.so", "");
    Write("playlist.m3u", "/m/a.ogg\n/m/b.ogg\n");
    Make();
    Engine->Lengths = {{"/m/a.ogg", 30000}, {"/m/b.ogg", 4000}};
    Form->ClearSelection();
    Form->SelectRow(0);
    Form->PlaySelected();
    ASSERT_EQ(Form->Gauge1->MaxValue, 30);
    Engine->Position = 4200;
    Form->Timer1Timer();
    EXPECT_EQ(Form->Gauge1->Progress, 4);
    // The download broke off: the library ended the stream where the audio ran out.
    Engine->State = psStopped;
    Form->Timer1Timer();
    EXPECT_EQ(Form->Gauge1->Progress, 30) << "an ended entry fills its gauge";
    EXPECT_EQ(Engine->Current, "/m/a.ogg");
    Form->Timer1Timer();
    EXPECT_EQ(Engine->Current, "/m/b.ogg");
}

TEST_F(Transport, AVideoGetsItsOwnSizeAndTheListReturnsWhenIdle) {
    Media.Pictures["/m/clip.avi"] = {320, 256};
    Media.Durations["/m/clip.avi"] = 30;
    Start("/m/clip.avi\n", 0);
    EXPECT_TRUE(Form->VideoLayoutShown());
    EXPECT_EQ(Form->size(), QSize(545, 303));
    EXPECT_EQ(Media.BoundsWidth, 541);
    EXPECT_EQ(Media.BoundsHeight, 300);
    EXPECT_EQ(Form->ApplicationTitle(), "[0:30]clip/Tavuro");
    Form->StopClick();
    EXPECT_FALSE(Form->VideoLayoutShown());
    EXPECT_EQ(Form->size(), QSize(195, 108));
    EXPECT_FALSE(Form->MListPanel->isHidden());
}

TEST_F(Transport, TheHourlyCheckStopsShortVideosButNotLongOnes) {
    Media.Pictures = {{"/m/short.avi", {320, 240}}, {"/m/long.avi", {320, 240}}};
    Media.Durations = {{"/m/short.avi", 300}, {"/m/long.avi", 700}};
    Start("/m/long.avi\n/m/short.avi\n", 0);
    Clock.Set(13, 0, 0); // between the windows
    Form->Timer2Timer();
    EXPECT_TRUE(Form->sbStop->isEnabled());
    Form->NextClick();
    ASSERT_EQ(Media.FileName(), "/m/short.avi");
    Form->Timer2Timer();
    EXPECT_FALSE(Form->sbStop->isEnabled());
    EXPECT_EQ(Media.FileName(), "");
    EXPECT_EQ(Form->ApplicationTitle(), "智能模式@暂停/Tavuro");
}

TEST_F(Transport, TheHourlyCheckStartsPlayingInsideTheWindows) {
    Write("playlist.m3u", "/m/a.mp3\n/m/b.mp3\n");
    Make({}, true, SeedForFirstDraw(2, 0));
    Form->Schedule.HourGranted = true;
    Clock.Set(16, 0, 1);
    Form->Timer2Timer();
    EXPECT_EQ(Media.FileName(), "") << "only in the first second of the hour";
    Clock.Set(16, 0, 0);
    Form->Timer2Timer();
    EXPECT_TRUE(Form->sbStop->isEnabled());
    EXPECT_EQ(Form->RunMode, 1);
    EXPECT_FALSE(Form->Schedule.HourGranted);
}

// The check of the hour is put off while an address connects, not dropped: the first tick after
// the start runs it, once.
TEST_F(Transport, TheHourlyCheckWaitsForAnAddressBeingStartedThenRunsOnce) {
    Write("playlist.m3u", "/m/a.mp3\n/m/b.mp3\n");
    Make({}, true, SeedForFirstDraw(2, 0));
    Form->Schedule.HourGranted = true;
    Form->StartingStream = true; // as while a start waits for a server
    Clock.Set(16, 0, 0);
    Form->Timer2Timer();
    Clock.Set(16, 0, 1);
    Form->Timer2Timer();
    EXPECT_EQ(Media.FileName(), "");
    EXPECT_FALSE(Form->sbStop->isEnabled());
    Form->StartingStream = false;
    Clock.Set(16, 0, 4);
    Form->Timer2Timer();
    EXPECT_TRUE(Form->sbStop->isEnabled());
    EXPECT_FALSE(Form->Schedule.HourGranted);
    Form->StopClick();
    Form->Schedule.HourGranted = true;
    Clock.Set(16, 0, 5);
    Form->Timer2Timer();
    EXPECT_FALSE(Form->sbStop->isEnabled()) << "the hour was checked once";
}

TEST_F(Transport, TheDailyDrawIsNotSkippedByAnAddressBeingStarted) {
    Write("playlist.m3u", "/m/a.mp3\n");
    Make({}, true, SeedForFirstDraw(2, 0));
    Form->Schedule.PlayToday = false;
    Form->Random = TRandom(SeedForFirstDraw(2, 0)); // the draw allows playing
    Form->StartingStream = true;
    Clock.Set(8, 0, 0);
    Form->Timer2Timer();
    Form->StartingStream = false;
    Clock.Set(8, 0, 2);
    Form->Timer2Timer();
    EXPECT_TRUE(Form->Schedule.PlayToday) << "the draw at the start hour was made";
}

} // namespace
} // namespace tavuro
