#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tavuro {

// What the engine knows of one stream, in the engine's units: milliseconds and kbit/s.
struct TStreamInfo {
    std::string FileName;
    std::int64_t FileSize = 0;
    std::int32_t SampleRate = 0;
    std::int32_t BitRate = 0;
    std::uint16_t BitsPerSample = 16;
    std::int32_t Duration = 0; // milliseconds
    std::uint16_t Channels = 0;
    std::string Title;
    std::string Artist;
    std::string Album;
    std::string Year;
    std::string Genre;
    std::uint8_t GenreID = 0;
    std::uint8_t Track = 0;
    std::string Comment;
};

// The reader that a file's extension selects.
enum TReaderKind { rkNone, rkMPEG, rkOggVorbis, rkWMA, rkWAV, rkFLAC, rkOpus, rkOga, rkMP4, rkAAC };

// By the upper-cased extension: ".MP1", ".MP2", ".MP3", ".OGG", ".WMA", ".WAV", and beside them
// ".FLAC", ".OPUS", ".OGA" (Ogg Vorbis, Opus or FLAC), ".M4A" and ".AAC" (MPEG-4 or raw ADTS);
// rkNone for any other, and for another extension that is not a dot and three characters.
TReaderKind ReaderKindOf(std::string_view fileName);

// The name without its folder.
std::string_view FileNameWithoutFolder(std::string_view fileName);

// A record that knows only its file name: every number 0 except BitsPerSample 16.
TStreamInfo ClearedStreamInfo(std::string_view fileName);

// Reads a local file with the reader its extension selects and fills `info` with what the engine
// takes from that reader. True when the reader found the file valid; otherwise `info` is the
// cleared record.
bool ReadStreamFacts(std::string_view fileName, TStreamInfo& info);

// A recognised file without a title is titled by its name without the folder.
void TakeTitleFromFileName(TStreamInfo& info);

} // namespace tavuro
