#include "ui/qt/hotkey/key_event_vk.h"

#include <QKeyEvent>

#include "core/hotkey/chord_capture.h"
#include "core/services/key_namer.h"

namespace hotkey {

int VirtualKeyFromQtKey(int key, bool keypad) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return (keypad ? 0x60 : '0') + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 0x70 + (key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Backspace: return 0x08;
        case Qt::Key_Tab: case Qt::Key_Backtab: return 0x09;
        case Qt::Key_Clear: return 0x0C;
        case Qt::Key_Return: case Qt::Key_Enter: return 0x0D;
        case Qt::Key_Shift: return vk::Shift;
        case Qt::Key_Control: return vk::Control;
        case Qt::Key_Alt: case Qt::Key_AltGr: return vk::Menu;
        case Qt::Key_Pause: return 0x13;
        case Qt::Key_CapsLock: return 0x14;
        case Qt::Key_Escape: return 0x1B;
        case Qt::Key_Space: return 0x20;
        case Qt::Key_PageUp: return 0x21;
        case Qt::Key_PageDown: return 0x22;
        case Qt::Key_End: return 0x23;
        case Qt::Key_Home: return 0x24;
        case Qt::Key_Left: return 0x25;
        case Qt::Key_Up: return 0x26;
        case Qt::Key_Right: return 0x27;
        case Qt::Key_Down: return 0x28;
        case Qt::Key_Select: return 0x29;
        case Qt::Key_Execute: return 0x2B;
        case Qt::Key_Print: return 0x2C;
        case Qt::Key_Insert: return 0x2D;
        case Qt::Key_Delete: return 0x2E;
        case Qt::Key_Help: return 0x2F;
        case Qt::Key_Meta: case Qt::Key_Super_L: return vk::LWin;
        case Qt::Key_Super_R: return 0x5C;
        case Qt::Key_Menu: return vk::Apps;
        case Qt::Key_Sleep: return 0x5F;
        case Qt::Key_Asterisk: return keypad ? 0x6A : 0;
        case Qt::Key_Plus: return keypad ? 0x6B : 0xBB;
        case Qt::Key_Minus: return keypad ? 0x6D : 0xBD;
        case Qt::Key_Period: return keypad ? 0x6E : 0xBE;
        case Qt::Key_Slash: return keypad ? 0x6F : 0xBF;
        case Qt::Key_NumLock: return 0x90;
        case Qt::Key_ScrollLock: return 0x91;
        case Qt::Key_Semicolon: case Qt::Key_Colon: return 0xBA;
        case Qt::Key_Equal: return 0xBB;
        case Qt::Key_Comma: return 0xBC;
        case Qt::Key_QuoteLeft: return 0xC0;
        case Qt::Key_BracketLeft: return 0xDB;
        case Qt::Key_Backslash: return 0xDC;
        case Qt::Key_BracketRight: return 0xDD;
        case Qt::Key_Apostrophe: return 0xDE;
        case Qt::Key_Less: return 0xE2;
        default: return 0;
    }
}

int VirtualKeyOf(const QKeyEvent& e, platform::KeyNamer* keyNamer) {
    // The layout's own code of the key, where the platform knows it.
    if (keyNamer && e.nativeScanCode() != 0)
        if (const int vk = keyNamer->virtualKey(e.nativeScanCode())) return vk;
    return VirtualKeyFromQtKey(e.key(), e.modifiers().testFlag(Qt::KeypadModifier));
}

int ShiftStateOf(const QKeyEvent& e, int vk) {
    int s = 0;
    if (e.modifiers() & Qt::ShiftModifier) s |= kShiftBit;
    if (e.modifiers() & Qt::ControlModifier) s |= kCtrlBit;
    if (e.modifiers() & Qt::AltModifier) s |= kAltBit;
    return ShiftStateOf(vk, e.type() == QEvent::KeyPress, s);
}

}  // namespace hotkey
