// Libraries the audio library loads when a stream first needs them, not with the library itself:
// a player that sits idle maps none of them, and one that plays MP3 maps no FFmpeg.
#pragma once

#include <initializer_list>

// Declares the struct NAME with one function pointer per entry point of the X-macro list.
#define BASS_RUNTIME_MEMBER(name) decltype(&::name) name = nullptr;
#define BASS_RUNTIME_RESOLVE(name)                                                                 \
    api.name = reinterpret_cast<decltype(api.name)>(library.Symbol(#name));                        \
    complete = complete && api.name != nullptr;

namespace bass {

// Handles of one or more shared libraries opened together, kept for the life of the process:
// decoding threads may still be winding down at exit.
class RuntimeLibrary {
public:
    // Opens each library by the name the system loads it by (its soname); false when one is
    // missing (TAVURO_DEBUG=1 says which).
    bool Open(std::initializer_list<const char*> names);
    // The entry point of that name in the first library that has it; null when none has.
    void* Symbol(const char* name) const;

private:
    static constexpr int kMaxLibraries = 4;
    void* handles_[kMaxLibraries] = {};
    int count_ = 0;
};

// True when TAVURO_DEBUG=1 asks for the libraries' own messages.
bool Debugging();

} // namespace bass

// Defines `const NAME* FUNCTION()`: loads the libraries at the first call, from any thread, and
// resolves every entry point of LIST; null when a library or an entry point is missing.
#define BASS_DEFINE_RUNTIME_LOADER(NAME, FUNCTION, LIST, ...)                                      \
    const NAME* FUNCTION() {                                                                       \
        static NAME api;                                                                           \
        static const bool loaded = [] {                                                            \
            static ::bass::RuntimeLibrary library;                                                 \
            if (!library.Open({__VA_ARGS__}))                                                      \
                return false;                                                                      \
            bool complete = true;                                                                  \
            LIST(BASS_RUNTIME_RESOLVE)                                                             \
            return complete;                                                                       \
        }();                                                                                       \
        return loaded ? &api : nullptr;                                                            \
    }
