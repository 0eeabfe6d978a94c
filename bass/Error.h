// The error code of the calling thread's last BASS call.
#pragma once

namespace bass {

void SetError(int code);
int LastError();

// Sets the error and returns the failure value given, so entry points can `return Fail(..)`.
template <typename T> T Fail(int code, T failureValue) {
    SetError(code);
    return failureValue;
}

} // namespace bass
