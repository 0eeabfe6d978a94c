#include "XlibErrorHandler.h"

#include <X11/Xlib.h>

namespace tavuro {

void ResetXlibErrorHandler() {
    XSetErrorHandler(nullptr);
}

} // namespace tavuro
