#pragma once

#include "platform/TerminationSignals.h"

namespace tavuro {

class TMainForm;

// Ends the player with what it must keep saved when the system or the session ends it rather than
// the user: SIGTERM, SIGINT and SIGHUP run the close query and end the event loop; the session
// manager's request to save is answered with the settings and the playlist, and its quit with the
// close query; and when the connection to the X display breaks (Qt then ends the program with
// exit), what can be saved without the display is saved before the program goes. One instance,
// made after the main window and gone before it.
class TSessionEnd {
public:
    explicit TSessionEnd(TMainForm& form);
    ~TSessionEnd();
    TSessionEnd(const TSessionEnd&) = delete;
    TSessionEnd& operator=(const TSessionEnd&) = delete;

private:
    TTerminationSignals Signals;
};

} // namespace tavuro
