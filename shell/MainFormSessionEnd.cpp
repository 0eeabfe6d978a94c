// The end of the session: a termination signal, the session manager's logout, or the display
// going away end the player with its settings, playlist and registry values saved.
#include "shell/Main.h"

namespace tavuro {

void TMainForm::EndSession() {
    SessionEnding = true;
    // While a network entry is being opened the close query leaves everything as it is; the
    // session ends all the same, so what can be saved is saved here.
    const bool connecting = StartingStream && !HasClosed;
    close();
    if (connecting)
        SaveWithoutDisplay();
}

// The session manager may kill the player once it has saved: the external player's key is put
// back too (the next launch sets it aside again).
void TMainForm::SaveForSessionEnd() {
    SessionEnding = true;
    RestoreXGRegistry();
    SaveChangedSettingsAndPlaylist();
    SessionEnding = false;
}

void TMainForm::SaveWithoutDisplay() {
    SessionEnding = true;
    HasClosed = true;
    RestoreDesktopSettings();
    SaveChangedSettingsAndPlaylist();
}

} // namespace tavuro
