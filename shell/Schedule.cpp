#include "shell/Schedule.h"

namespace tavuro {

namespace {
int TwoDigits(std::string_view text, std::size_t at) {
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}
} // namespace

std::optional<TScheduleCode> ParseScheduleCode(std::string_view text) {
    if (text.size() != 10)
        return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9')
            return std::nullopt;
    TScheduleCode code{text[0] - '0',      text[1] - '0',      TwoDigits(text, 2),
                       TwoDigits(text, 4), TwoDigits(text, 6), TwoDigits(text, 8)};
    const bool valid = code.P != 0 && code.Q >= code.P && code.DD <= code.AA &&
                       code.AA <= code.BB && code.BB <= code.CC && code.CC <= 24;
    if (!valid)
        return std::nullopt;
    return code;
}

int ScheduleStartHourOf(const TScheduleCode& code) {
    if (code.AA > code.DD)
        return code.DD;
    if (code.BB < code.CC)
        return code.BB;
    return -1;
}

bool ScheduleAllows(int mode, int hour, TSchedule& schedule, TRandom& random) {
    if (mode == 2 && hour == schedule.ScheduleStartHour)
        return true;
    const TScheduleCode code = ParseScheduleCode(schedule.ScheduleCode).value_or(TScheduleCode{});
    const bool inWindow =
        (code.DD <= hour && hour < code.AA) || (code.BB <= hour && hour < code.CC);
    if (!inWindow) {
        if (hour == code.CC)
            schedule.PlayToday = false;
        return false;
    }
    if (mode == 2 && schedule.HourGranted)
        return true;
    return random.Below(code.Q) < code.P;
}

} // namespace tavuro
