#pragma once

#include <QImage>
#include <QRegion>
#include <QWidget>

namespace tavuro {

// The colour key on a desktop without layered windows: the window is shaped to its non-black
// pixels, so black is both see-through and click-through.

// The pixels of the image that are not pure black (RGB 0,0,0), as a region.
QRegion NonBlackRegion(const QImage& image);

// What the window shows now, masks ignored, as the region of its non-black pixels.
QRegion RenderedShape(QWidget* window);

} // namespace tavuro
