#include "common/FileBytes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

#include "../support/EndedProcess.h"

namespace tavuro {
namespace {

namespace fs = std::filesystem;

class FileBytes : public testing::Test {
protected:
    fs::path Folder = fs::temp_directory_path() / ("tavuro-file-bytes-" + std::to_string(getpid()));
    void SetUp() override { fs::create_directories(Folder); }
    void TearDown() override { fs::remove_all(Folder); }
};

TEST_F(FileBytes, AReplacedFileKeepsItsModeAndALinkStaysALink) {
    const std::string file = (Folder / "list.m3u").string(), link = (Folder / "link.m3u").string();
    ASSERT_TRUE(WriteFileReplacing(file, "old"));
    chmod(file.c_str(), 0640);
    fs::create_symlink(file, link);
    std::string error;
    ASSERT_TRUE(WriteFileReplacing(link, "new", &error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(file), "new");
    struct stat info {};
    stat(file.c_str(), &info);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder), fs::directory_iterator()), 2)
        << "no temporary file is left";
}

TEST_F(FileBytes, AFailedReplaceLeavesNoTemporaryFile) {
    const std::string folderInPlace = (Folder / "taken.m3u").string();
    fs::create_directory(folderInPlace);
    std::string error;
    EXPECT_FALSE(WriteFileReplacing(folderInPlace, "text", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder), fs::directory_iterator()), 1);
}

// A link to a FIFO or to a device is no playlist: writing through it would replace the FIFO or
// (as root) the device itself. The device node is the test's own.
TEST_F(FileBytes, OnlyARegularFileIsReplaced) {
    const std::string fifo = (Folder / "fifo.m3u").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::vector<std::string> refused = {fifo};
    const std::string node = (Folder / "zero").string(), link = (Folder / "device.m3u").string();
    if (mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 5)) == 0) {
        fs::create_symlink(node, link);
        refused.push_back(link);
    }
    for (const std::string& path : refused) {
        std::string error;
        EXPECT_FALSE(WriteFileReplacing(path, "#EXTM3U\r\n", &error)) << path;
        EXPECT_EQ(error, "Not a regular file");
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    if (refused.size() > 1) {
        EXPECT_TRUE(fs::is_character_file(node));
    }
}

// A process killed while it saved left its temporary file behind; the next save of that file
// takes it away, while one of a process still at work stays.
TEST_F(FileBytes, TemporaryFilesOfEndedProcessesGoWithTheNextSave) {
    const pid_t ended = testing_support::EndedProcessId();
    ASSERT_GT(ended, 0);
    const std::string target = (Folder / "list.m3u").string();
    const std::string dead = ".new-" + std::to_string(ended) + "-", alive = ".new-1-";
    const std::vector<std::string> gone = {"list.m3u" + dead + "0", "list.m3u" + dead + "12"};
    const std::vector<std::string> kept = {"list.m3u" + alive + "0", "other.m3u" + dead + "0",
                                           "list.m3u.new-x-0", "list.m3u" + dead + "0x"};
    for (const auto& names : {gone, kept})
        for (const std::string& name : names)
            ASSERT_TRUE(WriteFileReplacing((Folder / name).string(), std::string(1000, 'x')));
    ASSERT_TRUE(WriteFileReplacing(target, "#EXTM3U\r\n"));
    for (const std::string& name : gone)
        EXPECT_FALSE(fs::exists(Folder / name)) << name;
    for (const std::string& name : kept)
        EXPECT_TRUE(fs::exists(Folder / name)) << name;
}

} // namespace
} // namespace tavuro
