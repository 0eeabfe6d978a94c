#include "platform/DynamicLibrary.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "platform/LibraryFile.h"

namespace tavuro {

namespace {

bool DebugOutput() {
    const char* value = std::getenv("TAVURO_DEBUG");
    return value != nullptr && *value == '1';
}

void ClearSlots(std::span<const TEntryPointSlot> slots) {
    for (const TEntryPointSlot& slot : slots)
        *slot.Pointer = nullptr;
}

} // namespace

bool TDynamicLibrary::OpenAndResolve(const std::string& path,
                                     std::span<const TEntryPointSlot> slots) {
    Close();
    // A damaged library would crash the loader; a missing one is simply not there.
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) {
        if (const auto fault = LibraryFileFault(path)) {
            std::fprintf(stderr, "tavuro: %s cannot be used: %s\n", path.c_str(), fault->c_str());
            return false;
        }
    }
    Handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (Handle == nullptr) {
        if (DebugOutput())
            std::fprintf(stderr, "tavuro: cannot load %s: %s\n", path.c_str(), dlerror());
        return false;
    }
    Slots = slots;
    for (const TEntryPointSlot& slot : slots) {
        *slot.Pointer = dlsym(Handle, slot.Name);
        if (*slot.Pointer == nullptr) {
            if (DebugOutput())
                std::fprintf(stderr, "tavuro: %s lacks %s\n", path.c_str(), slot.Name);
            Close();
            return false;
        }
    }
    return true;
}

void TDynamicLibrary::Close() {
    ClearSlots(Slots);
    Slots = {};
    if (Handle != nullptr)
        dlclose(Handle);
    Handle = nullptr;
}

} // namespace tavuro
