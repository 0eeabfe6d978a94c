#include "platform/ProcessLauncher.h"

#include <gtest/gtest.h>

namespace tavuro {
namespace {

struct TSplitCase {
    const char* Line;
    std::vector<std::string> Arguments;
};

TEST(SplitCommandLineTest, FollowsTheCRuntimeRules) {
    const TSplitCase cases[] = {
        {"", {}},
        {"   \t ", {}},
        {"/opt/tavuro/XGPlayer \"/home/me/My Songs/a b.mid\"",
         {"/opt/tavuro/XGPlayer", "/home/me/My Songs/a b.mid"}},
        {"  prog   a\tb  ", {"prog", "a", "b"}},
        {"\"/opt/my player/XGPlayer\" x", {"/opt/my player/XGPlayer", "x"}},
        {"prog \"\" end", {"prog", "", "end"}},
        {"prog ab\"c d\"ef", {"prog", "abc def"}},
        {"prog \"unclosed quote", {"prog", "unclosed quote"}},
        {"prog a\\\\b c\\", {"prog", "a\\\\b", "c\\"}},
        {"prog a\\\"b", {"prog", "a\"b"}},
        {"prog a\\\\\"b c\"", {"prog", "a\\b c"}},
        {"prog \"say \"\"hi\"\"\"", {"prog", "say \"hi\""}},
        {"C:\\dir\\prog.exe x", {"C:\\dir\\prog.exe", "x"}},
    };
    for (const TSplitCase& c : cases)
        EXPECT_EQ(SplitCommandLine(c.Line), c.Arguments) << c.Line;
}

} // namespace
} // namespace tavuro
