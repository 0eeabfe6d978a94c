#include "desktop/VisBox.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace tavuro;

namespace {

constexpr QRgb kBlack = qRgb(0, 0, 0);
constexpr QRgb kLed = qRgb(136, 226, 23);
constexpr QRgb kRed = qRgb(255, 95, 95);
constexpr QRgb kBlue = qRgb(95, 95, 255);

TBandOut OneBand(int band, int level) {
    TBandOut bandOut{};
    bandOut[band] = static_cast<std::uint16_t>(level);
    return bandOut;
}

class VisBoxTest : public testing::Test {
public:
    QRgb Pixel(int x, int y) const { return Display.BackBuffer.pixel(x, y); }
    QRgb Gradient(int row) const { return Display.GradientBar.pixel(0, row); }
    // The rows of a column that are not black, from the top.
    std::vector<int> LitRows(int x) const {
        std::vector<int> rows;
        for (int y = 0; y < Display.BackBuffer.height(); ++y)
            if (Pixel(x, y) != kBlack)
                rows.push_back(y);
        return rows;
    }
    // Sets band 0's peak with one frame, then draws frames of level 0 and returns the peak
    // levels after each.
    std::vector<double> PeakFall(int style, int peak, int frames) {
        Display.DrawFrame(OneBand(0, peak), style, false);
        std::vector<double> levels;
        for (int i = 0; i < frames; ++i) {
            Display.DrawFrame(TBandOut{}, style, false);
            levels.push_back(Display.PeakLevel[0]);
        }
        return levels;
    }
    TSpectrumDisplay Display;
};

} // namespace

TEST_F(VisBoxTest, TheBarBitmapsAreMadeOnceWithTheirColours) {
    ASSERT_EQ(Display.BackBuffer.size(), QSize(171, 92));
    ASSERT_EQ(Display.GradientBar.size(), QSize(9, 92));
    ASSERT_EQ(Display.LedBar.size(), QSize(9, 92));
    struct Row {
        int y;
        QRgb colour;
    } gradient[] = {{0, kRed}, {23, qRgb(255, 255, 95)}, {46, qRgb(95, 255, 102)},
                    {68, qRgb(95, 255, 255)}, {91, kBlue}, {1, qRgb(255, 102, 95)}};
    for (const Row& row : gradient)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(Display.GradientBar.pixel(x, row.y), row.colour) << row.y;
    for (int y = 0; y < 92; ++y)
        EXPECT_EQ(Display.LedBar.pixel(4, y), (y + 1) % 3 == 0 ? kBlack : kLed) << y;
    EXPECT_EQ(LitRows(0), std::vector<int>{}); // starts black
}

TEST_F(VisBoxTest, EachStyleDrawsItsBar) {
    // Band 3 at level 50: the bar's top row is 42, x0 = 27.
    struct Case {
        int style;
        int width;
        int top;
        std::function<QRgb(const VisBoxTest&, int y)> colour;
    } cases[] = {
        {1, 8, 41 + 1, [](const VisBoxTest&, int y) { return (y + 1) % 3 == 0 ? kBlack : kLed; }},
        {2, 9, 42, [](const VisBoxTest& t, int y) { return t.Gradient(y); }},
        {3, 8, 42, [](const VisBoxTest&, int) { return qRgb(0, 176, 32); }},
        {4, 9, 42, [](const VisBoxTest& t, int) { return t.Gradient(42); }},
        {5, 9, 42, [](const VisBoxTest& t, int y) { return t.Gradient(y - 42); }},
    };
    for (const Case& c : cases) {
        Display.DrawFrame(OneBand(3, 50), c.style, false);
        for (int y = 0; y < 92; ++y) {
            const QRgb expected = y < c.top ? kBlack : c.colour(*this, y);
            for (int x = 27; x < 27 + c.width; ++x)
                ASSERT_EQ(Pixel(x, y), expected) << "style " << c.style << " at " << x << "," << y;
            if (c.width == 8) {
                ASSERT_EQ(Pixel(35, y), kBlack) << "style " << c.style << " row " << y;
            }
        }
        EXPECT_EQ(LitRows(26), std::vector<int>{}) << "style " << c.style;
        EXPECT_EQ(LitRows(36), std::vector<int>{}) << "style " << c.style;
    }
}

