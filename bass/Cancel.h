// Asked by an open in progress at each of its waits: true once the library has been freed (or
// the open is otherwise given up), and the open then fails with BASS_ERROR_INIT.
#pragma once

#include <functional>

namespace bass {

using CancelCheck = std::function<bool()>;

} // namespace bass
