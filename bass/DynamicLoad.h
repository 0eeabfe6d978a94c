// Opening shared libraries the audio library needs only for some streams (TLS, for one), so
// that a player which never plays such a stream never maps them.
#pragma once

#include <span>
#include <vector>

namespace bass {

// True when TAVURO_DEBUG=1 asks for diagnostics on standard error.
bool DebugWanted();

// Opens each library by the name the system loads it by; false when one is missing (said on
// standard error under TAVURO_DEBUG=1). The handles stay open for the life of the process.
bool OpenLibraries(std::span<const char* const> names, std::vector<void*>& handles);

// The address of `name` in the first of `handles` that has it; null when none has (said under
// TAVURO_DEBUG=1).
void* FindSymbol(const std::vector<void*>& handles, const char* name);

} // namespace bass
