#include "common/FileBytes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

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

} // namespace
} // namespace tavuro
