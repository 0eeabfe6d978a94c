#include "HttpHead.h"

#include <cctype>

namespace bass {

namespace {

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::optional<std::string> HttpHead::Header(std::string_view name) const {
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        const auto colon = line.find(':');
        if (colon != std::string_view::npos && EqualsIgnoringCase(line.substr(0, colon), name))
            return std::string(TrimBlanks(line.substr(colon + 1)));
    }
    return std::nullopt;
}

std::optional<HeadEnd> FindHeadEnd(std::string_view bytes) {
    const auto crlf = bytes.find("\r\n\r\n");
    const auto lf = bytes.find("\n\n");
    if (crlf != std::string_view::npos && (lf == std::string_view::npos || crlf < lf))
        return HeadEnd{crlf, crlf + 4};
    if (lf != std::string_view::npos)
        return HeadEnd{lf, lf + 2};
    return std::nullopt;
}

std::optional<HttpHead> ParseHttpHead(std::string_view head) {
    HttpHead parsed;
    size_t start = 0;
    while (start <= head.size()) {
        size_t stop = head.find('\n', start);
        if (stop == std::string_view::npos)
            stop = head.size();
        std::string_view line = head.substr(start, stop - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty())
            parsed.lines.emplace_back(line);
        start = stop + 1;
    }
    if (parsed.lines.empty())
        return std::nullopt;
    const std::string_view statusLine = parsed.lines.front();
    const auto space = statusLine.find(' ');
    if (space == std::string_view::npos)
        return std::nullopt;
    const std::string_view code = statusLine.substr(space + 1, 3);
    const auto status = ParseHeaderNumber(code, 999);
    if (code.size() != 3 || !status ||
        (statusLine.size() > space + 4 && statusLine[space + 4] != ' '))
        return std::nullopt;
    parsed.status = static_cast<int>(*status);
    return parsed;
}

std::optional<uint64_t> ParseHeaderNumber(std::string_view value, uint64_t max) {
    const std::string_view digits = TrimBlanks(value);
    if (digits.empty())
        return std::nullopt;
    uint64_t number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (number > (max - digit) / 10)
            return std::nullopt;
        number = number * 10 + digit;
    }
    return number;
}

} // namespace bass
