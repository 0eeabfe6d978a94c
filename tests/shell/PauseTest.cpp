// Pausing and resuming through the transport, as the desktop's media controls do it, for each
// back end: where the entry is held, where it goes on, what the status says.
#include <gtest/gtest.h>

#include <filesystem>

#include "ShellFixture.h"
#include "shell/PlayerStatus.h"

namespace tavuro {
namespace {

enum class TCaseBackEnd { Engine, MediaControl, InProcessMidi, ExternalMidi };

struct PauseCase {
    const char* Name;
    TCaseBackEnd BackEnd;
    bool CanPause;
};

void PrintTo(const PauseCase& c, std::ostream* out) {
    *out << c.Name;
}

class Pause : public ShellFixture, public testing::WithParamInterface<PauseCase> {
protected:
    std::string Path;

    // Plays one 60-second entry through the case's back end.
    void Start() {
        std::string header = "#EXTM3U\n";
        switch (GetParam().BackEnd) {
        case TCaseBackEnd::Engine:
            Write("libbass.so", "");
            Path = "/m/song.ogg";
            break;
        case TCaseBackEnd::MediaControl:
            Path = "/m/song.m4a";
            break;
        case TCaseBackEnd::ExternalMidi:
            Write("XGPlayer", "#!/bin/sh\n");
            header = "#EXTM3U VisMIDI\n";
            [[fallthrough]];
        case TCaseBackEnd::InProcessMidi:
            Path = AppDir + "song.mid";
            Write("song.mid", "MThd");
            break;
        }
        Media.Durations[Path] = 60;
        Write("playlist.m3u", header + Path + "\n");
        Make();
        if (Engine)
            Engine->Lengths[Path] = 60000;
        Form->ClearSelection();
        Form->SelectRow(0);
        Form->PlaySelected();
    }
    // Moves the back end's own position (the external player's seconds are counted by ticks).
    void BackEndAt(int seconds) {
        if (Engine)
            Engine->Position = seconds * 1000u;
        Media.Position = seconds;
    }
    TPlayerStatus Status() const { return ReadPlayerStatus(*Form); }
};

TEST_P(Pause, HoldsThePositionAndResumesFromThere) {
    Start();
    TMainForm& form = *Form;
    BackEndAt(7);
    for (int tick = 0; tick < 7; ++tick)
        form.Timer1Timer();
    ASSERT_EQ(form.Gauge1->Progress, 7);
    EXPECT_EQ(Status().CanPause, GetParam().CanPause);

    EXPECT_EQ(form.PausePlayback(), GetParam().CanPause);
    if (!GetParam().CanPause) {
        EXPECT_FALSE(Status().Paused);
        EXPECT_TRUE(Status().Playing);
        return;
    }
    EXPECT_TRUE(Status().Paused);
    EXPECT_TRUE(Status().Playing) << "a paused entry still counts as playing";
    EXPECT_TRUE(form.sbStop->isEnabled()) << "the buttons keep their meaning";
    EXPECT_FALSE(form.sbNext->isHidden());
    BackEndAt(9); // whatever a back end would say, nothing moves while paused
    for (int tick = 0; tick < 3; ++tick)
        form.Timer1Timer();
    EXPECT_EQ(form.Gauge1->Progress, 7);
    EXPECT_EQ(form.Gauge2->Progress, 7);

    BackEndAt(7);
    form.ResumePlayback();
    EXPECT_FALSE(Status().Paused);
    EXPECT_TRUE(Status().Playing);
    if (Engine) {
        EXPECT_FALSE(Engine->IsPaused);
        EXPECT_EQ(Engine->Opens, 1) << "resumed, not opened anew";
    } else {
        EXPECT_EQ(Media.PlayState(), 2);
        EXPECT_EQ(Media.Opened.size(), 1u);
    }
    BackEndAt(8);
    form.Timer1Timer();
    EXPECT_EQ(form.Gauge1->Progress, 8) << "on from where it was held";
}

TEST_P(Pause, StopWhilePausedGoesIdleAndPlayStartsAfresh) {
    Start();
    EXPECT_EQ(Form->PausePlayback(), GetParam().CanPause);
    Form->StopClick();
    EXPECT_FALSE(Status().Playing);
    EXPECT_FALSE(Status().Paused);
    EXPECT_FALSE(Form->sbStop->isEnabled());
    Form->PlaySelected();
    EXPECT_TRUE(Status().Playing);
    EXPECT_FALSE(Status().Paused);
}

INSTANTIATE_TEST_SUITE_P(
    EachBackEnd, Pause,
    testing::Values(PauseCase{"Engine", TCaseBackEnd::Engine, true},
                    PauseCase{"MediaControl", TCaseBackEnd::MediaControl, true},
                    PauseCase{"InProcessMidi", TCaseBackEnd::InProcessMidi, true},
                    PauseCase{"ExternalMidi", TCaseBackEnd::ExternalMidi, false}),
    [](const testing::TestParamInfo<PauseCase>& info) { return std::string(info.param.Name); });

class PauseOfAStream : public ShellFixture {};

TEST_F(PauseOfAStream, ALiveStreamHeldPastItsBufferIsOpenedAnewOnResume) {
    Write("libbass.so", "");
    Write("playlist.m3u", "http://radio.example/live\n");
    Make();
    Form->ClearSelection();
    Form->SelectRow(0);
    Form->PlaySelected();
    ASSERT_TRUE(Form->PausePlayback());
    Engine->ResumeFails = true; // the engine says the stream cannot go on where it was
    Form->ResumePlayback();
    EXPECT_EQ(Engine->Opens, 2);
    EXPECT_EQ(Engine->Current, "http://radio.example/live");
    EXPECT_FALSE(ReadPlayerStatus(*Form).Paused);
    EXPECT_TRUE(Form->sbStop->isEnabled());
    EXPECT_TRUE(Form->Timer1->isActive());
}

TEST_F(PauseOfAStream, VolumeReachesEveryBackEndAndLaterEngines) {
    Write("libbass.so", "");
    Make();
    Form->Transport->SetVolume(0.25);
    EXPECT_EQ(Media.Volume, 0.25);
    EXPECT_EQ(Engine->Volume, 0.25);
    Form->Transport->SetVolume(3.0);
    EXPECT_EQ(Form->Transport->Volume(), 1.0) << "louder than full is full";
    Form->Transport->SetVolume(-1.0);
    EXPECT_EQ(Media.Volume, 0.0);
}

} // namespace
} // namespace tavuro
