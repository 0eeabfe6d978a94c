#include "shell/SpeedButton.h"

#include <QPainter>
#include <QPainterPath>

#include "shell/SystemColours.h"

namespace tavuro {

TSpeedButton::TSpeedButton(QWidget* parent, const char* name, TGlyph glyph, const QString& hint)
    : QAbstractButton(parent), Glyph(glyph) {
    setObjectName(name);
    setToolTip(hint);
    setAccessibleName(hint); // a screen reader names the button by its hint
    setFocusPolicy(Qt::NoFocus);
    resize(27, 27);
}

void TSpeedButton::enterEvent(QEnterEvent* event) {
    Hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void TSpeedButton::leaveEvent(QEvent* event) {
    Hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void TSpeedButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (isEnabled() && (Hovered || isDown())) {
        painter.setPen(isDown() ? QColor(40, 40, 40) : ButtonFaceColour());
        painter.drawRect(box);
    }
    DrawGlyph(painter, box.adjusted(7, 7, -7, -7).translated(isDown() ? 1 : 0, isDown() ? 1 : 0));
}

void TSpeedButton::DrawGlyph(QPainter& painter, const QRectF& r) const {
    const QColor ink = isEnabled() ? QColor(0, 255, 0) : QColor(80, 80, 80);
    painter.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    const qreal l = r.left(), t = r.top(), w = r.width(), h = r.height();
    const QPointF c = r.center();
    auto triangle = [&](qreal x0, qreal x1) {
        QPainterPath path;
        path.moveTo(x0, t);
        path.lineTo(x1, c.y());
        path.lineTo(x0, t + h);
        path.closeSubpath();
        painter.fillPath(path, ink);
    };
    switch (Glyph) {
    case TGlyph::glNone:
        break;
    case TGlyph::glPlay:
        triangle(l + w * 0.15, l + w * 0.9);
        break;
    case TGlyph::glNext:
        triangle(l, l + w * 0.7);
        painter.fillRect(QRectF(l + w * 0.75, t, w * 0.2, h), ink);
        break;
    case TGlyph::glAbout:
        painter.drawEllipse(r);
        painter.drawLine(QPointF(c.x(), t + h * 0.45), QPointF(c.x(), t + h * 0.8));
        painter.drawPoint(QPointF(c.x(), t + h * 0.25));
        break;
    case TGlyph::glStop:
        painter.fillRect(r.adjusted(w * 0.1, h * 0.1, -w * 0.1, -h * 0.1), ink);
        break;
    case TGlyph::glLevel:
    case TGlyph::glNormal: {
        const qreal heights[] = {0.4, 0.8, 0.6, 1.0};
        for (int i = 0; i < 4; ++i) {
            const qreal bar = Glyph == TGlyph::glLevel ? heights[i] : 0.25;
            painter.fillRect(QRectF(l + i * w / 4 + 1, t + h * (1 - bar), w / 4 - 2, h * bar), ink);
        }
        break;
    }
    case TGlyph::glOrder:
        painter.drawLine(QPointF(l, c.y()), QPointF(l + w, c.y()));
        painter.drawLine(QPointF(l + w * 0.65, t + h * 0.2), QPointF(l + w, c.y()));
        painter.drawLine(QPointF(l + w * 0.65, t + h * 0.8), QPointF(l + w, c.y()));
        break;
    case TGlyph::glRandom:
        painter.drawLine(QPointF(l, t + h), QPointF(l + w, t));
        painter.drawLine(QPointF(l, t), QPointF(l + w * 0.4, t + h * 0.4));
        painter.drawLine(QPointF(l + w * 0.6, t + h * 0.6), QPointF(l + w, t + h));
        painter.drawLine(QPointF(l + w * 0.6, t), QPointF(l + w, t));
        painter.drawLine(QPointF(l + w, t), QPointF(l + w, t + h * 0.4));
        break;
    case TGlyph::glOpen:
        painter.drawRect(QRectF(l, t + h * 0.3, w, h * 0.7));
        painter.drawLine(QPointF(c.x(), t + h * 0.85), QPointF(c.x(), t - h * 0.1));
        painter.drawLine(QPointF(c.x() - w * 0.25, t + h * 0.15), QPointF(c.x(), t - h * 0.1));
        painter.drawLine(QPointF(c.x() + w * 0.25, t + h * 0.15), QPointF(c.x(), t - h * 0.1));
        break;
    case TGlyph::glMinimise:
        painter.drawLine(QPointF(l, t + h * 0.9), QPointF(l + w, t + h * 0.9));
        break;
    case TGlyph::glPower:
        painter.drawArc(r, 120 * 16, -300 * 16);
        painter.drawLine(QPointF(c.x(), t - h * 0.1), QPointF(c.x(), c.y()));
        break;
    }
}

TGauge::TGauge(QWidget* parent, const char* name) : QWidget(parent) {
    setObjectName(name);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TGauge::SetProgress(int progress) {
    Progress = progress;
    update();
}

void TGauge::SetMaxValue(int maxValue) {
    MaxValue = maxValue;
    update();
}

void TGauge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), BackColor);
    if (MaxValue > 0 && Progress > 0) {
        const int filled = static_cast<int>(static_cast<long long>(width()) *
                                            std::min(Progress, MaxValue) / MaxValue);
        painter.fillRect(QRect(0, 0, filled, height()), ForeColor);
    }
}

} // namespace tavuro
