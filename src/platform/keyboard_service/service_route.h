#pragma once
#include "core/diag/result.h"
#include "platform/services.h"

namespace keyservice {

// Whether the keyboard service runs here (its socket exists).
bool Present();

// The route through the keyboard service, with the session's keymap (the X
// server's where there is one, Xwayland's included; else xkbcommon's
// default); why not, when the service cannot be reached or refuses.
Expected<platform::OwnedServices> OpenServices();

}  // namespace keyservice
