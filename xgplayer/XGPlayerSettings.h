#pragma once

#include "platform/Registry.h"

namespace tavuro {

// The external MIDI player's own settings under "Software\YAMAHA\XGPlayer". The player writes its
// defaults there when the key is missing, so the main program's backup and restore of that key
// changes how it sounds.
struct TXGPlayerSettings {
    int Volume = 100;   // percent, 0..200
    bool Reverb = true; // the synthesiser's reverb unit

    static constexpr const char* Key = "Software\\YAMAHA\\XGPlayer";

    // Reads the settings, writing the defaults first when the key does not exist. Values that are
    // missing or not numbers keep their defaults; the volume is clamped to 0..200.
    static TXGPlayerSettings Load(TRegistry& registry);
};

} // namespace tavuro
