#include "platform/DataFolder.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace tavuro {
namespace {

class DataFolder : public testing::Test {
protected:
    QTemporaryDir Home;
    std::string HomePath = Home.path().toStdString();
    std::string SavedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    void SetUp() override {
        setenv("HOME", HomePath.c_str(), 1);
        unsetenv("XDG_DATA_HOME");
    }
    void TearDown() override {
        setenv("HOME", SavedHome.c_str(), 1);
        unsetenv("XDG_DATA_HOME");
    }
};

TEST_F(DataFolder, TheUsersFolderFollowsXdgDataHome) {
    EXPECT_EQ(UserDataFolder(), HomePath + "/.local/share/tavuro/");
    setenv("XDG_DATA_HOME", "relative/data", 1); // not absolute: to be ignored
    EXPECT_EQ(UserDataFolder(), HomePath + "/.local/share/tavuro/");
    setenv("XDG_DATA_HOME", "/srv/data", 1);
    EXPECT_EQ(UserDataFolder(), "/srv/data/tavuro/");
}

TEST_F(DataFolder, AWritableProgramFolderKeepsTheFilesElseTheUsersFolderIsMade) {
    const std::string program = HomePath + "/program/";
    std::filesystem::create_directory(program);
    EXPECT_EQ(ChooseDataFolder(program), program);
    // A folder that cannot be written (here: one that is gone) sends the files to the user's.
    std::filesystem::remove(program);
    EXPECT_EQ(ChooseDataFolder(program), HomePath + "/.local/share/tavuro/");
    EXPECT_TRUE(std::filesystem::is_directory(HomePath + "/.local/share/tavuro"));
}

// access() lets root write anywhere: a program folder made read-only (an install, chmod a-w)
// must send root's files to its data folder too.
TEST_F(DataFolder, AProgramFolderMadeReadOnlyKeepsNoFilesEvenForRoot) {
    const std::string program = HomePath + "/program/";
    std::filesystem::create_directory(program);
    std::filesystem::permissions(
        program, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                     std::filesystem::perms::group_read | std::filesystem::perms::others_read);
    EXPECT_EQ(ChooseDataFolder(program), HomePath + "/.local/share/tavuro/");
    std::filesystem::permissions(program, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(ChooseDataFolder(program), program);
}

} // namespace
} // namespace tavuro
