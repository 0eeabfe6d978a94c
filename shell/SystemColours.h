#pragma once

#include <QColor>
#include <QFont>

namespace tavuro {

// The desktop's system colours the window is drawn in, taken from the application palette in
// this one place.
QColor ButtonFaceColour();
QColor DesktopColour();
QColor ActiveCaptionGradientColour();
QColor ActiveBorderColour();

// The window's 12-pixel CJK font ("宋体" where it exists).
QFont ListFont();

} // namespace tavuro
