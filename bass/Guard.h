// Runs an entry point's body so that no exception leaves the C API.
#pragma once

#include <new>

#include "Error.h"
#include "bass.h"

namespace bass {

template <typename T, typename Body> T Guarded(T failureValue, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return Fail(BASS_ERROR_MEM, failureValue);
    } catch (...) {
        return Fail(BASS_ERROR_UNKNOWN, failureValue);
    }
}

// The value an entry point returns on success, with the error code cleared.
template <typename T> T Succeed(T value) {
    SetError(BASS_OK);
    return value;
}

} // namespace bass
