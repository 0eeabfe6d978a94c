#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavuro {

// Line 3 of "playmode.ini": the VisMode digit, then "9"/"0" for StayOnTop and for Transparent.
struct TDisplaySettings {
    int VisMode = 9;
    bool StayOnTop = false;
    bool Transparent = false;
};
std::optional<TDisplaySettings> ParseDisplayLine(std::string_view line);
std::string ComposeDisplayLine(const TDisplaySettings& display);

// What the four lines of "playmode.ini" say, each line trimmed; absent parts are left alone.
struct TSettingsRead {
    std::optional<std::string> LastOpenDir;
    std::optional<std::string> ScheduleCode; // a valid code other than the default
    std::optional<TDisplaySettings> Display;
    std::optional<std::string> GeometryLine;         // line 4 when not empty
    bool RewriteDue = false;                         // line 2 or 3 was invalid
    std::optional<std::string> RejectedScheduleCode; // an invalid line 2, rewritten as the default
};
TSettingsRead ParseSettings(std::string_view bytes);

struct TRect {
    int Left = 0, Top = 0, Width = 0, Height = 0;
};

// What a geometry line "x,y,h", "x,y" or "h" does to a window of the given client size on the
// given work area.
struct TGeometryResult {
    std::optional<int> ClientHeight; // a height of 109 or more
    std::optional<int> Left, Top;    // explicit coordinates, clamped to the work area
    bool GeometryChanged = false;    // something had to be corrected
    bool WindowCentred = false;      // no usable position: keep the centred one
};
TGeometryResult ApplyGeometryLine(std::string_view line, int clientWidth, int clientHeight,
                                  const TRect& workArea);

// The geometry line written at exit: "x,y" (empty when centred), then ",h" (or "h" alone) when
// the height is not the design's 108.
std::string ComposeGeometryLine(std::optional<std::pair<int, int>> position, int height);

// The new content of "playmode.ini": the existing lines, with line 1, line 3 and (when given)
// line 4 replaced or appended, and line 2 reset to the default code when none is in use.
struct TSettingsWrite {
    std::string LastOpenDir;
    bool ScheduleCodeInUse = false;
    TDisplaySettings Display;
    std::optional<std::string> GeometryLine;
};
std::vector<std::string> ComposeSettings(std::vector<std::string> existingLines,
                                         const TSettingsWrite& settings);

} // namespace tavuro