TEST_F(VisBoxTest, AnLedBarEndingOnALoneLitRowStartsOneRowLower) {
    Display.DrawFrame(OneBand(0, 4), 1, false); // (4 - 1) mod 3 = 0: rows 89 to 91
    EXPECT_EQ(LitRows(0), (std::vector<int>{90, 91}));
    Display.PeakLevel = {};
    Display.DrawFrame(OneBand(0, 1), 1, false); // nothing at all
    EXPECT_EQ(LitRows(0), std::vector<int>{});
}

TEST_F(VisBoxTest, ALevelAbove92DrawsAs92) {
    Display.DrawFrame(OneBand(18, 5000), 3, false);
    EXPECT_EQ(Pixel(162, 0), qRgb(0, 176, 32));
    EXPECT_EQ(LitRows(162).size(), 92u);
    EXPECT_EQ(Display.PeakLevel[18], 92.0);
}

TEST_F(VisBoxTest, APeakIsHeldAboutNineFramesThenFallsFasterAndFaster) {
    const std::vector<double> levels = PeakFall(3, 60, 13);
    for (int i = 0; i < 9; ++i)
        EXPECT_DOUBLE_EQ(levels[i], 60.0) << i;
    EXPECT_DOUBLE_EQ(levels[9], 59.7);
    EXPECT_DOUBLE_EQ(levels[10], 59.1);
    EXPECT_DOUBLE_EQ(levels[11], 58.2);
    EXPECT_DOUBLE_EQ(levels[12], 57.0);
}

TEST_F(VisBoxTest, ALevelOfZeroDrawsNoBarButItsPeakStillFalls) {
    PeakFall(3, 60, 1);
    EXPECT_EQ(LitRows(0), (std::vector<int>{31, 32})); // only the mark, blue
    EXPECT_EQ(Pixel(0, 32), qRgb(0, 0, 255));
    PeakFall(3, 60, 13);
    EXPECT_EQ(LitRows(0), (std::vector<int>{33, 34})); // drawn at 58.2, then down to 57.0
    PeakFall(3, 3, 40);
    EXPECT_EQ(Display.PeakLevel[0], 0.0);
    EXPECT_EQ(LitRows(0), std::vector<int>{});
}

TEST_F(VisBoxTest, APeakRisesAtOnceWithTheLevel) {
    PeakFall(3, 30, 12);
    Display.DrawFrame(OneBand(0, 31), 3, false);
    EXPECT_EQ(Display.PeakLevel[0], 31.0);
    EXPECT_EQ(Display.PeakHold[0], 0);
}

TEST_F(VisBoxTest, EachStyleMarksItsPeakInItsColour) {
    struct Case {
        int style, peak;
        std::vector<int> rows;
        int width;
        QRgb colour;
    } cases[] = {
        {1, 60, {30, 31}, 8, kLed},     // y 32 is a dark LED row: one up
        {1, 62, {30, 31}, 8, kLed},     // y 30 is a segment's top row: one down
        {2, 60, {32, 33}, 9, 0},        // y + 1, row 33 of the gradient
        {3, 60, {31, 32}, 8, qRgb(0, 0, 255)},
        {4, 60, {31, 32}, 9, 0},        // row 33 of the gradient
        {5, 60, {31, 32}, 9, 0},        // row 59 of the gradient
        {3, 92, {0, 1}, 8, qRgb(0, 0, 255)}, // y 0 becomes 1
        {4, 92, {0, 1}, 9, kRed},        // at y 1 row 0
        {5, 92, {0, 1}, 9, kBlue},       // at y 1 row 91
        {2, 92, {0, 1}, 9, kRed},        // at y 1 row 0
    };
    const QRgb gradientColours[] = {0, 0, Gradient(33), 0, Gradient(33), Gradient(59)};
    for (const Case& c : cases) {
        Display.PeakLevel = {};
        PeakFall(c.style, c.peak, 1);
        const QRgb colour = c.colour ? c.colour : gradientColours[c.style];
        EXPECT_EQ(LitRows(0), c.rows) << "style " << c.style << " peak " << c.peak;
        for (int x = 0; x < c.width; ++x)
            EXPECT_EQ(Pixel(x, c.rows[1]), colour) << "style " << c.style << " x " << x;
        EXPECT_EQ(Pixel(c.width, c.rows[1]), kBlack) << "style " << c.style;
    }
}

