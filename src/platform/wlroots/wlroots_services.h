#pragma once
#include "core/diag/result.h"
#include "platform/services.h"

namespace wlroots {

// The route on wlroots compositors that offer sway's IPC ($SWAYSOCK) and
// virtual keyboards: triggers are sway bindings, targets are typed on the
// program's own virtual keyboard. Fails, saying why, where either is missing.
Expected<platform::OwnedServices> OpenServices();

}  // namespace wlroots
