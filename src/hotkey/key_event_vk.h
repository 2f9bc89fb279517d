#pragma once
class QKeyEvent;

namespace hotkey {

// The Windows virtual-key code of the key behind a Qt key event: on X11 from
// the key's unshifted keysym in the server's current mapping, the same table
// key injection uses; elsewhere from Qt's key code. 0 when it has none.
int VirtualKeyOf(const QKeyEvent& event);

// The shift state of a key event (bit 1 Shift, bit 2 Ctrl, bit 4 Alt) as it
// stands once the event has happened: a modifier is down in its own key-down.
int ShiftStateOf(const QKeyEvent& event, int vk);

// Qt's key code to a virtual-key code, for platforms without native codes.
int VirtualKeyFromQtKey(int qtKey, bool keypad);

}  // namespace hotkey
