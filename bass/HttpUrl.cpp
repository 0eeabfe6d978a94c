#include "HttpUrl.h"

#include <string_view>

#include "HttpHead.h"

namespace bass {

std::optional<HttpUrl> HttpUrl::Parse(const std::string& url) {
    HttpUrl parsed;
    const auto separator = url.find("://");
    if (separator == std::string::npos)
        return std::nullopt;
    const std::string_view scheme = std::string_view(url).substr(0, separator);
    if (EqualsIgnoringCase(scheme, "http")) {
        parsed.port = "80";
    } else if (EqualsIgnoringCase(scheme, "https")) {
        parsed.scheme = Scheme::Https;
        parsed.port = "443";
    } else {
        return std::nullopt;
    }
    std::string rest = url.substr(separator + 3);
    rest = rest.substr(0, rest.find('#'));
    const auto pathStart = rest.find_first_of("/?");
    std::string authority = rest.substr(0, pathStart);
    parsed.path = pathStart == std::string::npos ? "/" : rest.substr(pathStart);
    if (parsed.path[0] == '?')
        parsed.path.insert(0, "/");
    if (const auto at = authority.rfind('@'); at != std::string::npos)
        authority.erase(0, at + 1);
    if (!authority.empty() && authority[0] == '[') {
        const auto close = authority.find(']');
        if (close == std::string::npos)
            return std::nullopt;
        parsed.host = authority.substr(1, close - 1);
        if (close + 1 < authority.size() && authority[close + 1] == ':')
            parsed.port = authority.substr(close + 2);
    } else if (const auto colon = authority.find(':'); colon != std::string::npos) {
        parsed.host = authority.substr(0, colon);
        parsed.port = authority.substr(colon + 1);
    } else {
        parsed.host = authority;
    }
    if (parsed.host.empty() || parsed.port.empty())
        return std::nullopt;
    return parsed;
}

} // namespace bass
