// Feeds arbitrary bytes to the MIDI file reader; run with the seeds in corpus/midi_file.
#include "desktop/MidiFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavuro::TMidiFile file;
    if (file.ReadFromBytes(data, size)) {
        const double length = file.Duration();
        file.TickAtSeconds(length / 2);
        file.SecondsAtTick(file.LastTick() + 1);
    }
    return 0;
}
