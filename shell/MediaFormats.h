// What the player opens: the open dialog's filters, and the MIME types the desktop entry and
// MPRIS announce for the same formats.
#pragma once

#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace tavuro {

// The open dialog's filters, the descriptions in the user's language; the first is every format.
std::vector<TFileFilter> OpenDialogFilters();

// The MIME types of the formats the first filter lists (data/tavuro.desktop lists the same).
const std::vector<std::string>& PlayableMimeTypes();

} // namespace tavuro
