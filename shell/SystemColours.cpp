#include "shell/SystemColours.h"

#include <QGuiApplication>
#include <QPalette>

namespace tavuro {

namespace {
QColor PaletteColour(QPalette::ColorRole role) {
    return QGuiApplication::palette().color(role);
}
} // namespace

QColor ButtonFaceColour() {
    return PaletteColour(QPalette::Button);
}
QColor DesktopColour() {
    return PaletteColour(QPalette::Dark);
}
QColor ActiveCaptionGradientColour() {
    return PaletteColour(QPalette::Highlight).lighter(150);
}
QColor ActiveBorderColour() {
    return PaletteColour(QPalette::Midlight);
}

QFont ListFont() {
    QFont font;
    font.setFamilies(
        {"SimSun", "宋体", "WenQuanYi Micro Hei", "Noto Sans CJK SC", "Droid Sans Fallback"});
    font.setPixelSize(12);
    return font;
}

} // namespace tavuro
