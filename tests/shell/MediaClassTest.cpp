#include <gtest/gtest.h>

#include "shell/MediaClass.h"
#include "shell/PlaylistEntry.h"

namespace tavuro {
namespace {

TEST(ClassifyMedia, ChoosesTheBackEnd) {
    struct Case {
        const char* Path;
        bool Engine, WmaAddOn;
        TMediaClass Class;
        bool IsUrl, WindowsMedia;
    } cases[] = {
        {"/m/song.kar", false, false, mcMidi, false, false},
        {"/m/SONG.MID", true, true, mcMidi, false, false},
        {"http://host/song.mid", true, true, mcControl, true, false},
        {"/m/a.ogg", true, false, mcEngine, false, false},
        {"http://radio.example.com/live", true, false, mcEngine, true, false},
        {"mms://radio.example.com/live", true, false, mcNetStream, true, false},
        {"http://host/list.asx", true, false, mcAsx, true, false},
        {"http://host/a.wma", true, true, mcControl, true, true},
        {"/m/a.mp3", false, false, mcControl, false, false},
        {"mms://radio.example.com/live", false, false, mcNetStream, true, false},
        {"/m/a.wma", true, false, mcControl, false, true},
        {"/m/a.wma", true, true, mcEngine, false, true},
        {"/m/clip.WMV", true, true, mcControl, false, true},
        {"http://host/a.mp3?x=1", true, false, mcControl, true, false},
        {"/m.dir/noext", true, false, mcControl, false, false},
        {"/m/a.flac", true, false, mcEngine, false, false},
        {"/m/A.OPUS", true, false, mcEngine, false, false},
        {"/m/a.oga", true, false, mcEngine, false, false},
        {"/m/a.m4a", true, false, mcEngine, false, false},
        {"/m/a.aac", true, false, mcEngine, false, false},
        {"http://host/a.flac", true, false, mcEngine, true, false},
        {"https://radio.example.com/live", true, false, mcEngine, true, false},
        {"HTTPS://RADIO.EXAMPLE.COM/LIVE", true, false, mcEngine, true, false},
        {"https://host/a.mp3", true, true, mcEngine, true, false},
        {"https://host/a.wma", true, true, mcControl, true, true},
        {"https://host/live.m3u8", true, false, mcControl, true, false},
        {"https://radio.example.com/live", false, false, mcControl, true, false},
        {"http://radio.example.com/live", false, false, mcControl, true, false},
        {"/m/a.flac", false, false, mcControl, false, false},
    };
    for (const auto& c : cases) {
        const TClassification result = ClassifyMedia(c.Path, c.Engine, c.WmaAddOn);
        EXPECT_EQ(result.Class, c.Class) << c.Path;
        EXPECT_EQ(result.IsUrl, c.IsUrl) << c.Path;
        EXPECT_EQ(result.IsWindowsMediaFormat, c.WindowsMedia) << c.Path;
    }
}

TEST(PlaylistEntry, CaptionsAndDurations) {
    EXPECT_EQ(EntryCaption("/music/Song.name.mp3"), "Song.name");
    EXPECT_EQ(EntryCaption("http://radio.example.com/live"), "http://radio.example.com/live");
    EXPECT_EQ(EntryCaption("plain"), "plain");
    struct Case {
        long long Seconds;
        const char* Text;
    } cases[] = {{0, "0:00"},  {7, "0:07"},   {9, "0:09"},     {42, "0:42"},   {60, "1:00"},
                 {61, "1:01"}, {599, "9:59"}, {3600, "60:00"}, {3725, "62:05"}};
    for (const auto& c : cases)
        EXPECT_EQ(FormatDuration(c.Seconds), c.Text) << c.Seconds;
}

} // namespace
} // namespace tavuro
