// The byte toolkit, the file source's block cache and the UTF-8 rule the readers share.
#include <gtest/gtest.h>

#include "Fixtures.h"
#include "common/Unicode.h"
#include "readers/ByteView.h"
#include "readers/FileSource.h"

namespace tavuro {
namespace {

using namespace fixtures;

TEST(ByteView, ReadsBothByteOrdersAndZerosOutsideTheBlock) {
    const Bytes bytes{0x01, 0x02, 0x03, 0x04, 0x05};
    const TByteView view(bytes.data(), bytes.size());
    EXPECT_EQ(view.U16LE(0), 0x0201);
    EXPECT_EQ(view.U32LE(0), 0x04030201u);
    EXPECT_EQ(view.U32BE(1), 0x02030405u);
    EXPECT_EQ(view.U24BE(0), 0x010203u);
    EXPECT_EQ(view.U32LE(3), 0x0504u); // the missing bytes read as zero
    EXPECT_EQ(view.U8(SIZE_MAX), 0);
    EXPECT_FALSE(view.Has(4, 2));
    EXPECT_FALSE(view.Has(SIZE_MAX, 2));
    EXPECT_FALSE(view.Matches(3, "\x04\x05\x06"));
    EXPECT_EQ(view.Chars(3, 100).size(), 2u);
}

TEST(FileSource, ServesReadsAcrossBlocksAndAtTheEnd) {
    TTempDir dir;
    Bytes bytes(10000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    TFileSource file;
    ASSERT_TRUE(file.Open(dir.Write("data.bin", bytes)));
    EXPECT_EQ(file.Size(), 10000);
    const std::pair<std::int64_t, std::size_t> reads[] = {
        {0, 10}, {4090, 20}, {9990, 10}, {100, 5000}, {9000, 500}, {8192, 1}, {5, 4096}};
    for (const auto& [offset, count] : reads) {
        Bytes got(count);
        ASSERT_EQ(file.ReadAt(offset, got.data(), count), count) << offset;
        EXPECT_TRUE(std::equal(got.begin(), got.end(), bytes.begin() + offset)) << offset;
    }
    Bytes tail(50);
    EXPECT_EQ(file.ReadAt(9980, tail.data(), 50), 20u);
    EXPECT_EQ(file.ReadAt(10000, tail.data(), 1), 0u);
    EXPECT_EQ(file.ReadAt(-1, tail.data(), 1), 0u);
    TFileSource missing;
    EXPECT_FALSE(missing.Open(dir.PathOf("missing")));
}

TEST(Unicode, Utf8DecodingStopsAtTheFirstFault) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "plain"},
        {"\xC3\xA9\xE4\xB8\xAD", "\xC3\xA9\xE4\xB8\xAD"},
        {"a\x80"
         "b",
         "a"},          // a continuation byte cannot lead
        {"a\xC3", "a"}, // cut short
        {"a\xE4\xB8"
         "b",
         "a"}, // bad continuation
        {"a\xF0\x9F\x8E\xB5"
         "b",
         "a"}}; // four-byte sequences are not taken
    for (const auto& [in, out] : cases)
        EXPECT_EQ(DecodeUtf8UpToFault(in), out) << in;
}

} // namespace
} // namespace tavuro
