#include "platform/BlockedClose.h"

#include <QApplication>
#include <QWidget>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace tavuro {

namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

} // namespace

TBlockedCloseWatch::TBlockedCloseWatch(QWidget& window, std::function<void()> onBlockedClose)
    : Window(window), OnBlockedClose(std::move(onBlockedClose)) {
    const auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    ProtocolsAtom = Atom(x11->connection(), "WM_PROTOCOLS");
    DeleteWindowAtom = Atom(x11->connection(), "WM_DELETE_WINDOW");
    QCoreApplication::instance()->installNativeEventFilter(this);
}

TBlockedCloseWatch::~TBlockedCloseWatch() {
    if (ProtocolsAtom != 0 && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool TBlockedCloseWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE)
        return false;
    const auto* client = static_cast<const xcb_client_message_event_t*>(message);
    const QWidget* modal = QApplication::activeModalWidget();
    if (client->format == 32 && client->type == ProtocolsAtom &&
        client->data.data32[0] == DeleteWindowAtom && modal && modal != &Window &&
        Window.internalWinId() == client->window && OnBlockedClose)
        OnBlockedClose();
    return false; // Qt goes on as it would
}

} // namespace tavuro
