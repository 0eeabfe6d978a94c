#include "platform/WindowSystem.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace tavuro {

namespace {

// Windows vanish between two calls all the time; a request on a dead window must not end the
// program, so X errors are only counted.
int g_lastXError = 0;
int RecordXError(Display*, XErrorEvent* event) {
    g_lastXError = event->error_code;
    return 0;
}

// How long a close request may take before the window counts as refusing it.
constexpr auto kCloseWait = std::chrono::milliseconds(3000);

class TX11WindowSystem : public TWindowSystem {
public:
    TX11WindowSystem() {
        const char* name = std::getenv("DISPLAY");
        if (name == nullptr || *name == '\0')
            return;
        Connection = XOpenDisplay(name);
        if (Connection == nullptr)
            return;
        static std::once_flag handlerInstalled;
        std::call_once(handlerInstalled, [] { XSetErrorHandler(RecordXError); });
        Root = DefaultRootWindow(Connection);
    }
    ~TX11WindowSystem() override {
        if (Connection != nullptr)
            XCloseDisplay(Connection);
    }

    std::vector<TWindowId> TopLevelWindows() const override {
        if (Connection == nullptr)
            return {};
        std::vector<TWindowId> bottomUp = ReadWindowList(Root, "_NET_CLIENT_LIST_STACKING");
        if (bottomUp.empty())
            bottomUp = MappedRootChildren();
        return {bottomUp.rbegin(), bottomUp.rend()};
    }

    std::string WindowText(TWindowId window) const override {
        if (Connection == nullptr || window == 0)
            return {};
        if (IsDesktop(window))
            return "Program Manager";
        std::string title = ReadUtf8Property(window, "_NET_WM_NAME");
        if (title.empty())
            title = ReadLegacyName(window);
        return title.substr(0, kWindowTextLimit);
    }

    int SendClose(TWindowId window) override {
        if (Connection == nullptr || !Exists(window))
            return 1;
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = InternAtom("WM_PROTOCOLS");
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(InternAtom("WM_DELETE_WINDOW"));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(Connection, window, False, NoEventMask, &event);
        XFlush(Connection);
        auto deadline = std::chrono::steady_clock::now() + kCloseWait;
        while (std::chrono::steady_clock::now() < deadline) {
            if (HasGone(window))
                return 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return 1;
    }

    TWindowId ForegroundWindow() const override {
        if (Connection == nullptr)
            return 0;
        std::vector<TWindowId> active = ReadWindowList(Root, "_NET_ACTIVE_WINDOW");
        if (!active.empty())
            return active.front();
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(Connection, &focus, &revert);
        return focus > PointerRoot ? focus : 0;
    }

private:
    Display* Connection = nullptr;
    Window Root = 0;

    ::Atom InternAtom(const char* name) const { return XInternAtom(Connection, name, False); }

    // Reads a whole property of the given type and format; empty when absent or on an error.
    template <typename TItem>
    std::vector<TItem> ReadProperty(TWindowId window, const char* property, ::Atom type,
                                    int format) const {
        ::Atom actualType = 0;
        int actualFormat = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;
        g_lastXError = 0;
        int status = XGetWindowProperty(Connection, window, InternAtom(property), 0, 1 << 16,
                                        False, type, &actualType, &actualFormat, &count,
                                        &remaining, &data);
        std::vector<TItem> items;
        if (status == Success && g_lastXError == 0 && data != nullptr && actualFormat == format) {
            // Xlib hands format-32 items over as longs, format-8 items as bytes.
            auto* first = reinterpret_cast<const TItem*>(data);
            items.assign(first, first + count);
        }
        if (data != nullptr)
            XFree(data);
        return items;
    }

    std::vector<TWindowId> ReadWindowList(Window window, const char* property) const {
        std::vector<TWindowId> windows;
        for (unsigned long id : ReadProperty<unsigned long>(window, property, XA_WINDOW, 32))
            if (id != 0)
                windows.push_back(id);
        return windows;
    }

    // Without a window manager the top-level windows are the root's mapped children.
    std::vector<TWindowId> MappedRootChildren() const {
        Window rootReturn = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        std::vector<TWindowId> windows;
        if (XQueryTree(Connection, Root, &rootReturn, &parent, &children, &count) == 0)
            return windows;
        for (unsigned int i = 0; i < count; ++i)
            if (IsShown(children[i]))
                windows.push_back(ClientOf(children[i]));
        if (children != nullptr)
            XFree(children);
        return windows;
    }

    // A window manager may wrap each program's window in a frame of its own: the program's
    // window is the one below the frame that carries WM_STATE.
    TWindowId ClientOf(Window window, int depth = 0) const {
        if (!ReadProperty<unsigned long>(window, "WM_STATE", InternAtom("WM_STATE"), 32).empty())
            return window;
        if (depth == 2)
            return 0;
        Window rootReturn = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        TWindowId client = 0;
        if (XQueryTree(Connection, window, &rootReturn, &parent, &children, &count) != 0) {
            for (unsigned int i = 0; i < count && client == 0; ++i)
                client = ClientOf(children[i], depth + 1);
            if (children != nullptr)
                XFree(children);
        }
        return depth == 0 && client == 0 ? window : client;
    }

    bool Exists(TWindowId window) const {
        XWindowAttributes attributes;
        g_lastXError = 0;
        Status status = XGetWindowAttributes(Connection, window, &attributes);
        XSync(Connection, False);
        return status != 0 && g_lastXError == 0;
    }

    // Closed: destroyed, or withdrawn from the desktop's window list. A minimised window is
    // unmapped too, but stays in the list until it really closes.
    bool HasGone(TWindowId window) const {
        if (!Exists(window))
            return true;
        const std::vector<TWindowId> windows = TopLevelWindows();
        return std::find(windows.begin(), windows.end(), window) == windows.end();
    }

    bool IsShown(TWindowId window) const {
        XWindowAttributes attributes;
        g_lastXError = 0;
        Status status = XGetWindowAttributes(Connection, window, &attributes);
        XSync(Connection, False);
        return status != 0 && g_lastXError == 0 && attributes.map_state == IsViewable;
    }

    bool IsDesktop(TWindowId window) const {
        ::Atom desktopType = InternAtom("_NET_WM_WINDOW_TYPE_DESKTOP");
        for (unsigned long type :
             ReadProperty<unsigned long>(window, "_NET_WM_WINDOW_TYPE", XA_ATOM, 32))
            if (type == desktopType)
                return true;
        return false;
    }

    std::string ReadUtf8Property(TWindowId window, const char* property) const {
        std::vector<char> bytes =
            ReadProperty<char>(window, property, InternAtom("UTF8_STRING"), 8);
        return {bytes.begin(), bytes.end()};
    }

    std::string ReadLegacyName(TWindowId window) const {
        char* name = nullptr;
        g_lastXError = 0;
        std::string text;
        if (XFetchName(Connection, window, &name) != 0 && name != nullptr)
            text = name;
        if (name != nullptr)
            XFree(name);
        return text;
    }
};

} // namespace

std::unique_ptr<TWindowSystem> MakeX11WindowSystem() {
    return std::make_unique<TX11WindowSystem>();
}

} // namespace tavuro
