#include "StationLink.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>

#include "UrlReference.h"

namespace bass {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Blanks and control characters around a line go, as everywhere the player reads text.
std::string_view Trim(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// A Content-Type's media type, without its parameters, in lower case.
std::string MediaType(std::string_view contentType) {
    return Lower(Trim(contentType.substr(0, contentType.find(';'))));
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == prefix;
}

bool LooksBinary(std::string_view bytes) {
    return std::any_of(bytes.begin(), bytes.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < ' ' && byte != '\t' && byte != '\r' && byte != '\n';
    });
}

// Calls `line` with each line of `body`, trimmed; a line ends at LF, CR LF or a lone CR.
template <class LineHandler> void ForEachLine(std::string_view body, LineHandler line) {
    if (body.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        body.remove_prefix(kByteOrderMark.size());
    while (!body.empty()) {
        const auto end = body.find_first_of("\r\n");
        line(Trim(body.substr(0, end)));
        body = end == std::string_view::npos ? std::string_view() : body.substr(end + 1);
    }
}

enum class PlsKey { File, Title, Length };

// The key and N of a "FileN", "TitleN" or "LengthN" key (any case), or nullopt for any other key.
std::optional<std::pair<PlsKey, uint64_t>> PlsEntryKey(std::string_view key) {
    static constexpr std::array<std::pair<std::string_view, PlsKey>, 3> kKeys = {
        {{"file", PlsKey::File}, {"title", PlsKey::Title}, {"length", PlsKey::Length}}};
    for (const auto& [name, kind] : kKeys) {
        if (!StartsWithIgnoringCase(key, name) || key.size() == name.size() ||
            key.size() > name.size() + 18)
            continue;
        uint64_t number = 0;
        for (const char c : key.substr(name.size())) {
            if (c < '0' || c > '9')
                return std::nullopt;
            number = number * 10 + static_cast<uint64_t>(c - '0');
        }
        return std::pair(kind, number);
    }
    return std::nullopt;
}

std::vector<std::string_view> M3uEntries(std::string_view body) {
    std::vector<std::string_view> entries;
    ForEachLine(body, [&](std::string_view line) {
        if (!line.empty() && line.front() != '#')
            entries.push_back(line);
    });
    return entries;
}

// The address with its scheme in lower case when it is one the player opens over the net.
std::optional<std::string> NetAddress(std::string address) {
    static constexpr std::array<std::string_view, 6> kSchemes = {"http",  "https", "ftp",
                                                                 "mms",   "mmsh",  "mmst"};
    const auto colon = address.find(':');
    if (colon == std::string::npos)
        return std::nullopt;
    const std::string scheme = Lower(std::string_view(address).substr(0, colon));
    if (std::find(kSchemes.begin(), kSchemes.end(), scheme) == kSchemes.end() ||
        address.compare(colon, 3, "://") != 0)
        return std::nullopt;
    address.replace(0, colon, scheme);
    return address;
}

} // namespace

bool IsHlsPlaylist(std::string_view contentType, std::string_view firstBytes) {
    const std::string type = MediaType(contentType);
    return type == "application/vnd.apple.mpegurl" || type == "application/x-mpegurl" ||
           (!LooksBinary(firstBytes) && firstBytes.find("#EXT-X-") != std::string_view::npos);
}

StationLinkKind StationLinkKindOf(std::string_view contentType, std::string_view firstBytes) {
    const std::string type = MediaType(contentType);
    std::string_view body = firstBytes;
    if (body.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        body.remove_prefix(kByteOrderMark.size());
    if (LooksBinary(body) || IsHlsPlaylist(contentType, body))
        return StationLinkKind::None;
    body = Trim(body);
    if (StartsWithIgnoringCase(body, "[playlist]"))
        return StationLinkKind::Pls;
    if (body.substr(0, 7) == "#EXTM3U")
        return StationLinkKind::M3u;
    if (type == "audio/x-scpls")
        return StationLinkKind::Pls;
    if (type == "audio/x-mpegurl" || type == "audio/mpegurl")
        return StationLinkKind::M3u;
    return StationLinkKind::None;
}

std::vector<PlsEntry> PlsEntries(std::string_view text) {
    std::map<uint64_t, PlsEntry> numbered;
    ForEachLine(text, [&](std::string_view line) {
        const auto equals = line.find('=');
        if (equals == std::string_view::npos)
            return;
        const auto key = PlsEntryKey(Trim(line.substr(0, equals)));
        if (!key)
            return;
        PlsEntry& entry = numbered[key->second];
        const std::string_view value = Trim(line.substr(equals + 1));
        (key->first == PlsKey::File ? entry.file
         : key->first == PlsKey::Title ? entry.title
                                       : entry.length) = value;
    });
    std::vector<PlsEntry> entries;
    for (const auto& [number, entry] : numbered)
        if (!entry.file.empty())
            entries.push_back(entry);
    return entries;
}

std::vector<std::string> StationLinkAddresses(StationLinkKind kind, std::string_view body,
                                              std::string_view playlistUrl) {
    std::vector<std::string_view> entries;
    if (kind == StationLinkKind::Pls)
        for (const PlsEntry& entry : PlsEntries(body))
            entries.push_back(entry.file);
    else if (kind == StationLinkKind::M3u)
        entries = M3uEntries(body);
    std::vector<std::string> addresses;
    for (const std::string_view entry : entries) {
        if (entry.empty())
            continue;
        if (auto address = NetAddress(ResolveReference(playlistUrl, entry)))
            addresses.push_back(std::move(*address));
    }
    return addresses;
}

} // namespace bass
