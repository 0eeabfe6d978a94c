#include "platform/WindowSystem.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <thread>

namespace tavuro {

namespace {

// How long a close request may take before the window counts as refusing it.
constexpr auto kCloseWait = std::chrono::milliseconds(3000);

// A reply of xcb, freed with the object.
template <typename TReply> struct TReplyPtr {
    TReply* Reply;
    explicit TReplyPtr(TReply* reply) : Reply(reply) {}
    ~TReplyPtr() { std::free(Reply); }
    TReplyPtr(const TReplyPtr&) = delete;
    TReplyPtr& operator=(const TReplyPtr&) = delete;
    TReply* operator->() const { return Reply; }
    explicit operator bool() const { return Reply != nullptr; }
};

// Windows vanish between two calls all the time. Over xcb a request on a dead window answers
// with an error reply of its own: no process-wide error handler is involved, so none that a
// library installs or resets (libmpv resets Xlib's when a clip ends) can end the program.
class TX11WindowSystem : public TWindowSystem {
public:
    ~TX11WindowSystem() override {
        if (Connection != nullptr)
            xcb_disconnect(Connection);
    }

    std::vector<TWindowId> TopLevelWindows() const override {
        if (!Connected())
            return {};
        std::vector<TWindowId> bottomUp = ReadWindowList(Root, "_NET_CLIENT_LIST_STACKING");
        if (bottomUp.empty())
            bottomUp = MappedRootChildren();
        return {bottomUp.rbegin(), bottomUp.rend()};
    }

    std::string WindowText(TWindowId window) const override {
        if (window == 0 || !Connected())
            return {};
        if (IsDesktop(window))
            return "Program Manager";
        std::string title = ReadText(window, "_NET_WM_NAME", Atom("UTF8_STRING"));
        if (title.empty())
            title = ReadText(window, "WM_NAME", XCB_GET_PROPERTY_TYPE_ANY);
        return title.substr(0, kWindowTextLimit);
    }

