#pragma once

// The 19-band spectrum display: each engine tick composes one frame off screen in BackBuffer,
// which the paint box VisBox then shows in one copy.

#include "common/BandOut.h"
#include "platform/FramePresenter.h"

#include <QImage>
#include <QSize>
#include <QWidget>

#include <array>
#include <cstddef>
#include <memory>
#include <vector>

namespace tavuro {

constexpr int kBarWidth = 9;     // every band is 9 pixels wide
constexpr int kMaxBarLevel = 92; // a level of 92 fills the whole height
constexpr QSize kVisBoxDesignSize{171, 92};
constexpr std::size_t kRingCount = 5; // style 6 with the colour key

class TSpectrumDisplay {
public:
    // Makes the four bitmaps, once; BackBuffer starts black.
    explicit TSpectrumDisplay(QSize visBoxSize = kVisBoxDesignSize);

    // Composes one frame for styles 1 to 6. Allocates nothing.
    void DrawFrame(const TBandOut& bandOut, int visStyle, bool transparent);
    // Copies BlackFrame onto BackBuffer.
    void Clear();

    // The bitmaps: RGB32, row 0 at the top. DrawFrame and Clear write BackBuffer only.
    QImage BlackFrame;
    QImage BackBuffer;
    QImage LedBar;      // 9 x 92: lit green rows in pairs, every third row dark
    QImage GradientBar; // 9 x 92: red at the top through yellow, green and cyan to blue

    std::array<double, kBandCount> PeakLevel{}; // where each band's peak mark stands
    std::array<int, kBandCount> PeakHold{};     // frames since each peak was set

private:
    static int StyleSixLevel(std::uint16_t level);
    void DrawScrollingRow(const TBandOut& bandOut);
    void DrawRings(const TBandOut& bandOut);
    void DrawBar(int band, int level, int visStyle);
    void DrawPeak(int band, int level, int visStyle);
    void DrawRing(std::size_t ringIndex, int level, QRgb& previousRingColour);

    QRgb GradientColour(int row) const;
    void FillRect(int left, int top, int right, int bottom, QRgb colour);
    void CopyRows(const QImage& source, int sourceTop, int left, int top, int width, int rows);
    void ShiftDownOneRow();

    std::array<std::vector<QPoint>, kRingCount> RingOutlines; // style 6 with the colour key
};

// What a style change asks of the shell: the new VisStyle and VisMode, and whether BackBuffer is
// to be cleared first.
struct TStyleChange {
    int VisStyle;
    int VisMode;
    bool ClearBackBuffer;
    bool operator==(const TStyleChange&) const = default;
};

// A click on the display: the next style, after 6 comes 1. A fixed setting (VisMode 1 to 6)
// follows the choice; a random one (8 or 9) stays. Rings start on black.
TStyleChange NextStyle(int visStyle, int visMode, bool transparent);
// At a track end with VisMode 9: drawnStyle (1 to 6, from the player's random generator) becomes
// the style; coming to 6 from a lower style starts on black.
TStyleChange RandomStyleAtTrackEnd(int visStyle, int visMode, int drawnStyle);

// The paint box VisBox: shows the display's BackBuffer at (0, 0), one copy per Present.
class TVisBox : public QWidget {
public:
    TVisBox(const QImage& backBuffer, QWidget* parent = nullptr);
    ~TVisBox() override;
    // Shows the new frame: when the box has a native window of its own, straight into it (40
    // frames a second through Qt's painting cost more than the rest of playback), else by
    // scheduling a paint.
    void Present();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QImage& BackBuffer;
    std::unique_ptr<TFramePresenter> Presenter;
    bool PresenterRefused = false; // the window does not take frames straight: Qt paints
};

} // namespace tavuro
