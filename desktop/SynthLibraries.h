#pragma once

#include <SDL.h>
#include <fluidsynth.h>

#include <vector>

#include "platform/DynamicLibrary.h"

// The entry points of libfluidsynth and of SDL's audio that the MIDI player calls.
#define TAVURO_FLUIDSYNTH_ENTRY_POINTS(X)                                                          \
    X(new_fluid_settings)                                                                          \
    X(delete_fluid_settings)                                                                       \
    X(fluid_settings_setint)                                                                       \
    X(fluid_settings_setnum)                                                                       \
    X(fluid_settings_setstr)                                                                       \
    X(new_fluid_synth)                                                                             \
    X(delete_fluid_synth)                                                                          \
    X(fluid_synth_sfload)                                                                          \
    X(fluid_synth_set_gain)                                                                        \
    X(fluid_synth_reverb_on)                                                                       \
    X(fluid_synth_all_sounds_off)                                                                  \
    X(fluid_synth_write_s16)                                                                       \
    X(new_fluid_player)                                                                            \
    X(delete_fluid_player)                                                                         \
    X(fluid_player_add_mem)                                                                        \
    X(fluid_player_play)                                                                           \
    X(fluid_player_stop)                                                                           \
    X(fluid_player_seek)                                                                           \
    X(fluid_player_get_status)                                                                     \
    X(fluid_player_get_current_tick)                                                               \
    X(fluid_set_log_function)

#define TAVURO_SDL_AUDIO_ENTRY_POINTS(X)                                                           \
    X(SDL_SetHint)                                                                                 \
    X(SDL_InitSubSystem)                                                                           \
    X(SDL_QuitSubSystem)                                                                           \
    X(SDL_GetNumAudioDevices)                                                                      \
    X(SDL_OpenAudioDevice)                                                                         \
    X(SDL_CloseAudioDevice)                                                                        \
    X(SDL_PauseAudioDevice)                                                                        \
    X(SDL_LockAudioDevice)                                                                         \
    X(SDL_UnlockAudioDevice)

namespace tavuro {

struct TFluidSynthLibrary {
    TAVURO_FLUIDSYNTH_ENTRY_POINTS(TAVURO_BINDING_MEMBER)
    std::vector<TEntryPointSlot> Slots() {
        return {TAVURO_FLUIDSYNTH_ENTRY_POINTS(TAVURO_BINDING_SLOT)};
    }
};

struct TSdlAudioLibrary {
    TAVURO_SDL_AUDIO_ENTRY_POINTS(TAVURO_BINDING_MEMBER)
    std::vector<TEntryPointSlot> Slots() {
        return {TAVURO_SDL_AUDIO_ENTRY_POINTS(TAVURO_BINDING_SLOT)};
    }
};

// The synthesiser and the sound output, loaded when a song first plays (never when one is only
// measured). Null when the library cannot be loaded.
inline const TFluidSynthLibrary* FluidSynthLibrary() {
    return LoadedOnce<TFluidSynthLibrary>(TAVURO_FLUIDSYNTH_LIBRARY);
}
inline const TSdlAudioLibrary* SdlAudioLibrary() {
    return LoadedOnce<TSdlAudioLibrary>(TAVURO_SDL2_LIBRARY);
}

} // namespace tavuro
