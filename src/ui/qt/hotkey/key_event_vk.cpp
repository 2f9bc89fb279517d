#include "ui/qt/hotkey/key_event_vk.h"

#include <QKeyEvent>

#include "core/hotkey/chord_capture.h"
#include "core/services/key_namer.h"

namespace hotkey {

int VirtualKeyFromQtKey(int key, bool keypad) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return (keypad ? vk::Numpad0 : '0') + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return vk::F1 + (key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Backspace: return vk::Back;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return vk::Tab;
        case Qt::Key_Clear: return vk::Clear;
        case Qt::Key_Return:
        case Qt::Key_Enter: return vk::Return;
        case Qt::Key_Shift: return vk::Shift;
        case Qt::Key_Control: return vk::Control;
        case Qt::Key_Alt:
        case Qt::Key_AltGr: return vk::Menu;
        case Qt::Key_Pause: return vk::Pause;
        case Qt::Key_CapsLock: return vk::Capital;
        case Qt::Key_Escape: return vk::Escape;
        case Qt::Key_Space: return vk::Space;
        case Qt::Key_PageUp: return vk::Prior;
        case Qt::Key_PageDown: return vk::Next;
        case Qt::Key_End: return vk::End;
        case Qt::Key_Home: return vk::Home;
        case Qt::Key_Left: return vk::Left;
        case Qt::Key_Up: return vk::Up;
        case Qt::Key_Right: return vk::Right;
        case Qt::Key_Down: return vk::Down;
        case Qt::Key_Select: return vk::Select;
        case Qt::Key_Execute: return vk::Execute;
        case Qt::Key_Print: return vk::Snapshot;
        case Qt::Key_Insert: return vk::Insert;
        case Qt::Key_Delete: return vk::Delete;
        case Qt::Key_Help: return vk::Help;
        case Qt::Key_Meta:
        case Qt::Key_Super_L: return vk::LWin;
        case Qt::Key_Super_R: return vk::RWin;
        case Qt::Key_Menu: return vk::Apps;
        case Qt::Key_Sleep: return vk::Sleep;
        case Qt::Key_Asterisk: return keypad ? vk::Multiply : 0;
        case Qt::Key_Plus: return keypad ? vk::Add : vk::OemPlus;
        case Qt::Key_Minus: return keypad ? vk::Subtract : vk::OemMinus;
        case Qt::Key_Period: return keypad ? vk::Decimal : vk::OemPeriod;
        case Qt::Key_Slash: return keypad ? vk::Divide : vk::OemSlash;
        case Qt::Key_NumLock: return vk::NumLock;
        case Qt::Key_ScrollLock: return vk::Scroll;
        case Qt::Key_Semicolon:
        case Qt::Key_Colon: return vk::OemSemicolon;
        case Qt::Key_Equal: return vk::OemPlus;
        case Qt::Key_Comma: return vk::OemComma;
        case Qt::Key_QuoteLeft: return vk::OemGrave;
        case Qt::Key_BracketLeft: return vk::OemOpenBracket;
        case Qt::Key_Backslash: return vk::OemBackslash;
        case Qt::Key_BracketRight: return vk::OemCloseBracket;
        case Qt::Key_Apostrophe: return vk::OemQuote;
        case Qt::Key_Less: return vk::Oem102;
        default: return 0;
    }
}

int VirtualKeyOf(const QKeyEvent& e, platform::KeyNamer* keyNamer) {
    // The layout's own code of the key, where the platform knows it.
    if (keyNamer && e.nativeScanCode() != 0)
        if (const int vk = keyNamer->virtualKey(e.nativeScanCode())) return vk;
    return VirtualKeyFromQtKey(e.key(), e.modifiers().testFlag(Qt::KeypadModifier));
}

ShiftState ShiftStateOf(Qt::KeyboardModifiers m) {
    ShiftState s;
    if (m & Qt::ShiftModifier) s |= kShiftBit;
    if (m & Qt::ControlModifier) s |= kCtrlBit;
    if (m & Qt::AltModifier) s |= kAltBit;
    return s;
}

ShiftState ShiftStateOf(const QKeyEvent& e, int vk) {
    return ShiftStateOf(vk, e.type() == QEvent::KeyPress, ShiftStateOf(e.modifiers()));
}

}  // namespace hotkey
