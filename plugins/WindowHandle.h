#pragma once

#include <cstdint>

namespace tavuro {

// A window handle as the plug-in interface and the engine pass it: a pointer-wide number, 0 for
// none. Here it names a message window (TMessageWindow); plug-ins only pass it back.
using TWindowHandle = std::uintptr_t;

// The first message number free for a program's own messages.
constexpr std::uint32_t WM_USER = 1024;

} // namespace tavuro
