#pragma once

#include <QAbstractButton>

namespace tavuro {

enum class TGlyph {
    glNone,
    glPlay,
    glNext,
    glAbout,
    glStop,
    glLevel,
    glNormal,
    glOrder,
    glRandom,
    glOpen,
    glMinimise,
    glPower
};

// A flat 27 x 27 button with a glyph drawn in code; greyed while disabled, raised under the
// mouse, sunken while pressed.
class TSpeedButton : public QAbstractButton {
public:
    TSpeedButton(QWidget* parent, const char* name, TGlyph glyph, const QString& hint);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void DrawGlyph(QPainter& painter, const QRectF& box) const;
    TGlyph Glyph;
    bool Hovered = false;
};

// A one-pixel progress line: the filled part in the fore colour over the back colour.
class TGauge : public QWidget {
public:
    TGauge(QWidget* parent, const char* name);
    int MaxValue = 100;
    int Progress = 0;
    QColor BackColor, ForeColor;
    void SetProgress(int progress);
    void SetMaxValue(int maxValue);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tavuro
