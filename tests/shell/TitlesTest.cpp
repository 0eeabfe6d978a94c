#include <gtest/gtest.h>

#include "desktop/Titles.h"

namespace tavuro {
namespace {

TEST(Titles, MarksTellWhatPlays) {
    struct Case {
        TPlayingTitleInput Input;
        const char* Title;
        bool ClearTime;
    } cases[] = {
        {{"Song", "3:35", false, false, false}, "Song/Tavuro", false},
        {{"Song", "3:35", false, true, false}, "[3:35]Song/Tavuro", false},
        {{"Radio", "3:35", false, true, true}, "i))[3:35]Radio/Tavuro", false},
        {{"Radio", "3:35", false, false, true}, "i))Radio/Tavuro", false},
        {{"Radio", "", true, true, true}, "i))Radio/Tavuro", true},
        {{"Clip", "", true, true, false}, "?time_Clip/Tavuro", true},
    };
    for (const auto& c : cases) {
        const TPlayingTitle title = ComposePlayingTitle(c.Input);
        EXPECT_EQ(title.ApplicationTitle, c.Title);
        EXPECT_EQ(title.ClearTime, c.ClearTime) << c.Title;
    }
    EXPECT_EQ(IdleTitle(true), "!Tavuro");
    EXPECT_EQ(IdleTitle(false), "智能模式@暂停/Tavuro");
}

} // namespace
} // namespace tavuro
