#pragma once

// The Winamp plug-in host: eight input plug-in slots, the choice of the current plug-in and the
// position query. One host per process, as plain routines over module-level state; every routine
// is called on the GUI thread.
//
// Nothing in the player loads a plug-in yet, so the table normally stays empty; InstallPlugin is
// how a loader (and the tests) put a module into a slot. The output emulator that plays a
// plug-in's PCM is not part of the host yet: InitPluginHost reports it as not initialised and the
// position query from the output answers 0.

#include "plugins/WindowHandle.h"
#include "plugins/Winamp.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tavuro {

constexpr int kPluginSlotCount = 8;

// Posted to the host window when the engine stops a plug-in stream: no plug-in is current.
constexpr std::uint32_t kMsgPluginStopped = WM_USER + 103; // 1127

// What the host keeps about the plug-in in a slot. An empty record has empty texts and zeros.
struct TPluginInfo {
    std::string Name;           // carried for the loader; the host never reads it
    std::int32_t Version = 0;   // ditto
    std::string Description;    // ditto
    std::string FileExtensions; // the extensions the plug-in plays, for the engine's search
    std::int32_t Flags = 0;     // carried for the loader; the host never reads it
    void* LibraryHandle = nullptr; // the dlopen handle, released at QuitPluginHost; may be null

    bool operator==(const TPluginInfo&) const = default;
};

// Empties all slots, makes the host window and sets the current plug-in to -1. Returns whether the
// output emulator is initialised: false for now, as it is not built yet.
bool InitPluginHost();
// For each occupied slot in order: the module's Quit, then dlclose of its library (when it has
// one); then destroys the host window. The current plug-in becomes -1.
void QuitPluginHost();

// Puts a module into an empty slot 0-7. False when the slot is outside 0-7, occupied, or the
// module is null.
bool InstallPlugin(std::int32_t slot, In_Module* module, TPluginInfo info);

// The slot's module; null when the index is outside 0-7 or the slot is empty.
In_Module* GetPluginModule(std::int32_t index);
// A copy of the slot's record; an empty record when the index is outside 0-7 or the slot is empty.
TPluginInfo GetPluginInfo(std::int32_t index);
// The first slot whose module's FileExtensions text (up to its first NUL) contains ext as a
// substring, ignoring ASCII case; -1 when none. An empty ext matches nothing.
std::int32_t FindPluginForExtension(std::string_view ext);

// -1 is always accepted, 0-7 when the slot is occupied: the index becomes current and the result
// is 0. Anything else leaves the current plug-in and returns -1.
std::int32_t SelectPlugin(std::int32_t index);
std::int32_t CurrentPlugin();
// Milliseconds played: from the output emulator (0 until it exists), or else from the current
// plug-in's GetOutputTime (0 when none is current).
std::int32_t GetPlayedTime(bool fromOutput);

// The folder of the running program with its trailing "/"; empty if it cannot be read.
std::string GetProgramDirectory();

// The host's message window; 0 before InitPluginHost and after QuitPluginHost.
TWindowHandle GetHostWindow();
// The engine's window, which receives the host's notices; 0 = none.
void SetNotifyWindow(TWindowHandle window);
TWindowHandle GetNotifyWindow();

// Kept for the output emulator: the length of the stream about to play, and that a seek is under
// way so that its next flush happens even while paused.
void SetStreamLength(std::int32_t milliseconds);
std::int32_t GetStreamLength();
void SetSeekPending();
bool IsSeekPending();

} // namespace tavuro
