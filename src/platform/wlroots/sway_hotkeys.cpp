#include "platform/wlroots/sway_hotkeys.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>

#include "core/diag/diag.h"
#include "platform/wlroots/trace.h"

namespace wlroots {

namespace {

class SwayHotkeyEndpoint : public platform::HotkeyEndpoint {
public:
    explicit SwayHotkeyEndpoint(std::shared_ptr<SwayBindings> bindings) : bindings_(std::move(bindings)) {}
    ~SwayHotkeyEndpoint() override { unregisterChord(); }
    platform::Claim registerChord(mod::Mask modKeyCode, int keyCode) override {
        return bindings_->claim(this, modKeyCode, keyCode);
    }
    void unregisterChord() override { bindings_->release(this); }

private:
    std::shared_ptr<SwayBindings> bindings_;
};

}  // namespace

SwayHotkeyService::SwayHotkeyService(std::shared_ptr<SwayBindings> bindings, std::unique_ptr<SwayIpc> events)
    : bindings_(std::move(bindings)), events_(std::move(events)) {
    notifier_ = std::make_unique<QSocketNotifier>(events_->fd(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { readEvents(); });
}

SwayHotkeyService::~SwayHotkeyService() = default;

std::unique_ptr<platform::HotkeyEndpoint> SwayHotkeyService::createEndpoint() {
    return std::make_unique<SwayHotkeyEndpoint>(bindings_);
}

void SwayHotkeyService::readEvents() {
    bool closed = false;
    for (const IpcMessage& event : events_->readEvents(&closed)) handle(event);
    if (closed) {
        notifier_->setEnabled(false);
        diag::Report("sway's IPC connection closed: no trigger fires from now on");
    }
}

void SwayHotkeyService::handle(const IpcMessage& event) {
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(event.payload)).object();
    if (event.type == ipc::BindingEvent) {
        const std::string command = o.value("binding").toObject().value("command").toString().toStdString();
        const auto owner = bindings_->ownerOf(command);
        if (!owner) return;
        Trace("binding " + command.substr(command.rfind(' ') + 1));
        // Bound with --no-repeat: every event is a press of the user's.
        if ((*owner)->onPressed) (*owner)->onPressed(false);
    } else if (event.type == ipc::WorkspaceEvent && o.value("change").toString() == "reload") {
        // The reloaded configuration binds the chord itself (or sway would
        // not bind it again): the desktop has it now.
        for (const auto& [owner, why] : bindings_->rebindAfterReload())
            if (owner->onLost) owner->onLost(platform::Loss::Taken, why);
    }
}

}  // namespace wlroots
