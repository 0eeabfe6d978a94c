#include <vector>

#include "readers/MPEGaudio.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Through the MPEG reader's hand-over, as the engine decodes a downloaded tag.
    const std::vector<std::uint8_t> block(data, data + size);
    tavuro::TMPEGaudio mpeg;
    tavuro::TMP3TagInfo info;
    mpeg.ReadTagFromBuffer(block.data(), block.size(), 2, info);
    return 0;
}
