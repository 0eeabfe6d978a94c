#include "FuzzInput.h"
#include "readers/WAVfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavuro::TWAVfile wav;
    if (wav.ReadFromFile(InputAsFile(data, size)))
        (void)wav.Duration();
    return 0;
}
