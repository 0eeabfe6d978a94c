// The window on the desktop: the topmost state, the colour key, the foreground test, the
// transparency toggle and the reactions to activation and to system setting changes.
#include <QEvent>
#include <QStyle>

#include "desktop/TopmostWindow.h"
#include "desktop/WindowShape.h"
#include "shell/Main.h"

namespace tavuro {

namespace {
// Shape updates follow repaints at most this often; the spectrum repaints every 25 ms.
constexpr int kColourKeyIntervalMs = 200;
} // namespace

void TMainForm::DropTopmost() {
    SetKeptAbove(this, false);
}

void TMainForm::RestoreTopmost() {
    SetKeptAbove(this, true);
}

bool TMainForm::Topmost() const {
    return KeptAbove(this);
}

void TMainForm::SetColourKey(bool on) {
    ColourKeyOn = on;
    if (on) {
        RefreshColourKey();
    } else {
        ColourKeyTimer->stop();
        clearMask();
    }
}

void TMainForm::RefreshColourKey() {
    if (!ColourKeyOn || width() <= 0 || height() <= 0)
        return;
    QRegion shape = RenderedShape(this);
    // An empty mask would show the whole window; one pixel keeps an all-black window keyed.
    if (shape.isEmpty())
        shape = QRegion(0, 0, 1, 1);
    if (shape != mask()) // setting the same mask again would repaint and come back here
        setMask(shape);
}

bool TMainForm::event(QEvent* event) {
    if (event->type() == QEvent::UpdateRequest && ColourKeyOn && !ColourKeyTimer->isActive())
        ColourKeyTimer->start(kColourKeyIntervalMs);
    return QWidget::event(event);
}

bool TMainForm::ForegroundTest() const {
    if (Services.WindowSystem == nullptr)
        return true; // no desktop to ask: nobody else can lose the focus
    const TWindowId front = Services.WindowSystem->ForegroundWindow();
    if (front != 0 && front == internalWinId())
        return true;
    const std::string text = Services.WindowSystem->WindowText(front);
    return text.empty() || text == "Program Manager" || text == "ActiveMovie Window";
}

void TMainForm::ToggleTransparency() {
    if (!IsNTPlatform || StripMode() || VideoLayoutShown())
        return;
    Transparent = !Transparent;
    if (!GaugeAtTopEdge()) {
        Gauge1->BackColor = Transparent ? QColor(96, 96, 96) : QColor(Qt::black);
        Gauge2->ForeColor = Gauge1->BackColor;
        Gauge1->update();
        Gauge2->update();
    } else if (Transparent && !MListPanel->isHidden()) {
        MListPanel->hide();
        pnTitle->show();
    }
    if (VisStyle == 6)
        Spectrum.Clear();
    Label3->setVisible(Transparent && !VisPanel->isHidden());
    Label4->setVisible(!Label3->isHidden());
    Label5->setVisible(Transparent);
    SetColourKey(Transparent);
}

// Another program handed the desktop back to the player.
void TMainForm::ApplicationActivate() {
    if (MListPanel->isEnabled() && !MListPanel->isHidden() && ForegroundTest())
        FocusList();
    if (!StayOnTop) {
        RestoreTopmost();
        DropTopmost();
    }
}

// The desktop's scroll bars changed width: the title column leaves them room.
void TMainForm::SettingChange() {
    int scrollBarWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (scrollBarWidth == TitleColumnMaxWidth - TitleColumnMinWidth)
        return;
    if (scrollBarWidth < 18)
        scrollBarWidth = 17;
    TitleColumnMinWidth = TitleColumnMaxWidth - scrollBarWidth;
    if (Playlist->Count() > 5)
        SetTitleColumnWidth(TitleColumnMinWidth);
}

} // namespace tavuro
