#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tavuro {

// A standard MIDI file (or one wrapped in a RIFF "RMID" file) read far enough to know its length:
// the header, every track's events with running status, SysEx and meta events, and the tempo
// map. Every length read from the file is checked against the bytes that are really there; a
// malformed file leaves the object invalid and reads as 0 seconds.
class TMidiFile {
public:
    struct TTempoChange {
        std::uint64_t Tick = 0;
        std::uint32_t MicrosecondsPerQuarter = 500000; // 120 beats per minute
    };

    bool ReadFromFile(const std::string& path);
    bool ReadFromBytes(const std::uint8_t* data, std::size_t size);

    bool Valid() const { return IsValid; }
    int Format() const { return FileFormat; }
    int TrackCount() const { return Tracks; }
    // The tick of the last event over all tracks.
    std::uint64_t LastTick() const { return EndTick; }
    // Length in seconds from the tempo map: the time of the last event.
    double Duration() const { return IsValid ? SecondsAtTick(EndTick) : 0.0; }
    double SecondsAtTick(std::uint64_t tick) const;
    std::uint64_t TickAtSeconds(double seconds) const;
    // The standard MIDI file itself, without a RIFF wrapper; what a sequencer is given.
    const std::vector<std::uint8_t>& SmfBytes() const { return Smf; }

private:
    bool ReadSmf(const std::uint8_t* data, std::size_t size);
    bool ReadTrack(const std::uint8_t* data, std::size_t size);
    void Reset();

    bool IsValid = false;
    int FileFormat = 0;
    int Tracks = 0;
    // Ticks per quarter note; with SMPTE timing, ticks per second and the tempo is ignored.
    double TicksPerQuarter = 0;
    double TicksPerSecond = 0;
    std::uint64_t EndTick = 0;
    std::vector<TTempoChange> TempoMap; // sorted by tick after reading
    std::vector<std::uint8_t> Smf;
};

} // namespace tavuro
