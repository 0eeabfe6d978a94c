#include "platform/FontWarmUp.h"

#include <fontconfig/fontconfig.h>

#include <thread>

namespace tavuro {

void WarmUpFonts() {
    std::thread([] { FcInit(); }).detach();
}

} // namespace tavuro
