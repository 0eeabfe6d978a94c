#pragma once

#include <QAbstractNativeEventFilter>

#include <functional>

class QWidget;

namespace tavuro {

// The window manager's request to close a window that a modal dialog blocks: Qt drops it, so it
// is told here. On X11 that is WM_DELETE_WINDOW; elsewhere nothing is told. Made with a window
// that has its native window; lives no longer than it.
class TBlockedCloseWatch : public QAbstractNativeEventFilter {
public:
    TBlockedCloseWatch(QWidget& window, std::function<void()> onBlockedClose);
    ~TBlockedCloseWatch() override;
    TBlockedCloseWatch(const TBlockedCloseWatch&) = delete;
    TBlockedCloseWatch& operator=(const TBlockedCloseWatch&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    QWidget& Window;
    std::function<void()> OnBlockedClose;
    std::uint32_t ProtocolsAtom = 0, DeleteWindowAtom = 0; // 0: no X11 display
};

} // namespace tavuro
