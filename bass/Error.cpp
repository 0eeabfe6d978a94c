#include "Error.h"

namespace bass {

namespace {
thread_local int lastError = 0;
}

void SetError(int code) {
    lastError = code;
}
int LastError() {
    return lastError;
}

} // namespace bass
