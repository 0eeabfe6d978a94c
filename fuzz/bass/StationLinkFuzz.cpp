// A station link as a server may send it: the first byte picks the Content-Type, the rest is the
// body. Both readers run on every body, and every address they list is an absolute address of a
// scheme the player opens over the net.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "StationLink.h"

namespace {

constexpr std::array<const char*, 6> kTypes = {
    "", "audio/x-scpls", "audio/x-mpegurl", "Audio/MpegURL; charset=utf-8", "text/plain",
    "application/vnd.apple.mpegurl"};

bool OpensOverTheNet(const std::string& address) {
    for (const std::string_view scheme : {"http://", "https://", "ftp://", "mms://", "mmsh://", "mmst://"})
        if (address.compare(0, scheme.size(), scheme) == 0)
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const std::string_view type = kTypes[data[0] % kTypes.size()];
    const std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);
    (void)bass::StationLinkKindOf(type, body.substr(0, 512));
    for (const auto kind : {bass::StationLinkKind::Pls, bass::StationLinkKind::M3u})
        for (const std::string& address :
             bass::StationLinkAddresses(kind, body, "http://radio.example:8000/links/station.pls"))
            if (!OpensOverTheNet(address))
                std::abort();
    return 0;
}
