#include "FuzzInput.h"
#include "readers/MP4file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavuro::TMP4file reader;
    if (reader.ReadFromFile(InputAsFile(data, size)))
        (void)reader.Valid();
    return 0;
}
