#include "shell/Settings.h"

#include <algorithm>

#include "common/Text.h"
#include "common/TextEncoding.h"
#include "shell/Schedule.h"
#include "shell/TextLines.h"

namespace tavuro {

std::optional<TDisplaySettings> ParseDisplayLine(std::string_view line) {
    if (line.size() != 3)
        return std::nullopt;
    const char mode = line[0];
    const bool modeValid = (mode >= '1' && mode <= '6') || mode == '8' || mode == '9';
    auto isSwitch = [](char c) { return c == '0' || c == '9'; };
    if (!modeValid || !isSwitch(line[1]) || !isSwitch(line[2]))
        return std::nullopt;
    return TDisplaySettings{mode - '0', line[1] == '9', line[2] == '9'};
}

std::string ComposeDisplayLine(const TDisplaySettings& display) {
    return std::to_string(display.VisMode) + (display.StayOnTop ? "9" : "0") +
           (display.Transparent ? "9" : "0");
}

TSettingsRead ParseSettings(std::string_view bytes) {
    TSettingsRead read;
    std::string decoded;
    std::vector<std::string> lines = SplitLines(DecodeTextFile(bytes, decoded));
    for (auto& line : lines)
        line = std::string(TrimControl(line));
    if (lines.size() > 0)
        read.LastOpenDir = lines[0];
    if (lines.size() > 1 && lines[1] != DefaultScheduleCode) {
        if (ParseScheduleCode(lines[1])) {
            read.ScheduleCode = lines[1];
        } else {
            read.RewriteDue = true;
            read.RejectedScheduleCode = lines[1];
        }
    }
    if (lines.size() > 2) {
        read.Display = ParseDisplayLine(lines[2]);
        if (!read.Display)
            read.RewriteDue = true;
    }
    if (lines.size() > 3 && !lines[3].empty())
        read.GeometryLine = lines[3];
    return read;
}

namespace {
int NumberOr(std::string_view text, int fallback) {
    std::int32_t value = fallback;
    return ParseInt32(TrimControl(text), value) ? value : fallback;
}
} // namespace

TGeometryResult ApplyGeometryLine(std::string_view line, int clientWidth, int clientHeight,
                                  const TRect& workArea) {
    TGeometryResult result;
    auto applyHeight = [&](std::string_view text) {
        const int height = NumberOr(text, 108);
        if (height >= 109) {
            result.ClientHeight = height;
            clientHeight = height;
        } else {
            result.GeometryChanged = true;
        }
    };
    const auto comma = line.find(',');
    if (comma == std::string_view::npos) {
        applyHeight(line);
        return result;
    }
    std::string_view rest = line.substr(comma + 1);
    const auto secondComma = rest.find(',');
    if (secondComma != std::string_view::npos) {
        applyHeight(rest.substr(secondComma + 1));
        rest = rest.substr(0, secondComma);
    }
    // A position needs both numbers; one far off the screen is pulled back onto it.
    std::int32_t x = 0, y = 0;
    if (ParseInt32(TrimControl(line.substr(0, comma)), x) && ParseInt32(TrimControl(rest), y)) {
        const int maxX = workArea.Left + workArea.Width - clientWidth;
        const int maxY = workArea.Top + workArea.Height - clientHeight;
        if (x < 0 || y < 0 || x > maxX || y > maxY)
            result.GeometryChanged = true;
        x = std::max(0, std::min<int>(x, maxX));
        y = std::max(0, std::min<int>(y, maxY));
        result.Left = x;
        result.Top = y;
    } else {
        result.GeometryChanged = true;
        result.WindowCentred = true;
    }
    return result;
}

std::string ComposeGeometryLine(std::optional<std::pair<int, int>> position, int height) {
    std::string line;
    if (position)
        line = std::to_string(position->first) + "," + std::to_string(position->second);
    if (height != 108) {
        if (!line.empty())
            line += ",";
        line += std::to_string(height);
    }
    return line;
}

namespace {
void SetLine(std::vector<std::string>& lines, std::size_t index, std::string text) {
    if (index < lines.size())
        lines[index] = std::move(text);
    else
        lines.push_back(std::move(text));
}
} // namespace

std::vector<std::string> ComposeSettings(std::vector<std::string> lines,
                                         const TSettingsWrite& settings) {
    SetLine(lines, 0, settings.LastOpenDir);
    if (lines.size() < 2 || !settings.ScheduleCodeInUse)
        SetLine(lines, 1, std::string(DefaultScheduleCode));
    SetLine(lines, 2, ComposeDisplayLine(settings.Display));
    if (settings.GeometryLine)
        SetLine(lines, 3, *settings.GeometryLine);
    return lines;
}

} // namespace tavuro
