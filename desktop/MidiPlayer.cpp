#include "desktop/MidiPlayer.h"

#include "desktop/SynthLibraries.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace tavuro {

namespace {

constexpr int SampleRate = 44100;
constexpr int BufferFrames = 1024; // 23 ms at 44100 Hz

// The system's General MIDI SoundFont: the packaged default first, then any other one.
std::string FindSoundFont() {
    const std::filesystem::path preferred = "/usr/share/sounds/sf2/default-GM.sf2";
    std::error_code error;
    if (std::filesystem::exists(preferred, error))
        return preferred;
    for (const char* folder : {"/usr/share/sounds/sf2", "/usr/share/soundfonts"}) {
        std::vector<std::filesystem::path> found;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error))
            if (entry.path().extension() == ".sf2")
                found.push_back(entry.path());
        if (!found.empty())
            return *std::min_element(found.begin(), found.end());
    }
    return {};
}

// fluidsynth's default gain of 0.2 leaves a lone instrument near -33 dBFS; 0.5 is the normal level.
float GainFor(int volumePercent) {
    return 0.5f * static_cast<float>(volumePercent) / 100.0f;
}

bool NullOutputWanted() {
    const char* value = std::getenv("TAVURO_NULL_OUTPUT");
    return value && std::strcmp(value, "1") == 0;
}

// fluidsynth reports on stderr; the player stays quiet unless diagnostics were asked for.
void QuietenSynthesiserUnlessDebugging(const TFluidSynthLibrary& fluid) {
    if (std::getenv("TAVURO_DEBUG"))
        return;
    for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid.fluid_set_log_function(level, nullptr, nullptr);
}

// 16-bit stereo at the synthesiser's rate; SDL converts if the device wants otherwise.
unsigned OpenDefaultDevice(const TSdlAudioLibrary& sdl, void* player, SDL_AudioCallback render) {
    SDL_AudioSpec wanted{};
    wanted.freq = SampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = BufferFrames;
    wanted.callback = render;
    wanted.userdata = player;
    SDL_AudioSpec obtained{};
    return sdl.SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
}

// Holds the audio device still while the sequencer is changed from the GUI thread.
class TDeviceLock {
public:
    TDeviceLock(const TSdlAudioLibrary* sdl, unsigned device) : Sdl(sdl), Device(device) {
        if (Device)
            Sdl->SDL_LockAudioDevice(Device);
    }
    ~TDeviceLock() {
        if (Device)
            Sdl->SDL_UnlockAudioDevice(Device);
    }

private:
    const TSdlAudioLibrary* Sdl;
    unsigned Device;
};

} // namespace

TMidiPlayer::~TMidiPlayer() {
    Close();
    if (Synth)
        Fluid->delete_fluid_synth(Synth);
    if (Settings)
        Fluid->delete_fluid_settings(Settings);
    if (AudioReady)
        Sdl->SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool TMidiPlayer::LooksLikeMidi(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    char head[12] = {};
    if (!file.read(head, sizeof head))
        return false;
    return std::memcmp(head, "MThd", 4) == 0 ||
           (std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "RMID", 4) == 0);
}

bool TMidiPlayer::Open(const std::string& path) {
    Close();
    return Song.ReadFromFile(path);
}

void TMidiPlayer::Close() {
    IsPaused = false;
    StopSequencer();
    CloseDevice();
    Song = TMidiFile();
}

void TMidiPlayer::SetVolume(int percent) {
    VolumePercent = std::clamp(percent, 0, 200);
    if (Synth)
        Fluid->fluid_synth_set_gain(Synth, GainFor(VolumePercent));
}

void TMidiPlayer::SetReverb(bool on) {
    ReverbOn = on;
    if (Synth)
        Fluid->fluid_synth_reverb_on(Synth, -1, on ? 1 : 0);
}

bool TMidiPlayer::LoadLibraries() {
    if (!Fluid)
        Fluid = FluidSynthLibrary();
    if (!Sdl)
        Sdl = SdlAudioLibrary();
    return Fluid && Sdl;
}

bool TMidiPlayer::SetUpSynthesiser() {
    if (Synth)
        return true;
    const std::string soundFont = FindSoundFont();
    if (soundFont.empty())
        return false;
    QuietenSynthesiserUnlessDebugging(*Fluid);
    Settings = Fluid->new_fluid_settings();
    if (!Settings)
        return false;
    Fluid->fluid_settings_setnum(Settings, "synth.sample-rate", SampleRate);
    Fluid->fluid_settings_setnum(Settings, "synth.gain", GainFor(VolumePercent));
    Fluid->fluid_settings_setint(Settings, "synth.reverb.active", ReverbOn ? 1 : 0);
    // The sequencer advances with the samples rendered, so a paused device pauses the song.
    Fluid->fluid_settings_setstr(Settings, "player.timing-source", "sample");
    Synth = Fluid->new_fluid_synth(Settings);
    if (Synth && Fluid->fluid_synth_sfload(Synth, soundFont.c_str(), 1) != FLUID_FAILED)
        return true;
    if (Synth)
        Fluid->delete_fluid_synth(Synth);
    Synth = nullptr;
    return false;
}

