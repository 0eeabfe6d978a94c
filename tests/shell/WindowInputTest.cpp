// The mouse and the keys as the window system delivers them: to the widget under the pointer,
// which hands what it does not take to its parents. Also how captions and the stored height show.
#define QTEST_QPA_MOUSE_HANDLING
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "ShellFixture.h"

namespace tavuro {
namespace {

enum class TLayoutKind { lkList, lkSpectrum, lkVideo };

// A place of the window in a layout, and whether a click there does what the test looks for.
struct TPlaceCase {
    const char* What;
    TLayoutKind Layout;
    std::function<QPoint(TMainForm&)> Where;
    bool Toggles;
};

class WindowInput : public ShellFixture {
protected:
    TMainForm& Show(TLayoutKind layout) {
        Write("libbass.so", "");
        Media.Pictures["/v/clip.avi"] = {640, 480};
        Media.Durations["/v/clip.avi"] = 60;
        Write("playlist.m3u", "/m/song.mp3\n/v/clip.avi\n");
        auto& form = Make();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
        if (layout != TLayoutKind::lkList) {
            form.ClearSelection();
            form.SelectRow(layout == TLayoutKind::lkSpectrum ? 1 : 0); // "clip" before "song"
            form.PlaySelected();
        }
        return form;
    }
    // The window point at the middle of a widget.
    static QPoint MiddleOf(QWidget* widget) {
        return widget->mapTo(widget->window(), widget->rect().center());
    }
};

TEST_F(WindowInput, ARightClickTogglesStayOnTopOnlyOnTheGripsTheMouseTableLists) {
    const TPlaceCase cases[] = {
        {"the panel between the gauges and the list", TLayoutKind::lkList,
         [](TMainForm&) { return QPoint(100, 34); }, true},
        {"the list's bottom strip, its grip disabled", TLayoutKind::lkList,
         [](TMainForm& form) { return MiddleOf(form.pnBottom); }, true},
        {"the open button", TLayoutKind::lkList,
         [](TMainForm& form) { return MiddleOf(form.sbAdd); }, false},
        {"the progress bar", TLayoutKind::lkList,
         [](TMainForm& form) { return MiddleOf(form.lbProgress); }, false},
        {"the spectrum", TLayoutKind::lkSpectrum,
         [](TMainForm& form) { return MiddleOf(form.VisBox); }, false},
        {"the title bar", TLayoutKind::lkSpectrum,
         [](TMainForm& form) { return form.pnTitle->mapTo(&form, QPoint(60, 6)); }, false},
        {"the video picture, which lies on the panel", TLayoutKind::lkVideo,
         [](TMainForm& form) { return MiddleOf(form.VdoPanel); }, true},
    };
    for (const TPlaceCase& test : cases) {
        SCOPED_TRACE(test.What);
        auto& form = Show(test.Layout);
        const QSize before = form.size();
        QTest::mouseClick(&form, Qt::RightButton, {}, test.Where(form));
        EXPECT_EQ(form.StayOnTop, test.Toggles);
        if (!test.Toggles) {
            EXPECT_EQ(form.size(), before) << "the video keeps its size";
        }
        Form.reset();
    }
}

TEST_F(WindowInput, ADoubleClickTogglesTheListOnlyOnTheGripsTheMouseTableLists) {
    const TPlaceCase cases[] = {
        {"the display's bottom strip", TLayoutKind::lkSpectrum,
         [](TMainForm& form) { return MiddleOf(form.pnResize); }, true},
        {"the spectrum", TLayoutKind::lkSpectrum,
         [](TMainForm& form) { return MiddleOf(form.VisBox); }, false},
        {"the title bar", TLayoutKind::lkSpectrum,
         [](TMainForm& form) { return form.pnTitle->mapTo(&form, QPoint(60, 6)); }, false},
        {"the video picture", TLayoutKind::lkVideo,
         [](TMainForm& form) { return MiddleOf(form.VdoPanel); }, true},
    };
    for (const TPlaceCase& test : cases) {
        SCOPED_TRACE(test.What);
        auto& form = Show(test.Layout);
        const int style = form.VisStyle;
        QTest::mouseDClick(&form, Qt::LeftButton, {}, test.Where(form));
        EXPECT_EQ(form.MListPanel->isHidden(), !test.Toggles);
        if (test.Toggles) {
            EXPECT_EQ(form.VisStyle, style) << "the grip is no part of the display";
        }
        Form.reset();
    }
}

TEST_F(WindowInput, TheListShownOverTheDisplayLiesOnTopAndTakesTheClicks) {
    for (const TLayoutKind layout : {TLayoutKind::lkSpectrum, TLayoutKind::lkVideo}) {
        auto& form = Show(layout);
        const QPoint grip =
            MiddleOf(layout == TLayoutKind::lkVideo ? form.VdoPanel : form.pnResize);
        QTest::mouseDClick(&form, Qt::LeftButton, {}, grip);
        ASSERT_FALSE(form.MListPanel->isHidden());
        EXPECT_EQ(form.MListPanel->y(), 8);
        const QRect secondRow = form.MIDIList->visualRect(form.Playlist->index(1, 0));
        const QPoint onSecondRow =
            form.MIDIList->viewport()->mapTo(&form, secondRow.center() + QPoint(30, 0));
        EXPECT_EQ(form.childAt(onSecondRow), form.MIDIList->viewport());
        const int style = form.VisStyle;
        QTest::mouseClick(&form, Qt::LeftButton, {}, onSecondRow);
        EXPECT_EQ(form.SelectedRows(), std::vector<int>{1});
        EXPECT_EQ(form.VisStyle, style) << "the click reached the list, not the display";
        QTest::mouseDClick(&form, Qt::LeftButton, {}, MiddleOf(form.pnBottom));
        EXPECT_TRUE(form.MListPanel->isHidden()) << "hidden again by a double click";
        Form.reset();
    }
}

TEST_F(WindowInput, NothingOfTheButtonRowShowsThroughTheDisplay) {
    auto& form = Show(TLayoutKind::lkSpectrum);
    const QImage shot = form.grab().toImage();
    // Between the caption and the time in the title bar, and left of the spectrum below it.
    for (const QRect free : {QRect(60, 3, 80, 12), QRect(3, 15, 9, 15)})
        for (int x = free.left(); x <= free.right(); ++x)
            for (int y = free.top(); y <= free.bottom(); ++y)
                ASSERT_EQ(shot.pixel(x, y), qRgb(0, 0, 0)) << "at " << x << "," << y;
}

TEST_F(WindowInput, EnterTabAndAClickElsewhereEndARenameWithoutPlaying) {
    struct Case {
        const char* What;
        std::function<void(TMainForm&, QWidget* editor)> EndEdit;
    };
    const Case cases[] = {
        {"Enter", [](TMainForm&, QWidget* editor) { QTest::keyClick(editor, Qt::Key_Return); }},
        {"keypad Enter",
         [](TMainForm&, QWidget* editor) {
             QTest::keyClick(editor, Qt::Key_Enter, Qt::KeypadModifier);
         }},
        {"Tab", [](TMainForm&, QWidget* editor) { QTest::keyClick(editor, Qt::Key_Tab); }},
        {"a click on another row",
         [](TMainForm& form, QWidget*) {
             const QRect row = form.MIDIList->visualRect(form.Playlist->index(1, 0));
             QTest::mouseClick(form.MIDIList->viewport(), Qt::LeftButton, {}, row.center());
         }},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.What);
        Write("playlist.m3u", "/m/a.mp3\n/m/b.mp3\n");
        Media.SetFileName("");
        auto& form = Make();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        form.ClearSelection();
        form.SelectRow(0);
        form.MIDIList->setCurrentIndex(form.Playlist->index(0, 0));
        QTest::keyClick(form.MIDIList, Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr) << "F2 starts editing";
        ASSERT_FALSE(form.sbStop->isEnabled());
        editor->selectAll();
        QTest::keyClicks(editor, "zz top");
        test.EndEdit(form, editor);
        QCoreApplication::processEvents(); // the view commits an edit ended by Enter later
        EXPECT_EQ(Captions(), (std::vector<std::string>{"b", "zz top"}));
        EXPECT_TRUE(form.PlaylistDirty);
        EXPECT_FALSE(form.sbStop->isEnabled()) << "nothing plays";
        EXPECT_EQ(Media.FileName(), "");
        QTest::keyClick(form.MIDIList, Qt::Key_Return);
        EXPECT_TRUE(form.sbStop->isEnabled()) << "Enter plays again once the edit is over";
        Form.reset();
    }
}

TEST_F(WindowInput, CaptionsShowAsPlainText) {
    const std::string markup = "<b>x</b>";
    Write("libbass.so", "");
    Write("playlist.m3u", "#EXTINF:5," + markup + "\n/m/song.mp3\n");
    auto& form = Make();
    form.PlaySelected();
    ASSERT_FALSE(form.VisPanel->isHidden());
    EXPECT_EQ(form.lbTitle->text().toStdString(), markup);
    // Drawn as markup, the label would be as wide as one bold letter.
    const int plainWidth =
        form.lbTitle->fontMetrics().horizontalAdvance(QString::fromStdString(markup));
    EXPECT_GE(form.lbTitle->sizeHint().width(), plainWidth);
    form.MIDIList->resizeColumnToContents(TPlaylistModel::colCaption);
    EXPECT_GE(form.MIDIList->columnWidth(TPlaylistModel::colCaption), plainWidth);
}

TEST_F(WindowInput, AStoredHeightStretchesTheListAndItsGrip) {
    struct Case {
        const char* Line;
        int Height;
    };
    for (const Case test : {Case{"200", 200}, Case{"100,100,160", 160}, Case{"109", 109}}) {
        SCOPED_TRACE(test.Line);
        Write("playmode.ini", std::string("\r\n1213152208\r\n900\r\n") + test.Line + "\r\n");
        auto& form = Make({}, false);
        EXPECT_EQ(form.height(), test.Height);
        EXPECT_EQ(form.MListPanel->height(), test.Height - 36);
        EXPECT_EQ(form.MIDIList->height(), test.Height - 37);
        EXPECT_EQ(form.pnBottom->geometry().bottom(), form.MListPanel->height() - 1)
            << "the grip lies along the list's bottom";
        EXPECT_EQ(form.VisPanel->height(), test.Height - 3);
        Form.reset();
    }
}

} // namespace
} // namespace tavuro
