#define QTEST_QPA_MOUSE_HANDLING
#include <QTest>
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>

#include "ShellFixture.h"
#include "shell/SystemColours.h"

namespace tavuro {
namespace {

constexpr const char* DesktopKey = "Control Panel\\Desktop";

class Layout : public ShellFixture {
protected:
    QRect Screen() const { return QGuiApplication::primaryScreen()->geometry(); }

    // A playlist of the given paths, the first one played.
    TMainForm& Play(const std::string& playlist) {
        Write("playlist.m3u", playlist);
        Make();
        Form->ClearSelection();
        Form->SelectRow(0);
        Form->PlaySelected();
        return *Form;
    }
    TMainForm& PlayVideo(int lines, const std::string& path = "/v/clip.avi") {
        Media.Pictures[path] = {lines * 4 / 3, lines};
        Media.Durations[path] = 60;
        return Play(path + "\n");
    }
    std::string ScreenSaveActive() const {
        return Registry->ReadString(TRegistryRoot::rrCurrentUser, DesktopKey, "ScreenSaveActive")
            .value_or("");
    }
    // Where the mouse finds the widget: its middle, or for the panel a point of the right edge
    // that the edge buttons and the display leave free.
    QPoint PointOn(QWidget* widget) const {
        if (widget == Form->Panel1)
            return {Form->width() - 2, Form->height() - 10};
        return widget->mapTo(Form.get(), widget->rect().center());
    }
    void Click(QWidget* widget, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(Form.get(), button, {}, PointOn(widget));
    }
    void DoubleClick(QWidget* widget) {
        QTest::mouseDClick(Form.get(), Qt::LeftButton, {}, PointOn(widget));
    }
    // Presses the left button on the widget, moves once with it held and lets go.
    void Drag(QWidget* widget) {
        const QPoint at = PointOn(widget);
        QTest::mousePress(Form.get(), Qt::LeftButton, {}, at);
        QTest::mouseMove(Form.get(), at + QPoint(0, 1));
        QTest::mouseRelease(Form.get(), Qt::LeftButton, {}, at + QPoint(0, 1));
    }
};

TEST_F(Layout, TheListLayoutHasTheDesignGeometry) {
    auto& form = Make();
    EXPECT_EQ(form.size(), QSize(195, 108));
    EXPECT_EQ(form.Gauge1->geometry(), QRect(4, 30, 187, 1));
    EXPECT_EQ(form.Gauge2->geometry(), QRect(4, 31, 187, 1));
    EXPECT_EQ(form.lbProgress->geometry(), QRect(4, 30, 187, 2));
    EXPECT_EQ(form.MListPanel->geometry(), QRect(5, 36, 185, 72));
    EXPECT_FALSE(form.MListPanel->isHidden());
    EXPECT_TRUE(form.VisPanel->isHidden());
    EXPECT_EQ(form.VdoPanel->y(), -105);
    EXPECT_EQ(form.Gauge1->BackColor, QColor(Qt::black));
    EXPECT_EQ(form.Gauge1->ForeColor, ButtonFaceColour());
    EXPECT_FALSE(form.ColourKey());
}

struct VideoCase {
    int Lines, Width, Height;
};

TEST_F(Layout, TheVideoSizingRuleFollowsThePictureHeight) {
    for (const VideoCase& video :
         {VideoCase{256, 545, 303}, VideoCase{300, 545, 303}, VideoCase{239, 435, 242},
          VideoCase{105, 194, 108}}) { // the list's own height: only the width changes
        auto& form = PlayVideo(video.Lines);
        SCOPED_TRACE(video.Lines);
        ASSERT_TRUE(form.VideoLayoutShown());
        EXPECT_EQ(form.size(), QSize(video.Width, video.Height));
        EXPECT_EQ(form.pos(), QPoint((Screen().width() - video.Width) / 2,
                                     (Screen().height() - video.Height) / 2));
        EXPECT_EQ(form.VdoPanel->geometry(), QRect(2, 3, video.Width - 4, video.Height - 3));
        EXPECT_EQ(QSize(Media.BoundsWidth, Media.BoundsHeight), form.VdoPanel->size());
        EXPECT_EQ(form.Gauge1->geometry(), QRect(0, 0, video.Width, 1));
        EXPECT_EQ(form.Gauge2->geometry(), QRect(0, 1, video.Width, 2));
        EXPECT_EQ(form.lbProgress->geometry(), QRect(0, 0, video.Width, 3));
        const int half = video.Height / 2;
        EXPECT_EQ(form.sbNext2->geometry(), QRect(-1, -1, 3, half + 1));
        EXPECT_EQ(form.sbStop2->geometry(), QRect(-1, half, 3, half + 2));
        EXPECT_EQ(form.sbPower2->geometry(), QRect(video.Width - 3, 0, 3, half));
        EXPECT_FALSE(form.sbNext2->isHidden());
        EXPECT_TRUE(form.MListPanel->isHidden());
        EXPECT_EQ(form.Gauge1->BackColor, DesktopColour());
        EXPECT_EQ(form.Gauge1->ForeColor, ActiveCaptionGradientColour());
        EXPECT_FALSE(form.ColourKey());
    }
}

TEST_F(Layout, StayOnTopShrinksTheVideoAroundItsCentreAndBack) {
    auto& form = PlayVideo(256);
    const QPoint before = form.pos();
    Click(form.Panel1, Qt::RightButton);
    EXPECT_TRUE(form.StayOnTop);
    EXPECT_TRUE(form.Topmost());
    EXPECT_EQ(form.size(), QSize(270, 150));
    EXPECT_EQ(form.pos(), before + QPoint(137, 76)) << "(545 - 270) div 2, (303 - 150) div 2";
    Click(form.Panel1, Qt::RightButton);
    EXPECT_FALSE(form.StayOnTop);
    EXPECT_FALSE(form.Topmost());
    EXPECT_EQ(form.size(), QSize(545, 303));
}

TEST_F(Layout, TheSpectrumLayoutShowsThePanelAndTheEdgeButtons) {
    Write("libbass.so", "");
    auto& form = Play("/m/song.mp3\n");
    ASSERT_EQ(form.MediaClass, mcEngine);
    EXPECT_EQ(form.size(), QSize(195, 108));
    EXPECT_EQ(form.VisPanel->geometry(), QRect(2, 3, 191, 105));
    EXPECT_FALSE(form.VisPanel->isHidden());
    EXPECT_FALSE(form.pnTitle->isHidden());
    EXPECT_EQ(form.Gauge1->geometry(), QRect(0, 0, 195, 1));
    EXPECT_EQ(form.Gauge2->geometry(), QRect(0, 1, 195, 2));
    EXPECT_FALSE(form.sbPower2->isHidden());
    EXPECT_FALSE(form.VideoLayoutShown());
    // A double click shows the list below the title bar, and the title bar goes.
    DoubleClick(form.pnResize);
    EXPECT_FALSE(form.MListPanel->isHidden());
    EXPECT_EQ(form.MListPanel->y(), 8);
    EXPECT_TRUE(form.pnTitle->isHidden());
    // Stopping returns to the list layout.
    form.StopClick();
    EXPECT_EQ(form.Gauge1->geometry(), QRect(4, 30, 187, 1));
    EXPECT_TRUE(form.sbPower2->isHidden());
    EXPECT_TRUE(form.VisPanel->isHidden());
}

TEST_F(Layout, AClickOnTheDisplayTakesTheNextStyle) {
    Write("libbass.so", "");
    auto& form = Play("/m/song.mp3\n");
    const int before = form.VisStyle;
    const TStyleChange expected = NextStyle(before, form.VisMode, form.Transparent);
    Click(form.VisBox);
    EXPECT_EQ(form.VisStyle, expected.VisStyle);
    EXPECT_EQ(form.VisMode, expected.VisMode);
}

TEST_F(Layout, ADoubleClickDisarmsTheNextDrag) {
    Write("libbass.so", "");
    auto& form = Play("/m/song.mp3\n");
    form.WindowCentred = true;
    form.GeometryChanged = false;
    DoubleClick(form.Panel1);
    EXPECT_FALSE(form.DragArmed);
    Drag(form.Panel1);
    EXPECT_TRUE(form.DragArmed);
    EXPECT_TRUE(form.WindowCentred) << "the first move only re-arms";
    Drag(form.Panel1);
    EXPECT_FALSE(form.WindowCentred);
    EXPECT_TRUE(form.GeometryChanged);
}

TEST_F(Layout, FiveEntriesFitTheDesignListAndSixNeedTheResizeGrip) {
    std::string five, six;
    for (int i = 0; i < 6; ++i)
        (i < 5 ? five : six) += "/m/" + std::to_string(i) + ".mp3\n";
    Write("playlist.m3u", five);
    auto& form = Make();
    form.FitListHeight();
    EXPECT_EQ(form.MListPanel->height(), 72);
    EXPECT_FALSE(form.lbResize->isEnabled());
    // The disabled grip hands the drag to the bottom strip, which moves the window.
    form.WindowCentred = true;
    Drag(form.lbResize);
    EXPECT_FALSE(form.WindowCentred);

    Write("playlist.m3u", five + six);
    auto& bigger = Make();
    bigger.FitListHeight();
    EXPECT_TRUE(bigger.lbResize->isEnabled());
    // The window manager has made the window taller; the list takes its 85 pixels.
    bigger.resize(195, 200);
    bigger.FitListHeight();
    EXPECT_EQ(bigger.MListPanel->height(), 85);
    EXPECT_EQ(bigger.height(), 121);
    bigger.WindowCentred = true;
    Drag(bigger.lbResize);
    EXPECT_FALSE(bigger.WindowCentred);
    EXPECT_EQ(bigger.MListPanel->height(), 85) << "sizing by the grip fits the list again";
}

TEST_F(Layout, TheListLayoutKeepsTheCentreAndStaysOnTheScreen) {
    auto& form = PlayVideo(256);
    form.move(600, 500);
    form.StopClick();
    EXPECT_EQ(form.size(), QSize(195, 108));
    EXPECT_EQ(form.pos(), QPoint(std::min(600 + (545 - 195) / 2, Screen().width() - 195),
                                 std::min(500 + (303 - 108) / 2, Screen().height() - 108)));
    PlayVideo(256);
    Form->move(-300, -200);
    Form->StopClick();
    EXPECT_EQ(Form->pos(), QPoint(0, 0));
}

TEST_F(Layout, TransparencyIsRefusedInTheVideoAndTheStripAndWithoutLayeredWindows) {
    auto& video = PlayVideo(256);
    video.ToggleTransparency();
    EXPECT_FALSE(video.Transparent);
    video.StopClick();
    video.EnterStripLayout();
    video.ToggleTransparency();
    EXPECT_FALSE(video.Transparent);

    Registry->WriteString(TRegistryRoot::rrLocalMachine,
                          "Software\\Microsoft\\Windows\\CurrentVersion", "VersionNumber", "4.10",
                          true);
    auto& old = Make();
    old.ToggleTransparency();
    EXPECT_FALSE(old.Transparent);
    EXPECT_FALSE(old.ColourKey());
}

TEST_F(Layout, TransparencyKeysOutTheBlackOfTheListLayout) {
    auto& form = Make();
    form.pmTransp->trigger();
    EXPECT_TRUE(form.Transparent);
    EXPECT_TRUE(form.ColourKey());
    EXPECT_FALSE(form.Label5->isHidden());
    EXPECT_EQ(form.Gauge1->BackColor, QColor(96, 96, 96));
    // The gauges are lit, the black background is not part of the window's shape.
    EXPECT_TRUE(form.mask().contains(QPoint(100, 30)));
    EXPECT_FALSE(form.mask().contains(QPoint(100, 33)));
    form.pmTransp->trigger();
    EXPECT_FALSE(form.ColourKey());
    EXPECT_TRUE(form.mask().isEmpty());
}

TEST_F(Layout, TheScreenSaverIsHeldOffOnlyWhileAVideoPlays) {
    Registry->WriteString(TRegistryRoot::rrCurrentUser, DesktopKey, "ScreenSaveActive", "1", true);
    Write("libbass.so", "");
    Media.Pictures["/v/clip.avi"] = {320, 240};
    Media.Durations["/v/clip.avi"] = 60;
    Write("playlist.m3u", "/m/song.mp3\n/v/clip.avi\n");
    auto& form = Make();
    const int song = form.FindEntry("/m/song.mp3"), clip = form.FindEntry("/v/clip.avi");
    form.ClearSelection();
    form.SelectRow(song);
    form.PlaySelected();
    ASSERT_EQ(form.MediaClass, mcEngine);
    Registry->WriteString(TRegistryRoot::rrCurrentUser, DesktopKey, "ScreenSaveActive", "x", true);
    form.StopClick();
    EXPECT_EQ(ScreenSaveActive(), "x") << "engine audio never touches the value";

    form.ClearSelection();
    form.SelectRow(clip);
    form.PlaySelected();
    EXPECT_EQ(ScreenSaveActive(), "0");
    EXPECT_TRUE(ScreenSaver.Inhibited());
    form.StopClick();
    EXPECT_EQ(ScreenSaveActive(), "1");
    EXPECT_FALSE(ScreenSaver.Inhibited());

    form.PlaySelected();
    EXPECT_TRUE(ScreenSaver.Inhibited());
    form.close();
    EXPECT_EQ(ScreenSaveActive(), "1");
    EXPECT_FALSE(ScreenSaver.Inhibited());
}

TEST_F(Layout, TheForegroundTestYieldsOnlyToAnotherProgram) {
    auto& form = Make();
    struct Case {
        std::string Title;
        bool Expected;
    };
    for (const Case& front :
         {Case{"", true}, Case{"Program Manager", true}, Case{"ActiveMovie Window", true},
          Case{"Terminal", false}, Case{"Program Manager ", false}}) {
        Windows.Windows = {{7, front.Title}};
        Windows.Foreground = 7;
        EXPECT_EQ(form.ForegroundTest(), front.Expected) << front.Title;
    }
    Windows.Foreground = form.winId();
    EXPECT_TRUE(form.ForegroundTest()) << "the player's own window";
}

} // namespace
} // namespace tavuro