    int SendClose(TWindowId window) override {
        if (!Connected() || !Exists(window))
            return 1;
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.window = static_cast<xcb_window_t>(window);
        event.type = Atom("WM_PROTOCOLS");
        event.format = 32;
        event.data.data32[0] = Atom("WM_DELETE_WINDOW");
        event.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(Connection, 0, event.window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(Connection);
        auto deadline = std::chrono::steady_clock::now() + kCloseWait;
        while (std::chrono::steady_clock::now() < deadline) {
            if (HasGone(window))
                return 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return 1;
    }

    TWindowId ForegroundWindow() const override {
        if (!Connected())
            return 0;
        std::vector<TWindowId> active = ReadWindowList(Root, "_NET_ACTIVE_WINDOW");
        if (!active.empty())
            return active.front();
        TReplyPtr focus(
            xcb_get_input_focus_reply(Connection, xcb_get_input_focus(Connection), nullptr));
        return focus && focus->focus > XCB_INPUT_FOCUS_POINTER_ROOT ? focus->focus : 0;
    }

private:
    // Connected at the first question, not at the start: a start that plays at once should not
    // wait for a second connection to the X server.
    mutable bool ConnectTried = false;
    mutable xcb_connection_t* Connection = nullptr;
    mutable xcb_window_t Root = 0;

    bool Connected() const {
        if (!ConnectTried) {
            ConnectTried = true;
            Connect();
        }
        return Connection != nullptr;
    }

    void Connect() const {
        const char* name = std::getenv("DISPLAY");
        if (name == nullptr || *name == '\0')
            return;
        int screenNumber = 0;
        Connection = xcb_connect(name, &screenNumber);
        if (xcb_connection_has_error(Connection)) {
            xcb_disconnect(Connection);
            Connection = nullptr;
            return;
        }
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(Connection));
        for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
            xcb_screen_next(&screens);
        Root = screens.data->root;
    }
    mutable std::map<std::string, xcb_atom_t> Atoms;

    xcb_atom_t Atom(const char* name) const {
        auto known = Atoms.find(name);
        if (known != Atoms.end())
            return known->second;
        TReplyPtr reply(xcb_intern_atom_reply(
            Connection,
            xcb_intern_atom(Connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr));
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        Atoms.emplace(name, atom);
        return atom;
    }

    // Reads a whole property of the given type and format; empty when absent or on an error.
    template <typename TItem>
    std::vector<TItem> ReadProperty(TWindowId window, const char* property, xcb_atom_t type,
                                    int format) const {
        TReplyPtr reply(xcb_get_property_reply(Connection,
                                               xcb_get_property(Connection, 0,
                                                                static_cast<xcb_window_t>(window),
                                                                Atom(property), type, 0, 1 << 16),
                                               nullptr));
        std::vector<TItem> items;
        if (!reply || reply->format != format)
            return items;
        auto* first = static_cast<const TItem*>(xcb_get_property_value(reply.Reply));
        const int bytes = xcb_get_property_value_length(reply.Reply);
        items.assign(first, first + bytes / static_cast<int>(sizeof(TItem)));
        return items;
    }

    std::vector<TWindowId> ReadWindowList(xcb_window_t window, const char* property) const {
        std::vector<TWindowId> windows;
        for (std::uint32_t id : ReadProperty<std::uint32_t>(window, property, XCB_ATOM_WINDOW, 32))
            if (id != 0)
                windows.push_back(id);
        return windows;
    }

    std::vector<xcb_window_t> Children(xcb_window_t window) const {
        TReplyPtr tree(
            xcb_query_tree_reply(Connection, xcb_query_tree(Connection, window), nullptr));
        if (!tree)
            return {};
        const int count = xcb_query_tree_children_length(tree.Reply);
        std::vector<xcb_window_t> children(static_cast<std::size_t>(std::max(count, 0)));
        std::copy_n(xcb_query_tree_children(tree.Reply), children.size(), children.begin());
        return children;
    }

    // Without a window manager the top-level windows are the root's mapped children.
    std::vector<TWindowId> MappedRootChildren() const {
        std::vector<TWindowId> windows;
        for (xcb_window_t child : Children(Root))
            if (IsShown(child))
                windows.push_back(ClientOf(child));
        return windows;
    }

    // A window manager may wrap each program's window in a frame of its own: the program's
    // window is the one below the frame that carries WM_STATE.
    TWindowId ClientOf(xcb_window_t window, int depth = 0) const {
        if (!ReadProperty<std::uint32_t>(window, "WM_STATE", Atom("WM_STATE"), 32).empty())
            return window;
        if (depth == 2)
            return 0;
        TWindowId client = 0;
        for (xcb_window_t child : Children(window))
            if (client == 0)
                client = ClientOf(child, depth + 1);
        return depth == 0 && client == 0 ? window : client;
    }

    TReplyPtr<xcb_get_window_attributes_reply_t> Attributes(TWindowId window) const {
        return TReplyPtr(xcb_get_window_attributes_reply(
            Connection, xcb_get_window_attributes(Connection, static_cast<xcb_window_t>(window)),
            nullptr));
    }

    bool Exists(TWindowId window) const { return static_cast<bool>(Attributes(window)); }

    // Closed: destroyed, or withdrawn from the desktop's window list. A minimised window is
    // unmapped too, but stays in the list until it really closes.
    bool HasGone(TWindowId window) const {
        if (!Exists(window))
            return true;
        const std::vector<TWindowId> windows = TopLevelWindows();
        return std::find(windows.begin(), windows.end(), window) == windows.end();
    }

    bool IsShown(TWindowId window) const {
        auto attributes = Attributes(window);
        return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    }

    bool IsDesktop(TWindowId window) const {
        const xcb_atom_t desktopType = Atom("_NET_WM_WINDOW_TYPE_DESKTOP");
        for (std::uint32_t type :
             ReadProperty<std::uint32_t>(window, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM, 32))
            if (type == desktopType)
                return true;
        return false;
    }

    std::string ReadText(TWindowId window, const char* property, xcb_atom_t type) const {
        std::vector<char> bytes = ReadProperty<char>(window, property, type, 8);
        return {bytes.begin(), std::find(bytes.begin(), bytes.end(), '\0')};
    }
};

} // namespace

std::unique_ptr<TWindowSystem> MakeX11WindowSystem() {
    return std::make_unique<TX11WindowSystem>();
}

} // namespace tavuro
