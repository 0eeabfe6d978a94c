#pragma once

namespace tavuro {

// Puts back Xlib's default error handler, which ends the program at any X error, as libmpv does
// when a clip ends. (Kept apart: Xlib's macros clash with GoogleTest's names.)
void ResetXlibErrorHandler();

} // namespace tavuro
