// Feeds arbitrary bytes to libbass's parsers; the first byte picks the parser.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "Channel.h"
#include "HttpConnection.h"
#include "HttpHead.h"
#include "IcyMetadataFilter.h"
#include "OggChain.h"
#include "OggPages.h"
#include "Tags.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const uint8_t choice = data[0];
    ++data;
    --size;
    switch (choice % 7) {
    case 0: {
        // Metadata interval from the next byte, then the stream fed in two uneven parts.
        bass::IcyMetadataFilter filter(data[0]);
        size_t audio = 0;
        const auto onAudio = [&](const uint8_t*, size_t count) { audio += count; };
        const auto onText = [](std::string text) { (void)text.size(); };
        const size_t half = (size - 1) / 3;
        filter.Feed(data + 1, half, onAudio, onText);
        filter.Feed(data + 1 + half, size - 1 - half, onAudio, onText);
        break;
    }
    case 1:
        (void)bass::VorbisCommentsFromOgg(data, size);
        break;
    case 2: {
        bass::TagStore tags;
        bass::StoreId3Tags(data, size, tags);
        (void)tags.Get(0);
        (void)tags.Get(1);
        break;
    }
    case 3: {
        const std::string_view bytes(reinterpret_cast<const char*>(data), size);
        if (const auto end = bass::FindHeadEnd(bytes))
            if (const auto head = bass::ParseHttpHead(bytes.substr(0, end->head)))
                (void)bass::ParseHeaderNumber(head->Header("icy-metaint").value_or(""), 0x7FFFFFFF);
        break;
    }
    case 4:
        (void)bass::LastOggGranule(data, size, 0);
        break;
    case 5: {
        // The stream fed in uneven parts, as a download delivers it.
        bass::OggChainScanner scanner;
        const auto onComments = [](std::string list) { (void)list.size(); };
        for (size_t at = 0; at < size; at += 1 + at % 97)
            scanner.Feed(data + at, std::min<size_t>(1 + at % 97, size - at), onComments);
        break;
    }
    default:
        (void)bass::HttpUrl::Parse(std::string(reinterpret_cast<const char*>(data), size));
        break;
    }
    return 0;
}
