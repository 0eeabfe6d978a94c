#pragma once

#include <string>
#include <vector>

namespace tavuro {

// What a start is asked to do by its switches.
enum class TStartAction { saRun, saHelp, saVersion, saRefuse };

struct TStartChoice {
    TStartAction Action = TStartAction::saRun;
    std::string Refused; // the switch that was not understood
};

// "--help" (or "-h") and "--version" answer and end; any other argument beginning with "--" is
// refused. Everything else (nothing, "/AUTO", playlists, files, addresses) runs the player.
TStartChoice ChooseStartAction(const std::vector<std::string>& arguments);

// The short usage: the forms of the command line, the switches and the files the player keeps.
std::string UsageText();
std::string VersionText();

// The arguments as the player works with them: a file URI, as a desktop's launcher passes one,
// becomes its local path, and a relative path is taken from the working folder; "/AUTO" and
// addresses stay as written.
std::vector<std::string> StartArguments(const std::vector<std::string>& arguments,
                                        const std::string& workingFolder);

// What a second start hands to the running player, as URIs: every argument, or nothing when there
// is none or the first is "/AUTO" (the schedule's start brings no files).
std::vector<std::string> HandOverUris(const std::vector<std::string>& startArguments);

} // namespace tavuro
