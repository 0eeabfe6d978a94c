#pragma once

#include <functional>
#include <string>
#include <thread>

namespace tavuro {

// Loads a shared library on a thread of its own while the caller goes on, so that the caller's
// own dlopen of the same file later finds it in memory. `first` runs on that thread before the
// load. A file that is no complete library is left alone, silently: its user reports it. The
// destructor waits for the thread and lets go of the library; a user that opened it keeps it.
class TLibraryPreload {
public:
    explicit TLibraryPreload(std::string path, std::function<void()> first = {});
    ~TLibraryPreload();
    TLibraryPreload(const TLibraryPreload&) = delete;
    TLibraryPreload& operator=(const TLibraryPreload&) = delete;

private:
    void* Handle = nullptr;
    std::thread Loader;
};

} // namespace tavuro
