// A minimal Winamp input plug-in for the host's tests: it claims MP3, reports a fixed position
// and marks its Quit in the environment, which outlives the unloaded library.
#include "plugins/Winamp.h"

#include <cstdlib>

namespace {

char kDescription[] = "Fake input plug-in";
char kExtensions[] = "mp3\0MPEG Layer 3\0";

void Quit() { setenv("TAVURO_FAKE_PLUGIN_QUIT", "1", 1); }
int GetOutputTime() { return 4321; }

In_Module Module = [] {
    In_Module module{};
    module.version = 0x100;
    module.description = kDescription;
    module.FileExtensions = kExtensions;
    module.Quit = Quit;
    module.GetOutputTime = GetOutputTime;
    return module;
}();

} // namespace

extern "C" __attribute__((visibility("default"))) In_Module* winampGetInModule2() { return &Module; }
