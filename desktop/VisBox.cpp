#include "desktop/VisBox.h"

#include "common/Rounding.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cstring>

namespace tavuro {

namespace {

// A ring of style 6 with the colour key on: its bounding box (right and bottom edges outside) and
// the touch that lays the previous ring over this one where they cross.
struct TRing {
    int Left, Top, Right, Bottom;
    enum { tkNone, tkSquare, tkStep } Touch;
    int TouchX, TouchY; // square: its top-left corner; step: where the step starts
};

constexpr QRgb kLedColour = qRgb(136, 226, 23);
constexpr QRgb kBlack = qRgb(0, 0, 0);
constexpr QRgb kSolidBarColour = qRgb(0, 176, 32); // style 3
constexpr QRgb kBluePeakColour = qRgb(0, 0, 255);  // style 3

constexpr int kGradientStep = 7;

// Segments of two lit rows and one dark row, counted from the top.
bool IsDarkLedRow(int y) {
    return (y + 1) % 3 == 0;
}

QImage MakeLedBar() {
    QImage bar(kBarWidth, kMaxBarLevel, QImage::Format_RGB32);
    for (int y = 0; y < kMaxBarLevel; ++y)
        std::fill_n(reinterpret_cast<QRgb*>(bar.scanLine(y)), kBarWidth,
                    IsDarkLedRow(y) ? kBlack : kLedColour);
    return bar;
}

// Red at the top, then yellow, green, cyan and blue at the bottom, in steps of 7.
QImage MakeGradientBar() {
    QImage bar(kBarWidth, kMaxBarLevel, QImage::Format_RGB32);
    int r = 255, g = 95, b = 95;
    for (int y = 0; y < kMaxBarLevel; ++y) {
        if (y >= 1 && y <= 23)
            g += kGradientStep;
        else if (y >= 24 && y <= 45)
            r -= kGradientStep;
        else if (y == 46) {
            r -= kGradientStep;
            b += kGradientStep;
        } else if (y >= 47 && y <= 68)
            b += kGradientStep;
        else if (y >= 69)
            g -= kGradientStep;
        r = std::max(r, 95);
        g = std::clamp(g, 95, 255);
        b = std::min(b, 255);
        std::fill_n(reinterpret_cast<QRgb*>(bar.scanLine(y)), kBarWidth, qRgb(r, g, b));
    }
    return bar;
}

// The pixels of a ring's outline, 2 pixels wide and not antialiased, worked out once so that a
// frame only colours them.
std::vector<QPoint> RingOutline(const TRing& ring, QSize visBoxSize) {
    QImage mask(visBoxSize, QImage::Format_RGB32);
    mask.fill(kBlack);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(Qt::white, 2));
        painter.setBrush(Qt::NoBrush);
        // The outline is centred on the path: inset it so that it stays in the box.
        painter.drawEllipse(QRectF(ring.Left + 1, ring.Top + 1, ring.Right - ring.Left - 2,
                                   ring.Bottom - ring.Top - 2));
    }
    std::vector<QPoint> outline;
    for (int y = 0; y < mask.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        for (int x = 0; x < mask.width(); ++x)
            if (row[x] != kBlack)
                outline.emplace_back(x, y);
    }
    return outline;
}

QImage MakeBlackImage(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kBlack);
    return image;
}

// For bands 1, 5, 9, 13 and 17.
constexpr TRing kRings[] = {
    {110, 14, 153, 57, TRing::tkNone, 0, 0},  {87, 35, 130, 78, TRing::tkSquare, 128, 55},
    {64, 14, 107, 57, TRing::tkStep, 86, 56}, {41, 35, 84, 78, TRing::tkSquare, 82, 55},
    {18, 14, 61, 57, TRing::tkStep, 40, 56},
};
static_assert(std::size(kRings) == kRingCount);

} // namespace

TSpectrumDisplay::TSpectrumDisplay(QSize visBoxSize)
    : BlackFrame(MakeBlackImage(visBoxSize)), BackBuffer(MakeBlackImage(visBoxSize)),
      LedBar(MakeLedBar()), GradientBar(MakeGradientBar()) {}

void TSpectrumDisplay::Clear() {
    std::memcpy(BackBuffer.bits(), BlackFrame.constBits(), BackBuffer.sizeInBytes());
}

