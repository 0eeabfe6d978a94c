#include <gtest/gtest.h>

#include "ShellFixture.h"
#include "shell/Schedule.h"
#include "shell/Settings.h"

namespace tavuro {
namespace {

TEST(ScheduleCode, ValidityAndStartHour) {
    struct Case {
        const char* Code;
        bool Valid;
        int StartHour;
    } cases[] = {
        {"1213152208", true, 8},  {"1113152208", true, 8},  {"0213152208", false, 0},
        {"2113152208", false, 0}, {"1210151510", true, -1}, {"1200001500", true, 0},
        {"121315220", false, 0},  {"12131522x8", false, 0}, {"1213152508", false, 0},
        {"1208151322", false, 0},
    };
    for (const auto& c : cases) {
        const auto code = ParseScheduleCode(c.Code);
        EXPECT_EQ(code.has_value(), c.Valid) << c.Code;
        if (code) {
            EXPECT_EQ(ScheduleStartHourOf(*code), c.StartHour) << c.Code;
        }
    }
}

TEST(ScheduleAllows, WindowsDrawsAndTheDaysEnd) {
    TSchedule schedule;
    TRandom allow(SeedForFirstDraw(2, 0)), refuse(SeedForFirstDraw(2, 1));
    EXPECT_TRUE(ScheduleAllows(0, 9, schedule, allow));
    EXPECT_FALSE(ScheduleAllows(0, 9, schedule, refuse));
    TRandom any(7);
    EXPECT_FALSE(ScheduleAllows(0, 13, schedule, any)); // between the windows
    EXPECT_FALSE(ScheduleAllows(0, 7, schedule, any));
    EXPECT_TRUE(schedule.PlayToday);
    EXPECT_FALSE(ScheduleAllows(2, 22, schedule, any)); // hour CC ends the day
    EXPECT_FALSE(schedule.PlayToday);

    TSchedule granted;
    granted.HourGranted = true;
    TRandom untouched(5);
    EXPECT_TRUE(ScheduleAllows(2, 16, granted, untouched));
    EXPECT_EQ(untouched.Seed, 5u) << "a granted hour draws nothing";
    EXPECT_TRUE(ScheduleAllows(2, 8, granted, refuse)) << "the start hour always plays";

    TSchedule never;
    never.ScheduleCode = "1210151510";
    never.ScheduleStartHour = -1;
    for (int hour = 0; hour < 24; ++hour)
        EXPECT_FALSE(ScheduleAllows(1, hour, never, allow)) << hour;
}

TEST(Settings, LinesAreReadByTheirRules) {
    auto read = ParseSettings("  /home/me/Music \r\n1213152208\r\n100\r\n");
    EXPECT_EQ(read.LastOpenDir, "/home/me/Music");
    EXPECT_FALSE(read.ScheduleCode);
    ASSERT_TRUE(read.Display);
    EXPECT_EQ(read.Display->VisMode, 1);
    EXPECT_FALSE(read.Display->StayOnTop);
    EXPECT_FALSE(read.RewriteDue);

    struct Case {
        const char* Line;
        bool Valid;
    } displays[] = {{"900", true},  {"999", true},  {"809", true}, {"700", false},
                    {"000", false}, {"950", false}, {"90", false}, {"9000", false}};
    for (const auto& c : displays)
        EXPECT_EQ(ParseDisplayLine(c.Line).has_value(), c.Valid) << c.Line;

    EXPECT_TRUE(ParseSettings("\n0213152208\n900").RewriteDue);
    EXPECT_TRUE(ParseSettings("\n12345\n900").RewriteDue);
    EXPECT_TRUE(ParseSettings("\n1213152208\n700").RewriteDue);
    EXPECT_EQ(ParseSettings("\n1113152208\n").ScheduleCode, "1113152208");
    EXPECT_EQ(ParseSettings("a\rb\rc\rd").GeometryLine, "d");
}

TEST(Settings, GeometryLineIsClampedToTheWorkArea) {
    const TRect area{0, 0, 1024, 738};
    auto moved = ApplyGeometryLine("-5000,10", 195, 108, area);
    EXPECT_EQ(moved.Left, 0);
    EXPECT_EQ(moved.Top, 10);
    EXPECT_TRUE(moved.GeometryChanged);

    auto shortList = ApplyGeometryLine("100", 195, 108, area);
    EXPECT_FALSE(shortList.ClientHeight);
    EXPECT_TRUE(shortList.GeometryChanged);

    auto full = ApplyGeometryLine("300,200,150", 195, 108, area);
    EXPECT_EQ(full.ClientHeight, 150);
    EXPECT_EQ(full.Left, 300);
    EXPECT_EQ(full.Top, 200);
    EXPECT_FALSE(full.GeometryChanged);

    auto bottom = ApplyGeometryLine("10,700,150", 195, 108, area);
    EXPECT_EQ(bottom.Top, 738 - 150) << "the new height counts";
    EXPECT_TRUE(bottom.GeometryChanged);

    auto junk = ApplyGeometryLine("x,y", 195, 108, area);
    EXPECT_TRUE(junk.WindowCentred);
    EXPECT_TRUE(junk.GeometryChanged);
    EXPECT_FALSE(junk.Left);
}

TEST(Settings, WritingKeepsOtherLines) {
    TSettingsWrite settings{"/music/", false, {8, true, false}, std::nullopt};
    EXPECT_EQ(ComposeSettings({}, settings),
              (std::vector<std::string>{"/music/", "1213152208", "890"}));
    settings.ScheduleCodeInUse = true;
    EXPECT_EQ(ComposeSettings({"old", "1113152208", "900", "5,5", "extra"}, settings),
              (std::vector<std::string>{"/music/", "1113152208", "890", "5,5", "extra"}));
    settings.GeometryLine = ComposeGeometryLine(std::pair{12, 34}, 108);
    EXPECT_EQ(ComposeSettings({"old"}, settings)[3], "12,34");
    EXPECT_EQ(ComposeGeometryLine(std::nullopt, 200), "200");
    EXPECT_EQ(ComposeGeometryLine(std::pair{1, 2}, 200), "1,2,200");
}

class SettingsFile : public ShellFixture {};

TEST_F(SettingsFile, InvalidLinesAreRewrittenAtOnce) {
    Write("playmode.ini", "/m/\r\n2113152208\r\n700\r\n");
    auto& form = Make({}, false);
    EXPECT_EQ(form.Schedule.ScheduleCode, "");
    EXPECT_EQ(form.VisMode, 9);
    EXPECT_EQ(Read("playmode.ini"), "/m/\r\n1213152208\r\n900\r\n");
}

// A window cannot wrap midnight (two windows serve: 1108232400 plays 0-8 and 23-24): such a
// line is reset as any invalid one, and the reset is told on standard error.
TEST_F(SettingsFile, AScheduleThatWrapsMidnightIsResetWithAWord) {
    Write("playmode.ini", "/m/\r\n1113230008\r\n900\r\n");
    testing::internal::CaptureStderr();
    auto& form = Make({}, false);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(form.Schedule.ScheduleCode, "");
    EXPECT_EQ(Read("playmode.ini"), "/m/\r\n1213152208\r\n900\r\n");
    EXPECT_NE(said.find("playmode.ini"), std::string::npos) << said;
    EXPECT_NE(said.find("\"1113230008\""), std::string::npos) << said;
    EXPECT_NE(said.find("1213152208"), std::string::npos) << said;

    Write("playmode.ini", "/m/\r\n1108232400\r\n900\r\n");
    testing::internal::CaptureStderr();
    auto& both = Make({}, false);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(both.Schedule.ScheduleCode, "1108232400");
    EXPECT_EQ(both.Schedule.ScheduleStartHour, 0);
}

TEST_F(SettingsFile, ValidSettingsAreTakenAndNotRewritten) {
    const std::string text = "/m/\n1113152209\n399\n";
    Write("playmode.ini", text);
    auto& form = Make({}, false);
    EXPECT_EQ(form.LastOpenDir, "/m/");
    EXPECT_EQ(form.Schedule.ScheduleCode, "1113152209");
    EXPECT_EQ(form.Schedule.ScheduleStartHour, 9);
    EXPECT_EQ(form.VisMode, 3);
    EXPECT_TRUE(form.StayOnTop);
    EXPECT_TRUE(form.Transparent);
    EXPECT_EQ(Read("playmode.ini"), text);
}

TEST_F(SettingsFile, ClosingWritesOnlyWhatChanged) {
    Make();
    Form->close();
    EXPECT_FALSE(Exists("playmode.ini")) << "nothing changed, nothing written";

    Make();
    Form->StayOnTop = true;
    Form->close();
    EXPECT_EQ(Read("playmode.ini"), "\r\n1213152208\r\n990\r\n");
}

TEST_F(SettingsFile, AutoOutsideTheScheduleNeverShowsTheWindow) {
    Clock.Set(23, 0, 0);
    auto& form = Make({"/auto"});
    EXPECT_FALSE(form.ShouldRun());
    EXPECT_TRUE(form.isHidden());
    form.close();
    EXPECT_FALSE(Exists("playmode.ini"));
}

TEST_F(SettingsFile, AutoWithAGrantedDrawPlaysARandomPlaylistAtOnce) {
    Clock.Set(8, 40, 0);
    Write("rock.m3u", "#EXTM3U\r\n/music/a.mp3\r\n/music/b.mp3\r\n");
    Media.Durations = {{"/music/a.mp3", 100}, {"/music/b.mp3", 100}};
    auto& form = Make({"/AUTO"}, true, SeedForFirstDraw(2, 0));
    ASSERT_TRUE(form.ShouldRun());
    EXPECT_EQ(form.RunMode, 1);
    EXPECT_EQ(form.PlaylistFile, AppDir + "rock.m3u");
    EXPECT_TRUE(form.sbStop->isEnabled());
    EXPECT_TRUE(form.Schedule.HourGranted);
    EXPECT_EQ(Media.FileName(), form.Playlist->Entry(form.CurrentIndex).Path());
}

TEST_F(SettingsFile, RegistryValuesAreReadAtStart) {
    Registry->WriteString(TRegistryRoot::rrCurrentUser, "Control Panel\\Desktop",
                          "ScreenSaveActive", "1", true);
    auto& form = Make({}, false);
    EXPECT_TRUE(form.IsNTPlatform);
    EXPECT_TRUE(form.ScreenSaverWasActive);

    Registry->WriteString(TRegistryRoot::rrLocalMachine,
                          "Software\\Microsoft\\Windows\\CurrentVersion", "VersionNumber", "4.10",
                          true);
    Write("playmode.ini", "\n\n909\n");
    auto& old = Make({}, false);
    EXPECT_FALSE(old.IsNTPlatform);
    EXPECT_FALSE(old.Transparent) << "no colour key without layered windows";
}

} // namespace
} // namespace tavuro
