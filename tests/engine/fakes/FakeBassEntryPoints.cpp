// A stand-in audio library for the engine's failure tests: every entry point exists and answers 0,
// except those FakeBassBehaviour.cpp defines for real.
#include "engine/BassEntryPoints.h"

#define TAVURO_FAKE_ENTRY_POINT(name)                                                              \
    extern "C" __attribute__((weak, visibility("default"))) unsigned long name() { return 0; }
TAVURO_BASS_ENTRY_POINTS(TAVURO_FAKE_ENTRY_POINT)
