#pragma once
// The chords this program has bound in sway, whose they are, and the
// checks before binding one: a chord another slot holds is taken, and so is
// one that sway's configuration binds (sway would silently replace the
// user's binding with ours).

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/services/hotkey_endpoint.h"
#include "platform/wlroots/binding_record.h"
#include "platform/wlroots/sway_chords.h"
#include "platform/wlroots/sway_ipc.h"
#include "platform/wlroots/wayland_keyboard.h"

namespace wlroots {

class SwayBindings {
public:
    using Owner = platform::HotkeyEndpoint*;
    // Removes what an earlier run left bound (the record says what), but for
    // chords the configuration binds itself.
    SwayBindings(std::unique_ptr<SwayIpc> commands, std::shared_ptr<WaylandKeyboard> keyboard, BindingRecord record,
                 std::string configFolder);
    ~SwayBindings();

    // Binds the chord for `owner`, in place of the one it held.
    platform::Claim claim(Owner owner, mod::Mask modKeyCode, int vk);
    void release(Owner owner);
    // Whose binding's command this is; nothing for a command not ours.
    std::optional<Owner> ownerOf(const std::string& command) const;

    // sway reloaded its configuration, which drops every binding made since:
    // each is bound again, but for those the new configuration binds itself,
    // which are let go of and given back with the reason.
    std::vector<std::pair<Owner, std::string>> rebindAfterReload();

    // Types one key of the program's own keyboard. A press that makes up a
    // chord bound here would fire that binding instead of reaching the
    // window: the binding is lifted for the press.
    void typeOwnKey(xkb_keycode_t keycode, bool down);

private:
    // The configuration's bindings, read once until the next reload; empty,
    // and said so in the log, when sway does not give its configuration.
    const std::vector<ConfigBinding>& configBindings();
    Result bind(const std::vector<SwayChord>& chords);
    void unbind(const std::vector<SwayChord>& chords);
    void keepRecord();

    std::unique_ptr<SwayIpc> ipc_;
    std::shared_ptr<WaylandKeyboard> keyboard_;
    BindingRecord record_;
    std::string configFolder_;
    std::optional<std::vector<ConfigBinding>> config_;
    std::map<Owner, std::vector<SwayChord>> claims_;
};

}  // namespace wlroots
