#pragma once

#include <cstdint>

namespace tavuro {

// The output emulator's format record, posted to the engine when a plug-in's output starts. It
// belongs to the emulator and stays valid after the notice; receivers only read it.
struct TChannelInfo {
    std::uint16_t BitsPerSample = 0;
    std::int32_t BitRate = 0;    // not filled: always 0
    std::int32_t SampleRate = 0; // Hz
    std::int32_t Length = 0;     // ms, the song length the engine gave on play
    std::uint16_t Channels = 0;
};
using PChannelInfo = TChannelInfo*;

} // namespace tavuro
