#include "platform/Clock.h"

#include <chrono>
#include <ctime>

namespace tavuro {

namespace {

class TSystemClock : public TClock {
public:
    TTimeOfDay Now() const override {
        using namespace std::chrono;
        const auto now = system_clock::now();
        const std::time_t seconds = system_clock::to_time_t(now);
        std::tm local{};
        localtime_r(&seconds, &local);
        const auto milliseconds =
            duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
        TTimeOfDay time;
        time.Hour = local.tm_hour;
        time.Minute = local.tm_min;
        // A leap second reads as the last ordinary one.
        time.Second = local.tm_sec > 59 ? 59 : local.tm_sec;
        time.MillisecondsSinceMidnight =
            ((time.Hour * 60 + time.Minute) * 60 + time.Second) * std::int64_t{1000} + milliseconds;
        return time;
    }
};

} // namespace

std::unique_ptr<TClock> MakeSystemClock() {
    return std::make_unique<TSystemClock>();
}

} // namespace tavuro
