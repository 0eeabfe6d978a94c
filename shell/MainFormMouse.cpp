// The mouse on the window: moving and sizing by dragging, the list toggle, stay-on-top and the
// hover grips. The window manager carries out moves and sizes; a platform without one (tests)
// keeps only the state.
#include <QMouseEvent>

#include "desktop/WindowManagerDrag.h"
#include "shell/Main.h"

namespace tavuro {

namespace {
// How long the window's size must stay still before a grip sizing counts as ended.
constexpr int kSizingSettleMs = 300;
} // namespace

bool TMainForm::HandleMouse(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || !widget->isEnabled())
        return false; // a disabled grip hands the mouse to its parent
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const bool moveGrip =
        widget == Panel1 || widget == Label4 || widget == Label5 || widget == pnBottom;
    const bool sizeGrip = widget == lbResize || widget == pnResize;
    const bool visArea = widget == VisPanel || widget == VisBox || widget == pnTitle ||
                         widget == lbTitle || widget == lbTime;
    switch (type) {
    case QEvent::MouseMove:
        if (!(mouse->buttons() & Qt::LeftButton))
            return false;
        if (PanelSizing && widget == lbResize) {
            FollowPanelSizing(mouse->globalPosition().toPoint());
        } else if (moveGrip || sizeGrip) {
            if (!DragArmed)
                DragArmed = true;
            else if (moveGrip)
                DragMove(mouse->globalPosition().toPoint());
            else
                DragSize(mouse->globalPosition().toPoint());
        }
        // A drag on the progress bar or the display neither moves the window nor seeks.
        return moveGrip || sizeGrip || visArea || widget == lbProgress;
    case QEvent::MouseButtonDblClick:
        if (mouse->button() != Qt::LeftButton)
            return false;
        if (widget == Label4) {
            PowerClick();
            return true;
        }
        if (widget == Panel1 || widget == pnResize || widget == pnBottom || widget == lbResize) {
            if (GaugeAtTopEdge() && !StripMode())
                ToggleList();
            return true;
        }
        return false;
    default: // button up
        if (PanelSizing && mouse->button() == Qt::LeftButton) {
            PanelSizing = false;
            FitListHeight();
            return true;
        }
        if (mouse->button() == Qt::RightButton) {
            if (moveGrip) {
                ToggleStayOnTop();
                return true;
            }
            if (widget == Label3) {
                Timer1->stop();
                StopAll();
                ShowIdleState();
                return true;
            }
        } else if (mouse->button() == Qt::LeftButton) {
            if (widget == Label3) {
                NextClick();
                return true;
            }
            if (visArea) {
                NextVisStyle();
                return true;
            }
        }
        return false;
    }
}

void TMainForm::DragMove(QPoint globalPointer) {
    StartWindowManagerDrag(this, globalPointer, TDragKind::dkMove);
    WindowCentred = false;
    GeometryChanged = true;
}

void TMainForm::DragSize(QPoint globalPointer) {
    if (VideoLayoutShown()) {
        // The list panel inside the video is sized here, as the pointer goes, until the button
        // comes up.
        PanelSizing = true;
    } else if (StartWindowManagerDrag(this, globalPointer, TDragKind::dkSizeBottom)) {
        GripSizing = true; // the list is fitted once the size settles
    } else {
        FitListHeight();
    }
    WindowCentred = false;
    GeometryChanged = true;
}

void TMainForm::FollowPanelSizing(QPoint globalPointer) {
    const int bottom = MListPanel->mapFromGlobal(globalPointer).y();
    SetListPanelHeight(std::clamp(bottom, 13, height() - MListPanel->y()));
    MIDIList->resize(MIDIList->width(), MListPanel->height() - 1);
}

// While the window manager sizes the window, the list and the display follow its height; when
// the size has settled the list is fitted to whole rows.
void TMainForm::FollowGripSizing() {
    if (!GripSizing)
        return;
    SetListPanelHeight(std::max(1, height() - 36));
    MIDIList->resize(MIDIList->width(), MListPanel->height() - 1);
    if (!VisPanel->isHidden())
        VisPanel->resize(VisPanel->width(), height() - 3);
    if (!SizingSettled) {
        SizingSettled = new QTimer(this);
        SizingSettled->setSingleShot(true);
        connect(SizingSettled, &QTimer::timeout, this, [this] {
            GripSizing = false;
            FitListHeight();
        });
    }
    SizingSettled->start(kSizingSettleMs);
}

void TMainForm::ToggleStayOnTop() {
    StayOnTop = !StayOnTop;
    if (StayOnTop) {
        if (VideoLayoutShown() && height() > 150)
            EnterVideoOrSpectrumLayout();
        RestoreTopmost();
    } else {
        if (VideoLayoutShown() && height() == 150)
            EnterVideoOrSpectrumLayout();
        DropTopmost();
    }
}

void TMainForm::ToggleList() {
    if (!VisPanel->isHidden())
        pnTitle->setVisible(!MListPanel->isHidden());
    MListPanel->setVisible(MListPanel->isHidden());
    if (!MListPanel->isHidden())
        FocusList();
    DragArmed = false;
}

} // namespace tavuro
