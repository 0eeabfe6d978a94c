#pragma once

// The records of Winamp's published input and output plug-in interface, laid out member for
// member as plug-ins expect them, with the C calling convention. Window handles are pointer-wide
// numbers; module instance handles are pointers.

#include "plugins/WindowHandle.h"

#include <stdint.h>

extern "C" {

// Filled in by the host and handed to an input plug-in, which pushes its decoded PCM through it.
// Every operation is called on the plug-in's decoding thread unless said otherwise.
struct Out_Module {
    int version;            // module version (0x10)
    char* description;      // name and version, shown to the user
    int id;                 // module id; ids of third-party modules are 65536 and above
    tavuro::TWindowHandle hMainWindow; // the host's main window
    void* hDllInstance;     // the module's library instance

    void (*Config)(tavuro::TWindowHandle hwndParent); // configuration dialog
    void (*About)(tavuro::TWindowHandle hwndParent);  // about dialog
    void (*Init)();  // called when the module is loaded
    void (*Quit)();  // called when it is unloaded
    // Opens the output; returns the added latency in ms, or a negative value on failure.
    int (*Open)(int samplerate, int numchannels, int bitspersamp, int bufferlenms,
                int prebufferms);
    void (*Close)();
    // Queues len bytes of PCM; 0 when accepted, 1 when not written.
    int (*Write)(char* buf, int len);
    // The number of bytes Write would take now.
    int (*CanWrite)();
    // Non-zero while output is still going or data waits in buffers.
    int (*IsPlaying)();
    // Pauses (non-zero) or resumes (0); returns the previous pause state.
    int (*Pause)(int pause);
    void (*SetVolume)(int volume); // 0 to 255
    void (*SetPan)(int pan);       // -128 to 128
    void (*Flush)(int t);          // drops what is buffered and goes on at time t (ms)
    int (*GetOutputTime)();        // time played, ms
    int (*GetWrittenTime)();       // time written, ms
};

// Returned by an input plug-in's library; the host drives the plug-in through it. Members the
// host fills are marked so; the rest belong to the plug-in.
struct In_Module {
    int version;          // module version (0x100)
    char* description;    // name and version
    tavuro::TWindowHandle hMainWindow; // filled by the host: where the plug-in posts its notices
    void* hDllInstance;   // filled by the host
    // Pairs of NUL-terminated texts, extension then description: "mp3\0MPEG Layer 3\0\0".
    char* FileExtensions;
    int is_seekable;      // non-zero when the stream can seek
    int UsesOutputPlug;   // non-zero when the plug-in plays through outMod

    void (*Config)(tavuro::TWindowHandle hwndParent);
    void (*About)(tavuro::TWindowHandle hwndParent);
    void (*Init)(); // once, after the host filled its members
    void (*Quit)(); // once, before the library is released

    // Title and length of a file, or of the one playing when file is null.
    void (*GetFileInfo)(const char* file, char* title, int* length_in_ms);
    int (*InfoBox)(const char* file, tavuro::TWindowHandle hwndParent);
    // Non-zero when the plug-in claims the file whatever its extension (mms://, ...).
    int (*IsOurFile)(const char* fn);

    // Starts playing; 0 on success, -1 when the file is not found, other values on other errors.
    int (*Play)(const char* fn);
    void (*Pause)();
    void (*UnPause)();
    int (*IsPaused)(); // 1 when paused
    void (*Stop)();

    int (*GetLength)();            // ms
    int (*GetOutputTime)();        // ms, usually outMod->GetOutputTime()
    void (*SetOutputTime)(int time_in_ms); // seeks
    void (*SetVolume)(int volume); // 0 to 255
    void (*SetPan)(int pan);       // -127 to 127

    // Visualisation and DSP services the host would fill; this host leaves them unset.
    void (*SAVSAInit)(int maxlatency_in_ms, int srate);
    void (*SAVSADeInit)();
    void (*SAAddPCMData)(void* PCMData, int nch, int bps, int timestamp);
    int (*SAGetMode)();
    void (*SAAdd)(void* data, int timestamp, int csa);
    void (*VSAAddPCMData)(void* PCMData, int nch, int bps, int timestamp);
    int (*VSAGetMode)(int* specNch, int* waveNch);
    void (*VSAAdd)(void* data, int timestamp);
    void (*VSASetInfo)(int nch, int srate);
    int (*dsp_isactive)();
    int (*dsp_dosamples)(short* samples, int numsamples, int bps, int nch, int srate);
    void (*EQSet)(int on, char data[10], int preamp);
    void (*SetInfo)(int bitrate, int srate, int stereo, int synched);

    Out_Module* outMod; // filled by the host
};

// The entry point an input plug-in library exports.
typedef In_Module* (*winampGetInModule2Proc)();

// There is no system PostMessage here: a plug-in posts its notices to hMainWindow (such as the end
// of playback, WM_USER + 2) through this function of the host, which returns non-zero when the
// message was posted. It may be called from any thread.
typedef int (*PostMessageProc)(tavuro::TWindowHandle window, unsigned int message,
                               uintptr_t wParam, intptr_t lParam);
// Optional export of a plug-in library: the host calls it with its PostMessage before Init.
typedef void (*winampSetPostMessageProc)(PostMessageProc post);

} // extern "C"
