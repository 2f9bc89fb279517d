#pragma once
#include <bitset>

namespace platform {

// Keys by virtual-key code. The sides of Shift, Ctrl and Alt are told apart
// (vk::LShift … vk::RMenu), and so are the two Windows keys (vk::LWin, vk::RWin).
using KeySet = std::bitset<256>;

class KeyboardState {
public:
    virtual ~KeyboardState() = default;
    // Down as far as applications can tell, injected keys included.
    virtual KeySet logicalDown() = 0;
    // Held on a keyboard by the user.
    virtual KeySet physicalDown() = 0;
    // Waits until both sets include every key event sent so far, the
    // program's own included.
    virtual void sync() {}
    // Waits as sync() does, then drops from the keys held every key the
    // system says is up. The record can miss a release (made on a lock
    // screen, on the secure desktop, or on a keyboard taken away), and a key
    // it wrongly believes held would be pressed again and left down.
    virtual void reconcile() { sync(); }
};

}  // namespace platform
