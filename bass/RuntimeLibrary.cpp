#include "RuntimeLibrary.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace bass {

bool Debugging() {
    const char* value = std::getenv("TAVURO_DEBUG");
    return value != nullptr && *value == '1';
}

bool RuntimeLibrary::Open(std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (count_ == kMaxLibraries)
            return false;
        void* handle = dlopen(name, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            if (Debugging())
                std::fprintf(stderr, "libbass: cannot load %s: %s\n", name, dlerror());
            return false;
        }
        handles_[count_++] = handle;
    }
    return true;
}

void* RuntimeLibrary::Symbol(const char* name) const {
    for (int i = 0; i < count_; ++i)
        if (void* found = dlsym(handles_[i], name))
            return found;
    if (Debugging())
        std::fprintf(stderr, "libbass: no entry point %s\n", name);
    return nullptr;
}

} // namespace bass
