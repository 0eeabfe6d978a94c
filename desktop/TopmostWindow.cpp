#include "desktop/TopmostWindow.h"

#include <QGuiApplication>
#include <QVariant>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xlib.h>

namespace tavuro {

namespace {
constexpr const char* KeptAboveProperty = "tavuroKeptAbove";

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
    window->setProperty(KeptAboveProperty, above);
    // Changing the flag of a created window makes Qt create it again, which would also destroy
    // the video's native child window; the window manager changes the mapped one in place.
    if (window->windowHandle() == nullptr)
        window->setWindowFlag(Qt::WindowStaysOnTopHint, above);
    else if (window->isVisible())
        AskWindowManager(window, above);
}

bool KeptAbove(const QWidget* window) {
    const QVariant kept = window->property(KeptAboveProperty);
    return kept.isValid() ? kept.toBool()
                          : window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

} // namespace tavuro
