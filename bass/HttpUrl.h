// An http:// or https:// address, split into what a connection needs.
#pragma once

#include <optional>
#include <string>

namespace bass {

struct HttpUrl {
    enum class Scheme { Http, Https };
    Scheme scheme = Scheme::Http;
    std::string host, port;
    std::string path; // from its "/" on, with the query; the fragment is the client's own
    // http://host[:port][/path] or https://host[:port][/path] (port 80 or 443 by default, the
    // scheme in any case); nullopt for anything else.
    static std::optional<HttpUrl> Parse(const std::string& url);
};

} // namespace bass
