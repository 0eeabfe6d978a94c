#include "plugins/MessageWindow.h"

#include <QCoreApplication>

#include <map>
#include <memory>
#include <mutex>

namespace tavuro {

namespace {

// Live message windows by handle. Handles are never reused, so a stale one finds nothing.
struct TWindowTable {
    std::mutex Lock; // guards Windows and LastHandle; held while posting so a window cannot go
                     // away between its lookup and the post
    std::map<TWindowHandle, TMessageWindow*> Windows;
    TWindowHandle LastHandle = 0;
};

// Never destroyed: windows that live in static objects may still unregister at exit.
TWindowTable& Table() {
    static auto* table = new TWindowTable;
    return *table;
}

} // namespace

TWindowMessage::TWindowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
    : QEvent(EventType()), Message(message), WParam(wParam), LParam(lParam) {}

TWindowMessage::TWindowMessage(std::uint32_t message, std::uintptr_t wParam, std::string text)
    : QEvent(EventType()), Message(message), WParam(wParam), LParam(0), Text(std::move(text)) {
    LParam = reinterpret_cast<std::intptr_t>(Text.c_str());
}

QEvent::Type TWindowMessage::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

TMessageWindow::TMessageWindow(THandler handler, QObject* parent)
    : QObject(parent), Handler(std::move(handler)) {
    TWindowTable& table = Table();
    std::lock_guard lock(table.Lock);
    WindowHandle = ++table.LastHandle;
    table.Windows.emplace(WindowHandle, this);
}

TMessageWindow::~TMessageWindow() {
    TWindowTable& table = Table();
    std::lock_guard lock(table.Lock);
    table.Windows.erase(WindowHandle);
    // Messages still queued for this window are dropped with it by QObject.
}

bool TMessageWindow::event(QEvent* event) {
    if (event->type() != TWindowMessage::EventType())
        return QObject::event(event);
    const auto* message = static_cast<TWindowMessage*>(event);
    if (Handler)
        Handler(message->Message, message->WParam, message->LParam);
    return true;
}

namespace {

bool Post(TWindowHandle window, std::unique_ptr<TWindowMessage> message) {
    TWindowTable& table = Table();
    std::lock_guard lock(table.Lock);
    auto found = table.Windows.find(window);
    if (found == table.Windows.end())
        return false;
    QCoreApplication::postEvent(found->second, message.release());
    return true;
}

} // namespace

bool PostWindowMessage(TWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
    return Post(window, std::make_unique<TWindowMessage>(message, wParam, lParam));
}

bool PostWindowText(TWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                    std::string text) {
    return Post(window, std::make_unique<TWindowMessage>(message, wParam, std::move(text)));
}

} // namespace tavuro
