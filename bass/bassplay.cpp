// bassplay FILE|URL [SECONDS]: plays one file or stream through libbass and prints its position,
// length and stream titles as they change.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "bass.h"
#include "basswma.h"

namespace {

std::mutex titleMutex; // protects title and titleChanged
std::string title;
bool titleChanged = false;
std::atomic<bool> ended{false};

// The quoted text after StreamTitle= in a Shoutcast metadata block.
std::string StreamTitle(const char* block) {
    if (!block)
        return {};
    const std::string text = block;
    const auto start = text.find("StreamTitle='");
    if (start == std::string::npos)
        return {};
    const auto end = text.find("';", start + 13);
    return text.substr(start + 13, end == std::string::npos ? std::string::npos : end - start - 13);
}

void OnMeta(HSYNC, DWORD, DWORD_PTR data, DWORD_PTR) {
    std::lock_guard lock(titleMutex);
    title = StreamTitle(reinterpret_cast<const char*>(data));
    titleChanged = true;
}

void OnEnd(HSYNC, DWORD, DWORD_PTR, DWORD_PTR) {
    ended = true;
}

void OnDownloaded(HSYNC, DWORD, DWORD_PTR, DWORD_PTR) {
    std::printf("download complete\n");
}

bool IsUrl(const std::string& name) {
    return name.find("://") != std::string::npos;
}

// Returns the channel and whether it is module music.
DWORD Open(const std::string& name, bool& music) {
    music = false;
    if (IsUrl(name)) {
        if (name.rfind("mms", 0) == 0)
            return BASS_WMA_StreamCreateFile(FALSE, name.c_str(), 0, 0, BASS_WMA_STREAM_URL);
        return BASS_StreamCreateURL(name.c_str(), 0, BASS_STREAM_META, nullptr, 0);
    }
    if (DWORD stream = BASS_StreamCreateFile(FALSE, name.c_str(), 0, 0, 0))
        return stream;
    if (DWORD stream = BASS_WMA_StreamCreateFile(FALSE, name.c_str(), 0, 0, 0))
        return stream;
    music = true;
    return BASS_MusicLoad(FALSE, name.c_str(), 0, 0, BASS_MUSIC_CALCLEN, 0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bassplay FILE|URL [SECONDS]\n");
        return 2;
    }
    const std::string name = argv[1];
    const double limit = argc > 2 ? std::atof(argv[2]) : 0;
    if (!BASS_Init(1, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "bassplay: no audio output (error %d)\n", BASS_ErrorGetCode());
        return 1;
    }
    bool music = false;
    const DWORD channel = Open(name, music);
    if (!channel) {
        std::fprintf(stderr, "bassplay: cannot play %s (error %d)\n", name.c_str(),
                     BASS_ErrorGetCode());
        BASS_Free();
        return 1;
    }
    BASS_CHANNELINFO info{};
    BASS_ChannelGetInfo(channel, &info);
    std::printf("%s: %u Hz, %u channels, type 0x%x\n", name.c_str(), info.freq, info.chans,
                info.ctype);
    title = StreamTitle(BASS_StreamGetTags(channel, BASS_TAG_META));
    titleChanged = !title.empty();
    BASS_ChannelSetSync(channel, BASS_SYNC_META, 0, &OnMeta, 0);
    BASS_ChannelSetSync(channel, BASS_SYNC_END, 0, &OnEnd, 0);
    BASS_ChannelSetSync(channel, BASS_SYNC_DOWNLOAD, 0, &OnDownloaded, 0);
    if (!(music ? BASS_MusicPlay(channel) : BASS_StreamPlay(channel, FALSE, 0))) {
        std::fprintf(stderr, "bassplay: cannot start (error %d)\n", BASS_ErrorGetCode());
        BASS_Free();
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    long lastSecond = -1;
    while (!ended) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const QWORD length =
            music ? BASS_MusicGetLength(channel, TRUE) : BASS_StreamGetLength(channel);
        const float position = BASS_ChannelBytes2Seconds(channel, BASS_ChannelGetPosition(channel));
        const float total = length == ~QWORD{0} ? -1 : BASS_ChannelBytes2Seconds(channel, length);
        if (static_cast<long>(position) != lastSecond) {
            lastSecond = static_cast<long>(position);
            std::printf("position %.1f s / %s%s\n", position,
                        total < 0 ? "?" : std::to_string(total).c_str(),
                        BASS_ChannelIsActive(channel) == BASS_ACTIVE_STALLED ? " (stalled)" : "");
        }
        {
            std::lock_guard lock(titleMutex);
            if (titleChanged)
                std::printf("title: %s\n", title.c_str());
            titleChanged = false;
        }
        std::fflush(stdout);
        if (limit > 0 &&
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >=
                limit)
            break;
    }
    std::printf("%s\n", ended ? "ended" : "stopped");
    BASS_Free();
    return 0;
}
