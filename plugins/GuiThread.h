#pragma once

#include <functional>

namespace tavuro {

// Handles the events already queued for the calling thread, without waiting for new ones: the
// GUI thread's through QCoreApplication, another thread's through its own Qt event dispatcher
// when it runs an event loop. Threads without one (the audio library's, a plug-in's std::thread)
// have no queue, and the call does nothing.
void ProcessPendingMessages();

// Runs work on the GUI thread and returns when it is done: at once on the GUI thread (or when no
// application object exists), otherwise queued to the GUI thread while the caller blocks until it
// ran, or until the GUI thread dropped it at exit. A caller on another thread must not hold
// anything the GUI thread may wait for.
void RunOnGuiThread(const std::function<void()>& work);

} // namespace tavuro
