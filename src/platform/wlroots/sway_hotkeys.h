#pragma once
// Global hotkeys from sway: each live chord is a binding of sway's whose
// command does nothing (`nop`) but is reported on sway's IPC, where the
// program listens for binding events on a connection of its own. A binding
// left behind by a crash does nothing, and the next start removes it.

#include <memory>

#include <QObject>

#include "core/services/hotkey_endpoint.h"
#include "platform/wlroots/sway_bindings.h"

class QSocketNotifier;

namespace wlroots {

class SwayHotkeyService : public QObject, public platform::HotkeyService {
public:
    // `events` is subscribed to binding and workspace events already.
    SwayHotkeyService(std::shared_ptr<SwayBindings> bindings, std::unique_ptr<SwayIpc> events);
    ~SwayHotkeyService() override;
    std::unique_ptr<platform::HotkeyEndpoint> createEndpoint() override;

private:
    void readEvents();
    void handle(const IpcMessage& event);

    std::shared_ptr<SwayBindings> bindings_;
    std::unique_ptr<SwayIpc> events_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace wlroots
