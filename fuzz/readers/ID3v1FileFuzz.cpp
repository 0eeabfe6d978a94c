#include "FuzzInput.h"
#include "readers/ID3v1.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavuro::TID3v1 tag;
    if (tag.ReadFromFile(InputAsFile(data, size)) && tag.Exists())
        (void)tag.Genre();
    return 0;
}