bool TMidiPlayer::OpenDevice() {
    if (Device)
        return true;
    if (!AudioReady) {
        // Tests and machines without speakers ask for SDL's dummy driver, which keeps time and
        // plays silence; SDL_AUDIODRIVER set by the user still wins over this hint.
        if (NullOutputWanted())
            Sdl->SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
        // Without this SDL turns SIGINT and SIGTERM into quit events that nobody reads here.
        Sdl->SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        AudioReady = Sdl->SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    }
    if (AudioReady)
        Device = OpenDefaultDevice(*Sdl, this, &TMidiPlayer::Render);
    // A machine without any sound device still plays the song, silently, on the dummy driver.
    // Only then is the driver switched: no other part of the player can hold a device on it.
    if (!Device && !std::getenv("SDL_AUDIODRIVER") &&
        (!AudioReady || Sdl->SDL_GetNumAudioDevices(0) <= 0)) {
        if (AudioReady)
            Sdl->SDL_QuitSubSystem(SDL_INIT_AUDIO);
        Sdl->SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
        AudioReady = Sdl->SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        if (AudioReady)
            Device = OpenDefaultDevice(*Sdl, this, &TMidiPlayer::Render);
    }
    return Device != 0;
}

void TMidiPlayer::CloseDevice() {
    if (!Device)
        return;
    Sdl->SDL_CloseAudioDevice(Device);
    Device = 0;
}

// SDL's audio thread: renders the synthesiser, which also plays the song's next events.
void TMidiPlayer::Render(void* self, unsigned char* stream, int length) {
    auto* player = static_cast<TMidiPlayer*>(self);
    const int frames = length / static_cast<int>(2 * sizeof(std::int16_t));
    player->Fluid->fluid_synth_write_s16(player->Synth, frames, stream, 0, 2, stream, 1, 2);
}

bool TMidiPlayer::StartSequencer() {
    StopSequencer();
    fluid_player_t* sequencer = Fluid->new_fluid_player(Synth);
    if (!sequencer)
        return false;
    const auto& bytes = Song.SmfBytes();
    if (Fluid->fluid_player_add_mem(sequencer, bytes.data(), bytes.size()) != FLUID_OK ||
        Fluid->fluid_player_play(sequencer) != FLUID_OK) {
        Fluid->delete_fluid_player(sequencer);
        return false;
    }
    TDeviceLock lock(Sdl, Device);
    Sequencer = sequencer;
    return true;
}

void TMidiPlayer::StopSequencer() {
    if (!Sequencer)
        return;
    fluid_player_t* sequencer = nullptr;
    {
        TDeviceLock lock(Sdl, Device);
        sequencer = Sequencer;
        Sequencer = nullptr;
        Fluid->fluid_player_stop(sequencer);
        Fluid->fluid_synth_all_sounds_off(Synth, -1);
    }
    Fluid->delete_fluid_player(sequencer);
}

bool TMidiPlayer::Play() {
    if (!Song.Valid() || !LoadLibraries() || !SetUpSynthesiser() || !OpenDevice())
        return false;
    if (!Sequencer || Ended()) {
        Sdl->SDL_PauseAudioDevice(Device, 1);
        if (!StartSequencer())
            return false;
    }
    Sdl->SDL_PauseAudioDevice(Device, 0);
    IsPaused = false;
    return true;
}

void TMidiPlayer::Pause() {
    if (!Playing())
        return;
    Sdl->SDL_PauseAudioDevice(Device, 1);
    IsPaused = true;
}

void TMidiPlayer::Seek(double seconds) {
    if (!Sequencer || Ended())
        return;
    TDeviceLock lock(Sdl, Device);
    Fluid->fluid_player_seek(Sequencer, static_cast<int>(Song.TickAtSeconds(seconds)));
}

double TMidiPlayer::Position() const {
    if (!Sequencer)
        return 0.0;
    if (Ended())
        return Song.Duration();
    TDeviceLock lock(Sdl, Device);
    const int tick = Fluid->fluid_player_get_current_tick(Sequencer);
    return Song.SecondsAtTick(tick > 0 ? static_cast<std::uint64_t>(tick) : 0);
}

bool TMidiPlayer::Playing() const {
    return Sequencer && !Ended();
}

// The song ends with its last event; the sequencer itself reports done only seconds later,
// after the last notes have rung out, which the song's listener keeps hearing meanwhile.
bool TMidiPlayer::Ended() const {
    if (!Sequencer)
        return false;
    TDeviceLock lock(Sdl, Device);
    const int tick = Fluid->fluid_player_get_current_tick(Sequencer);
    return Fluid->fluid_player_get_status(Sequencer) == FLUID_PLAYER_DONE ||
           (tick >= 0 && static_cast<std::uint64_t>(tick) >= Song.LastTick());
}

} // namespace tavuro
