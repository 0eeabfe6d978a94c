#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "ShellFixture.h"

namespace tavuro {
namespace {

class StripLayout : public ShellFixture {
protected:
    QRect WorkArea() const { return QGuiApplication::primaryScreen()->availableGeometry(); }
};

TEST_F(StripLayout, TheStripIs400By6WithItsButtonsAndGauges) {
    auto& form = Make();
    form.FormActivate();
    form.EnterStripLayout();
    EXPECT_TRUE(form.StripMode());
    EXPECT_EQ(form.size(), QSize(400, 6));
    EXPECT_TRUE(form.MListPanel->isHidden());
    EXPECT_EQ(form.Gauge1->geometry(), QRect(0, 0, 400, 2));
    EXPECT_EQ(form.Gauge2->geometry(), QRect(0, 2, 400, 4));
    EXPECT_EQ(form.Gauge1->BackColor, QColor(172, 168, 153));
    EXPECT_EQ(form.Gauge1->ForeColor, QColor(255, 251, 240));
    EXPECT_EQ(form.Gauge2->BackColor, QColor(255, 251, 240));
    EXPECT_EQ(form.Gauge2->ForeColor, QColor(236, 233, 216));
    EXPECT_EQ(form.sbNext3->geometry(), QRect(0, 0, 133, 6));
    EXPECT_EQ(form.sbStop3->geometry(), QRect(133, 0, 134, 6));
    EXPECT_EQ(form.sbPower3->geometry(), QRect(267, 0, 133, 6));
    for (QWidget* button : {form.sbNext3, form.sbStop3, form.sbPower3})
        EXPECT_FALSE(button->isHidden());
    const QRect area = WorkArea();
    EXPECT_EQ(form.pos(),
              QPoint(area.left() + area.width() / 2 - 200, area.top() + area.height() / 2 + 43));
    EXPECT_TRUE(form.WindowCentred);
}

TEST_F(StripLayout, LeavingForTheListHidesTheStripButtons) {
    auto& form = Make();
    form.EnterStripLayout();
    form.EnterListLayout();
    EXPECT_FALSE(form.StripMode());
    EXPECT_EQ(form.size(), QSize(195, 108));
    EXPECT_EQ(form.Gauge1->geometry(), QRect(4, 30, 187, 1));
    EXPECT_FALSE(form.MListPanel->isHidden());
}

TEST_F(StripLayout, ACollapsedStripComesBackCentredInTheListLayout) {
    auto& form = Make();
    form.EnterStripLayout();
    form.SetClientSize(0, 0);
    EXPECT_EQ(form.size(), QSize(0, 0));
    form.EnterListLayout();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(form.size(), QSize(195, 108));
    EXPECT_EQ(form.pos(), QPoint((screen.width() - 195) / 2, (screen.height() - 108) / 2));
}

} // namespace
} // namespace tavuro
