// The head of an HTTP or Shoutcast answer as a hostile server may send it: found in the bytes
// received, parsed, and its numbers read as the connection reads them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "HttpHead.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto end = bass::FindHeadEnd(bytes);
    if (!end)
        return 0;
    if (end->head > end->body || end->body > size)
        std::abort();
    const auto head = bass::ParseHttpHead(bytes.substr(0, end->head));
    if (!head)
        return 0;
    if (head->status < 0 || head->status > 999) // three digits, whatever they say
        std::abort();
    for (const char* name : {"icy-metaint", "content-length", "location", "icy-br"}) {
        const auto value = head->Header(name);
        const auto number = bass::ParseHeaderNumber(value.value_or(""), 0x7FFFFFFF);
        if (number && *number > 0x7FFFFFFF)
            std::abort();
    }
    return 0;
}
