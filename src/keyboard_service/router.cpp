#include "keyboard_service/router.h"

#include <string>

namespace keyservice {

namespace {

using keylink::Kind;
using keylink::Message;

// The evdev codes of each modifier of the chord mask, by its bit: Alt, Ctrl, Shift, Win.
constexpr int kModifierCodes[4][2] = {{56, 100}, {29, 97}, {42, 54}, {125, 126}};

bool isModifier(int code) {
    for (const auto& pair : kModifierCodes)
        if (code == pair[0] || code == pair[1]) return true;
    return false;
}

Message message(Kind kind) {
    Message m;
    m.kind = kind;
    return m;
}

}  // namespace

Router::Device& Router::device(int id) {
    for (Device& d : devices_)
        if (d.id == id) return d;
    devices_.push_back({id, {}});
    return devices_.back();
}

AllKeys Router::heldOn(int id) const {
    for (const Device& d : devices_)
        if (d.id == id) return d.held;
    return {};
}

int Router::heldModifiers() const {
    int mask = 0;
    for (int bit = 0; bit < 4; ++bit)
        if (held_[kModifierCodes[bit][0]] || held_[kModifierCodes[bit][1]]) mask |= 1 << bit;
    return mask;
}

int Router::chordFor(int code) const {
    const int mods = heldModifiers();
    for (int id = 1; id <= keylink::kMaxChordId; ++id)
        if (chords_[id].code == code && chords_[id].mods == mods) return id;
    return 0;
}

void Router::userKey(int id, int code, int value, Output& out) {
    if (code <= 0 || code >= kCodes) return;
    Device& d = device(id);
    // A key's release or repeat counts only after its press was seen: one held
    // before the keyboard was opened is not the user's to release here.
    if (value == 1 && !d.held[code]) {
        d.held.set(code);
        userPress(code, out);
    } else if (value == 0 && d.held[code]) {
        d.held.reset(code);
        userRelease(code, out);
    } else if (value == 2 && d.held[code]) {
        if (swallowed_[code]) {
            Message hit = message(Kind::Hit);
            hit.number = swallowed_[code], hit.repeat = true;
            reply(hit, out);
        } else if (down_[code]) {
            out.keys.push_back({std::uint16_t(code), 2});
        }
    }
}

void Router::userPress(int code, Output& out) {
    if (code <= keylink::kMaxCode) ++presses_[code];
    heldBack_.reset(code);
    // A second keyboard pressing a key already held is no new press.
    if (++held_[code] == 1 && chordKeys_[code]) {
        if (const int id = chordFor(code)) {
            swallowed_[code] = std::uint8_t(id);
            // Something passes between the chord's modifiers going down and
            // up, however soon the user lets go of them.
            if (mask_ && heldModifiers() && !down_[mask_]) {
                out.keys.push_back({std::uint16_t(mask_), 1});
                out.keys.push_back({std::uint16_t(mask_), 0});
            }
            Message hit = message(Kind::Hit);
            hit.number = id;
            reply(hit, out);
            return;
        }
    }
    if (!swallowed_[code]) press(code, out);
}

void Router::userRelease(int code, Output& out) {
    if (code <= keylink::kMaxCode) ++releases_[code];
    if (--held_[code] > 0) return;
    if (swallowed_[code]) {
        swallowed_[code] = 0;
        return;
    }
    if (holding_[code] && down_[code]) {
        heldBack_.set(code);
        return;
    }
    release(code, out);
}

void Router::deviceRemoved(int id, Output& out) {
    for (auto it = devices_.begin(); it != devices_.end(); ++it) {
        if (it->id != id) continue;
        const AllKeys held = it->held;
        devices_.erase(it);
        for (int code = 1; code < kCodes; ++code)
            if (held[code]) userRelease(code, out);
        return;
    }
}

void Router::press(int code, Output& out) {
    if (down_[code]) return;
    down_.set(code);
    out.keys.push_back({std::uint16_t(code), 1});
}

void Router::release(int code, Output& out) {
    if (!down_[code]) return;
    down_.reset(code);
    out.keys.push_back({std::uint16_t(code), 0});
}

void Router::reply(Message m, Output& out) {
    if (connected_) out.messages.push_back(std::move(m));
}

keylink::Keys Router::wireKeys(const AllKeys& keys) const {
    keylink::Keys wire;
    for (int code = 1; code <= keylink::kMaxCode; ++code) wire[code] = keys[code];
    return wire;
}

void Router::clientConnected() {
    connected_ = true;
    welcomed_ = false;
}

void Router::refuse(const char* why, Output& out) {
    Message refused = message(Kind::Refused);
    refused.why = why;
    reply(refused, out);
    clientGone(out);
    out.drop = why;
}

void Router::clientMessage(const Message& m, Output& out) {
    if (!connected_) return;
    if (!welcomed_ && m.kind != Kind::Hello) return refuse("hello first", out);
    switch (m.kind) {
        case Kind::Hello: {
            if (m.number != keylink::kVersion) return refuse("only version 1 is spoken here", out);
            welcomed_ = true;
            Message welcome = message(Kind::Welcome);
            welcome.number = keylink::kVersion;
            return reply(welcome, out);
        }
        case Kind::Take: return take(m, out);
        case Kind::Drop: chords_[m.number] = {}; return indexChords();
        case Kind::Down: return press(m.code, out);
        case Kind::Up: heldBack_.reset(m.code); return release(m.code, out);
        case Kind::Mask: mask_ = m.code; return;
        case Kind::Tap:
            // Pressed and released only when up: a key that is down stays as it is.
            if (!down_[m.code]) {
                out.keys.push_back({std::uint16_t(m.code), 1});
                out.keys.push_back({std::uint16_t(m.code), 0});
            }
            return;
        case Kind::Hold: return hold(m.keys, out);
        case Kind::Sync: {
            Message state = message(Kind::State);
            state.keys = wireKeys(down_);
            for (int code = 1; code <= keylink::kMaxCode; ++code) state.held[code] = held_[code] > 0;
            return reply(state, out);
        }
        case Kind::History: {
            Message seen = message(Kind::Seen);
            seen.code = m.code, seen.presses = presses_[m.code], seen.releases = releases_[m.code];
            return reply(seen, out);
        }
        default: return refuse("that message is the service's to send", out);
    }
}

void Router::take(const Message& m, Output& out) {
    Message answer = message(Kind::Took);
    answer.number = m.number;
    // A modifier is never a chord's key: its press only changes the modifiers.
    bool taken = isModifier(m.code);
    for (int id = 1; id <= keylink::kMaxChordId; ++id)
        if (id != m.number && chords_[id].code == m.code && chords_[id].mods == m.mods) taken = true;
    if (taken) {
        answer.kind = Kind::Taken;
    } else {
        chords_[m.number] = {m.mods, m.code};
        indexChords();
    }
    reply(answer, out);
}

void Router::indexChords() {
    chordKeys_.reset();
    for (const Chord& c : chords_)
        if (c.code) chordKeys_.set(c.code);
}

void Router::hold(const keylink::Keys& keys, Output& out) {
    Message holding = message(Kind::Holding);
    for (int code = 1; code <= keylink::kMaxCode; ++code) {
        holding_[code] = keys[code];
        if (heldBack_[code] && !keys[code]) {
            heldBack_.reset(code);
            release(code, out);
        }
        holding.keys[code] = keys[code] && held_[code] > 0;
    }
    reply(holding, out);
}

void Router::clientGone(Output& out) {
    if (!connected_) return;
    connected_ = welcomed_ = false;
    chords_ = {};
    mask_ = 0;
    chordKeys_.reset();
    holding_.reset();
    // A key stays down only while the user holds it, and not as a trigger,
    // whose release nobody would send now.
    for (int code = 1; code < kCodes; ++code)
        if (down_[code] && (held_[code] == 0 || swallowed_[code])) release(code, out);
    heldBack_.reset();
}

void Router::end(Output& out) {
    for (int code = 1; code < kCodes; ++code) release(code, out);
}

}  // namespace keyservice
