// Feeds arbitrary bytes to libbass's parsers of Ogg pages and tags; the first byte picks the
// parser. The Shoutcast metadata filter, addresses and answer heads have targets of their own.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "Channel.h"
#include "OggChain.h"
#include "OggPages.h"
#include "Tags.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const uint8_t choice = data[0];
    ++data;
    --size;
    switch (choice % 4) {
    case 0:
        (void)bass::OggCommentList(data, size);
        (void)bass::FirstOggAudio(data, size);
        break;
    case 1: {
        bass::TagStore tags;
        bass::StoreId3Tags(data, size, tags);
        (void)tags.Get(0);
        (void)tags.Get(1);
        break;
    }
    case 2:
        (void)bass::LastOggGranule(data, size, 0);
        break;
    default: {
        // The stream fed in uneven parts, as a download delivers it.
        bass::OggChainScanner scanner;
        const auto onComments = [](std::string list) { (void)list.size(); };
        for (size_t at = 0; at < size; at += 1 + at % 97)
            scanner.Feed(data + at, std::min<size_t>(1 + at % 97, size - at), onComments);
        break;
    }
    }
    return 0;
}
