#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tavuro {

using TWindowId = std::uint64_t;

// The desktop's top-level windows as the player needs them: walked in stacking order with their
// titles, closed by request, and the one in front.
class TWindowSystem {
public:
    virtual ~TWindowSystem() = default;
    // Top-level windows from the topmost to the bottom one.
    virtual std::vector<TWindowId> TopLevelWindows() const = 0;
    // The window's title as read into a 255-character buffer; a window of the desktop type
    // answers "Program Manager".
    virtual std::string WindowText(TWindowId window) const = 0;
    // Asks the window to close and waits a bounded time for it to go. 0 when it closed; any other
    // value means it refused or could not be asked.
    virtual int SendClose(TWindowId window) = 0;
    // The window that has the keyboard focus on the desktop, 0 when none.
    virtual TWindowId ForegroundWindow() const = 0;
};

// X11 through its own display connection; with no display every walk is empty.
std::unique_ptr<TWindowSystem> MakeX11WindowSystem();

// The longest title a window text read returns (a 255-character buffer with its terminator).
constexpr std::size_t kWindowTextLimit = 254;

// A scripted desktop for tests: windows from the top down, each with a title and the answer it
// gives to a close request; a closed window leaves the desktop.
class TFakeWindowSystem : public TWindowSystem {
public:
    struct TWindow {
        TWindowId Id;
        std::string Title;
        int CloseResult = 0;
    };
    std::vector<TWindow> Windows; // topmost first
    TWindowId Foreground = 0;
    std::vector<TWindowId> CloseRequests;

    std::vector<TWindowId> TopLevelWindows() const override {
        std::vector<TWindowId> ids;
        for (const TWindow& window : Windows)
            ids.push_back(window.Id);
        return ids;
    }
    std::string WindowText(TWindowId id) const override {
        for (const TWindow& window : Windows)
            if (window.Id == id)
                return window.Title.substr(0, kWindowTextLimit);
        return {};
    }
    int SendClose(TWindowId id) override {
        CloseRequests.push_back(id);
        for (auto it = Windows.begin(); it != Windows.end(); ++it) {
            if (it->Id != id)
                continue;
            int result = it->CloseResult;
            if (result == 0)
                Windows.erase(it);
            return result;
        }
        return 1;
    }
    TWindowId ForegroundWindow() const override { return Foreground; }
};

} // namespace tavuro