void TSpectrumDisplay::DrawFrame(const TBandOut& bandOut, int visStyle, bool transparent) {
    if (visStyle != 6) {
        Clear();
        for (int band = 0; band < static_cast<int>(kBandCount); ++band) {
            const int level = std::min<int>(bandOut[band], kMaxBarLevel);
            if (level > 0)
                DrawBar(band, level, visStyle);
            DrawPeak(band, level, visStyle);
        }
        return;
    }
    if (transparent)
        DrawRings(bandOut);
    else
        DrawScrollingRow(bandOut);
    // Style 6 shows no peaks; they start from this picture when another style follows.
    for (std::size_t band = 0; band < kBandCount; ++band)
        PeakLevel[band] = StyleSixLevel(bandOut[band]);
}

// Style 6 never shows a band as silent.
int TSpectrumDisplay::StyleSixLevel(std::uint16_t level) {
    return std::clamp<int>(level, 1, kMaxBarLevel);
}

// Style 6 without the colour key: a time-frequency picture, the newest row on top.
void TSpectrumDisplay::DrawScrollingRow(const TBandOut& bandOut) {
    ShiftDownOneRow();
    for (int band = 0; band < static_cast<int>(kBandCount); ++band) {
        const int x0 = band * kBarWidth;
        FillRect(x0, 0, x0 + kBarWidth, 1,
                 GradientColour(kMaxBarLevel - StyleSixLevel(bandOut[band])));
    }
}

// Style 6 with the colour key: five rings for bands 1, 5, 9, 13 and 17, drawn over the last
// frame; black stays see-through.
void TSpectrumDisplay::DrawRings(const TBandOut& bandOut) {
    if (RingOutlines.front().empty()) // worked out when rings are first drawn, not at start
        for (std::size_t ring = 0; ring < kRingCount; ++ring)
            RingOutlines[ring] = RingOutline(kRings[ring], BackBuffer.size());
    QRgb previousRingColour = kBlack;
    for (std::size_t ring = 0; ring < kRingCount; ++ring)
        DrawRing(ring, StyleSixLevel(bandOut[ring * 4]), previousRingColour);
}

void TSpectrumDisplay::DrawBar(int band, int level, int visStyle) {
    const int x0 = band * kBarWidth;
    const int top = kMaxBarLevel - level;
    switch (visStyle) {
    case 1: {
        // A level that would end on a lone lit row starts one row lower.
        const int ledTop = top + ((level - 1) % 3 == 0 ? 1 : 0);
        CopyRows(LedBar, ledTop, x0, ledTop, kBarWidth - 1, kMaxBarLevel - ledTop);
        break;
    }
    case 2: // the colours are tied to the height
        CopyRows(GradientBar, top, x0, top, kBarWidth, level);
        break;
    case 3:
        FillRect(x0, top, x0 + kBarWidth - 1, kMaxBarLevel, kSolidBarColour);
        break;
    case 4: // the whole bar takes the colour of its top
        FillRect(x0, top, x0 + kBarWidth, kMaxBarLevel, GradientColour(top));
        break;
    case 5: // every bar starts red at its own top
        CopyRows(GradientBar, 0, x0, top, kBarWidth, level);
        break;
    }
}

void TSpectrumDisplay::DrawPeak(int band, int level, int visStyle) {
    double& peakLevel = PeakLevel[band];
    int& peakHold = PeakHold[band];
    const int peak = static_cast<int>(RoundHalfEven(peakLevel));
    if (level >= peak) {
        peakLevel = level;
        peakHold = 0;
        return;
    }
    if (peak <= 0)
        return;

    int y = kMaxBarLevel - peak;
    if (visStyle == 1) {
        // Keep both rows of the mark on lit LED rows.
        if (IsDarkLedRow(y))
            --y;
        else if (y % 3 == 0)
            ++y;
        y = std::max(y, 0);
    } else if (visStyle == 2) {
        ++y;
    } else if (y == 0) {
        y = 1;
    }

    QRgb colour = kLedColour;
    switch (visStyle) {
    case 2:
        colour = GradientColour(y == 1 ? 0 : y);
        break;
    case 3:
        colour = kBluePeakColour;
        break;
    case 4:
        colour = GradientColour(y == 1 ? 0 : y + 1);
        break;
    case 5:
        colour = GradientColour(y == 1 ? kMaxBarLevel - 1 : kMaxBarLevel - 1 - y);
        break;
    }
    const int x0 = band * kBarWidth;
    const int x1 = x0 + (visStyle == 1 || visStyle == 3 ? kBarWidth - 1 : kBarWidth);

    // A style 2 peak is shown for 21 frames, then only followed.
    if (!(visStyle == 2 && peakHold > 20)) {
        if (visStyle != 2 || kMaxBarLevel - y > level)
            FillRect(x0, y, x1, y + 1, colour);
        FillRect(x0, y - 1, x1, y, colour);
    }

    if (visStyle == 2) {
        if (peakHold >= 20)
            peakLevel = level;
        ++peakHold;
        return;
    }
    // Held for about 9 frames, then falling 0.3, 0.6, 0.9 ... levels per frame.
    if (peakHold >= 8)
        peakLevel -= (peakHold - 8) * 0.3;
    if (peakLevel < 0)
        peakLevel = 0;
    else
        ++peakHold;
}

