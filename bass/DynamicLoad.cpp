#include "DynamicLoad.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace bass {

bool DebugWanted() {
    const char* value = std::getenv("TAVURO_DEBUG");
    return value != nullptr && *value == '1';
}

bool OpenLibraries(std::span<const char* const> names, std::vector<void*>& handles) {
    for (const char* name : names) {
        void* handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            if (DebugWanted())
                std::fprintf(stderr, "libbass: cannot load %s: %s\n", name, dlerror());
            return false;
        }
        handles.push_back(handle);
    }
    return true;
}

void* FindSymbol(const std::vector<void*>& handles, const char* name) {
    for (void* handle : handles)
        if (void* found = dlsym(handle, name))
            return found;
    if (DebugWanted())
        std::fprintf(stderr, "libbass: no %s in the libraries loaded\n", name);
    return nullptr;
}

} // namespace bass
