#include "desktop/MidiFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

namespace tavuro {

namespace {

// Reads big- and little-endian numbers and variable-length quantities, never past the end.
class TByteReader {
public:
    TByteReader(const std::uint8_t* data, std::size_t size) : Data(data), Size(size) {}

    std::size_t Left() const { return Size - At; }
    bool AtEnd() const { return At == Size; }
    const std::uint8_t* Here() const { return Data + At; }

    bool Skip(std::size_t count) {
        if (count > Left())
            return false;
        At += count;
        return true;
    }
    bool Byte(std::uint8_t& value) {
        if (Left() < 1)
            return false;
        value = Data[At++];
        return true;
    }
    bool PeekByte(std::uint8_t& value) const {
        if (Left() < 1)
            return false;
        value = Data[At];
        return true;
    }
    bool BigEndian(std::size_t bytes, std::uint32_t& value) {
        if (Left() < bytes)
            return false;
        value = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            value = value << 8 | Data[At++];
        return true;
    }
    bool LittleEndian32(std::uint32_t& value) {
        if (Left() < 4)
            return false;
        value =
            Data[At] | Data[At + 1] << 8 | Data[At + 2] << 16 | std::uint32_t(Data[At + 3]) << 24;
        At += 4;
        return true;
    }
    bool Tag(const char (&tag)[5]) {
        if (Left() < 4 || std::memcmp(Data + At, tag, 4) != 0)
            return false;
        At += 4;
        return true;
    }
    // At most four bytes, as the format allows: values up to 0x0FFFFFFF.
    bool VariableLength(std::uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t byte = 0;
            if (!Byte(byte))
                return false;
            value = value << 7 | (byte & 0x7F);
            if (!(byte & 0x80))
                return true;
        }
        return false;
    }

private:
    const std::uint8_t* Data;
    std::size_t Size;
    std::size_t At = 0;
};

constexpr std::uint8_t MetaEvent = 0xFF;
constexpr std::uint8_t SysExStart = 0xF0;
constexpr std::uint8_t SysExContinuation = 0xF7;
constexpr std::uint8_t MetaEndOfTrack = 0x2F;
constexpr std::uint8_t MetaTempo = 0x51;

// Data bytes that follow a channel message's status byte.
std::size_t ChannelDataBytes(std::uint8_t status) {
    const std::uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

bool IsRiffMidi(const std::uint8_t* data, std::size_t size) {
    return size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "RMID", 4) == 0;
}

// The "data" chunk of a RIFF "RMID" file, which holds the standard MIDI file.
bool FindRiffData(const std::uint8_t* data, std::size_t size, const std::uint8_t*& smf,
                  std::size_t& smfSize) {
    TByteReader riff(data, size);
    riff.Skip(12);
    while (riff.Left() >= 8) {
        const bool isData = riff.Tag("data");
        if (!isData)
            riff.Skip(4);
        std::uint32_t length = 0;
        riff.LittleEndian32(length);
        if (length > riff.Left())
            return false;
        if (isData) {
            smf = riff.Here();
            smfSize = length;
            return true;
        }
        // Chunks are padded to an even length; a missing pad byte at the very end is forgiven.
        riff.Skip(length);
        if (length % 2 == 1)
            riff.Skip(1);
    }
    return false;
}

} // namespace

void TMidiFile::Reset() {
    *this = TMidiFile();
}

bool TMidiFile::ReadFromFile(const std::string& path) {
    Reset();
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>()};
    if (file.bad())
        return false;
    return ReadFromBytes(bytes.data(), bytes.size());
}

bool TMidiFile::ReadFromBytes(const std::uint8_t* data, std::size_t size) {
    Reset();
    const std::uint8_t* smf = data;
    std::size_t smfSize = size;
    if (IsRiffMidi(data, size) && !FindRiffData(data, size, smf, smfSize))
        return false;
    if (!ReadSmf(smf, smfSize)) {
        Reset();
        return false;
    }
    Smf.assign(smf, smf + smfSize);
    IsValid = true;
    return true;
}

