#pragma once
#include <QtCore/qnamespace.h>

#include "core/hotkey/chord_capture.h"

class QKeyEvent;

namespace platform {
class KeyNamer;
}

namespace hotkey {

// The Windows virtual-key code of the key behind a Qt key event: the layout's
// code of the key where the platform gives one (the same rule injection and
// grabs use), else from Qt's key code. 0 when it has none.
int VirtualKeyOf(const QKeyEvent& event, platform::KeyNamer* keyNamer);

// The shift state of a key event as it stands once the event has happened
// (see ShiftStateOf in chord_capture.h).
ShiftState ShiftStateOf(const QKeyEvent& event, int vk);
// Shift, Ctrl and Alt among Qt's modifiers, as a shift state.
ShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers);

// Qt's key code to a virtual-key code, for platforms without native codes.
int VirtualKeyFromQtKey(int qtKey, bool keypad);

}  // namespace hotkey
