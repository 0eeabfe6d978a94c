#pragma once

#include "plugins/WindowHandle.h"

#include <QEvent>
#include <QObject>

#include <cstdint>
#include <functional>
#include <string>

namespace tavuro {

// A window message posted to a message window: its number and its two parameters.
class TWindowMessage : public QEvent {
public:
    TWindowMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    // A message whose lParam points at its own copy of a NUL-terminated text, so the sender's
    // buffer may change or go as soon as the message is posted.
    TWindowMessage(std::uint32_t message, std::uintptr_t wParam, std::string text);
    static QEvent::Type EventType();

    std::uint32_t Message;
    std::uintptr_t WParam;
    std::intptr_t LParam;
    const std::string Text;
};

// A hidden message window: a QObject on the thread that made it, known to other code (and to
// plug-ins) by a handle. Messages posted to the handle reach the handler on that thread, in order.
class TMessageWindow : public QObject {
public:
    // Called on the window's thread for each message.
    using THandler =
        std::function<void(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)>;

    explicit TMessageWindow(THandler handler, QObject* parent = nullptr);
    ~TMessageWindow() override;
    TWindowHandle Handle() const { return WindowHandle; }

protected:
    bool event(QEvent* event) override;

private:
    THandler Handler;
    TWindowHandle WindowHandle;
};

// Posts a message to the window with this handle, from any thread. False when no such window
// exists (never made, or already destroyed), as posting to a closed window fails.
bool PostWindowMessage(TWindowHandle window, std::uint32_t message, std::uintptr_t wParam = 0,
                       std::intptr_t lParam = 0);
// Posts a message that carries a copy of text; the handler finds it as a const char* in lParam.
bool PostWindowText(TWindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                    std::string text);

} // namespace tavuro
