#include "FuzzInput.h"
#include "readers/WMAfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavuro::TWMAfile wma;
    wma.ReadFromFile(InputAsFile(data, size));
    return 0;
}
