#pragma once

namespace tavuro {

// Handles the events already queued for the calling thread, without waiting for new ones: the
// GUI thread's through QCoreApplication, another thread's through its own Qt event dispatcher
// when it runs an event loop. Threads without one (the audio library's, a plug-in's std::thread)
// have no queue, and the call does nothing.
void ProcessPendingMessages();

// Whether the caller runs on the GUI thread (or no application object exists).
bool OnGuiThread();

} // namespace tavuro
