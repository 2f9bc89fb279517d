#include "platform/wlroots/sway_bindings.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <set>

#include "core/diag/diag.h"
#include "core/settings/atomic_file.h"
#include "platform/wlroots/trace.h"

namespace wlroots {

namespace {

std::string bindCommands(const std::vector<SwayChord>& chords) {
    std::string out;
    // --no-repeat: a held chord fires once. --no-warn: replacing a binding an
    // earlier run left is expected here, not worth sway's warning.
    for (const SwayChord& c : chords)
        out +=
            (out.empty() ? "" : ";") + std::string("bindcode --no-repeat --no-warn ") + c.combo() + " " + c.command();
    return out;
}

std::string unbindCommands(const std::vector<SwayChord>& chords) {
    std::string out;
    for (const SwayChord& c : chords) out += (out.empty() ? "" : ";") + std::string("unbindcode ") + c.combo();
    return out;
}

}  // namespace

SwayBindings::SwayBindings(std::unique_ptr<SwayIpc> commands, std::shared_ptr<WaylandKeyboard> keyboard,
                           BindingRecord record, std::string configFolder)
    : ipc_(std::move(commands)),
      keyboard_(std::move(keyboard)),
      record_(std::move(record)),
      configFolder_(std::move(configFolder)) {
    std::vector<SwayChord> left;
    for (const std::string& combo : record_.read())
        if (const std::optional<SwayChord> c = ParseOwnCombo(combo);
            c && !BindingFiredBy(configBindings(), *c, keyboard_->keys()))
            left.push_back(*c);
    if (!left.empty()) {
        // Some may be gone already (a reload): sway's "not found" is no failure here.
        (void)ipc_->run(unbindCommands(left));
        diag::Report("removed " + std::to_string(left.size()) + " sway binding(s) an earlier run left behind");
    }
    keepRecord();
}

SwayBindings::~SwayBindings() {
    for (const auto& [owner, chords] : claims_) unbind(chords);
    claims_.clear();
    keepRecord();
}

const std::vector<ConfigBinding>& SwayBindings::configBindings() {
    if (config_) return *config_;
    config_.emplace();
    const Expected<std::string> reply = ipc_->request(ipc::GetConfig, "");
    const QJsonDocument doc = reply ? QJsonDocument::fromJson(QByteArray::fromStdString(*reply)) : QJsonDocument();
    if (!doc.isObject() || !doc.object().value("config").isString()) {
        diag::Report("sway did not give its configuration (" +
                     (reply ? std::string("no \"config\" in its answer") : reply.why()) +
                     "): chords it binds itself cannot be told apart");
        return *config_;
    }
    ConfigSource source{.text = doc.object().value("config").toString().toStdString(),
                        .folder = configFolder_,
                        .readFile =
                            [](const std::string& path) {
                                std::string error;
                                return atomicfile::readAll(path, &error);
                            },
                        .expand = ExpandPattern};
    *config_ = ScanBindings(source);
    return *config_;
}

platform::Claim SwayBindings::claim(Owner owner, mod::Mask modKeyCode, int vk) {
    release(owner);
    const std::vector<SwayChord> chords = ChordsFor(modKeyCode, vk, keyboard_->keys());
    if (chords.empty())
        return platform::Claim::refused("the keyboard layout has no key for code " + std::to_string(vk));
    for (const SwayChord& c : chords) {
        for (const auto& [other, held] : claims_)
            if (std::find(held.begin(), held.end(), c) != held.end()) return platform::Claim::taken();
        if (const ConfigBinding* b = BindingFiredBy(configBindings(), c, keyboard_->keys())) {
            diag::Report("sway's configuration binds " + c.combo() + " already: " + b->line);
            return platform::Claim::taken();
        }
    }
    if (Result r = bind(chords); !r) {
        unbind(chords);
        return platform::Claim::refused("sway would not bind " + chords.front().combo() + ": " + r.why());
    }
    claims_[owner] = chords;
    keepRecord();
    for (const SwayChord& c : chords) Trace("bound " + c.combo());
    return platform::Claim::granted();
}

void SwayBindings::release(Owner owner) {
    const auto it = claims_.find(owner);
    if (it == claims_.end()) return;
    unbind(it->second);
    for (const SwayChord& c : it->second) Trace("unbound " + c.combo());
    claims_.erase(it);
    keepRecord();
}

std::optional<SwayBindings::Owner> SwayBindings::ownerOf(const std::string& command) const {
    for (const auto& [owner, chords] : claims_)
        for (const SwayChord& c : chords)
            if (c.command() == command) return owner;
    return std::nullopt;
}

std::vector<std::pair<SwayBindings::Owner, std::string>> SwayBindings::rebindAfterReload() {
    config_.reset();
    std::vector<std::pair<Owner, std::string>> lost;
    for (auto it = claims_.begin(); it != claims_.end();) {
        const ConfigBinding* taken = nullptr;
        for (const SwayChord& c : it->second)
            if (!taken) taken = BindingFiredBy(configBindings(), c, keyboard_->keys());
        Result r = taken ? Result::failure("sway's configuration now binds it: " + taken->line) : bind(it->second);
        if (r) {
            ++it;
            continue;
        }
        if (!taken) unbind(it->second);
        lost.emplace_back(it->first, "sway reloaded its configuration and " + it->second.front().combo() +
                                         " could not be bound again (" + r.why() + ")");
        it = claims_.erase(it);
    }
    keepRecord();
    return lost;
}

void SwayBindings::typeOwnKey(xkb_keycode_t keycode, bool down) {
    const SwayChord pressed{keyboard_->modifiers(), keycode};
    bool ours = false;
    for (const auto& [owner, chords] : claims_)
        ours = ours || std::find(chords.begin(), chords.end(), pressed) != chords.end();
    if (!down || !ours) return keyboard_->key(keycode, down);
    // Lifted only while sway handles the press: the user's own press of the
    // chord in that instant would reach the window as it is.
    if (Result r = ipc_->run(unbindCommands({pressed})); !r)
        diag::Report("could not lift " + pressed.combo() + ": " + r.why());
    keyboard_->key(keycode, true);
    keyboard_->roundTrip();
    if (Result r = bind({pressed}); !r) diag::Report("could not bind " + pressed.combo() + " again: " + r.why());
}

Result SwayBindings::bind(const std::vector<SwayChord>& chords) { return ipc_->run(bindCommands(chords)); }

void SwayBindings::unbind(const std::vector<SwayChord>& chords) { (void)ipc_->run(unbindCommands(chords)); }

void SwayBindings::keepRecord() {
    std::set<std::string> combos;
    for (const auto& [owner, chords] : claims_)
        for (const SwayChord& c : chords) combos.insert(c.combo());
    if (Result r = record_.write(combos); !r)
        diag::Report("cannot keep the record of the sway bindings in " + record_.path() + ": " + r.why());
}

}  // namespace wlroots
