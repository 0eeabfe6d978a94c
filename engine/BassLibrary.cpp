#include "engine/BassLibrary.h"
#include "engine/BassWmaLibrary.h"

namespace tavuro {

bool TBassLibrary::LoadBassLibrary(const std::string& path) {
    return Loaded() || Library.OpenAndResolve(path, Slots);
}

void TBassLibrary::UnloadBassLibrary() {
    if (Loaded())
        BASS_Free();
    Library.Close();
}

bool TBassWmaLibrary::LoadBassWmaLibrary(const std::string& path) {
    return Loaded() || Library.OpenAndResolve(path, Slots);
}

} // namespace tavuro
