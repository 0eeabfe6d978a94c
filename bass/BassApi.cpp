// The BASS entry points of libbass that do work.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "BassPrivate.h"
#include "Guard.h"
#include "Library.h"
#include "bass.h"

using namespace bass;

namespace {

constexpr DWORD kFailDword = 0xFFFFFFFF;
constexpr QWORD kFailQword = ~QWORD{0};

Library& Lib() {
    return Library::Instance();
}

bool IsStream(const Channel& channel) {
    return channel.type != ChannelType::Music;
}

// Frames per FFT for a BASS_DATA_FFT... length, 0 for anything else.
int FftSize(DWORD length) {
    switch (length & ~0x30u) {
    case BASS_DATA_FFT512:
        return 512;
    case BASS_DATA_FFT1024:
        return 1024;
    case BASS_DATA_FFT2048:
        return 2048;
    default:
        return 0;
    }
}

BOOL Play(Channel& channel, bool restart) {
    if (channel.decodeOnly)
        return Fail(BASS_ERROR_DECODE, FALSE);
    if (restart)
        channel.producer->Rewind();
    std::lock_guard lock(Lib().Output().Lock());
    if (!Lib().Output().Add(&channel))
        return Fail(BASS_ERROR_NOCHAN, FALSE);
    channel.SetState(PlayState::Playing);
    Lib().Output().Started();
    return Succeed(TRUE);
}

// Looks a channel up; sets BASS_ERROR_HANDLE when there is none.
std::shared_ptr<Channel> Lookup(DWORD handle) {
    auto channel = Lib().Find(handle);
    if (!channel)
        SetError(BASS_ERROR_HANDLE);
    return channel;
}

HSTREAM Created(DWORD handle, int error) {
    SetError(handle ? BASS_OK : error);
    return handle;
}

BOOL FreeOfType(DWORD handle, bool music) {
    auto channel = Lookup(handle);
    if (!channel)
        return FALSE;
    if ((channel->type == ChannelType::Music) != music)
        return Fail(BASS_ERROR_HANDLE, FALSE);
    channel.reset();
    const int error = Lib().FreeChannel(handle);
    SetError(error);
    return error == BASS_OK;
}

} // namespace

