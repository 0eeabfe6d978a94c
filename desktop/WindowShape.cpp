#include "desktop/WindowShape.h"

#include <QBitmap>
#include <QPainter>

namespace tavuro {

QRegion NonBlackRegion(const QImage& image) {
    if (image.isNull())
        return {};
    const QImage opaque = image.convertToFormat(QImage::Format_RGB32);
    // A bitmap region covers its cleared bits: here the pixels that are not black.
    const QImage mask = opaque.createMaskFromColor(qRgb(0, 0, 0), Qt::MaskInColor);
    return QRegion(QBitmap::fromImage(mask));
}

QRegion RenderedShape(QWidget* window) {
    QImage image(window->size(), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    image.fill(Qt::black);
    window->render(&image, QPoint(), QRegion(),
                   QWidget::DrawWindowBackground | QWidget::DrawChildren | QWidget::IgnoreMask);
    return NonBlackRegion(image);
}

} // namespace tavuro
