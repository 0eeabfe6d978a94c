#include "FuzzInput.h"
#include "readers/OpusFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavuro::TOpusFile reader;
    if (reader.ReadFromFile(InputAsFile(data, size)))
        (void)reader.Valid();
    return 0;
}
