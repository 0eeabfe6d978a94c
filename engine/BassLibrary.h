#pragma once

#include "bass/bass.h"
#include "engine/BassEntryPoints.h"
#include "platform/DynamicLibrary.h"

#include <array>
#include <string>

namespace tavuro {

// The binding to libbass.so: one function pointer per entry point, resolved all or nothing.
class TBassLibrary {
public:
#define TAVURO_DECLARE_ENTRY_POINT(name) decltype(&::name) name = nullptr;
    TAVURO_BASS_ENTRY_POINTS(TAVURO_DECLARE_ENTRY_POINT)
#undef TAVURO_DECLARE_ENTRY_POINT

    TBassLibrary() = default;
    ~TBassLibrary() { UnloadBassLibrary(); }
    TBassLibrary(const TBassLibrary&) = delete;
    TBassLibrary& operator=(const TBassLibrary&) = delete;

    // True at once when already loaded; otherwise loads the file and resolves every entry point,
    // or releases it again and answers false.
    bool LoadBassLibrary(const std::string& path);
    // Calls BASS_Free when loaded, then releases the library.
    void UnloadBassLibrary();
    bool Loaded() const { return Library.IsOpen(); }

private:
    TDynamicLibrary Library;
#define TAVURO_ENTRY_POINT_SLOT(name) TEntryPointSlot{#name, reinterpret_cast<void**>(&name)},
    const std::array<TEntryPointSlot, kBassEntryPointCount> Slots{{TAVURO_BASS_ENTRY_POINTS(TAVURO_ENTRY_POINT_SLOT)}};
#undef TAVURO_ENTRY_POINT_SLOT
};

} // namespace tavuro
