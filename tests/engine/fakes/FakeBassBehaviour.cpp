// The calls of the fake library that the engine's start-up reads: the version it reports
// (FAKE_BASS_VERSION) and whether opening the device works (FAKE_BASS_INIT_RESULT).
#include "bass/bass.h"

extern "C" {

__attribute__((visibility("default"))) int FakeBassInitCalls = 0;

DWORD BASS_GetVersion(void) { return FAKE_BASS_VERSION; }

BOOL BASS_Init(int, DWORD, DWORD, HWND_T, const void*) {
    ++FakeBassInitCalls;
    return FAKE_BASS_INIT_RESULT;
}

BOOL BASS_Free(void) { return TRUE; }
}