TEST_F(VisBoxTest, AStyleOnePeakNeverSitsOnADarkLedRow) {
    for (int peak = 1; peak <= 92; ++peak) {
        Display.PeakLevel = {};
        Display.PeakHold = {};
        PeakFall(1, peak, 1);
        for (int y : LitRows(0))
            EXPECT_NE((y + 1) % 3, 0) << "peak " << peak << " row " << y;
        EXPECT_EQ(LitRows(0).size(), 2u) << "peak " << peak;
    }
}

TEST_F(VisBoxTest, AStyleTwoPeakIsShown21FramesThenFollowsTheLevelOneFrameBehind) {
    Display.DrawFrame(OneBand(0, 60), 2, false);
    for (int frame = 0; frame < 21; ++frame) {
        Display.DrawFrame(OneBand(0, 10), 2, false);
        ASSERT_EQ(Pixel(0, 32), Gradient(33)) << frame; // the mark
    }
    EXPECT_EQ(Display.PeakLevel[0], 10.0); // caught up after its last frame
    Display.DrawFrame(OneBand(0, 5), 2, false);
    EXPECT_EQ(LitRows(0).front(), 87); // the bar only
    EXPECT_EQ(Display.PeakLevel[0], 5.0);
    Display.DrawFrame(OneBand(0, 3), 2, false);
    EXPECT_EQ(LitRows(0).front(), 89);
    EXPECT_EQ(Display.PeakLevel[0], 3.0);
    Display.DrawFrame(OneBand(0, 8), 2, false); // a new peak
    EXPECT_EQ(Display.PeakHold[0], 0);
}

TEST_F(VisBoxTest, AStyleTwoMarkLeavesOutItsLowerRowWhereTheBarReachesIt) {
    Display.DrawFrame(OneBand(0, 60), 2, false);
    Display.DrawFrame(OneBand(0, 59), 2, false); // mark rows 32 and 33; the bar starts at 33
    EXPECT_EQ(Pixel(0, 32), Gradient(33));
    EXPECT_EQ(Pixel(0, 33), Gradient(33)); // the bar's own colour
    Display.DrawFrame(OneBand(0, 58), 2, false); // 92 - 33 = 59 > 58: both rows of the mark
    EXPECT_EQ(Pixel(0, 33), Gradient(33));
    EXPECT_EQ(Pixel(0, 34), Gradient(34));
}

TEST_F(VisBoxTest, StyleSixScrollsDownOneRowPerFrame) {
    TBandOut first{};
    first.fill(92);
    first[1] = 0; // drawn as level 1
    Display.DrawFrame(OneBand(0, 40), 5, false); // the last bar picture
    const QImage bars = Display.BackBuffer.copy();
    Display.DrawFrame(first, 6, false);
    EXPECT_EQ(Pixel(0, 0), kRed);
    EXPECT_EQ(Pixel(9, 0), kBlue);
    for (int y = 1; y < 92; ++y)
        ASSERT_EQ(Pixel(0, y), bars.pixel(0, y - 1)) << y;
    Display.DrawFrame(OneBand(1, 92), 6, false);
    EXPECT_EQ(Pixel(0, 0), kBlue);
    EXPECT_EQ(Pixel(9, 0), kRed);
    EXPECT_EQ(Pixel(0, 1), kRed);
    EXPECT_EQ(Pixel(9, 1), kBlue);
    EXPECT_EQ(Pixel(0, 91), bars.pixel(0, 89));
    EXPECT_EQ(Display.PeakLevel[0], 1.0);
    EXPECT_EQ(Display.PeakLevel[1], 92.0);
}

