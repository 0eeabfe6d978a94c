#pragma once

// The Winamp plug-in host: eight input plug-in slots, the choice of the current plug-in, the
// position query, and the output emulator that plays a plug-in's PCM (OutputEmulator.h). One host
// per process, as plain routines over module-level state; every routine is called on the GUI
// thread.
//
// Nothing in the player loads a plug-in yet, so the table normally stays empty; InstallPlugin is
// how a loader (and the tests) put a module into a slot.

#include "plugins/WindowHandle.h"
#include "plugins/Winamp.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tavuro {

class TBassLibrary;
class TDialogs;

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

// Empties all slots and sets up the output emulator: reserves its ring and, when that worked,
// fills its Out_Module record and runs its Init, which makes the host window. The emulator calls
// the audio library through bass and shows its message boxes through dialogs; both must outlive
// QuitPluginHost. The current plug-in becomes -1. Returns whether the emulator is initialised.
bool InitPluginHost(const TBassLibrary& bass, TDialogs& dialogs);
// For each occupied slot in order: the module's Quit, then dlclose of its library (when it has
// one); then the output module's Quit (which destroys the host window), the close of a stream
// still open, and the release of the ring. The current plug-in becomes -1.
void QuitPluginHost();

// Puts a module into an empty slot 0-7 as a loader would: the module gets the host window as its
// hMainWindow, info.LibraryHandle as its hDllInstance and the output module as its outMod, a
// library exporting winampSetPostMessage gets the host's PostMessage, then the module's Init runs.
// False when the slot is outside 0-7, occupied, or the module is null.
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
// Milliseconds played: from the output emulator's GetOutputTime (0 when it is not set up), or
// else from the current plug-in's GetOutputTime (0 when none is current).
std::int32_t GetPlayedTime(bool fromOutput);

// The folder of the running program with its trailing "/"; empty if it cannot be read.
std::string GetProgramDirectory();

// The host's message window; 0 before InitPluginHost and after QuitPluginHost.
TWindowHandle GetHostWindow();
// The engine's window, which receives the host's notices; 0 = none.
void SetNotifyWindow(TWindowHandle window);

// For the output emulator: the length in ms of the stream about to play, and that a seek is under
// way so that its next flush happens even while paused.
void SetStreamLength(std::int32_t milliseconds);
void SetSeekPending();

} // namespace tavuro
