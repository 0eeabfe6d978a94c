#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "shell/CaptionCollator.h"
#include "shell/TextFile.h"

namespace tavuro {
namespace {

std::string SortKey(const TCaptionCollator& collator, std::string_view caption) {
    std::string key;
    const std::size_t size = collator.AppendSortKey(caption, key);
    EXPECT_EQ(size, key.size());
    return key;
}

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
        {longCaption, longCaption + "b"}, // past the stack buffer of text
        {"\xE4\xB8\x80", "\xFF"},         // an invalid byte collates as U+FFFD, after 一
    };
    for (const auto& [lower, higher] : ordered)
        EXPECT_LT(SortKey(collator, lower), SortKey(collator, higher)) << lower << " < " << higher;
    // é composed and as e with a combining acute accent.
    EXPECT_EQ(SortKey(collator, "\xC3\xA9"), SortKey(collator, "e\xCC\x81"));
}

TEST(CaptionOrder, KeysShareOneBuffer) {
    const TCaptionCollator collator;
    // U+FDFA expands to eighteen letters: its key outgrows the room first made for it.
    std::string expanding;
    for (int i = 0; i < 50; ++i)
        expanding += "\xEF\xB7\xBA";
    const std::vector<std::string> captions = {"Night", expanding, "", "river"};
    std::string keys;
    std::vector<std::size_t> sizes;
    for (const auto& caption : captions)
        sizes.push_back(collator.AppendSortKey(caption, keys));
    EXPECT_GT(sizes[1], 3 * expanding.size() + 16);
    std::size_t at = 0;
    for (std::size_t i = 0; i < captions.size(); ++i) {
        EXPECT_EQ(keys.substr(at, sizes[i]), SortKey(collator, captions[i])) << i;
        at += sizes[i];
    }
    EXPECT_EQ(at, keys.size());
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
