#pragma once

#include <span>
#include <string>

namespace tavuro {

// One function pointer of a binding and the name it is resolved by.
struct TEntryPointSlot {
    const char* Name;
    void** Pointer;
};

// A shared library loaded at run time whose entry points are resolved all or nothing: a library
// lacking one of them is released again and every pointer stays null.
class TDynamicLibrary {
public:
    TDynamicLibrary() = default;
    ~TDynamicLibrary() { Close(); }
    TDynamicLibrary(const TDynamicLibrary&) = delete;
    TDynamicLibrary& operator=(const TDynamicLibrary&) = delete;

    // Loads the file and fills every slot; false (with every slot null) when the file cannot be
    // loaded or an entry point is missing. TAVURO_DEBUG=1 prints which.
    bool OpenAndResolve(const std::string& path, std::span<const TEntryPointSlot> slots);
    // Releases the library and nulls the slots.
    void Close();
    bool IsOpen() const { return Handle != nullptr; }

private:
    void* Handle = nullptr;
    std::span<const TEntryPointSlot> Slots;
};

} // namespace tavuro