extern "C" {

BASSDEF(DWORD) BASS_SetConfig(DWORD option, DWORD value) {
    return Guarded(kFailDword, [&]() -> DWORD {
        const int volume =
            static_cast<int>(std::min<DWORD>(value, 100)); // larger values mean full volume
        switch (option) {
        case BASS_CONFIG_GVOL_STREAM:
            Lib().Output().streamVolume = volume;
            return Succeed<DWORD>(volume);
        case BASS_CONFIG_GVOL_MUSIC:
            Lib().Output().musicVolume = volume;
            return Succeed<DWORD>(volume);
        case BASS_CONFIG_NET_TIMEOUT:
            Lib().netTimeoutMs = value;
            return Succeed(value);
        case BASS_CONFIG_NET_BUFFER:
            Lib().netBufferMs = value;
            return Succeed(value);
        default:
            return Fail(BASS_ERROR_ILLTYPE, kFailDword);
        }
    });
}

BASSDEF(DWORD) BASS_GetConfig(DWORD option) {
    return Guarded(kFailDword, [&]() -> DWORD {
        switch (option) {
        case BASS_CONFIG_GVOL_STREAM:
            return Succeed<DWORD>(Lib().Output().streamVolume.load());
        case BASS_CONFIG_GVOL_MUSIC:
            return Succeed<DWORD>(Lib().Output().musicVolume.load());
        case BASS_CONFIG_NET_TIMEOUT:
            return Succeed(Lib().netTimeoutMs.load());
        case BASS_CONFIG_NET_BUFFER:
            return Succeed(Lib().netBufferMs.load());
        default:
            return Fail(BASS_ERROR_ILLTYPE, kFailDword);
        }
    });
}

BASSDEF(DWORD) BASS_GetVersion(void) {
    return Succeed<DWORD>(BASS_VERSION_VALUE);
}

BASSDEF(const char*) BASS_GetDeviceDescription(DWORD device) {
    switch (device) {
    case 0:
        return Succeed("No sound");
    case 1:
        return Succeed("Default output");
    default:
        return Fail(BASS_ERROR_DEVICE, static_cast<const char*>(nullptr));
    }
}

BASSDEF(int) BASS_ErrorGetCode(void) {
    return LastError();
}

BASSDEF(BOOL) BASS_Init(int device, DWORD freq, DWORD, HWND_T, const void*) {
    return Guarded(FALSE, [&] {
        const int error = Lib().Init(device, freq);
        SetError(error);
        return error == BASS_OK ? TRUE : FALSE;
    });
}

BASSDEF(BOOL) BASS_SetDevice(DWORD device) {
    if (!Lib().Initialised())
        return Fail(BASS_ERROR_INIT, FALSE);
    if (static_cast<int>(device) != Lib().Output().Device())
        return Fail(BASS_ERROR_DEVICE, FALSE);
    return Succeed(TRUE);
}

BASSDEF(DWORD) BASS_GetDevice(void) {
    if (!Lib().Initialised())
        return Fail(BASS_ERROR_INIT, kFailDword);
    return Succeed(static_cast<DWORD>(Lib().Output().Device()));
}

BASSDEF(BOOL) BASS_Free(void) {
    return Guarded(FALSE, [&] {
        const int error = Lib().Free();
        SetError(error);
        return error == BASS_OK ? TRUE : FALSE;
    });
}

BASSDEF(BOOL) BASS_GetInfo(BASS_INFO* info) {
    if (!info)
        return Fail(BASS_ERROR_ILLPARAM, FALSE);
    if (!Lib().Initialised())
        return Fail(BASS_ERROR_INIT, FALSE);
    std::memset(info, 0, sizeof *info);
    info->minrate = info->maxrate = static_cast<DWORD>(Lib().Output().Rate());
    info->speakers = 2;
    return Succeed(TRUE);
}

BASSDEF(HSTREAM)
BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags) {
    return Guarded<HSTREAM>(0, [&] {
        if (!file)
            return Fail<HSTREAM>(BASS_ERROR_ILLPARAM, 0);
        if (mem || offset || length)
            return Fail<HSTREAM>(BASS_ERROR_NOTAVAIL, 0);
        int error = BASS_OK;
        const DWORD handle = Lib().CreateFileStream(static_cast<const char*>(file),
                                                    SourceKind::Stream, flags, error);
        return Created(handle, error);
    });
}

BASSDEF(HSTREAM)
BASS_StreamCreateURL(const char* url, DWORD offset, DWORD flags, DOWNLOADPROC*, DWORD_PTR) {
    return Guarded<HSTREAM>(0, [&] {
        if (!url)
            return Fail<HSTREAM>(BASS_ERROR_ILLPARAM, 0);
        const std::string address = url;
        if (address.rfind("http://", 0) != 0 && address.rfind("https://", 0) != 0 &&
            address.rfind("ftp://", 0) != 0)
            return Fail<HSTREAM>(BASS_ERROR_ILLPARAM, 0);
        if (offset)
            return Fail<HSTREAM>(BASS_ERROR_NOTAVAIL, 0);
        int error = BASS_OK;
        const DWORD handle = Lib().CreateNetworkStream(address, flags, error);
        return Created(handle, error);
    });
}

BASSDEF(void) BASS_Private_SetError(int code) {
    SetError(code);
}

BASSDEF(HSTREAM) BASS_Private_StreamCreateWma(const char* path) {
    return Guarded<HSTREAM>(0, [&] {
        if (!path)
            return Fail<HSTREAM>(BASS_ERROR_ILLPARAM, 0);
        std::string address = path;
        int error = BASS_OK;
        if (address.find("://") == std::string::npos) {
            const DWORD handle = Lib().CreateFileStream(address, SourceKind::Wma, 0, error);
            return Created(handle, error);
        }
        // FFmpeg names the two MMS transports; plain mms:// tries HTTP first, then TCP.
        const std::string rest = address.substr(address.find("://") + 3);
        if (address.rfind("mms://", 0) == 0 || address.rfind("http://", 0) == 0) {
            DWORD handle = Lib().CreateProtocolStream("mmsh://" + rest, SourceKind::Wma, error);
            if (!handle)
                handle = Lib().CreateProtocolStream("mmst://" + rest, SourceKind::Wma, error);
            return Created(handle, error);
        }
        if (address.rfind("mmsh://", 0) == 0 || address.rfind("mmst://", 0) == 0) {
            const DWORD handle = Lib().CreateProtocolStream(address, SourceKind::Wma, error);
            return Created(handle, error);
        }
        return Fail<HSTREAM>(BASS_ERROR_ILLPARAM, 0);
    });
}

