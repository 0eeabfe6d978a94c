#include "FuzzInput.h"
#include "readers/ID3v2.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavuro::TID3v2 tag;
    tag.ReadFromFile(InputAsFile(data, size));
    return 0;
}
