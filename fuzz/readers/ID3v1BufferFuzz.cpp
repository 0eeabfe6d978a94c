#include <vector>

#include "readers/ID3v1.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the input's size, so that ASan sees any read past it.
    const std::vector<std::uint8_t> block(data, data + size);
    tavuro::TID3v1 tag;
    tavuro::TMP3TagInfo info;
    tag.ReadTagFromBuffer(block.data(), block.size(), info);
    return 0;
}
