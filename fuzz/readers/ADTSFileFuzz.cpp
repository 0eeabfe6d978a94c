#include "FuzzInput.h"
#include "readers/ADTSfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavuro::TADTSfile reader;
    if (reader.ReadFromFile(InputAsFile(data, size)))
        (void)reader.Valid();
    return 0;
}
