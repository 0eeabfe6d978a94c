#pragma once

// A stand-in for the audio library under the output emulator: a TBassLibrary whose entry points
// record what they are asked and answer from a state the test sets, so the ring logic is tested
// without sound. Streams never pull by themselves: the test calls the captured stream procedure.

#include "engine/BassLibrary.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace tavuro::test {

struct TFakeBass {
    std::mutex Lock;          // the entry points may be called from any thread
    HSTREAM Stream = 0;       // the one stream that exists, 0 = none
    HSTREAM NextStream = 100; // the handle the next create gives; 0 refuses it
    DWORD Active = BASS_ACTIVE_STOPPED;
    QWORD Position = 0; // bytes played; a stop starts it over, as for user streams
    STREAMPROC* Proc = nullptr;
    DWORD CreatedRate = 0, CreatedChannels = 0, CreatedFlags = 0;
    std::vector<std::string> Calls; // "StreamPlay 100 1", "ChannelStop 100", ...

    // Forgets every stream and call and answers the defaults again.
    void Reset();
    // The calls recorded so far, taken away.
    std::vector<std::string> TakeCalls();
    // Asks the captured stream procedure for length bytes.
    DWORD Pull(void* buffer, DWORD length);
};

// The one fake state, and a library whose entry points the emulator uses lead to it.
TFakeBass& FakeBass();
const TBassLibrary& FakeBassLibrary();

} // namespace tavuro::test
