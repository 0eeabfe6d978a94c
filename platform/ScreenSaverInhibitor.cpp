#include "platform/ScreenSaverInhibitor.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <cstdlib>

namespace tavuro {

namespace {

class TDesktopScreenSaverInhibitor : public TScreenSaverInhibitor {
public:
    ~TDesktopScreenSaverInhibitor() override { SetInhibited(false); }

    void SetInhibited(bool inhibited) override {
        if (inhibited == IsInhibited)
            return;
        IsInhibited = inhibited;
        if (inhibited)
            Inhibit();
        else
            Release();
    }
    bool Inhibited() const override { return IsInhibited; }

private:
    bool IsInhibited = false;
    unsigned int Cookie = 0;      // from the session bus, 0 when it did not answer
    Display* Connection = nullptr; // the X11 way, held open while suspended

    void Inhibit() {
        QDBusInterface screenSaver("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                   "org.freedesktop.ScreenSaver", QDBusConnection::sessionBus());
        if (screenSaver.isValid()) {
            QDBusReply<unsigned int> reply =
                screenSaver.call("Inhibit", "Tavuro", "A video is playing");
            if (reply.isValid()) {
                Cookie = reply.value();
                return;
            }
        }
        const char* name = std::getenv("DISPLAY");
        if (name == nullptr || *name == '\0')
            return;
        Connection = XOpenDisplay(name);
        int event = 0, error = 0;
        if (Connection != nullptr && XScreenSaverQueryExtension(Connection, &event, &error)) {
            XScreenSaverSuspend(Connection, True);
            XFlush(Connection);
        }
    }

    void Release() {
        if (Cookie != 0) {
            QDBusInterface screenSaver("org.freedesktop.ScreenSaver",
                                       "/org/freedesktop/ScreenSaver",
                                       "org.freedesktop.ScreenSaver", QDBusConnection::sessionBus());
            screenSaver.call("UnInhibit", Cookie);
            Cookie = 0;
        }
        if (Connection != nullptr) {
            XScreenSaverSuspend(Connection, False);
            XCloseDisplay(Connection);
            Connection = nullptr;
        }
    }
};

} // namespace

std::unique_ptr<TScreenSaverInhibitor> MakeDesktopScreenSaverInhibitor() {
    return std::make_unique<TDesktopScreenSaverInhibitor>();
}

} // namespace tavuro
