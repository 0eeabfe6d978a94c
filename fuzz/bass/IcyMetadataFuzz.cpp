// The Shoutcast metadata filter on an arbitrary stream: the first two bytes give the metadata
// interval, the rest comes in uneven parts as a download delivers it. No more audio may come out
// than went in.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "IcyMetadataFilter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const size_t interval = std::max<size_t>(1, static_cast<size_t>(data[0]) << 8 | data[1]);
    data += 2;
    size -= 2;
    bass::IcyMetadataFilter filter(interval);
    size_t audio = 0;
    const auto onAudio = [&audio](const uint8_t*, size_t count) { audio += count; };
    const auto onText = [](std::string text) { (void)text.size(); };
    for (size_t at = 0; at < size; at += 1 + at % 61)
        filter.Feed(data + at, std::min<size_t>(1 + at % 61, size - at), onAudio, onText);
    if (audio > size)
        std::abort();
    return 0;
}
