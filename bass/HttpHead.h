// The head of an HTTP (or Shoutcast "ICY") answer, parsed from the bytes received: no socket
// involved, so tests and fuzzers can feed it any buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bass {

struct HttpHead {
    int status = 0;
    std::vector<std::string> lines; // the status line first, then the header lines
    // The value of the first header line with this name (any case), without blanks around it.
    std::optional<std::string> Header(std::string_view name) const;
};

// Where the head ends in the bytes received so far: the offset of the blank line that closes it
// and the offset of the body after it (CR LF CR LF, or LF LF); nullopt while it is incomplete.
struct HeadEnd {
    size_t head;
    size_t body;
};
std::optional<HeadEnd> FindHeadEnd(std::string_view bytes);

// Parses a head without its closing blank line: lines end with LF (a CR before it is dropped),
// empty lines are skipped. Nullopt when the first line has no three-digit status after its
// first blank, as a banner of another protocol would.
std::optional<HttpHead> ParseHttpHead(std::string_view head);

// ASCII letters compared without their case, as header names and tokens are.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// A header's decimal number: digits only, blanks around them allowed, at most `max`; nullopt
// for anything else, so a lying or garbled value is never taken for part of one.
std::optional<uint64_t> ParseHeaderNumber(std::string_view value, uint64_t max);

} // namespace bass
