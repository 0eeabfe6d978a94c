#include "desktop/Titles.h"

#include "platform/Translations.h"

namespace tavuro {

TPlayingTitle ComposePlayingTitle(const TPlayingTitleInput& input) {
    TPlayingTitle title;
    std::string text = input.Caption;
    if (input.UnknownLength)
        title.ClearTime = true;
    else if (input.Bracketed)
        text = "[" + input.TimeText + "]" + text;
    if (input.IsUrl)
        text = "i))" + text;
    else if (input.UnknownLength)
        text = "?time_" + text;
    title.ApplicationTitle = text + "/Tavuro";
    return title;
}

std::string IdleTitle(bool wasPlaying) {
    return wasPlaying ? std::string(TitleIdleAfterPlaying)
                      : TranslateUtf8("TMainForm", TitlePaused);
}

} // namespace tavuro
