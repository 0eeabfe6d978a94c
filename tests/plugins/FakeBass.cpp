#include "tests/plugins/FakeBass.h"

namespace tavuro::test {

namespace {

void Record(TFakeBass& fake, const std::string& call) {
    fake.Calls.push_back(call);
}

HSTREAM StreamCreate(DWORD freq, DWORD chans, DWORD flags, STREAMPROC* proc, DWORD_PTR) {
    TFakeBass& fake = FakeBass();
    std::lock_guard lock(fake.Lock);
    Record(fake, "StreamCreate");
    if (fake.NextStream == 0)
        return 0;
    fake.Stream = fake.NextStream++;
    fake.Proc = proc;
    fake.CreatedRate = freq;
    fake.CreatedChannels = chans;
    fake.CreatedFlags = flags;
    fake.Active = BASS_ACTIVE_STOPPED;
    fake.Position = 0;
    return fake.Stream;
}

BOOL StreamFree(HSTREAM handle) {
    TFakeBass& fake = FakeBass();
    std::lock_guard lock(fake.Lock);
    Record(fake, "StreamFree " + std::to_string(handle));
    if (handle == 0 || handle != fake.Stream)
        return FALSE;
    fake.Stream = 0;
    fake.Active = BASS_ACTIVE_STOPPED;
    return TRUE;
}

BOOL StreamPlay(HSTREAM handle, BOOL flush, DWORD) {
    TFakeBass& fake = FakeBass();
    std::lock_guard lock(fake.Lock);
    Record(fake, "StreamPlay " + std::to_string(handle) + " " + std::to_string(flush));
    if (handle == 0 || handle != fake.Stream)
        return FALSE;
    if (flush)
        fake.Position = 0;
    fake.Active = BASS_ACTIVE_PLAYING;
    return TRUE;
}

DWORD ChannelIsActive(DWORD handle) {
    TFakeBass& fake = FakeBass();
    std::lock_guard lock(fake.Lock);
    return handle != 0 && handle == fake.Stream ? fake.Active : BASS_ACTIVE_STOPPED;
}

BOOL ChannelStop(DWORD handle) {
    TFakeBass& fake = FakeBass();
    std::lock_guard lock(fake.Lock);
    Record(fake, "ChannelStop " + std::to_string(handle));
    if (handle == 0 || handle != fake.Stream)
        return FALSE;
    fake.Active = BASS_ACTIVE_STOPPED;
    fake.Position = 0;
    return TRUE;
}

BOOL ChannelPause(DWORD handle) {
    TFakeBass& fake = FakeBass();
    std::lock_guard lock(fake.Lock);
    Record(fake, "ChannelPause " + std::to_string(handle));
    if (handle == 0 || handle != fake.Stream || fake.Active != BASS_ACTIVE_PLAYING)
        return FALSE;
    fake.Active = BASS_ACTIVE_PAUSED;
    return TRUE;
}

BOOL ChannelResume(DWORD handle) {
    TFakeBass& fake = FakeBass();
    std::lock_guard lock(fake.Lock);
    Record(fake, "ChannelResume " + std::to_string(handle));
    if (handle == 0 || handle != fake.Stream || fake.Active != BASS_ACTIVE_PAUSED)
        return FALSE;
    fake.Active = BASS_ACTIVE_PLAYING;
    return TRUE;
}

QWORD ChannelGetPosition(DWORD handle) {
    TFakeBass& fake = FakeBass();
    std::lock_guard lock(fake.Lock);
    return handle != 0 && handle == fake.Stream ? fake.Position : static_cast<QWORD>(-1);
}

BOOL ChannelSetAttributes(DWORD handle, int freq, int volume, int pan) {
    TFakeBass& fake = FakeBass();
    std::lock_guard lock(fake.Lock);
    Record(fake, "ChannelSetAttributes " + std::to_string(handle) + " " + std::to_string(freq) +
                     " " + std::to_string(volume) + " " + std::to_string(pan));
    return handle != 0 && handle == fake.Stream;
}

DWORD SetConfig(DWORD option, DWORD value) {
    TFakeBass& fake = FakeBass();
    std::lock_guard lock(fake.Lock);
    Record(fake, "SetConfig " + std::to_string(option) + " " + std::to_string(value));
    return value;
}

TBassLibrary& MakeLibrary() {
    static TBassLibrary library;
    library.BASS_StreamCreate = StreamCreate;
    library.BASS_StreamFree = StreamFree;
    library.BASS_StreamPlay = StreamPlay;
    library.BASS_ChannelIsActive = ChannelIsActive;
    library.BASS_ChannelStop = ChannelStop;
    library.BASS_ChannelPause = ChannelPause;
    library.BASS_ChannelResume = ChannelResume;
    library.BASS_ChannelGetPosition = ChannelGetPosition;
    library.BASS_ChannelSetAttributes = ChannelSetAttributes;
    library.BASS_SetConfig = SetConfig;
    return library;
}

} // namespace

void TFakeBass::Reset() {
    std::lock_guard lock(Lock);
    Stream = 0;
    NextStream = 100;
    Active = BASS_ACTIVE_STOPPED;
    Position = 0;
    Proc = nullptr;
    CreatedRate = CreatedChannels = CreatedFlags = 0;
    Calls.clear();
}

std::vector<std::string> TFakeBass::TakeCalls() {
    std::lock_guard lock(Lock);
    return std::exchange(Calls, {});
}

DWORD TFakeBass::Pull(void* buffer, DWORD length) {
    STREAMPROC* proc = nullptr;
    HSTREAM stream = 0;
    {
        std::lock_guard lock(Lock);
        proc = Proc;
        stream = Stream;
    }
    return proc(stream, buffer, length, 0);
}

TFakeBass& FakeBass() {
    static TFakeBass fake;
    return fake;
}

const TBassLibrary& FakeBassLibrary() {
    static const TBassLibrary& library = MakeLibrary();
    return library;
}

} // namespace tavuro::test
