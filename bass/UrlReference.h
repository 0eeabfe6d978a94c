// Resolving a reference (a redirect's Location, a playlist's entry) against the address it was
// found at, as RFC 3986 section 5.2 says: relative paths are merged with the base's, "." and ".."
// segments removed; a reference with a scheme stands as it is. Pure text, no I/O.
#pragma once

#include <string>
#include <string_view>

namespace bass {

// `base` must be an absolute address (with a scheme); the result is the target address.
std::string ResolveReference(std::string_view base, std::string_view reference);

} // namespace bass
