#pragma once
#include "core/diag/result.h"
#include "platform/services.h"

namespace x11 {

// The X11 route, on the display $DISPLAY names: grabs for triggers, XTest
// for targets, XInput 2 for the keys held. Fails, saying why, where the
// display cannot be opened or lacks an extension.
Expected<platform::OwnedServices> OpenServices();

// Whether the display $DISPLAY names can be opened.
bool DisplayOpens();

}  // namespace x11