void TSpectrumDisplay::DrawRing(std::size_t ringIndex, int level, QRgb& previousRingColour) {
    const TRing& ring = kRings[ringIndex];
    const QRgb colour = GradientColour(kMaxBarLevel - level);
    for (const QPoint& pixel : RingOutlines[ringIndex]) // inside BackBuffer by construction
        reinterpret_cast<QRgb*>(BackBuffer.scanLine(pixel.y()))[pixel.x()] = colour;
    switch (ring.Touch) {
    case TRing::tkNone:
        break;
    case TRing::tkSquare:
        FillRect(ring.TouchX, ring.TouchY, ring.TouchX + 2, ring.TouchY + 2, previousRingColour);
        break;
    case TRing::tkStep: // (x,y) -> (x+1,y) -> (x+1,y-1) -> (x+3,y-1), the last point left out
        FillRect(ring.TouchX, ring.TouchY, ring.TouchX + 2, ring.TouchY + 1, previousRingColour);
        FillRect(ring.TouchX + 1, ring.TouchY - 1, ring.TouchX + 3, ring.TouchY,
                 previousRingColour);
        break;
    }
    previousRingColour = colour;
}

// Rows beyond the bar read as its last row rather than past its end.
QRgb TSpectrumDisplay::GradientColour(int row) const {
    row = std::clamp(row, 0, kMaxBarLevel - 1);
    return reinterpret_cast<const QRgb*>(GradientBar.constScanLine(row))[0];
}

// Fills left <= x < right, top <= y < bottom, clipped to BackBuffer.
void TSpectrumDisplay::FillRect(int left, int top, int right, int bottom, QRgb colour) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, BackBuffer.width());
    bottom = std::min(bottom, BackBuffer.height());
    for (int y = top; y < bottom; ++y)
        if (left < right)
            std::fill(reinterpret_cast<QRgb*>(BackBuffer.scanLine(y)) + left,
                      reinterpret_cast<QRgb*>(BackBuffer.scanLine(y)) + right, colour);
}

// Copies rows of a bar bitmap into BackBuffer, clipped to both.
void TSpectrumDisplay::CopyRows(const QImage& source, int sourceTop, int left, int top, int width,
                                int rows) {
    width = std::min({width, source.width(), BackBuffer.width() - left});
    rows = std::min({rows, source.height() - sourceTop, BackBuffer.height() - top});
    if (width <= 0 || left < 0 || sourceTop < 0 || top < 0)
        return;
    for (int row = 0; row < rows; ++row)
        std::memcpy(reinterpret_cast<QRgb*>(BackBuffer.scanLine(top + row)) + left,
                    source.constScanLine(sourceTop + row), width * sizeof(QRgb));
}

// The scrolling picture of style 6: every row moves one down, the bottom row drops out.
void TSpectrumDisplay::ShiftDownOneRow() {
    if (BackBuffer.height() < 2)
        return;
    const qsizetype rowBytes = BackBuffer.bytesPerLine();
    uchar* bits = BackBuffer.bits();
    std::memmove(bits + rowBytes, bits, rowBytes * (BackBuffer.height() - 1));
}

TStyleChange NextStyle(int visStyle, int visMode, bool transparent) {
    const int next = visStyle >= 6 ? 1 : visStyle + 1;
    return {next, visMode < 7 ? next : visMode, transparent && next == 6};
}

TStyleChange RandomStyleAtTrackEnd(int visStyle, int visMode, int drawnStyle) {
    return {drawnStyle, visMode, visStyle < 6 && drawnStyle == 6};
}

TVisBox::TVisBox(const QImage& backBuffer, QWidget* parent)
    : QWidget(parent), BackBuffer(backBuffer) {
    setObjectName("VisBox");
    setAttribute(Qt::WA_OpaquePaintEvent); // the frame covers the box: nothing to erase first
    resize(backBuffer.size());
}

TVisBox::~TVisBox() = default;

void TVisBox::Present() {
    if (!Presenter && !PresenterRefused && internalWinId() != 0) {
        Presenter = MakeFramePresenter(internalWinId(), BackBuffer.size());
        PresenterRefused = !Presenter;
    }
    if (Presenter && isVisible())
        Presenter->Present(BackBuffer);
    else
        update();
}

void TVisBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, BackBuffer);
}

} // namespace tavuro
