#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tavuro {

class TMainForm;

// What the window is doing, in the terms a desktop's media controls ask about.
struct TPlayerStatus {
    bool Playing = false; // an entry plays, paused or not
    bool Paused = false;
    bool HasEntry = false; // a current entry exists (not the empty-list display)
    std::string Path;      // the current entry's path or address
    std::string Title;     // its caption, or the stream's own title while a stream tells one
    std::optional<std::int64_t> LengthMicroseconds;
    bool CanPlay = false, CanGoNext = false, CanSeek = false, CanPause = false;
    double Volume = 1.0;

    bool operator==(const TPlayerStatus&) const = default;
};

TPlayerStatus ReadPlayerStatus(const TMainForm& form);

// The playing entry's position in microseconds; 0 while idle.
std::int64_t PlayerPosition(const TMainForm& form);

} // namespace tavuro
