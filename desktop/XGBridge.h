#pragma once

#include <string>
#include <string_view>

#include "platform/WindowSystem.h"

namespace tavuro {

// The external MIDI player as the desktop shows it: nothing comes back from that program, so the
// player finds its windows by their titles and closes them by request.
inline constexpr std::string_view XGPlayerProgram = "XGPlayer";
inline constexpr std::string_view XGPlayerTitlePrefix = "XGPlayer - "; // then the file name
inline constexpr std::string_view XGAlertTitle = "YAMAHA Softsynthesizer Player";

// The command line that starts the player on one file: the program in appDir, one blank and the
// path in double quotes, so that a path with blanks stays one argument. A quote inside the path
// (which a Linux file name may hold) is escaped the C runtime's way, so it stays one argument too.
std::string XGPlayerCommandLine(const std::string& appDir, const std::string& path);

// Walks the top-level windows from the top down and asks each player window to close, until
// one has closed; a window that refuses is skipped.
void CloseXGPlayerWindows(TWindowSystem& windows);

// Walks the top-level windows for the player's alert box and asks it to close. True when one
// closed; a box that refuses is skipped.
bool CloseXGAlertBox(TWindowSystem& windows);

} // namespace tavuro
