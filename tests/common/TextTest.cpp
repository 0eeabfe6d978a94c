#include "common/Rounding.h"
#include "common/Text.h"

#include <gtest/gtest.h>

using namespace tavuro;

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    struct Case {
        double value;
        std::int64_t expected;
    } cases[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {99.47, 99}, {-0.5, 0}, {-1.5, -2}, {214.5, 214}};
    for (const Case& c : cases)
        EXPECT_EQ(RoundHalfEven(c.value), c.expected) << c.value;
}

TEST(Text, TrimControlRemovesCodesUpToBlankAtBothEnds) {
    EXPECT_EQ(TrimControl(std::string_view("\x01 \tab c\r\n\0", 10)), "ab c");
    EXPECT_EQ(TrimRightControl("  x  "), "  x");
    EXPECT_EQ(TrimControl(""), "");
}

TEST(Text, Utf16ToUtf8JoinsSurrogatesAndReplacesLoneOnes) {
    EXPECT_EQ(Utf16ToUtf8(u"A\u6807\u9898"), "A\xE6\xA0\x87\xE9\xA2\x98");
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F3B5"), "\xF0\x9F\x8E\xB5");
    const char16_t lone[] = {0xD800, u'x'};
    EXPECT_EQ(Utf16ToUtf8(lone, 2), "\xEF\xBF\xBDx");
}

TEST(Text, ParseInt32AcceptsOnlyWholeDecimalNumbers) {
    std::int32_t value = -7;
    EXPECT_TRUE(ParseInt32("215", value));
    EXPECT_EQ(value, 215);
    EXPECT_TRUE(ParseInt32("-1", value));
    EXPECT_EQ(value, -1);
    for (const char* bad : {"", "A3", "3/12", "1.5", "99999999999", " 5"})
        EXPECT_FALSE(ParseInt32(bad, value)) << bad;
    EXPECT_EQ(value, -1);
}

TEST(Text, CutForDisplayCutsLongTextBetweenCharacters) {
    EXPECT_EQ(CutForDisplay("short"), "short");
    const std::string exact(MaxDisplayBytes, 'a');
    EXPECT_EQ(CutForDisplay(exact), exact);
    EXPECT_EQ(CutForDisplay(exact + "b"), exact + "\u2026");
    // "中" is three bytes: one that would be split at the bound is left out whole.
    const std::string wide = std::string(MaxDisplayBytes - 1, 'a') + "中中";
    EXPECT_EQ(CutForDisplay(wide), std::string(MaxDisplayBytes - 1, 'a') + "\u2026");
}

TEST(Text, UpperAsciiLeavesOtherBytes) {
    EXPECT_EQ(UpperAscii("c:\\music\\a.mp3 \xC3\xA9"), "C:\\MUSIC\\A.MP3 \xC3\xA9");
    EXPECT_TRUE(EqualsIgnoringAsciiCase("c:\\music\\a.MP3", "C:\\Music\\A.mp3"));
}
