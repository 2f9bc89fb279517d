#include "platform/x11/layout.h"

#include <xkbcommon/xkbcommon.h>

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>

#include "core/hotkey/key_display_name.h"
#include "core/keys/virtual_keys.h"
#include "platform/x11/vk_keysym.h"

namespace x11 {

namespace {

bool isOemCode(std::uint8_t code) {
    return (code >= vk::OemSemicolon && code <= vk::OemGrave) || (code >= vk::OemOpenBracket && code <= vk::Oem8) ||
           code == vk::Oem102;
}

// Codes left over for character keys whose position's own code went to another key.
constexpr std::uint8_t kSpareOemCodes[] = {vk::Oem8,     vk::OemAx,   vk::IcoHelp, vk::Ico00,
                                           vk::OemReset, vk::OemJump, vk::OemPa1};

bool isSpareOemCode(std::uint8_t code) {
    for (const std::uint8_t c : kSpareOemCodes)
        if (c == code) return true;
    return false;
}

// Codes the layout gives by what a key carries or where it is.
bool isCharacterCode(std::uint8_t code) {
    return (code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z') || isOemCode(code) || isSpareOemCode(code);
}

// Letter or digit code of a keysym; 0 for any other keysym.
std::uint8_t letterOrDigit(Keysym ks) {
    if (ks >= XK_a && ks <= XK_z) return static_cast<std::uint8_t>('A' + (ks - XK_a));
    if (ks >= XK_A && ks <= XK_Z) return static_cast<std::uint8_t>('A' + (ks - XK_A));
    if (ks >= XK_0 && ks <= XK_9) return static_cast<std::uint8_t>('0' + (ks - XK_0));
    return 0;
}

std::string utf8Of(Keysym ks) {
    char buf[8] = {};
    const int n = xkb_keysym_to_utf8(ks, buf, sizeof buf);
    if (n <= 1) return {};
    const std::string s(buf);
    // Control characters (Tab, Return) are no names.
    return static_cast<unsigned char>(s[0]) < 0x20 ? std::string() : s;
}

}  // namespace

std::uint8_t UsCodeAtPosition(xcb_keycode_t kc) {
    // evdev key positions, as X numbers them (evdev code + 8).
    static constexpr char kRowE[] = "1234567890";  // AE01 … AE10: 10 … 19
    static constexpr char kRowD[] = "QWERTYUIOP";  // AD01 … AD10: 24 … 33
    static constexpr char kRowC[] = "ASDFGHJKL";   // AC01 … AC09: 38 … 46
    static constexpr char kRowB[] = "ZXCVBNM";     // AB01 … AB07: 52 … 58
    if (kc >= 10 && kc <= 19) return static_cast<std::uint8_t>(kRowE[kc - 10]);
    if (kc >= 24 && kc <= 33) return static_cast<std::uint8_t>(kRowD[kc - 24]);
    if (kc >= 38 && kc <= 46) return static_cast<std::uint8_t>(kRowC[kc - 38]);
    if (kc >= 52 && kc <= 58) return static_cast<std::uint8_t>(kRowB[kc - 52]);
    switch (kc) {
        case 49: return vk::OemGrave;         // TLDE
        case 20: return vk::OemMinus;         // AE11
        case 21: return vk::OemPlus;          // AE12
        case 34: return vk::OemOpenBracket;   // AD11
        case 35: return vk::OemCloseBracket;  // AD12
        case 47: return vk::OemSemicolon;     // AC10
        case 48: return vk::OemQuote;         // AC11
        case 51: return vk::OemBackslash;     // BKSL
        case 59: return vk::OemComma;         // AB08
        case 60: return vk::OemPeriod;        // AB09
        case 61: return vk::OemSlash;         // AB10
        case 94: return vk::Oem102;           // LSGT
        default: return 0;
    }
}

Layout::Layout(const Keymap& keymap, const ModifierMap& modifiers) {
    for (int kc = keymap.minKeycode(); kc <= keymap.maxKeycode(); ++kc)
        unshifted_[kc] = keymap.keysymAt(static_cast<xcb_keycode_t>(kc), 0);
    assignCharacterKeys(keymap);
    assignOtherKeys(keymap);
    readModifiers(keymap, modifiers);
}

void Layout::assignCharacterKeys(const Keymap& keymap) {
    std::array<bool, 256> taken{};
    auto give = [&](xcb_keycode_t kc, std::uint8_t code) {
        vk_[kc] = sided_[kc] = code;
        taken[code] = true;
    };
    auto hasSymbols = [&](xcb_keycode_t kc) {
        for (int col = 0; col < keymap.keysymsPerKeycode(); ++col)
            if (keymap.keysymAt(kc, col)) return true;
        return false;
    };
    const int lo = keymap.minKeycode(), hi = keymap.maxKeycode();
    // Letters and digits, wherever they are; a key that has one at a lower level comes first.
    for (int col = 0; col < keymap.keysymsPerKeycode(); ++col)
        for (int kc = lo; kc <= hi; ++kc) {
            const auto k = static_cast<xcb_keycode_t>(kc);
            if (vk_[k] == 0)
                if (const std::uint8_t code = letterOrDigit(keymap.keysymAt(k, col))) give(k, code);
        }
    // Punctuation positions keep the US code of their position, whatever they type.
    for (int kc = lo; kc <= hi; ++kc) {
        const auto k = static_cast<xcb_keycode_t>(kc);
        const std::uint8_t us = UsCodeAtPosition(k);
        if (vk_[k] == 0 && isOemCode(us) && hasSymbols(k)) give(k, us);
    }
    // A letter or digit position whose key types something else: its position's
    // code, unless the letter or digit is on another key; then a free code.
    for (int kc = lo; kc <= hi; ++kc) {
        const auto k = static_cast<xcb_keycode_t>(kc);
        const std::uint8_t us = UsCodeAtPosition(k);
        if (vk_[k] != 0 || us == 0 || !hasSymbols(k)) continue;
        if (!taken[us]) {
            give(k, us);
            continue;
        }
        for (const std::uint8_t spare : kSpareOemCodes)
            if (!taken[spare]) {
                give(k, spare);
                break;
            }
    }
    for (int kc = lo; kc <= hi; ++kc) {
        const auto k = static_cast<xcb_keycode_t>(kc);
        const std::uint8_t code = vk_[k];
        if (code == 0 || !characterName_[code].empty()) continue;
        for (int col = 0; col < 2 && characterName_[code].empty(); ++col)
            characterName_[code] = utf8Of(keymap.keysymAt(k, col));
    }
}

void Layout::assignOtherKeys(const Keymap& keymap) {
    for (int kc = keymap.minKeycode(); kc <= keymap.maxKeycode(); ++kc) {
        const auto k = static_cast<xcb_keycode_t>(kc);
        if (vk_[k] != 0 || UsCodeAtPosition(k) != 0) continue;
        const Keysym ks = keymap.keysymAt(k, 0);
        vk_[k] = KeysymToVk(ks);
        sided_[k] = KeysymToSidedVk(ks);
    }
}

void Layout::readModifiers(const Keymap& keymap, const ModifierMap& modifiers) {
    std::uint16_t numLock = 0, scrollLock = 0;
    for (int mod = 3; mod < 8; ++mod) {  // Mod1 … Mod5
        const auto bit = static_cast<std::uint16_t>(1u << mod);
        for (const xcb_keycode_t kc : modifiers[mod]) {
            const Keysym ks = keymap.keysymAt(kc, 0);
            if (!alt_ && (ks == XK_Alt_L || ks == XK_Alt_R)) alt_ = bit;
            if (!win_ && (ks == XK_Super_L || ks == XK_Super_R)) win_ = bit;
            if (!numLock && ks == XK_Num_Lock) numLock = bit;
            if (!scrollLock && ks == XK_Scroll_Lock) scrollLock = bit;
        }
    }
    lockMask_ = static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLock | scrollLock);
}

std::vector<xcb_keycode_t> Layout::keycodes(std::uint8_t code) const {
    std::vector<xcb_keycode_t> out;
    if (code == 0) return out;
    for (int kc = 0; kc < 256; ++kc)
        if (vk_[kc] == code || sided_[kc] == code) out.push_back(static_cast<xcb_keycode_t>(kc));
    return out;
}

xcb_keycode_t Layout::keycodeToType(std::uint8_t code) const {
    if (code == 0) return 0;
    // A character key is "this key" of the layout, whatever it types.
    if (isCharacterCode(code)) {
        for (int kc = 0; kc < 256; ++kc)
            if (vk_[kc] == code) return static_cast<xcb_keycode_t>(kc);
        return 0;
    }
    // Any other key is what it types unshifted: the keypad's 0 is KP_0, which
    // is the keypad key's shifted level while NumLock is off, so that one is
    // borrowed; a generic Shift, Ctrl or Alt is the left one.
    const Keysym ks = VkToKeysym(code);
    if (ks == 0) return 0;
    for (int kc = 0; kc < 256; ++kc)
        if (unshifted_[kc] == ks) return static_cast<xcb_keycode_t>(kc);
    return 0;
}

Keysym Layout::fallbackKeysym(std::uint8_t code) { return VkToKeysym(code); }

std::string Layout::name(std::uint8_t code) const {
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')) return std::string(1, static_cast<char>(code));
    if (isCharacterCode(code) && !characterName_[code].empty()) return characterName_[code];
    return hotkey::KeyDisplayName(code);
}

std::uint16_t Layout::xModifiers(mod::Mask modKeyCode, bool* ok) const {
    std::uint16_t mods = 0;
    bool fine = true;
    if (modKeyCode & mod::Mask::Alt) {
        mods |= alt_;
        fine = fine && alt_ != 0;
    }
    if (modKeyCode & mod::Mask::Control) mods |= XCB_MOD_MASK_CONTROL;
    if (modKeyCode & mod::Mask::Shift) mods |= XCB_MOD_MASK_SHIFT;
    if (modKeyCode & mod::Mask::Win) {
        mods |= win_;
        fine = fine && win_ != 0;
    }
    if (ok) *ok = fine;
    return mods;
}

std::vector<std::uint16_t> Layout::lockVariants(std::uint16_t mods) const {
    std::vector<std::uint16_t> out;
    // Every subset of the lock bits, the empty one included.
    for (std::uint16_t sub = lockMask_;; sub = static_cast<std::uint16_t>((sub - 1) & lockMask_)) {
        out.push_back(static_cast<std::uint16_t>(mods | sub));
        if (sub == 0) break;
    }
    return out;
}

}  // namespace x11
