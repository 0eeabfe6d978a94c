// The spectrum display inside the window: one frame per engine tick, and its style.
#include "shell/Main.h"

namespace tavuro {

void TMainForm::DrawSpectrumFrame(TBandOut& bandOut) {
    Spectrum.DrawFrame(bandOut, VisStyle, Transparent);
    VisBox->Present();
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
