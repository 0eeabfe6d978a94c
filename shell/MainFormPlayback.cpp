// Playing entries: the dispatch to a back end, the transport buttons, the two timers and
// seeking by the progress bar.
#include "common/Rounding.h"
#include "common/Text.h"
#include "desktop/Titles.h"
#include "platform/Translations.h"
#include "shell/Main.h"
#include "shell/TextFile.h"

namespace tavuro {

bool TMainForm::PlayCurrent() {
    if (CurrentIndex < 0 || CurrentIndex >= Playlist->Count())
        return false;
    ScrollIntoViewSoon(CurrentIndex);
    const std::string& path = CurrentEntry().Path();
    const TClassification classification =
        ClassifyMedia(path, EnginePresent(), Exists("libbasswma.so"));
    MediaClass = classification.Class;
    IsUrl = classification.IsUrl;
    IsWindowsMediaFormat = classification.IsWindowsMediaFormat;
    // A folder, a FIFO or a device would hold a back end for ever: refused before any opens it.
    if (!IsUrl && NamesSpecialFile(EntryFilePath(path)))
        return ReportPlayError();
    const bool wasPlaying = Playing();
    if (IsUrl) {
        if (Playing())
            ShowIdleState();
        if (StayOnTop)
            DropTopmost();
        SetApplicationTitle(TranslateUtf8(FormContext, TitleConnecting));
        StartingStream = true;
    }
    bool started;
    if (MediaClass == mcEngine)
        started = StartEngine();
    else if (MediaClass == mcMidi && VisMidiOn())
        started = StartXGPlayer();
    else
        started = StartMediaControl();
    if (HasClosed && StartingStream) {
        // The window was closed while the address connected: the close query gave the connect
        // up and left its clean-up until the start had unwound.
        StartingStream = false;
        CloseQuery();
        return false;
    }
    if (!started)
        return false;
    StartingStream = false;
    // A network entry that replaced a playing one plays on with the playing buttons.
    if (wasPlaying && !Playing())
        SetPlayingButtons();
    Timer1->start();
    Gauge1->SetProgress(0);
    Gauge2->SetProgress(0);
    RecordLength();
    ComposePlayingTitle();
    if (VideoLayoutShown() && ScreenSaverWasActive && !ScreenSaverSuspended)
        ScreenSaverSwitch();
    return true;
}

bool TMainForm::StartMediaControl() {
    Player->SetFileName(EntryFilePath(CurrentEntry().Path()));
    Player->SetCurrentPosition(-1.0);
    if (!Player->Play())
        return HasClosed ? false : ReportPlayError(); // a close broke the connect off: no box
    Transport->Started(TBackEnd::beMediaControl);
    if (IsUrl && StayOnTop)
        RestoreTopmost();
    if (Player->ImageSourceWidth() > 0) {
        if (IsNTPlatform)
            Player->SetDisplaySize(2);
        EnterVideoOrSpectrumLayout();
        if (!StayOnTop) {
            RestoreTopmost();
            DropTopmost();
        }
    } else if (MediaClass == mcNetStream && EnginePresent()) {
        Player->SetFileName("");
        MediaClass = mcEngine;
        return StartEngine();
    } else if (GaugeAtTopEdge()) {
        EnterListLayout();
    }
    Gauge1->SetMaxValue(static_cast<int>(RoundHalfEven(Player->Duration())));
    if (MediaClass == mcMidiFallback)
        ComposePlayingTitle();
    return true;
}

bool TMainForm::StartEngine() {
    if (Engine && Engine->Open(EntryFilePath(CurrentEntry().Path()))) {
        Engine->Play();
        Transport->Started(TBackEnd::beEngine);
        EnterVideoOrSpectrumLayout();
        Gauge1->SetMaxValue(static_cast<int>(RoundHalfEven(Engine->GetLength() / 1000.0)));
        return true;
    }
    if (HasClosed)
        return false; // the connect was given up at the close: nothing else starts
    MediaClass = mcControl;
    // The media control would ask the same host and port, and wait as long again.
    if (IsUrl && Engine && Engine->AddressDidNotAnswer())
        return ReportPlayError();
    return StartMediaControl();
}

bool TMainForm::ReportPlayError() {
    Timer2->stop();
    if (Playing())
        ShowIdleState();
    std::string message;
    if (IsUrl) {
        AlignCurrentWithSelection();
        message = TranslateUtf8("TMainForm", "地址有误或者尚未联网,不能播放!");
        if (StayOnTop) {
            RestoreTopmost();
        } else if (!IsNTPlatform) {
            RestoreTopmost();
            DropTopmost();
        }
        StartingStream = false;
    } else {
        message = TranslateUtf8("TMainForm", "格式不明或者路径有误,不能播放!");
    }
    RestoreAndBringToFront();
    SetApplicationTitle(TitleStartUp);
    ShowMessage(message, CurrentEntry().Caption);
    if (RunMode == 2)
        close();
    else
        Timer2->start();
    return false;
}

// The back end's length becomes the row's, unless the row already holds one. An unknown length
// (a stream, a net file whose server told none) leaves a stored one as it is.
void TMainForm::RecordLength() {
    const int max = Gauge1->MaxValue;
    std::vector<std::string> subItems = CurrentEntry().SubItems;
    if (max < 1) {
        UnknownLength = true;
        if (subItems.size() < 2) {
            subItems.push_back("0");
            PlaylistDirty = true;
        }
    } else {
        Gauge2->SetMaxValue(max);
        if (subItems.size() < 3) {
            if (subItems.size() == 2)
                subItems.pop_back();
            subItems.push_back(std::to_string(max));
            subItems.push_back(FormatDuration(max));
            PlaylistDirty = true;
        }
        lbTime->setText(QString::fromStdString(subItems[2]));
    }
    Playlist->SetSubItems(CurrentIndex, std::move(subItems));
}

// A net file whose server told no length has it once it is downloaded whole: the true length
// replaces what the row held, and the gauges follow the entry from then on.
void TMainForm::LearnDownloadedLength() {
    if (!UnknownLength || !Playing() || VisPanel->isHidden() || !Engine)
        return;
    const int length = static_cast<int>(RoundHalfEven(Engine->GetLength() / 1000.0));
    if (length < 1)
        return;
    UnknownLength = false;
    Gauge1->SetMaxValue(length);
    Gauge2->SetMaxValue(length);
    std::vector<std::string> subItems = {CurrentEntry().Path(), std::to_string(length),
                                         FormatDuration(length)};
    lbTime->setText(QString::fromStdString(subItems[2]));
    if (subItems != CurrentEntry().SubItems) {
        Playlist->SetSubItems(CurrentIndex, std::move(subItems));
        PlaylistDirty = true;
    }
    ComposePlayingTitle();
}

void TMainForm::SetPlayingButtons() {
    bgLabel2->hide();
    sbPlay->hide();
    sbNext->show();
    Transport->SetPlaying();
}

// The stop button is enabled exactly while an entry plays, paused or not.
void TMainForm::FollowTransport() {
    sbStop->setEnabled(Transport->Playing());
}

void TMainForm::ResumePlayback() {
    if (!Transport->Paused() || Transport->Resume())
        return;
    Timer1->stop();
    StopAll();
    PlayCurrent();
}

void TMainForm::PlaySelected() {
    if (Playing()) {
        Timer1->stop();
        StopAll();
    }
    const int selected = FirstSelected();
    if (selected >= 0)
        CurrentIndex = selected;
    else
        SelectRow(CurrentIndex);
    if (!PlayCurrent())
        return;
    if (!Playing()) {
        SetPlayingButtons();
        Schedule.HourGranted = true;
        if (RunMode == 0)
            RunMode = 1;
    }
}

void TMainForm::NextClick() {
    if (sbNext->isHidden())
        return;
    Timer1->stop();
    StopAll();
    PlayNext();
}

void TMainForm::StopClick() {
    Timer1->stop();
    StopAll();
    if (!MListPanel->isHidden())
        AlignCurrentWithSelection();
    ShowIdleState();
}

void TMainForm::AlignCurrentWithSelection() {
    const int selected = FirstSelected();
    if (selected >= 0 && selected != CurrentIndex) {
        if (StartingStream) {
            ClearSelection();
            SelectRow(CurrentIndex);
        } else {
            CurrentIndex = selected;
        }
    } else if (selected < 0) {
        SelectRow(CurrentIndex);
    }
    ScrollIntoView(CurrentIndex);
}

void TMainForm::OrderClick() {
    sbOrder->hide();
    sbRandom->show();
}

void TMainForm::RandomClick() {
    sbRandom->hide();
    sbOrder->show();
}

void TMainForm::PickNext() {
    const int count = Playlist->Count();
    if (!RandomMode() || count < 2) {
        CurrentIndex = CurrentIndex + 1 < count ? CurrentIndex + 1 : 0;
    } else {
        int drawn;
        do
            drawn = Random.Below(count);
        while (drawn == CurrentIndex);
        CurrentIndex = drawn;
    }
    ClearSelection();
    SelectRow(CurrentIndex);
}

bool TMainForm::PlayNext() {
    const int selected = FirstSelected();
    if (selected >= 0 && selected != CurrentIndex)
        CurrentIndex = selected;
    else
        PickNext();
    return PlayCurrent();
}

void TMainForm::StopAll() {
    UnknownLength = false;
    Transport->CloseBackEnd();
}

void TMainForm::EndOfTrack() {
    if (RunMode == 2) {
        close();
        return;
    }
    Timer1->stop();
    StopAll();
    if (!VisPanel->isHidden() && VisMode == 9)
        PickVisStyleAtTrackEnd();
    PlayNext();
}

void TMainForm::PickVisStyle() {
    VisStyle = Random.Below(6) + 1;
}

void TMainForm::Timer1Timer() {
    if (Transport->Paused())
        return; // the gauges and the time hold still
    if (UnknownLength) {
        const bool engineStopped = EngineAudio() && Engine->PlayerState() == psStopped;
        const bool controlStopped =
            !Player->FileName().empty() && Player->PlayState() == 0 && MediaClass != mcAsx;
        if (engineStopped || controlStopped) {
            EndOfTrack();
            return;
        }
    }
    if (VideoLayoutShown()) {
        if (Player->Width() != VdoPanel->width() || Player->Height() != VdoPanel->height())
            EnterVideoOrSpectrumLayout();
        // Stopped before its end, as from the control's own controls.
        if (Player->PlayState() == 0 && Player->Duration() > Player->CurrentPosition()) {
            Timer1->stop();
            ShowIdleState();
            return;
        }
    }
    if (UnknownLength)
        return;
    if (Gauge1->Progress >= Gauge1->MaxValue) {
        EndOfTrack();
        return;
    }
    if (Player->PlayState() == 1)
        return; // paused: nothing moves
    int progress;
    if (Transport->BackEnd() == TBackEnd::beExternalMidi) {
        // The external player's position is counted, not read.
        if (Gauge1->Progress == 0 && CheckXGAlert())
            return;
        progress = Gauge1->Progress + 1;
    } else if (EngineAudio()) {
        const std::uint32_t position = Engine->GetPosition();
        if (Engine->PlayerState() == psStopped)
            progress = Gauge1->MaxValue; // the library ended the stream, early or not
        else if (position < Engine->GetLength())
            progress = static_cast<int>(RoundHalfEven(position / 1000.0));
        else
            progress = Gauge1->Progress + 1;
    } else {
        progress = static_cast<int>(RoundHalfEven(Player->CurrentPosition()));
    }
    Gauge1->SetProgress(progress);
    Gauge2->SetProgress(progress);
}

void TMainForm::Timer2Timer() {
    const TTimeOfDay now = Services.Clock->Now();
    const bool topOfHour = now.Minute == 0 && now.Second == 0;
    // While an address connects, a start from here would run beneath that start: the check of
    // the hour waits for the first tick after it.
    if (StartingStream) {
        HourCheckPutOff = HourCheckPutOff || topOfHour;
        return;
    }
    if (!topOfHour && !HourCheckPutOff)
        return;
    HourCheckPutOff = false;
    if (!Schedule.PlayToday && now.Hour == Schedule.ScheduleStartHour)
        Schedule.PlayToday = ScheduleAllows(1);
    if (Schedule.PlayToday && ScheduleAllows(2)) {
        if (Idle()) {
            if (RunMode != 0) {
                const int selected = FirstSelected();
                if (selected >= 0 && selected != CurrentIndex) {
                    CurrentIndex = selected;
                } else {
                    const std::string name = PickStartPlaylist();
                    if (RunMode == 1 && name.empty()) {
                        Timer2->stop();
                        return;
                    }
                    if (!name.empty() && UpperAscii(name) != UpperAscii(PlaylistFile)) {
                        SavePlaylistIfChanged();
                        PlaylistFile = name;
                        if (!LoadPlaylist(name))
                            return;
                    }
                    PickNext();
                }
            }
            if (RunMode == 0)
                RunMode = 1;
            if (!PlayCurrent())
                return;
            SetPlayingButtons();
        }
        Schedule.HourGranted = false;
    } else if (Playing()) {
        // Network streams and single files are not stopped; neither are long videos.
        if (IsUrl || RunMode == 2)
            return;
        if (VideoLayoutShown() && (UnknownLength || Gauge1->MaxValue >= 600))
            return;
        Timer1->stop();
        StopAll();
        Transport->SetIdle();
        ShowIdleState();
        if (VisMode > 7)
            PickVisStyle();
        Schedule.HourGranted = false;
    } else {
        Schedule.HourGranted = false;
    }
}

void TMainForm::ProgressClick(int x) {
    const int barWidth = std::max(1, lbProgress->width());
    const int seconds =
        static_cast<int>(RoundHalfEven(static_cast<double>(Gauge1->MaxValue) * x / barWidth));
    SeekTo(static_cast<std::uint32_t>(std::max(seconds, 0)) * 1000u);
}

bool TMainForm::CanSeek() const {
    if (UnknownLength || !Playing() || Transport->BackEnd() == TBackEnd::beExternalMidi)
        return false;
    if (!Player->FileName().empty() && Player->PlayState() == 0)
        return false;
    if (EngineAudio())
        return Engine->PlayerState() != psStopped && Engine->CanSeek();
    return !IsWindowsMediaFormat || Player->CanSeek();
}

bool TMainForm::SeekTo(std::uint32_t milliseconds) {
    if (!CanSeek())
        return false;
    if (EngineAudio()) {
        Engine->SetPosition(milliseconds);
    } else {
        Player->SetCurrentPosition(milliseconds / 1000.0);
        Player->Play();
    }
    // The control's seek plays on, so a seek goes on playing with every back end.
    Transport->Resume();
    const int seconds = static_cast<int>(RoundHalfEven(milliseconds / 1000.0));
    Gauge1->SetProgress(seconds);
    Gauge2->SetProgress(seconds);
    return true;
}

} // namespace tavuro
