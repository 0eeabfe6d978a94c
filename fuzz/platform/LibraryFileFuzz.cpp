// The audio library check on arbitrary bytes: it may refuse anything, but never read outside them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/LibraryFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly size bytes, so that AddressSanitizer sees any read past the end.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    (void)tavuro::ElfLibraryFault(bytes);
    return 0;
}
