#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "shell/CaptionCollator.h"
#include "shell/TextFile.h"

namespace tavuro {
namespace {

TEST(CaptionOrder, KeysOrderAsTheLocaleCollates) {
    const TCaptionCollator collator;
    std::string longCaption;
    for (int i = 0; i < 80; ++i)
        longCaption += "Zebra quartz ";
    // Each pair in ascending order.
    const std::vector<std::pair<std::string, std::string>> ordered = {
        {"a", "A"},              // case decides last, lower case first
        {"A", "b"},              // letters before case
        {"e", "\xC3\xA9"},       // é after e
        {"\xC3\xA9", "f"},       // and before f
        {"Track 10", "Track 9"}, // digit by digit
        {"", "a"},
        {longCaption, longCaption + "b"}, // past the stack buffers of text and key
        {"\xE4\xB8\x80", "\xFF"},         // an invalid byte collates as U+FFFD, after 一
    };
    for (const auto& [lower, higher] : ordered)
        EXPECT_LT(collator.SortKey(lower), collator.SortKey(higher)) << lower << " < " << higher;
    // é composed and as e with a combining acute accent.
    EXPECT_EQ(collator.SortKey("\xC3\xA9"), collator.SortKey("e\xCC\x81"));
    EXPECT_GT(collator.SortKey(longCaption).size(), 512u);
}

TEST(TextFile, ReadsFilesWholeIncludingOnesThatReportNoSize) {
    const auto status = ReadFileBytes("/proc/self/status");
    ASSERT_TRUE(status);
    EXPECT_NE(status->find("VmRSS"), std::string::npos);

    const std::string path = testing::TempDir() + "/tavuro-read-test.bin";
    const std::string bytes = std::string(200000, 'x') + '\0' + "end";
    std::ofstream(path, std::ios::binary) << bytes;
    EXPECT_EQ(ReadFileBytes(path), bytes);

    std::string error;
    EXPECT_FALSE(ReadFileBytes(path + ".missing", &error));
    EXPECT_FALSE(error.empty());
}

} // namespace
} // namespace tavuro
