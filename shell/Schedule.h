#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "shell/Random.h"

namespace tavuro {

inline constexpr std::string_view DefaultScheduleCode = "1213152208";

// A schedule code PQAABBCCDD: the chance P out of Q, and the two daily windows of hours
// DD <= hour < AA and BB <= hour < CC.
struct TScheduleCode {
    int P = 1, Q = 2, AA = 13, BB = 15, CC = 22, DD = 8;
};

// The code when it is ten digits with P > 0, Q >= P and DD <= AA <= BB <= CC <= 24.
std::optional<TScheduleCode> ParseScheduleCode(std::string_view text);

// The hour of the daily draw for a code: DD when the first window is not empty, else BB when
// the second is not, else -1 (never).
int ScheduleStartHourOf(const TScheduleCode& code);

// The schedule values of the shell's state.
struct TSchedule {
    std::string ScheduleCode;  // empty: the default code
    int ScheduleStartHour = 8; // -1: never
    bool PlayToday = true;     // the daily draw allowed playing today
    bool HourGranted = false;  // the next top-of-hour check keeps playing without a draw
};

// Whether the schedule lets the player play at the given hour. Mode 0 is the start test, 1 the
// daily draw, 2 the hourly check. Leaving the windows at hour CC clears PlayToday.
bool ScheduleAllows(int mode, int hour, TSchedule& schedule, TRandom& random);

} // namespace tavuro