bool TMidiFile::ReadSmf(const std::uint8_t* data, std::size_t size) {
    TByteReader file(data, size);
    std::uint32_t headerLength = 0, format = 0, trackCount = 0, division = 0;
    if (!file.Tag("MThd") || !file.BigEndian(4, headerLength) || headerLength < 6 ||
        headerLength > file.Left())
        return false;
    file.BigEndian(2, format);
    file.BigEndian(2, trackCount);
    file.BigEndian(2, division);
    file.Skip(headerLength - 6);
    if (format > 2 || trackCount == 0 || division == 0)
        return false;
    if (division & 0x8000) {
        // SMPTE timing: frames per second (29 means 29.97 drop frame) times ticks per frame.
        const int framesPerSecond = -static_cast<std::int8_t>(division >> 8);
        const int ticksPerFrame = division & 0xFF;
        if (ticksPerFrame == 0 || (framesPerSecond != 24 && framesPerSecond != 25 &&
                                   framesPerSecond != 29 && framesPerSecond != 30))
            return false;
        TicksPerSecond = (framesPerSecond == 29 ? 29.97 : framesPerSecond) * ticksPerFrame;
    } else {
        TicksPerQuarter = division;
    }
    FileFormat = static_cast<int>(format);

    // Chunks of other types may sit between the tracks and are skipped.
    int tracksRead = 0;
    while (tracksRead < static_cast<int>(trackCount) && file.Left() >= 8) {
        const bool isTrack = file.Tag("MTrk");
        if (!isTrack)
            file.Skip(4);
        std::uint32_t length = 0;
        file.BigEndian(4, length);
        if (length > file.Left())
            return false;
        if (isTrack) {
            if (!ReadTrack(file.Here(), length))
                return false;
            ++tracksRead;
        }
        file.Skip(length);
    }
    if (tracksRead != static_cast<int>(trackCount))
        return false;
    Tracks = tracksRead;
    // Tempo changes of every track shape one map, as a sequencer plays them; at equal ticks the
    // later one in the file wins.
    std::stable_sort(TempoMap.begin(), TempoMap.end(),
                     [](const TTempoChange& a, const TTempoChange& b) { return a.Tick < b.Tick; });
    return true;
}

bool TMidiFile::ReadTrack(const std::uint8_t* data, std::size_t size) {
    TByteReader track(data, size);
    std::uint64_t tick = 0;
    std::uint8_t runningStatus = 0;
    while (!track.AtEnd()) {
        std::uint32_t delta = 0;
        std::uint8_t status = 0;
        if (!track.VariableLength(delta) || !track.PeekByte(status))
            return false;
        tick += delta;
        if (status & 0x80) {
            track.Skip(1);
        } else if (runningStatus != 0) {
            status = runningStatus; // the byte just peeked is the first data byte
        } else {
            return false;
        }

        if (status == MetaEvent) {
            std::uint8_t type = 0;
            std::uint32_t length = 0;
            if (!track.Byte(type) || !track.VariableLength(length) || length > track.Left())
                return false;
            if (type == MetaTempo && length == 3) {
                std::uint32_t tempo = 0;
                track.BigEndian(3, tempo);
                if (tempo > 0)
                    TempoMap.push_back({tick, tempo});
            } else {
                track.Skip(length);
            }
            runningStatus = 0;
            EndTick = std::max(EndTick, tick);
            if (type == MetaEndOfTrack)
                return true;
        } else if (status == SysExStart || status == SysExContinuation) {
            std::uint32_t length = 0;
            if (!track.VariableLength(length) || !track.Skip(length))
                return false;
            runningStatus = 0;
            EndTick = std::max(EndTick, tick);
        } else if (status >= 0xF0) {
            return false; // system common and real-time messages have no place in a file
        } else {
            if (!track.Skip(ChannelDataBytes(status)))
                return false;
            runningStatus = status;
            EndTick = std::max(EndTick, tick);
        }
    }
    // A track without its end-of-track event still ends where its bytes end.
    return true;
}

double TMidiFile::SecondsAtTick(std::uint64_t tick) const {
    if (TicksPerSecond > 0)
        return tick / TicksPerSecond;
    if (TicksPerQuarter <= 0)
        return 0.0;
    double seconds = 0.0;
    std::uint64_t at = 0;
    std::uint32_t tempo = TTempoChange{}.MicrosecondsPerQuarter;
    for (const TTempoChange& change : TempoMap) {
        if (change.Tick >= tick)
            break;
        seconds += (change.Tick - at) * (tempo / 1e6) / TicksPerQuarter;
        at = change.Tick;
        tempo = change.MicrosecondsPerQuarter;
    }
    return seconds + (tick - at) * (tempo / 1e6) / TicksPerQuarter;
}

std::uint64_t TMidiFile::TickAtSeconds(double seconds) const {
    if (!(seconds > 0))
        return 0;
    if (seconds >= Duration())
        return EndTick;
    if (TicksPerSecond > 0)
        return static_cast<std::uint64_t>(std::llround(seconds * TicksPerSecond));
    if (TicksPerQuarter <= 0)
        return 0;
    double elapsed = 0.0;
    std::uint64_t at = 0;
    std::uint32_t tempo = TTempoChange{}.MicrosecondsPerQuarter;
    for (const TTempoChange& change : TempoMap) {
        const double span = (change.Tick - at) * (tempo / 1e6) / TicksPerQuarter;
        if (elapsed + span >= seconds)
            break;
        elapsed += span;
        at = change.Tick;
        tempo = change.MicrosecondsPerQuarter;
    }
    return at + static_cast<std::uint64_t>(
                    std::llround((seconds - elapsed) * TicksPerQuarter / (tempo / 1e6)));
}

} // namespace tavuro
