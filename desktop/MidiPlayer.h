#pragma once

#include "desktop/MidiFile.h"

#include <string>

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_player_t fluid_player_t;

namespace tavuro {

struct TFluidSynthLibrary;
struct TSdlAudioLibrary;

// Plays one MIDI file through a General MIDI SoundFont (libfluidsynth) and SDL audio. Opening
// only reads the file (its length comes from the tempo map), so measuring a song costs no
// synthesiser and no sound device; those are set up on the first Play.
//
// Threads: SDL's audio thread renders the synthesiser, which also advances the sequencer; every
// other call comes from the GUI thread and changes the sequencer only with the device locked.
class TMidiPlayer {
public:
    TMidiPlayer() = default;
    ~TMidiPlayer();
    TMidiPlayer(const TMidiPlayer&) = delete;
    TMidiPlayer& operator=(const TMidiPlayer&) = delete;

    // Reads the song; false when the file is missing or not a MIDI file.
    bool Open(const std::string& path);
    // Stops playing and forgets the song; the sound device is released.
    void Close();
    bool IsOpen() const { return Song.Valid(); }

    // Starts or resumes playing, from the beginning once the song has ended. False when no song
    // is open or no SoundFont or synthesiser could be set up.
    bool Play();
    // Holds the song where it is (the sequencer runs only while the device plays); Play goes on.
    void Pause();
    bool Paused() const { return IsPaused; }
    void Seek(double seconds);
    // Loudness in percent of the normal level, and the synthesiser's reverb unit; both take
    // effect at once or at the next Play.
    void SetVolume(int percent);
    void SetReverb(bool on);
    double Duration() const { return Song.Duration(); }
    double Position() const;
    bool Playing() const;
    bool Ended() const;

    // Whether a file's first bytes say it is a MIDI file (plain or RIFF "RMID").
    static bool LooksLikeMidi(const std::string& path);

private:
    bool LoadLibraries();
    bool SetUpSynthesiser();
    bool OpenDevice();
    void CloseDevice();
    bool StartSequencer();
    void StopSequencer();
    static void Render(void* self, unsigned char* stream, int length);

    TMidiFile Song;
    const TFluidSynthLibrary* Fluid = nullptr; // loaded at the first Play
    const TSdlAudioLibrary* Sdl = nullptr;
    fluid_settings_t* Settings = nullptr;
    fluid_synth_t* Synth = nullptr;
    fluid_player_t* Sequencer = nullptr; // touched by the audio thread while the device runs
    unsigned Device = 0;                 // SDL audio device id, 0 when closed
    bool AudioReady = false;             // the SDL audio subsystem is initialised
    bool IsPaused = false;
    int VolumePercent = 100;
    bool ReverbOn = true;
};

} // namespace tavuro
