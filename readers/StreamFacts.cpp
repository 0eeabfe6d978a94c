#include "readers/StreamFacts.h"

#include <limits>

#include "common/Rounding.h"
#include "common/Text.h"
#include "readers/ADTSfile.h"
#include "readers/FLACfile.h"
#include "readers/MP4file.h"
#include "readers/MPEGaudio.h"
#include "readers/OggVorbis.h"
#include "readers/OpusFile.h"
#include "readers/WAVfile.h"
#include "readers/WMAfile.h"

namespace tavuro {

namespace {

std::int32_t Milliseconds(double seconds) {
    const double milliseconds = seconds * 1000;
    if (!(milliseconds > 0))
        return 0;
    if (milliseconds >= std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(RoundHalfEven(milliseconds));
}

bool ReadMPEG(const std::string& fileName, TStreamInfo& info) {
    TMPEGaudio reader;
    reader.ReadFromFile(fileName);
    if (!reader.Valid())
        return false;
    info.FileSize = reader.FileLength();
    info.SampleRate = reader.SampleRate();
    info.BitRate = reader.BitRate();
    info.Duration = Milliseconds(reader.Duration());
    if (const TID3v1& v1 = reader.ID3v1(); v1.Exists()) {
        info.Title = v1.Title();
        info.Artist = v1.Artist();
        info.Album = v1.Album();
        info.Year = v1.Year();
        info.Genre = v1.Genre();
        info.GenreID = v1.GenreID();
        info.Track = v1.Track();
        info.Comment = v1.Comment();
    } else if (const TID3v2& v2 = reader.ID3v2(); v2.Exists()) {
        info.Title = v2.Title();
        info.Artist = v2.Artist();
        info.Album = v2.Album();
        info.Year = v2.Year();
        info.Genre = v2.Genre();
        info.Track = static_cast<std::uint8_t>(v2.Track());
        info.Comment = v2.Comment();
    }
    info.Channels = reader.ChannelMode() == "Mono" ? 1 : 2;
    return true;
}

bool ReadOggVorbis(const std::string& fileName, TStreamInfo& info) {
    TOggVorbis reader;
    if (!reader.ReadFromFile(fileName) || !reader.Valid())
        return false;
    info.FileSize = reader.FileSize();
    info.SampleRate = reader.SampleRate();
    info.BitRate = reader.BitRate(); // the average over the file, not the nominal rate
    info.Duration = Milliseconds(reader.Duration());
    info.Title = reader.Title();
    info.Artist = reader.Artist();
    info.Album = reader.Album();
    info.Year = reader.Date();
    info.Genre = reader.Genre();
    info.Channels = reader.ChannelModeID();
    info.Track = static_cast<std::uint8_t>(reader.Track());
    info.Comment = reader.Comment();
    return true;
}

bool ReadWMA(const std::string& fileName, TStreamInfo& info) {
    TWMAfile reader;
    if (!reader.ReadFromFile(fileName) || !reader.Valid())
        return false;
    info.FileSize = reader.FileSize();
    info.SampleRate = reader.SampleRate();
    info.BitRate = reader.BitRate();
    info.Duration = Milliseconds(reader.Duration());
    info.Title = Utf16ToUtf8(reader.Title());
    info.Artist = Utf16ToUtf8(reader.Artist());
    info.Album = Utf16ToUtf8(reader.Album());
    info.Year = Utf16ToUtf8(reader.Year());
    info.Genre = Utf16ToUtf8(reader.Genre());
    info.Comment = Utf16ToUtf8(reader.Comment());
    info.Channels = reader.ChannelModeID();
    info.Track = static_cast<std::uint8_t>(reader.Track());
    return true;
}

bool ReadWAV(const std::string& fileName, TStreamInfo& info) {
    TWAVfile reader;
    if (!reader.ReadFromFile(fileName) || !reader.Valid())
        return false;
    info.FileSize = reader.FileSize();
    info.SampleRate = reader.SampleRate();
    info.BitsPerSample = reader.BitsPerSample();
    info.Channels = reader.ChannelModeID();
    info.Duration = Milliseconds(reader.Duration());
    info.BitRate = info.SampleRate * info.BitsPerSample / 1000; // channels are not a factor
    return true;
}

void TakeCommentTags(const TCommentTags& tags, TStreamInfo& info) {
    info.Title = tags.Title;
    info.Artist = tags.Artist;
    info.Album = tags.Album;
    info.Year = tags.Date;
    info.Genre = tags.Genre;
    info.Comment = tags.Comment;
    info.Track = static_cast<std::uint8_t>(tags.Track);
}

// The facts the readers of FLAC, Opus, MP4 and ADTS give alike.
template <typename TReader> void TakeCommonFacts(const TReader& reader, TStreamInfo& info) {
    info.FileSize = reader.FileSize();
    info.BitRate = reader.BitRate();
    info.Duration = Milliseconds(reader.Duration());
    info.Channels = reader.Channels();
}

bool ReadFLAC(const std::string& fileName, TStreamInfo& info) {
    TFLACfile reader;
    if (!reader.ReadFromFile(fileName) || !reader.Valid())
        return false;
    TakeCommonFacts(reader, info);
    info.SampleRate = reader.SampleRate();
    info.BitsPerSample = reader.BitsPerSample();
    TakeCommentTags(reader.Tags(), info);
    return true;
}

bool ReadOpus(const std::string& fileName, TStreamInfo& info) {
    TOpusFile reader;
    if (!reader.ReadFromFile(fileName) || !reader.Valid())
        return false;
    TakeCommonFacts(reader, info);
    info.SampleRate = TOpusFile::DecodeRate; // what is played, whatever the encoder was given
    TakeCommentTags(reader.Tags(), info);
    return true;
}

bool ReadMP4(const std::string& fileName, TStreamInfo& info) {
    TMP4file reader;
    if (!reader.ReadFromFile(fileName) || !reader.Valid())
        return false;
    TakeCommonFacts(reader, info);
    info.SampleRate = reader.SampleRate();
    if (reader.Codec() == "alac" && reader.BitsPerSample() > 0)
        info.BitsPerSample = reader.BitsPerSample();
    info.Title = reader.Title();
    info.Artist = reader.Artist();
    info.Album = reader.Album();
    info.Year = reader.Year();
    info.Genre = reader.Genre();
    info.Comment = reader.Comment();
    info.Track = static_cast<std::uint8_t>(reader.Track());
    return true;
}

bool ReadADTS(const std::string& fileName, TStreamInfo& info) {
    TADTSfile reader;
    if (!reader.ReadFromFile(fileName) || !reader.Valid())
        return false;
    TakeCommonFacts(reader, info);
    info.SampleRate = reader.SampleRate();
    return true;
}

} // namespace

std::string_view FileNameWithoutFolder(std::string_view fileName) {
    const std::size_t slash = fileName.rfind('/');
    return slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
}

TReaderKind ReaderKindOf(std::string_view fileName) {
    const std::string_view name = FileNameWithoutFolder(fileName);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return rkNone;
    const std::string extension = UpperAscii(name.substr(dot));
    if (extension == ".FLAC")
        return rkFLAC;
    if (extension == ".OPUS")
        return rkOpus;
    if (extension.size() != 4)
        return rkNone;
    if (extension == ".MP1" || extension == ".MP2" || extension == ".MP3")
        return rkMPEG;
    if (extension == ".OGG")
        return rkOggVorbis;
    if (extension == ".WMA")
        return rkWMA;
    if (extension == ".WAV")
        return rkWAV;
    if (extension == ".OGA")
        return rkOga;
    if (extension == ".M4A")
        return rkMP4;
    if (extension == ".AAC")
        return rkAAC;
    return rkNone;
}

TStreamInfo ClearedStreamInfo(std::string_view fileName) {
    TStreamInfo info;
    info.FileName = std::string(fileName);
    return info;
}

bool ReadStreamFacts(std::string_view fileName, TStreamInfo& info) {
    info = ClearedStreamInfo(fileName);
    const std::string name(fileName);
    bool recognised = false;
    switch (ReaderKindOf(fileName)) {
    case rkMPEG:
        recognised = ReadMPEG(name, info);
        break;
    case rkOggVorbis:
        recognised = ReadOggVorbis(name, info);
        break;
    case rkWMA:
        recognised = ReadWMA(name, info);
        break;
    case rkWAV:
        recognised = ReadWAV(name, info);
        break;
    case rkFLAC:
        recognised = ReadFLAC(name, info);
        break;
    case rkOpus:
        recognised = ReadOpus(name, info);
        break;
    case rkOga: // Ogg audio of any of the three codecs
        recognised = ReadOggVorbis(name, info) || ReadOpus(name, info) || ReadFLAC(name, info);
        break;
    case rkMP4:
        recognised = ReadMP4(name, info);
        break;
    case rkAAC: // raw ADTS frames, or an MPEG-4 file named .aac
        recognised = ReadADTS(name, info) || ReadMP4(name, info);
        break;
    case rkNone:
        break;
    }
    if (!recognised)
        info = ClearedStreamInfo(fileName);
    return recognised;
}

void TakeTitleFromFileName(TStreamInfo& info) {
    if (info.Title.empty())
        info.Title = std::string(FileNameWithoutFolder(info.FileName));
}

} // namespace tavuro
