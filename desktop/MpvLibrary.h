#pragma once

#include <mpv/client.h>

#include <vector>

#include "platform/DynamicLibrary.h"

// The entry points of libmpv the media control calls.
#define TAVURO_MPV_ENTRY_POINTS(X)                                                                 \
    X(mpv_create)                                                                                  \
    X(mpv_initialize)                                                                              \
    X(mpv_terminate_destroy)                                                                       \
    X(mpv_set_option)                                                                              \
    X(mpv_set_option_string)                                                                       \
    X(mpv_set_property)                                                                            \
    X(mpv_set_property_string)                                                                     \
    X(mpv_get_property)                                                                            \
    X(mpv_command)                                                                                 \
    X(mpv_command_ret)                                                                             \
    X(mpv_command_string)                                                                          \
    X(mpv_free_node_contents)                                                                      \
    X(mpv_wait_event)                                                                              \
    X(mpv_set_wakeup_callback)                                                                     \
    X(mpv_request_log_messages)                                                                    \
    X(mpv_error_string)

namespace tavuro {

struct TMpvLibrary {
    TAVURO_MPV_ENTRY_POINTS(TAVURO_BINDING_MEMBER)
    std::vector<TEntryPointSlot> Slots() { return {TAVURO_MPV_ENTRY_POINTS(TAVURO_BINDING_SLOT)}; }
};

// libmpv, loaded when the media control opens its first clip: a player whose audio all goes to
// the engine or the external player never maps it. Null when it cannot be loaded.
inline const TMpvLibrary* MpvLibrary() {
    return LoadedOnce<TMpvLibrary>(TAVURO_MPV_LIBRARY);
}

} // namespace tavuro
