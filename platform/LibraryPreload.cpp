#include "platform/LibraryPreload.h"

#include <dlfcn.h>

#include "platform/LibraryFile.h"

namespace tavuro {

TLibraryPreload::TLibraryPreload(std::string path, std::function<void()> first)
    : Loader([this, path = std::move(path), first = std::move(first)] {
          if (first)
              first();
          // The same flags as the library's user, so its dlopen only counts one more reference.
          if (!LibraryFileFault(path))
              Handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
      }) {}

TLibraryPreload::~TLibraryPreload() {
    Loader.join();
    if (Handle != nullptr)
        dlclose(Handle);
}

} // namespace tavuro
