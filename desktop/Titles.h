#pragma once

#include <QtGlobal>

#include <string>
#include <string_view>

namespace tavuro {

// The texts that tell the user what the player does: the window's own title (the only text the
// task bar shows) and the fixed titles of the idle and connecting states.
inline constexpr std::string_view TitleStartUp = "!Tavuro"; // also on errors about an entry
inline constexpr std::string_view TitleIdleAfterPlaying = "!Tavuro";
// The texts in words go through the user's language (context "TMainForm"); the "!Tavuro" titles,
// the marks "i))" and "?time_" and the product's name stay the same in every language.
inline constexpr const char* TitlePaused = QT_TRANSLATE_NOOP("TMainForm", "智能模式@暂停/Tavuro");
inline constexpr const char* TitleConnecting = QT_TRANSLATE_NOOP("TMainForm", "正在连接/Tavuro");
// The third row of the empty-list display and its text in the time column.
inline constexpr std::string_view AboutCaption = " !Tavuro  Norvale";
inline constexpr const char* AboutTimeText = QT_TRANSLATE_NOOP("TMainForm", "制作 ");

struct TPlayingTitleInput {
    std::string Caption;  // the playing entry's caption
    std::string TimeText; // the length text shown in lbTime
    bool UnknownLength = false;
    bool Bracketed = false; // the strip or the video layout shows the length in brackets
    bool IsUrl = false;
};

struct TPlayingTitle {
    std::string ApplicationTitle;
    bool ClearTime = false; // lbTime is emptied: the entry has no length
};

// "[3:35]Song/Tavuro" for a video, "i))Radio/Tavuro" for a stream, "?time_Clip/Tavuro" for a
// local clip without length, "Song/Tavuro" otherwise.
TPlayingTitle ComposePlayingTitle(const TPlayingTitleInput& input);

// The title of the idle state: "!Tavuro" right after playing, the paused title otherwise (in the
// user's language).
std::string IdleTitle(bool wasPlaying);

} // namespace tavuro
