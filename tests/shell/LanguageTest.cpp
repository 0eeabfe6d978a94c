// The user's language: which catalogue the desktop's variables choose, and what the window then
// says. Chinese and the C locale show the program's own texts byte for byte; English and every
// language without a catalogue show English.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ShellFixture.h"
#include "desktop/Titles.h"
#include "platform/Translations.h"
#include "shell/StartOptions.h"

namespace tavuro {
namespace {

TEST(Language, TheDesktopsVariablesChooseTheCatalogue) {
    struct Case {
        TLanguageVariables Variables; // LANGUAGE, LC_ALL, LC_MESSAGES, LANG
        const char* Catalogue;
    } cases[] = {
        {{"", "", "", ""}, ""}, // nothing set is the C locale
        {{"", "", "", "C"}, ""},
        {{"", "", "", "C.UTF-8"}, ""},
        {{"", "", "", "POSIX"}, ""},
        {{"", "", "", "zh_CN.UTF-8"}, ""},
        {{"", "", "", "zh_TW.Big5"}, ""},
        {{"", "", "", "en_US.UTF-8"}, "en"},
        {{"", "", "", "en_GB.UTF-8@euro"}, "en"},
        {{"", "", "", "de_DE.UTF-8"}, "en"}, // no catalogue: English
        {{"", "", "", "ja_JP.UTF-8"}, "en"},
        {{"", "C", "", "en_US.UTF-8"}, ""},           // LC_ALL wins over LANG
        {{"", "", "zh_CN.UTF-8", "en_US.UTF-8"}, ""}, // so does LC_MESSAGES
        {{"", "en_US.UTF-8", "zh_CN.UTF-8", "C"}, "en"},
        {{"de:zh_CN:en", "", "", "en_US.UTF-8"}, ""}, // the first language that has texts
        {{"de:en", "", "", "zh_CN.UTF-8"}, "en"},
        {{"fr", "", "", "de_DE.UTF-8"}, "en"},
        {{"en", "", "", "C"}, ""}, // LANGUAGE is not looked at under the C locale
    };
    for (const Case& c : cases) {
        const TLanguageVariables& v = c.Variables;
        EXPECT_EQ(CatalogueLanguage(v), c.Catalogue)
            << "LANGUAGE=" << v.Language << " LC_ALL=" << v.LcAll << " LC_MESSAGES=" << v.LcMessages
            << " LANG=" << v.Lang;
    }
}

// The window's texts under a locale; the catalogue lies in the program folder beside this test.
class WindowLanguage : public ShellFixture, public testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
            unsetenv(name);
        setenv("LANG", GetParam(), 1);
        LoadTranslations();
    }
    void TearDown() override {
        setenv("LANG", "C.UTF-8", 1); // as the tests' main left it
        LoadTranslations();
    }
    bool English() const {
        return CatalogueLanguage(TLanguageVariables::FromEnvironment()) == "en";
    }
};

TEST_P(WindowLanguage, EveryTextSpeaksTheUsersLanguage) {
    struct Text {
        std::string Shown;
        const char *Chinese, *English;
    };
    Media.FailOnPlay = {"/m/gone.mp3", "http://radio.example/live"};
    Write("playlist.m3u", "/m/gone.mp3\nhttp://radio.example/live\n");
    Make();
    TMainForm& form = *Form;
    form.ClearSelection();
    form.SelectRow(0);
    form.PlaySelected();
    form.ClearSelection();
    form.SelectRow(1);
    form.PlaySelected();
    ASSERT_EQ(Dialogs.Messages.size(), 2u);
    form.OpenDialogFlow();
    ASSERT_EQ(Dialogs.LastFilters.size(), 6u);

    const Text texts[] = {
        {form.sbPlay->toolTip().toStdString(), "播放", "Play"},
        {form.sbNext->toolTip().toStdString(), "下一个", "Next"},
        {form.sbStop->toolTip().toStdString(), "停止", "Stop"},
        {form.sbLevel->toolTip().toStdString(), "电平表", "External MIDI player"},
        {form.sbPower->toolTip().toStdString(), "电源", "Quit"},
        {form.sbStop2->toolTip().toStdString(), "停止", "Stop"},
        {form.Label3->toolTip().toStdString(), "下一个/右击停止", "Next (right-click: stop)"},
        {form.Label4->toolTip().toStdString(), "移动/双击关闭", "Move (double-click: quit)"},
        {form.pmTransp->text().toStdString(), "透明化", "See-through"},
        {form.sbStop->accessibleName().toStdString(), "停止", "Stop"},
        {form.lbProgress->accessibleName().toStdString(), "进度", "Progress"},
        {form.MIDIList->accessibleName().toStdString(), "播放列表", "Playlist"},
        {form.VisBox->accessibleName().toStdString(), "频谱显示", "Spectrum"},
        {Dialogs.Messages[0].Text, "格式不明或者路径有误,不能播放!",
         "Cannot play: unknown format or wrong path."},
        {Dialogs.Messages[1].Text, "地址有误或者尚未联网,不能播放!",
         "Cannot play: the address is wrong or the network is down."},
        {Dialogs.LastFilters[1].Description, "MIDI音乐(MID;RMI...)", "MIDI music (MID;RMI...)"},
        {IdleTitle(false), "智能模式@暂停/Tavuro", "Smart mode@paused/Tavuro"},
        {UsageText().substr(0, UsageText().find(' ')), "用法:", "Usage:"},
    };
    for (const Text& text : texts)
        EXPECT_EQ(text.Shown, English() ? text.English : text.Chinese) << GetParam();
    // Texts another program looks for, and the marks, are the same in every language.
    EXPECT_EQ(Dialogs.Messages[0].Title, "gone");
    EXPECT_EQ(Dialogs.LastFilters[1].Patterns, "*.mid;*.rmi;*.kar;*.midi");
    EXPECT_EQ(IdleTitle(true), "!Tavuro");
}

INSTANTIATE_TEST_SUITE_P(Locales, WindowLanguage,
                         testing::Values("C", "zh_CN.UTF-8", "en_US.UTF-8", "fr_FR.UTF-8"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

} // namespace
} // namespace tavuro
