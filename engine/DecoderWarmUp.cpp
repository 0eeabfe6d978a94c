#include "engine/DecoderWarmUp.h"

#include <dlfcn.h>

#include <thread>

namespace tavuro {

void WarmUpDecoders() {
    // The handles are kept: the audio library's own loads of the same names then find them.
    std::thread([] {
        for (const char* library :
             {TAVURO_SDL2_LIBRARY, TAVURO_MPG123_LIBRARY, TAVURO_FFTW_LIBRARY,
              TAVURO_VORBISFILE_LIBRARY, TAVURO_OPUSFILE_LIBRARY, TAVURO_FLAC_LIBRARY})
            dlopen(library, RTLD_NOW | RTLD_LOCAL);
    }).detach();
}

} // namespace tavuro
