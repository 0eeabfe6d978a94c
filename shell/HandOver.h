#pragma once

#include <string>
#include <vector>

namespace tavuro {

// A second start: hands its file, playlist or address to the running player over the session
// bus, where the player adds and plays it. Says nothing and gives up quickly when there is no
// bus or no player on it; the second start ends either way.
void HandOverToRunningPlayer(int& argc, char** argv, const std::vector<std::string>& arguments);

} // namespace tavuro
