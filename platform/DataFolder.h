#pragma once

#include <string>

namespace tavuro {

// The folder of the files the player keeps (settings and playlists), with a trailing "/": the
// program folder while this user may write there, by its mode as well (root too keeps out of one
// made read-only); otherwise $XDG_DATA_HOME/tavuro/ (by default ~/.local/share/tavuro/), made
// when missing.
std::string ChooseDataFolder(const std::string& programFolder);

// The user's data folder for the player, whether or not it exists.
std::string UserDataFolder();

} // namespace tavuro
