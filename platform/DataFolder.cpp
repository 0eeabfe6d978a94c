#include "platform/DataFolder.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace tavuro {

std::string UserDataFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome == '/')
        return std::string(dataHome) + "/tavuro/";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.local/share/tavuro/";
}

std::string ChooseDataFolder(const std::string& programFolder) {
    if (access(programFolder.c_str(), W_OK) == 0)
        return programFolder;
    const std::string folder = UserDataFolder();
    std::error_code ignored; // a folder that cannot be made shows as files that cannot be written
    std::filesystem::create_directories(folder, ignored);
    return folder;
}

} // namespace tavuro
