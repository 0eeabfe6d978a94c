#include "desktop/WindowManagerDrag.h"

#include <QGuiApplication>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xlib.h>

namespace tavuro {

namespace {
// _NET_WM_MOVERESIZE directions.
constexpr long kSizeBottom = 5, kMove = 8;
} // namespace

bool StartWindowManagerDrag(QWidget* window, QPoint globalPointer, TDragKind kind) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->display() == nullptr || window->windowHandle() == nullptr ||
        !window->isVisible())
        return false;
    Display* display = x11->display();
    // The window manager can only grab the pointer once the button's implicit grab is gone.
    XUngrabPointer(display, CurrentTime);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = static_cast<Window>(window->winId());
    event.xclient.message_type = XInternAtom(display, "_NET_WM_MOVERESIZE", False);
    event.xclient.format = 32;
    const qreal scale = window->devicePixelRatioF();
    event.xclient.data.l[0] = static_cast<long>(globalPointer.x() * scale);
    event.xclient.data.l[1] = static_cast<long>(globalPointer.y() * scale);
    event.xclient.data.l[2] = kind == TDragKind::dkMove ? kMove : kSizeBottom;
    event.xclient.data.l[3] = Button1;
    event.xclient.data.l[4] = 1; // a normal application
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
    return true;
}

} // namespace tavuro
