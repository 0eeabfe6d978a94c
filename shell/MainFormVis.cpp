// The spectrum display inside the window: one frame per engine tick, and its style.
#include <QGuiApplication>

#include "shell/Main.h"

namespace tavuro {

void TMainForm::DrawSpectrumFrame(TBandOut& bandOut) {
    Spectrum.DrawFrame(bandOut, VisStyle, Transparent);
    // With the colour key on, the window's shape follows the frame: Qt's painting keeps it.
    if (ColourKey())
        VisBox->update();
    else
        VisBox->Present();
}

// On X11 the spectrum gets a window of its own, which takes its frames straight (see TVisBox).
// The grip strip overlapping its bottom rows gets one too, above it, as it lay above the paint
// box; a list shown over them gets one when it shows.
void TMainForm::GiveDisplayItsOwnWindow() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    for (QWidget* widget : {static_cast<QWidget*>(VisBox), pnResize}) {
        widget->setAttribute(Qt::WA_DontCreateNativeAncestors);
        widget->setAttribute(Qt::WA_NativeWindow);
    }
    pnResize->raise();
}

void TMainForm::NextVisStyle() {
    const TStyleChange change = NextStyle(VisStyle, VisMode, Transparent);
    if (change.ClearBackBuffer)
        Spectrum.Clear();
    VisStyle = change.VisStyle;
    VisMode = change.VisMode;
}

void TMainForm::PickVisStyleAtTrackEnd() {
    const TStyleChange change = RandomStyleAtTrackEnd(VisStyle, VisMode, Random.Below(6) + 1);
    if (change.ClearBackBuffer)
        Spectrum.Clear();
    VisStyle = change.VisStyle;
}

} // namespace tavuro
