// The chunk framing of an arbitrary body taken off as a download delivers it: whole and in uneven
// parts it gives the same body and the same end, and never more body than bytes went in.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ChunkedDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    bass::ChunkedDecoder whole, parts;
    std::string wholeBody, partsBody;
    whole.Feed(data, size, [&](const uint8_t* body, size_t count) {
        wholeBody.append(reinterpret_cast<const char*>(body), count);
    });
    for (size_t at = 0; at < size; at += 1 + at % 61)
        parts.Feed(data + at, std::min<size_t>(1 + at % 61, size - at),
                   [&](const uint8_t* body, size_t count) {
                       partsBody.append(reinterpret_cast<const char*>(body), count);
                   });
    if (wholeBody != partsBody || whole.Finished() != parts.Finished() ||
        whole.Failed() != parts.Failed() || wholeBody.size() > size ||
        (whole.Finished() && whole.Failed()))
        std::abort();
    return 0;
}
