#include "platform/win32/own_keys.h"

#include <algorithm>

#include "core/keys/virtual_keys.h"

namespace win32 {

namespace {

int generic(int code) {
    switch (code) {
        case vk::LShift:
        case vk::RShift: return vk::Shift;
        case vk::LControl:
        case vk::RControl: return vk::Control;
        case vk::LMenu:
        case vk::RMenu: return vk::Menu;
        default: return code;
    }
}

}  // namespace

bool OwnKeys::SameKey(int chordKey, int sent) {
    return chordKey != 0 && (chordKey == sent || generic(chordKey) == generic(sent));
}

void OwnKeys::remove(Chord* chord) { std::erase(chords_, chord); }

void OwnKeys::send(const std::vector<std::uint8_t>& pressed, const std::function<void()>& send) {
    std::vector<Chord*> off;
    for (Chord* c : chords_) {
        const int key = c->chordKey();
        if (std::any_of(pressed.begin(), pressed.end(), [key](std::uint8_t p) { return SameKey(key, p); }))
            off.push_back(c);
    }
    for (Chord* c : off) c->suspend();
    send();
    // Sending runs the hook's sent messages only, no handlers that could end
    // an endpoint; still, only chords still known are taken again.
    for (Chord* c : off)
        if (std::find(chords_.begin(), chords_.end(), c) != chords_.end()) c->resume();
}

void OwnKeys::setHeldModifiers(mod::Mask modKeyCode) {
    held_ = modKeyCode;
    const std::vector<Chord*> now = chords_;
    for (Chord* c : now) c->heldModifiersChanged(modKeyCode);
}

}  // namespace win32
