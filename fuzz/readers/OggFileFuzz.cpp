#include "FuzzInput.h"
#include "readers/OggVorbis.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavuro::TOggVorbis ogg;
    if (ogg.ReadFromFile(InputAsFile(data, size)))
        (void)ogg.Valid();
    return 0;
}
