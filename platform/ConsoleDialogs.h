#pragma once

#include <iosfwd>
#include <memory>

#include "platform/Dialogs.h"

namespace tavuro {

// The dialogs of a player no one can see (no display): each message box is written to the
// stream as "title: text" and answered with its default button at once; the open dialog is
// cancelled. Nothing waits for an answer that cannot come.
std::unique_ptr<TDialogs> MakeConsoleDialogs(std::ostream& stream);

} // namespace tavuro