BASSDEF(HSTREAM)
BASS_StreamCreate(DWORD freq, DWORD chans, DWORD flags, STREAMPROC* proc, DWORD_PTR user) {
    return Guarded<HSTREAM>(0, [&] {
        if (!proc || chans < 1 || chans > 8)
            return Fail<HSTREAM>(BASS_ERROR_ILLPARAM, 0);
        if (freq < 100 || freq > 192000)
            return Fail<HSTREAM>(BASS_ERROR_FREQ, 0);
        int error = BASS_OK;
        const DWORD handle = Lib().CreateUserStream(freq, chans, flags, proc, user, error);
        return Created(handle, error);
    });
}

BASSDEF(HMUSIC)
BASS_MusicLoad(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD, DWORD) {
    return Guarded<HMUSIC>(0, [&] {
        if (!file)
            return Fail<HMUSIC>(BASS_ERROR_ILLPARAM, 0);
        if (mem || offset || length)
            return Fail<HMUSIC>(BASS_ERROR_NOTAVAIL, 0);
        int error = BASS_OK;
        const DWORD handle =
            Lib().CreateFileStream(static_cast<const char*>(file), SourceKind::Music, 0, error);
        return Created(handle, error);
    });
}

BASSDEF(BOOL) BASS_StreamFree(HSTREAM handle) {
    return Guarded(FALSE, [&] { return FreeOfType(handle, false); });
}

BASSDEF(BOOL) BASS_MusicFree(HMUSIC handle) {
    return Guarded(FALSE, [&] { return FreeOfType(handle, true); });
}

BASSDEF(BOOL) BASS_StreamPlay(HSTREAM handle, BOOL flush, DWORD) {
    return Guarded(FALSE, [&] {
        auto channel = Lookup(handle);
        if (!channel)
            return FALSE;
        if (!IsStream(*channel))
            return Fail(BASS_ERROR_HANDLE, FALSE);
        return Play(*channel, flush != FALSE);
    });
}

BASSDEF(BOOL) BASS_MusicPlay(HMUSIC handle) {
    return Guarded(FALSE, [&] {
        auto channel = Lookup(handle);
        if (!channel)
            return FALSE;
        if (IsStream(*channel))
            return Fail(BASS_ERROR_HANDLE, FALSE);
        return Play(*channel, false);
    });
}

BASSDEF(QWORD) BASS_StreamGetLength(HSTREAM handle) {
    return Guarded(kFailQword, [&] {
        auto channel = Lookup(handle);
        if (!channel)
            return kFailQword;
        if (!IsStream(*channel))
            return Fail(BASS_ERROR_HANDLE, kFailQword);
        const int64_t frames = channel->lengthFrames;
        if (frames < 0)
            return Fail(BASS_ERROR_NOTAVAIL, kFailQword);
        return Succeed(channel->FramesToBytes(static_cast<uint64_t>(frames)));
    });
}

BASSDEF(QWORD) BASS_MusicGetLength(HMUSIC handle, BOOL playlen) {
    return Guarded(kFailQword, [&] {
        auto channel = Lookup(handle);
        if (!channel)
            return kFailQword;
        if (IsStream(*channel))
            return Fail(BASS_ERROR_HANDLE, kFailQword);
        const int64_t frames = channel->lengthFrames;
        if (!playlen || frames < 0)
            return Fail(BASS_ERROR_NOTAVAIL, kFailQword);
        return Succeed(channel->FramesToBytes(static_cast<uint64_t>(frames)));
    });
}

BASSDEF(const char*) BASS_StreamGetTags(HSTREAM handle, DWORD tags) {
    return Guarded(static_cast<const char*>(nullptr), [&]() -> const char* {
        auto channel = Lookup(handle);
        if (!channel)
            return nullptr;
        const char* block = channel->tags.Get(tags);
        if (!block)
            return Fail(BASS_ERROR_NOTAVAIL, static_cast<const char*>(nullptr));
        return Succeed(block);
    });
}

