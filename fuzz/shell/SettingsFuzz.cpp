// The settings reader on arbitrary bytes, with the geometry line applied and the file written
// back: none may crash, and a rewritten file must read back without a rewrite being due.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "shell/Schedule.h"
#include "shell/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavuro;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const TSettingsRead read = ParseSettings(bytes);
    if (read.GeometryLine) {
        const TGeometryResult geometry =
            ApplyGeometryLine(*read.GeometryLine, 195, 108, TRect{0, 0, 1024, 738});
        if (geometry.Left && (*geometry.Left < 0 || *geometry.Top < 0))
            std::abort();
    }
    if (read.ScheduleCode) {
        const auto code = ParseScheduleCode(*read.ScheduleCode);
        if (!code)
            std::abort();
        TSchedule schedule{*read.ScheduleCode, ScheduleStartHourOf(*code)};
        TRandom random(size);
        for (int hour = 0; hour < 24; ++hour)
            ScheduleAllows(2, hour, schedule, random);
    }
    TSettingsWrite settings;
    settings.LastOpenDir = read.LastOpenDir.value_or("");
    settings.ScheduleCodeInUse = read.ScheduleCode.has_value();
    settings.Display = read.Display.value_or(TDisplaySettings{});
    std::string text;
    for (const auto& line : ComposeSettings({}, settings))
        text += line + "\r\n";
    const TSettingsRead again = ParseSettings(text);
    // A file the player wrote never needs a rewrite.
    if (again.RewriteDue)
        std::abort();
    return 0;
}
