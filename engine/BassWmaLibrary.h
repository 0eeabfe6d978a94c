#pragma once

#include "bass/basswma.h"
#include "engine/BassEntryPoints.h"
#include "platform/DynamicLibrary.h"

#include <array>
#include <string>

namespace tavuro {

// The binding to libbasswma.so, the WMA add-on: resolved all or nothing like the core library.
class TBassWmaLibrary {
public:
#define TAVURO_DECLARE_ENTRY_POINT(name) decltype(&::name) name = nullptr;
    TAVURO_BASS_WMA_ENTRY_POINTS(TAVURO_DECLARE_ENTRY_POINT)
#undef TAVURO_DECLARE_ENTRY_POINT

    TBassWmaLibrary() = default;
    TBassWmaLibrary(const TBassWmaLibrary&) = delete;
    TBassWmaLibrary& operator=(const TBassWmaLibrary&) = delete;

    bool LoadBassWmaLibrary(const std::string& path);
    // Releases the library; the add-on needs no call first.
    void UnloadBassWmaLibrary() { Library.Close(); }
    bool Loaded() const { return Library.IsOpen(); }

private:
    TDynamicLibrary Library;
#define TAVURO_ENTRY_POINT_SLOT(name) TEntryPointSlot{#name, reinterpret_cast<void**>(&name)},
    const std::array<TEntryPointSlot, kBassWmaEntryPointCount> Slots{
        {TAVURO_BASS_WMA_ENTRY_POINTS(TAVURO_ENTRY_POINT_SLOT)}};
#undef TAVURO_ENTRY_POINT_SLOT
};

} // namespace tavuro
