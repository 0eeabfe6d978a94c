// http:// and https:// addresses as a playlist or a user may give them: any text, and what is
// accepted names a host, a port and a path.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "HttpUrl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto url = bass::HttpUrl::Parse(std::string(reinterpret_cast<const char*>(data), size));
    if (url && (url->host.empty() || url->port.empty() || url->path.empty() || url->path[0] != '/'))
        std::abort();
    return 0;
}
