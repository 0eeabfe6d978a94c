#include "platform/DataFolder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tavuro {

std::string UserDataFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome == '/')
        return std::string(dataHome) + "/tavuro/";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.local/share/tavuro/";
}

namespace {

bool InGroup(gid_t group) {
    if (group == getegid())
        return true;
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(getgroups(0, nullptr), 0)));
    const int count = getgroups(static_cast<int>(groups.size()), groups.data());
    return count > 0 &&
           std::find(groups.begin(), groups.begin() + count, group) != groups.begin() + count;
}

// Writable by its mode for this user as well: for root, access() answers yes whatever the mode,
// so a folder made read-only (an install, chmod a-w) would still take root's files.
bool WritableFolder(const std::string& folder) {
    struct stat info {};
    if (access(folder.c_str(), W_OK) != 0 || stat(folder.c_str(), &info) != 0)
        return false;
    const mode_t bit = info.st_uid == geteuid() ? S_IWUSR
                       : InGroup(info.st_gid)   ? S_IWGRP
                                                : S_IWOTH;
    return (info.st_mode & bit) != 0;
}

} // namespace

std::string ChooseDataFolder(const std::string& programFolder) {
    if (WritableFolder(programFolder))
        return programFolder;
    const std::string folder = UserDataFolder();
    std::error_code ignored; // a folder that cannot be made shows as files that cannot be written
    std::filesystem::create_directories(folder, ignored);
    return folder;
}

} // namespace tavuro
