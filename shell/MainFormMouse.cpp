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
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress &&
        type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || !widget->isEnabled())
        return false; // a disabled grip hands the mouse to its parent
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)
        NotePress(widget, *mouse);
    if (type == QEvent::MouseButtonPress || widget != PressedWidget)
        return false; // passed up from a child that did not take it
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

// Qt hands a mouse event that a child ignored on to its parents; only the widget that was under
// the pointer at the press acts on it and on the moves and the release that follow, wherever
// the pointer has gone since. Every widget that sees the press notes it, the aimed one first.
void TMainForm::NotePress(QWidget* widget, const QMouseEvent& press) {
    if (press.timestamp() != PressTimestamp) {
        PressTimestamp = press.timestamp();
        PressedWidget = nullptr;
    }
    if (AimedAt(widget, press.position().toPoint()))
        PressedWidget = widget;
}

// A disabled child counts as its parent, and the video picture as the panel beneath it.
bool TMainForm::AimedAt(QWidget* widget, QPoint position) const {
    QWidget* under = widget->childAt(position);
    while (under != nullptr && under != widget && !under->isEnabled())
        under = under->parentWidget();
    return under == nullptr || under == widget;
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

// The list panel, the list and the display panel are anchored to the window's bottom edge.
void TMainForm::StretchToClientHeight() {
    SetListPanelHeight(std::max(1, height() - 36));
    MIDIList->resize(MIDIList->width(), MListPanel->height() - 1);
    VisPanel->resize(VisPanel->width(), height() - 3);
}

// While the window manager sizes the window, the list and the display follow its height; when
// the size has settled the list is fitted to whole rows.
void TMainForm::FollowGripSizing() {
    if (!GripSizing)
        return;
    StretchToClientHeight();
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

// The list lies over the spectrum or the video. Both are native windows (mpv's picture, the
// spectrum's own on X11), which only another native window can cover; the list's siblings stay
// as they are.
void TMainForm::ShowListAboveDisplay() {
    if (!MListPanel->testAttribute(Qt::WA_NativeWindow)) {
        MListPanel->setAttribute(Qt::WA_DontCreateNativeAncestors);
        MListPanel->setAttribute(Qt::WA_NativeWindow);
    }
    MListPanel->raise();
}

void TMainForm::ToggleList() {
    if (!VisPanel->isHidden())
        pnTitle->setVisible(!MListPanel->isHidden());
    MListPanel->setVisible(MListPanel->isHidden());
    if (!MListPanel->isHidden()) {
        ShowListAboveDisplay();
        FocusList();
    }
    DragArmed = false;
}

} // namespace tavuro
