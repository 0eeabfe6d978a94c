#include "UrlReference.h"

#include <optional>

namespace bass {

namespace {

// A reference split as RFC 3986 appendix B splits it; absent parts stay nullopt.
struct Parts {
    std::optional<std::string_view> scheme, authority, query, fragment;
    std::string_view path;
};

Parts Split(std::string_view text) {
    Parts parts;
    if (const auto hash = text.find('#'); hash != std::string_view::npos) {
        parts.fragment = text.substr(hash + 1);
        text = text.substr(0, hash);
    }
    if (const auto mark = text.find('?'); mark != std::string_view::npos) {
        parts.query = text.substr(mark + 1);
        text = text.substr(0, mark);
    }
    if (const auto colon = text.find(':');
        colon != std::string_view::npos && colon > 0 && text.find('/') > colon) {
        parts.scheme = text.substr(0, colon);
        text = text.substr(colon + 1);
    }
    if (text.substr(0, 2) == "//") {
        const auto slash = text.find('/', 2);
        parts.authority = text.substr(2, slash - 2);
        text = slash == std::string_view::npos ? std::string_view() : text.substr(slash);
    }
    parts.path = text;
    return parts;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Drops the output's last segment and the "/" before it.
void DropLastSegment(std::string& output) {
    const auto slash = output.rfind('/');
    output.erase(slash == std::string::npos ? 0 : slash);
}

// RFC 3986 section 5.2.4; one pass over the input, so long paths stay linear.
std::string RemoveDotSegments(std::string_view input) {
    static constexpr std::string_view kRoot = "/";
    std::string output;
    while (!input.empty()) {
        if (StartsWith(input, "../")) {
            input.remove_prefix(3);
        } else if (StartsWith(input, "./") || StartsWith(input, "/./")) {
            input.remove_prefix(2);
        } else if (input == "/.") {
            input = kRoot;
        } else if (StartsWith(input, "/../")) {
            input.remove_prefix(3);
            DropLastSegment(output);
        } else if (input == "/..") {
            input = kRoot;
            DropLastSegment(output);
        } else if (input == "." || input == "..") {
            input = {};
        } else {
            const auto end = input.find('/', 1);
            output += input.substr(0, end);
            input = end == std::string_view::npos ? std::string_view() : input.substr(end);
        }
    }
    return output;
}

// RFC 3986 section 5.2.3.
std::string Merge(const Parts& base, std::string_view path) {
    if (base.authority && base.path.empty())
        return "/" + std::string(path);
    const auto slash = base.path.rfind('/');
    if (slash == std::string_view::npos)
        return std::string(path);
    return std::string(base.path.substr(0, slash + 1)) + std::string(path);
}

} // namespace

std::string ResolveReference(std::string_view base, std::string_view reference) {
    const Parts from = Split(base);
    const Parts to = Split(reference);
    std::optional<std::string_view> scheme = from.scheme, authority = from.authority;
    std::optional<std::string_view> query = to.query;
    std::string path;
    if (to.scheme) {
        scheme = to.scheme;
        authority = to.authority;
        path = RemoveDotSegments(to.path);
    } else if (to.authority) {
        authority = to.authority;
        path = RemoveDotSegments(to.path);
    } else if (to.path.empty()) {
        path = from.path;
        if (!query)
            query = from.query;
    } else if (to.path[0] == '/') {
        path = RemoveDotSegments(to.path);
    } else {
        path = RemoveDotSegments(Merge(from, to.path));
    }
    std::string target;
    if (scheme)
        target.append(*scheme).append(":");
    if (authority)
        target.append("//").append(*authority);
    target += path;
    if (query)
        target.append("?").append(*query);
    if (to.fragment)
        target.append("#").append(*to.fragment);
    return target;
}

} // namespace bass
