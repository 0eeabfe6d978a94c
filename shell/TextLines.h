#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavuro {

// Splits text at CR, LF and CR LF. Lines are returned untrimmed and empty lines are kept; a
// final line break does not start another line.
std::vector<std::string> SplitLines(std::string_view text);

} // namespace tavuro
