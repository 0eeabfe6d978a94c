#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tavuro {

// What a start is asked to do by its switches.
enum class TStartAction { saRun, saHelp, saVersion, saRefuse };

struct TStartChoice {
    TStartAction Action = TStartAction::saRun;
    std::string Refused; // the switch that was not understood
};

// "--help" and "--version" answer and end; any other argument beginning with "--" is refused.
// Everything else (nothing, "/AUTO", a playlist, a file, an address) runs the player.
TStartChoice ChooseStartAction(const std::vector<std::string>& arguments);

// The short usage: the forms of the command line, the switches and the files the player keeps.
std::string UsageText();
std::string VersionText();

// A file URI, as a desktop's launcher passes one, becomes the local path the player works with;
// other arguments stay as written.
std::string LocalArgument(const std::string& argument);

// The argument a second start hands to the running player, as a URI: nothing for no argument,
// several arguments or "/AUTO"; a relative path is taken from the given working folder.
std::optional<std::string> HandOverUri(const std::vector<std::string>& arguments,
                                       const std::string& workingFolder);

} // namespace tavuro
