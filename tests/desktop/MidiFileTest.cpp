#include "desktop/MidiFile.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace tavuro {
namespace {

using TBytes = std::vector<std::uint8_t>;

void Append(TBytes& to, const TBytes& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

TBytes BigEndian32(std::uint32_t value) {
    return {std::uint8_t(value >> 24), std::uint8_t(value >> 16), std::uint8_t(value >> 8),
            std::uint8_t(value)};
}

TBytes Header(int format, int tracks, std::uint16_t division) {
    TBytes bytes{'M',
                 'T',
                 'h',
                 'd',
                 0,
                 0,
                 0,
                 6,
                 0,
                 std::uint8_t(format),
                 0,
                 std::uint8_t(tracks),
                 std::uint8_t(division >> 8),
                 std::uint8_t(division)};
    return bytes;
}

// A track chunk around the given events; declaredLength overrides the true length.
TBytes Track(const TBytes& events, std::int64_t declaredLength = -1) {
    TBytes bytes{'M', 'T', 'r', 'k'};
    Append(bytes, BigEndian32(declaredLength < 0 ? events.size() : declaredLength));
    Append(bytes, events);
    return bytes;
}

TBytes Smf(int format, std::uint16_t division, std::initializer_list<TBytes> tracks) {
    TBytes bytes = Header(format, static_cast<int>(tracks.size()), division);
    for (const TBytes& track : tracks)
        Append(bytes, track);
    return bytes;
}

const TBytes EndOfTrack{0x00, 0xFF, 0x2F, 0x00};

TMidiFile Read(const TBytes& bytes) {
    TMidiFile file;
    file.ReadFromBytes(bytes.data(), bytes.size());
    return file;
}

// 96 ticks per quarter: two quarters at 120 bpm (1 s), then a tempo of 240 bpm and two more
// quarters (0.5 s); the note ends at tick 384, 1.5 s in.
TBytes TempoChangeSong() {
    TBytes events{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,       // 500000 us per quarter
                  0x00, 0x90, 0x3C, 0x64,                         // note on
                  0x81, 0x40, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90, // tick 192: 250000 us
                  0x81, 0x40, 0x80, 0x3C, 0x00};                  // tick 384: note off
    Append(events, EndOfTrack);
    return Smf(0, 96, {Track(events)});
}

TEST(MidiFileTest, TempoChangeMidSong_CountsEachStretchAtItsOwnTempo) {
    const TMidiFile file = Read(TempoChangeSong());
    ASSERT_TRUE(file.Valid());
    EXPECT_EQ(file.LastTick(), 384u);
    EXPECT_DOUBLE_EQ(file.Duration(), 1.5);
    EXPECT_DOUBLE_EQ(file.SecondsAtTick(192), 1.0);
    EXPECT_EQ(file.TickAtSeconds(1.25), 288u);
    EXPECT_EQ(file.TickAtSeconds(0.5), 96u);
    EXPECT_EQ(file.TickAtSeconds(99.0), 384u);
    EXPECT_EQ(file.TickAtSeconds(-1.0), 0u);
}

TEST(MidiFileTest, FormatOne_TakesTempoFromTheFirstTrackAndLengthFromTheLongest) {
    TBytes conductor{0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40}; // 1 s per quarter
    Append(conductor, EndOfTrack);
    // Running status: the second and third events omit the status byte. A SysEx and a text
    // event end the running status, so the last note-off repeats it.
    TBytes melody{0x00, 0x90, 0x3C, 0x64, 0x60, 0x3C, 0x00, 0x00,
                  0x3E, 0x64, 0x00, 0xF0, 0x03, 0x7E, 0x09, 0xF7,  // SysEx
                  0x00, 0xFF, 0x01, 0x02, 'h',  'i',               // text
                  0x83, 0x00, 0x80, 0x3E, 0x00, 0x00, 0xC0, 0x05}; // tick 480
    Append(melody, EndOfTrack);
    const TMidiFile file = Read(Smf(1, 96, {Track(conductor), Track(melody)}));
    ASSERT_TRUE(file.Valid());
    EXPECT_EQ(file.TrackCount(), 2);
    EXPECT_EQ(file.LastTick(), 480u);
    EXPECT_DOUBLE_EQ(file.Duration(), 5.0);
}

TEST(MidiFileTest, SmpteTiming_CountsTicksPerSecond) {
    // 25 frames of 40 ticks: 1000 ticks a second, whatever the tempo says.
    TBytes events{0x00, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90, 0x93, 0x44, 0x90, 0x3C, 0x64};
    Append(events, EndOfTrack);
    const TMidiFile file = Read(Smf(0, 0xE728, {Track(events)}));
    ASSERT_TRUE(file.Valid());
    EXPECT_DOUBLE_EQ(file.Duration(), 2.5);
}

TEST(MidiFileTest, RiffWrapper_YieldsTheInnerFile) {
    const TBytes smf = TempoChangeSong();
    TBytes riff{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D',
                'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0}; // odd chunk and its pad
    Append(riff, {'d', 'a', 't', 'a', std::uint8_t(smf.size()), 0, 0, 0});
    Append(riff, smf);
    riff[4] = std::uint8_t(riff.size() - 8);
    const TMidiFile file = Read(riff);
    ASSERT_TRUE(file.Valid());
    EXPECT_DOUBLE_EQ(file.Duration(), 1.5);
    EXPECT_EQ(file.SmfBytes(), smf);
}

TEST(MidiFileTest, TrackWithoutEndOfTrack_EndsWithItsBytes) {
    const TMidiFile file = Read(Smf(0, 96, {Track({0x00, 0x90, 0x3C, 0x64, 0x60, 0x3C, 0x00})}));
    ASSERT_TRUE(file.Valid());
    EXPECT_DOUBLE_EQ(file.Duration(), 0.5);
}

TEST(MidiFileTest, MalformedFiles_AreInvalidAndLastZeroSeconds) {
    const TBytes song = TempoChangeSong();
    TBytes noteCutByTrackEnd = Smf(0, 96, {Track({0x00, 0x90, 0x3C})});
    TBytes truncatedTrack = Smf(0, 96, {Track({0x00, 0x90, 0x3C, 0x64}, 40)});
    TBytes runningStatusFirst = Smf(0, 96, {Track({0x00, 0x3C, 0x64, 0x00, 0xFF, 0x2F, 0x00})});
    TBytes metaPastEnd = Smf(0, 96, {Track({0x00, 0xFF, 0x01, 0x7F, 'x'})});
    TBytes sysExPastEnd = Smf(0, 96, {Track({0x00, 0xF0, 0x7F, 0x7E})});
    TBytes fiveByteDelta = Smf(0, 96, {Track({0x81, 0x81, 0x81, 0x81, 0x01, 0xFF, 0x2F, 0x00})});
    TBytes realTimeInFile = Smf(0, 96, {Track({0x00, 0xF8, 0x00, 0xFF, 0x2F, 0x00})});
    TBytes missingTrack = Header(1, 2, 96);
    Append(missingTrack, Track(EndOfTrack));
    TBytes riffDataTooLong{'R', 'I', 'F', 'F', 20,  0,   0,    0, 'R', 'M',
                           'I', 'D', 'd', 'a', 't', 'a', 0xFF, 0, 0,   0};
    Append(riffDataTooLong, song);
    const struct {
        const char* Name;
        TBytes Bytes;
    } cases[] = {
        {"empty", {}},
        {"header only in part", TBytes(song.begin(), song.begin() + 10)},
        {"file cut inside the track", TBytes(song.begin(), song.end() - 3)},
        {"note cut by the track's end", noteCutByTrackEnd},
        {"track longer than the file", truncatedTrack},
        {"running status with nothing to run", runningStatusFirst},
        {"meta event past the track's end", metaPastEnd},
        {"SysEx past the track's end", sysExPastEnd},
        {"delta time of five bytes", fiveByteDelta},
        {"real-time message in a file", realTimeInFile},
        {"fewer tracks than the header says", missingTrack},
        {"zero division", Smf(0, 0, {Track(EndOfTrack)})},
        {"format 3", Smf(3, 96, {Track(EndOfTrack)})},
        {"RIFF data chunk longer than the file", riffDataTooLong},
        {"not MIDI at all", {'O', 'g', 'g', 'S', 0, 2, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const TMidiFile file = Read(c.Bytes);
        EXPECT_FALSE(file.Valid()) << c.Name;
        EXPECT_EQ(file.Duration(), 0.0) << c.Name;
        EXPECT_TRUE(file.SmfBytes().empty()) << c.Name;
    }
}

TEST(MidiFileTest, ReadFromFile_FailsForAMissingFile) {
    TMidiFile file;
    EXPECT_FALSE(file.ReadFromFile("/nonexistent/song.mid"));
    EXPECT_EQ(file.Duration(), 0.0);
}

} // namespace
} // namespace tavuro
