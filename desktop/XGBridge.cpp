#include "desktop/XGBridge.h"

#include <functional>

namespace tavuro {

namespace {

// Backslashes are plain characters except before a quote, where the C runtime halves them.
std::string QuotedArgument(const std::string& text) {
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : text) {
        if (c == '\\') {
            ++backslashes;
        } else if (c == '"') {
            quoted.append(backslashes + 1, '\\');
            backslashes = 0;
        } else {
            backslashes = 0;
        }
        quoted += c;
    }
    quoted.append(backslashes, '\\');
    return quoted + '"';
}

// Asks each window whose title the test accepts to close, from the top down, until one closed.
bool CloseFirstWindow(TWindowSystem& windows,
                      const std::function<bool(std::string_view)>& matches) {
    for (const TWindowId window : windows.TopLevelWindows()) {
        const std::string title = windows.WindowText(window);
        if (!title.empty() && matches(title) && windows.SendClose(window) == 0)
            return true;
    }
    return false;
}

} // namespace

std::string XGPlayerCommandLine(const std::string& appDir, const std::string& path) {
    return appDir + std::string(XGPlayerProgram) + " " + QuotedArgument(path);
}

void CloseXGPlayerWindows(TWindowSystem& windows) {
    CloseFirstWindow(windows, [](std::string_view title) {
        return title.substr(0, XGPlayerTitlePrefix.size()) == XGPlayerTitlePrefix;
    });
}

bool CloseXGAlertBox(TWindowSystem& windows) {
    return CloseFirstWindow(windows, [](std::string_view title) { return title == XGAlertTitle; });
}

} // namespace tavuro
