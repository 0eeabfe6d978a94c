#pragma once

#include <string_view>

namespace tavuro {

// The back end chosen for an entry.
enum TMediaClass : int {
    mcMidiFallback = -1, // the external player failed; the media control took over
    mcControl = 0,       // the media player control
    mcMidi = 1,          // the external MIDI player when switched on and available
    mcEngine = 2,        // the audio engine
    mcNetStream = 3,     // media control first; without a picture, the audio engine
    mcAsx = 6,           // media control; its end is not read from the play state
};

struct TClassification {
    TMediaClass Class = mcControl;
    bool IsUrl = false;
    bool IsWindowsMediaFormat = false; // .WMA, .WMV, .ASF or .WM
};

// Chooses the back end for a path. enginePresent: the audio engine exists; wmaAddOnPresent:
// "libbasswma.so" lies in the program folder.
TClassification ClassifyMedia(std::string_view path, bool enginePresent, bool wmaAddOnPresent);

} // namespace tavuro
