// The bridge to the external MIDI player: starting it on the current entry, closing it, its
// alert box at the first tick, and the fall-back to the media control.
#include "common/Rounding.h"
#include "desktop/XGBridge.h"
#include "shell/Main.h"
#include "shell/TextFile.h"

namespace tavuro {

// The player tells nothing back, so the song's length is measured by the media control first;
// a song without length is reported like any entry that cannot be played.
bool TMainForm::StartXGPlayer() {
    const std::string path = EntryFilePath(CurrentEntry().Path());
    int length = 0;
    if (FileExists(path)) {
        Player->SetFileName(path);
        length = static_cast<int>(RoundHalfEven(Player->Duration()));
        Player->SetFileName("");
    }
    Gauge1->SetMaxValue(length);
    if (length <= 0)
        return ReportPlayError();
    if (!StripMode())
        CloseXGPlayer();
    if (StayOnTop)
        DropTopmost();
    // Put back by a session save meanwhile, the user's settings go aside again.
    BackUpXGRegistry();
    Services.Launcher->Launch(XGPlayerCommandLine(ProgramDir, path));
    Transport->Started(TBackEnd::beExternalMidi);
    // The strip of the previous song was only collapsed: it is not laid out again.
    if (StripMode())
        SetClientSize(400, 6);
    else
        EnterStripLayout();
    if (StayOnTop)
        RestoreTopmost();
    RestoreAndBringToFront();
    return true;
}

void TMainForm::CloseXGPlayer() {
    if (StripMode())
        SetClientSize(0, 0);
    if (Services.WindowSystem)
        CloseXGPlayerWindows(*Services.WindowSystem);
}

bool TMainForm::CheckXGAlert() {
    if (!Services.WindowSystem || !CloseXGAlertBox(*Services.WindowSystem))
        return false;
    CloseXGPlayer();
    MediaClass = mcMidiFallback;
    // No tick may count the song on while a play error's message box is up.
    Timer1->stop();
    if (StartMediaControl())
        Timer1->start();
    return true;
}

} // namespace tavuro
