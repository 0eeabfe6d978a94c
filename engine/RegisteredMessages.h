#pragma once

#include <cstdint>
#include <string_view>

namespace tavuro {

// Registered window messages: a process-wide table that gives every message name one number from
// 0xC000 upward, the same number for the same name compared without regard to ASCII case.
// Returns 0 for an empty name or when the range up to 0xFFFF is used up. Thread-safe.
// (With a display the names could become X11 atoms shared between processes; this table is
// private to the process.)
std::uint32_t RegisterWindowMessage(std::string_view name);

} // namespace tavuro