BASSDEF(DWORD) BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode) {
    return Guarded(kFailDword, [&] {
        auto channel = Lookup(handle);
        if (!channel)
            return kFailDword;
        if (channel->type == ChannelType::User)
            return Fail(BASS_ERROR_NOTFILE, kFailDword);
        if (mode > BASS_FILEPOS_START)
            return Fail(BASS_ERROR_ILLTYPE, kFailDword);
        return Succeed(channel->producer->FilePosition(mode));
    });
}

BASSDEF(float) BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) {
    return Guarded(-1.0f, [&] {
        auto channel = Lookup(handle);
        if (!channel)
            return -1.0f;
        const double bytesPerSecond =
            static_cast<double>(channel->info.freq) * channel->FrameBytes();
        return Succeed(static_cast<float>(static_cast<double>(pos) / bytesPerSecond));
    });
}

BASSDEF(QWORD) BASS_ChannelSeconds2Bytes(DWORD handle, float pos) {
    return Guarded(kFailQword, [&] {
        auto channel = Lookup(handle);
        if (!channel)
            return kFailQword;
        if (!(pos >= 0))
            return Fail(BASS_ERROR_ILLPARAM, kFailQword);
        const auto frames =
            static_cast<uint64_t>(std::llround(static_cast<double>(pos) * channel->info.freq));
        return Succeed(channel->FramesToBytes(frames));
    });
}

BASSDEF(DWORD) BASS_ChannelIsActive(DWORD handle) {
    return Guarded<DWORD>(BASS_ACTIVE_STOPPED, [&]() -> DWORD {
        auto channel = Lookup(handle);
        if (!channel)
            return BASS_ACTIVE_STOPPED;
        switch (channel->State()) {
        case PlayState::Playing:
            return Succeed<DWORD>(channel->stalled ? BASS_ACTIVE_STALLED : BASS_ACTIVE_PLAYING);
        case PlayState::Paused:
            return Succeed<DWORD>(BASS_ACTIVE_PAUSED);
        default:
            return Succeed<DWORD>(BASS_ACTIVE_STOPPED);
        }
    });
}

BASSDEF(BOOL) BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info) {
    return Guarded(FALSE, [&] {
        if (!info)
            return Fail(BASS_ERROR_ILLPARAM, FALSE);
        auto channel = Lookup(handle);
        if (!channel)
            return FALSE;
        *info = channel->info;
        return Succeed(TRUE);
    });
}

BASSDEF(BOOL) BASS_ChannelStop(DWORD handle) {
    return Guarded(FALSE, [&] {
        auto channel = Lookup(handle);
        if (!channel)
            return FALSE;
        {
            std::lock_guard lock(Lib().Output().Lock());
            Lib().Output().Remove(channel.get());
            channel->SetState(PlayState::Stopped);
        }
        // A user stream starts afresh from what its callback delivers next.
        if (channel->type == ChannelType::User)
            channel->producer->Rewind();
        return Succeed(TRUE);
    });
}

BASSDEF(BOOL) BASS_ChannelPause(DWORD handle) {
    return Guarded(FALSE, [&] {
        auto channel = Lookup(handle);
        if (!channel)
            return FALSE;
        std::lock_guard lock(Lib().Output().Lock());
        if (channel->State() != PlayState::Playing)
            return Fail(BASS_ERROR_NOPLAY, FALSE);
        channel->SetState(PlayState::Paused);
        return Succeed(TRUE);
    });
}

BASSDEF(BOOL) BASS_ChannelResume(DWORD handle) {
    return Guarded(FALSE, [&] {
        auto channel = Lookup(handle);
        if (!channel)
            return FALSE;
        std::lock_guard lock(Lib().Output().Lock());
        if (channel->State() != PlayState::Paused)
            return Fail(BASS_ERROR_NOPAUSE, FALSE);
        channel->SetState(PlayState::Playing);
        Lib().Output().Started();
        return Succeed(TRUE);
    });
}

