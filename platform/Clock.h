#pragma once

#include <cstdint>
#include <memory>

namespace tavuro {

struct TTimeOfDay {
    int Hour = 0;   // 0..23
    int Minute = 0; // 0..59
    int Second = 0; // 0..59
    std::int64_t MillisecondsSinceMidnight = 0;
};

// The time of day, behind a seam so that tests can fix it.
class TClock {
public:
    virtual ~TClock() = default;
    virtual TTimeOfDay Now() const = 0;
};

std::unique_ptr<TClock> MakeSystemClock();

// A clock that says what it is told.
class TFixedClock : public TClock {
public:
    TTimeOfDay Time;
    void Set(int hour, int minute, int second) {
        Time = {hour, minute, second,
                ((hour * 60 + minute) * 60 + second) * std::int64_t{1000}};
    }
    TTimeOfDay Now() const override { return Time; }
};

} // namespace tavuro
