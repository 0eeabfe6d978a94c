#pragma once

// The output plug-in emulator: the Out_Module handed to input plug-ins. A plug-in pushes its PCM
// into an 88200-byte ring from its decoding thread; a user stream of the audio library drains the
// ring on the library's thread; the host window, on the GUI thread, starts the stream once enough
// is buffered and passes the plug-in's notices on to the engine. One emulator per process, as
// module-level state that the plug-in host sets up and tears down.

#include "plugins/ChannelInfo.h"
#include "plugins/Winamp.h"
#include "plugins/WindowHandle.h"

#include <cstdint>

namespace tavuro {

class TBassLibrary;
class TDialogs;

// Half a second of 44.1 kHz 16-bit stereo.
constexpr std::uint32_t kRingBufferSize = 88200;

// Messages of the host window and the notices it sends on.
constexpr std::uint32_t kMsgEndSessionQuery = 17;          // answered with 1
constexpr std::uint32_t kMsgPlaybackEnd = WM_USER + 2;     // 1026, the plug-in's end of file
constexpr std::uint32_t kMsgStartPlay = WM_USER + 101;     // 1125, lParam: PChannelInfo
constexpr std::uint32_t kMsgStreamCreated = WM_USER + 105; // 1129, wParam: the stream handle
// The emulator's own: a message box asked for on a plug-in's thread, shown on the GUI thread.
constexpr std::uint32_t kMsgShowBox = WM_USER + 130;

// Reserves the ring, once; false when the memory cannot be had. GUI thread.
bool ReserveRingBuffer();
// Fills the Out_Module record with the emulator's operations. They call the audio library only
// through bass and show message boxes through dialogs, on the GUI thread; both must outlive the
// emulator (until FreeRingBuffer). GUI thread.
void FillOutputModule(const TBassLibrary& bass, TDialogs& dialogs);
// The record handed to plug-ins; null until FillOutputModule and after FreeRingBuffer.
Out_Module* GetOutputModule();
// Closes a stream still open, frees the ring and forgets the record. GUI thread.
void FreeRingBuffer();

// The hidden window that Init made; 0 before Init and after Quit.
TWindowHandle GetOutputHostWindow();
// The engine's window, which receives 1129 and the passed-on 1026 and 1125; 0 = none.
void SetOutputNotifyWindow(TWindowHandle window);
// The length in ms of the stream about to play; no underrun wait within 2 s of it.
void SetOutputStreamLength(std::int32_t milliseconds);
// A seek is under way: the next Flush happens even while paused.
void SetOutputSeekPending();

// The host window's procedure, called on the GUI thread for each message; its answer.
std::intptr_t HostWindowProc(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

} // namespace tavuro
