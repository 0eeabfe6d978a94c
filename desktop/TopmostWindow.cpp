#include "desktop/TopmostWindow.h"

#include <QGuiApplication>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xlib.h>

namespace tavuro {

namespace {
// A mapped window's state belongs to the window manager: it is asked by a client message to the
// root window (_NET_WM_STATE, 1 adds and 0 removes, source 1 = an application).
void AskWindowManager(QWidget* window, bool above) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->display() == nullptr)
        return;
    Display* display = x11->display();
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = static_cast<Window>(window->winId());
    event.xclient.message_type = XInternAtom(display, "_NET_WM_STATE", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = above ? 1 : 0;
    event.xclient.data.l[1] = static_cast<long>(XInternAtom(display, "_NET_WM_STATE_ABOVE", False));
    event.xclient.data.l[3] = 1;
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
}
} // namespace

void SetKeptAbove(QWidget* window, bool above) {
    // QWidget::setWindowFlag would hide and re-create a shown window. The platform window keeps
    // the flag for its next mapping, and the window manager changes the mapped one in place.
    if (QWindow* handle = window->windowHandle()) {
        handle->setFlag(Qt::WindowStaysOnTopHint, above);
        if (handle->isVisible())
            AskWindowManager(window, above);
    } else {
        window->setWindowFlag(Qt::WindowStaysOnTopHint, above);
    }
}

bool KeptAbove(const QWidget* window) {
    if (const QWindow* handle = window->windowHandle())
        return handle->flags().testFlag(Qt::WindowStaysOnTopHint);
    return window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

} // namespace tavuro
