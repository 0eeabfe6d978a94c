#include "FuzzInput.h"
#include "readers/MPEGaudio.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavuro::TMPEGaudio mpeg;
    mpeg.ReadFromFile(InputAsFile(data, size));
    (void)mpeg.Valid();
    (void)mpeg.ChannelMode();
    return 0;
}
