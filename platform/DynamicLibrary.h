#pragma once

#include <span>
#include <string>
#include <vector>

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

// A binding of entry points listed once by an X-macro: TAVURO_BINDING_MEMBER makes the function
// pointer members and TAVURO_BINDING_SLOT their table for OpenAndResolve.
#define TAVURO_BINDING_MEMBER(name) decltype(&::name) name = nullptr;
#define TAVURO_BINDING_SLOT(name) ::tavuro::TEntryPointSlot{#name, reinterpret_cast<void**>(&name)},

// A system library a back end needs only once it is used: loaded at the first call, from any
// thread, and kept for the life of the process. TBinding has the entry points as members and a
// Slots() table of them. Null when the library cannot be loaded or lacks an entry point.
template <typename TBinding> const TBinding* LoadedOnce(const char* file) {
    static TBinding binding;
    static const std::vector<TEntryPointSlot> table = binding.Slots();
    // Never released: threads of the library may outlive every object of ours at exit.
    static const bool loaded = (new TDynamicLibrary)->OpenAndResolve(file, table);
    return loaded ? &binding : nullptr;
}

} // namespace tavuro