BASSDEF(BOOL) BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan) {
    return Guarded(FALSE, [&] {
        auto channel = Lookup(handle);
        if (!channel)
            return FALSE;
        if ((freq != -1 && freq != 0 && (freq < 100 || freq > 100000)) ||
            (volume != -1 && (volume < 0 || volume > 100)) ||
            (pan != -1 && (pan < -100 || pan > 100)))
            return Fail(BASS_ERROR_ILLPARAM, FALSE);
        if (freq == 0)
            channel->frequency = static_cast<int>(channel->info.freq);
        else if (freq != -1)
            channel->frequency = freq;
        if (volume != -1)
            channel->volume = volume;
        if (pan != -1)
            channel->pan = pan;
        return Succeed(TRUE);
    });
}

BASSDEF(BOOL) BASS_ChannelGetAttributes(DWORD handle, DWORD* freq, DWORD* volume, int* pan) {
    return Guarded(FALSE, [&] {
        auto channel = Lookup(handle);
        if (!channel)
            return FALSE;
        if (freq)
            *freq = static_cast<DWORD>(channel->frequency.load());
        if (volume)
            *volume = static_cast<DWORD>(channel->volume.load());
        if (pan)
            *pan = channel->pan.load();
        return Succeed(TRUE);
    });
}

BASSDEF(BOOL) BASS_ChannelSetPosition(DWORD handle, QWORD pos) {
    return Guarded(FALSE, [&] {
        auto channel = Lookup(handle);
        if (!channel)
            return FALSE;
        const int error = channel->producer->Seek(pos / channel->FrameBytes());
        SetError(error);
        return error == BASS_OK ? TRUE : FALSE;
    });
}

BASSDEF(QWORD) BASS_ChannelGetPosition(DWORD handle) {
    return Guarded(kFailQword, [&] {
        auto channel = Lookup(handle);
        if (!channel)
            return kFailQword;
        return Succeed(channel->FramesToBytes(channel->heardFrames.load()));
    });
}

BASSDEF(DWORD) BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) {
    return Guarded(kFailDword, [&] {
        auto channel = Lookup(handle);
        if (!channel)
            return kFailDword;
        if (!buffer)
            return Fail(BASS_ERROR_ILLPARAM, kFailDword);
        const int size = FftSize(length);
        if (size == 0 && channel->decodeOnly) {
            const size_t got = channel->producer->Pull(static_cast<uint8_t*>(buffer), length);
            return got ? Succeed(static_cast<DWORD>(got)) : Fail(BASS_ERROR_ENDED, kFailDword);
        }
        if (size == 0)
            return Fail(BASS_ERROR_NOTAVAIL, kFailDword);
        if (channel->State() != PlayState::Playing)
            return Fail(BASS_ERROR_NOPLAY, kFailDword);
        float samples[Channel::kHistory];
        {
            std::lock_guard lock(Lib().Output().Lock());
            channel->CopyHistory(samples, size);
        }
        if (!Lib().Analyser().Compute(samples, size, static_cast<float*>(buffer)))
            return Fail(BASS_ERROR_MEM, kFailDword);
        return Succeed(static_cast<DWORD>(size * channel->FrameBytes()));
    });
}

BASSDEF(HSYNC)
BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD, SYNCPROC* proc, DWORD_PTR user) {
    return Guarded<HSYNC>(0, [&]() -> HSYNC {
        auto channel = Lookup(handle);
        if (!channel)
            return 0;
        if (!proc)
            return Fail<HSYNC>(BASS_ERROR_ILLPARAM, 0);
        const DWORD kind = type & 0xFFFF;
        if (kind != BASS_SYNC_END && kind != BASS_SYNC_META && kind != BASS_SYNC_DOWNLOAD)
            return Fail<HSYNC>(BASS_ERROR_NOTAVAIL, 0);
        const HSYNC sync = channel->AddSync(type, proc, user);
        // A download that finished before its sync was set is still told, once.
        if (kind == BASS_SYNC_DOWNLOAD && channel->downloadDone)
            Lib().Notices().Post(handle, BASS_SYNC_DOWNLOAD, {});
        return Succeed(sync);
    });
}

BASSDEF(BOOL) BASS_ChannelRemoveSync(DWORD handle, HSYNC sync) {
    return Guarded(FALSE, [&] {
        auto channel = Lookup(handle);
        if (!channel)
            return FALSE;
        if (!channel->RemoveSync(sync))
            return Fail(BASS_ERROR_HANDLE, FALSE);
        return Succeed(TRUE);
    });
}

} // extern "C"
