// tavuro-probe [--json] FILE...: prints what the audio engine takes from each file's reader.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "readers/StreamFacts.h"

namespace {

using tavuro::TStreamInfo;

// Length of the well-formed UTF-8 sequence at `i`, 0 when the byte there starts none.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                               : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xF0 && lead < 0xF5 ? 4
                                                             : 0;
    if (length == 0 || i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    return length;
}

// A JSON string. Tags may hold bytes of other code pages; a byte that is no UTF-8 is shown as
// the Latin-1 character of that value so that the line stays valid JSON.
std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = Utf8SequenceLength(text, i);
        char escaped[8];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || length == 0) {
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out.append(text.substr(i, length));
            i += length;
            continue;
        }
        ++i;
    }
    return out + "\"";
}

void PrintJson(const TStreamInfo& info) {
    std::printf("{\"file\":%s,\"valid\":true,\"fileSize\":%lld,\"sampleRate\":%d,\"bitRate\":%d,"
                "\"bitsPerSample\":%u,\"durationMs\":%d,\"channels\":%u,\"title\":%s,"
                "\"artist\":%s,\"album\":%s,\"year\":%s,\"genre\":%s,\"genreId\":%u,"
                "\"track\":%u,\"comment\":%s}\n",
                JsonString(info.FileName).c_str(), static_cast<long long>(info.FileSize),
                info.SampleRate, info.BitRate, unsigned{info.BitsPerSample}, info.Duration,
                unsigned{info.Channels}, JsonString(info.Title).c_str(),
                JsonString(info.Artist).c_str(), JsonString(info.Album).c_str(),
                JsonString(info.Year).c_str(), JsonString(info.Genre).c_str(),
                unsigned{info.GenreID}, unsigned{info.Track}, JsonString(info.Comment).c_str());
}

void PrintBlock(const TStreamInfo& info) {
    std::printf("%s\n", info.FileName.c_str());
    std::printf("  file size:       %lld bytes\n", static_cast<long long>(info.FileSize));
    std::printf("  sample rate:     %d Hz\n", info.SampleRate);
    std::printf("  bit rate:        %d kbit/s\n", info.BitRate);
    std::printf("  bits per sample: %u\n", unsigned{info.BitsPerSample});
    std::printf("  duration:        %d ms\n", info.Duration);
    std::printf("  channels:        %u\n", unsigned{info.Channels});
    std::printf("  title:           %s\n", info.Title.c_str());
    std::printf("  artist:          %s\n", info.Artist.c_str());
    std::printf("  album:           %s\n", info.Album.c_str());
    std::printf("  year:            %s\n", info.Year.c_str());
    std::printf("  genre:           %s (%u)\n", info.Genre.c_str(), unsigned{info.GenreID});
    std::printf("  track:           %u\n", unsigned{info.Track});
    std::printf("  comment:         %s\n\n", info.Comment.c_str());
}

std::string_view FailureReason(const std::string& fileName) {
    if (tavuro::ReaderKindOf(fileName) == tavuro::rkNone)
        return "no reader for this extension";
    if (std::FILE* file = std::fopen(fileName.c_str(), "rb")) {
        std::fclose(file);
        return "not a valid file of its type";
    }
    return "cannot be opened";
}

void PrintFailure(const std::string& fileName, bool json) {
    const std::string reason(FailureReason(fileName));
    if (json)
        std::printf("{\"file\":%s,\"valid\":false,\"error\":%s}\n", JsonString(fileName).c_str(),
                    JsonString(reason).c_str());
    else
        std::printf("%s: %s\n\n", fileName.c_str(), reason.c_str());
}

} // namespace

int main(int argc, char** argv) {
    bool json = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--json")
            json = true;
        else
            files.emplace_back(argument);
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: tavuro-probe [--json] FILE...\n");
        return 2;
    }
    bool allRead = true;
    for (const std::string& fileName : files) {
        TStreamInfo info;
        if (!tavuro::ReadStreamFacts(fileName, info)) {
            PrintFailure(fileName, json);
            allRead = false;
            continue;
        }
        tavuro::TakeTitleFromFileName(info);
        if (json)
            PrintJson(info);
        else
            PrintBlock(info);
    }
    return allRead ? 0 : 1;
}