TEST_F(VisBoxTest, TransparentStyleSixDrawsFiveInterlacedRingsInTheirBoxes) {
    struct Box {
        int band, left, top, right, bottom;
    } boxes[] = {{0, 110, 14, 153, 57}, {4, 87, 35, 130, 78}, {8, 64, 14, 107, 57},
                 {12, 41, 35, 84, 78}, {16, 18, 14, 61, 57}};
    TBandOut bandOut{};
    bandOut[0] = 92;  // red
    bandOut[4] = 0;   // blue
    bandOut[8] = 69;  // yellow, gradient row 23
    bandOut[12] = 24; // cyan, gradient row 68
    bandOut[16] = 46; // green, gradient row 46
    bandOut[1] = bandOut[2] = 80; // not ring bands
    Display.DrawFrame(bandOut, 6, true);
    const QRgb ringColour[] = {kRed, kBlue, Gradient(23), Gradient(68), Gradient(46)};

    for (int y = 0; y < 92; ++y)
        for (int x = 0; x < 171; ++x) {
            if (Pixel(x, y) == kBlack)
                continue;
            bool inABox = false;
            for (const Box& box : boxes)
                inABox |= x >= box.left && x < box.right && y >= box.top && y < box.bottom;
            ASSERT_TRUE(inABox) << x << "," << y;
        }
    for (int i = 0; i < 5; ++i) {
        const Box& box = boxes[i];
        const int middleX = (box.left + box.right) / 2, middleY = (box.top + box.bottom) / 2;
        EXPECT_EQ(Pixel(middleX, box.top + 1), ringColour[i]) << "ring " << i; // outline
        EXPECT_EQ(Pixel(middleX, middleY), kBlack) << "ring " << i;            // no fill
    }
    // The touches lay the previous ring over the next one.
    for (QPoint p : {QPoint(128, 55), QPoint(129, 56)})
        EXPECT_EQ(Pixel(p.x(), p.y()), kRed) << p.x() << "," << p.y();
    for (QPoint p : {QPoint(86, 56), QPoint(87, 56), QPoint(87, 55), QPoint(88, 55)})
        EXPECT_EQ(Pixel(p.x(), p.y()), kBlue) << p.x() << "," << p.y();
    for (QPoint p : {QPoint(82, 55), QPoint(83, 56)})
        EXPECT_EQ(Pixel(p.x(), p.y()), Gradient(23)) << p.x() << "," << p.y();
    for (QPoint p : {QPoint(40, 56), QPoint(41, 56), QPoint(41, 55), QPoint(42, 55)})
        EXPECT_EQ(Pixel(p.x(), p.y()), Gradient(68)) << p.x() << "," << p.y();

    // No clearing and no scrolling between frames: a quieter ring leaves the louder one behind.
    const QRgb before = Pixel(131, 15);
    Display.DrawFrame(TBandOut{}, 6, true);
    EXPECT_EQ(Pixel(131, 15), kBlue);
    EXPECT_NE(before, kBlue);
}

TEST_F(VisBoxTest, ClearPutsTheBlackFrameBackAndFramesReuseTheirBuffer) {
    const uchar* bits = Display.BackBuffer.constBits();
    Display.DrawFrame(OneBand(5, 70), 4, false);
    EXPECT_FALSE(LitRows(45).empty());
    Display.Clear();
    EXPECT_EQ(Display.BackBuffer, Display.BlackFrame);
    for (int style = 1; style <= 6; ++style)
        Display.DrawFrame(OneBand(5, 70), style, style == 6);
    EXPECT_EQ(Display.BackBuffer.constBits(), bits);
}

TEST(SpectrumStyle, NextStyleCyclesAndAFixedSettingFollows) {
    struct Case {
        int style, mode;
        bool transparent;
        TStyleChange expected;
    } cases[] = {
        {1, 1, false, {2, 2, false}}, {5, 5, true, {6, 6, true}}, {5, 5, false, {6, 6, false}},
        {6, 6, true, {1, 1, false}},  {3, 8, false, {4, 8, false}}, {5, 9, true, {6, 9, true}},
        {6, 9, false, {1, 9, false}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NextStyle(c.style, c.mode, c.transparent), c.expected)
            << c.style << " " << c.mode << " " << c.transparent;
}

TEST(SpectrumStyle, ARandomStyleClearsWhenItComesToSixFromBelow) {
    EXPECT_EQ(RandomStyleAtTrackEnd(3, 9, 6), (TStyleChange{6, 9, true}));
    EXPECT_EQ(RandomStyleAtTrackEnd(6, 9, 6), (TStyleChange{6, 9, false}));
    EXPECT_EQ(RandomStyleAtTrackEnd(6, 9, 2), (TStyleChange{2, 9, false}));
}

TEST(SpectrumStyle, VisBoxShowsTheBackBuffer) {
    TSpectrumDisplay display;
    display.DrawFrame(OneBand(7, 60), 2, false);
    TVisBox visBox(display.BackBuffer);
    EXPECT_EQ(visBox.objectName(), "VisBox");
    EXPECT_EQ(visBox.size(), QSize(171, 92));
    visBox.Present();
    const QImage shown = visBox.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, display.BackBuffer);
}
