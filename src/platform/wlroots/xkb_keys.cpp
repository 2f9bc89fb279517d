#include "platform/wlroots/xkb_keys.h"

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>

#include <algorithm>

namespace wlroots {

namespace {

// The X modifier bit (Shift, Lock, Control, Mod1 … Mod5) that a key's keysym
// binds in the usual keymaps; -1 for none.
int coreModifierOf(x11::Keysym ks) {
    switch (ks) {
        case XK_Shift_L:
        case XK_Shift_R: return 0;
        case XK_Caps_Lock: return 1;
        case XK_Control_L:
        case XK_Control_R: return 2;
        case XK_Alt_L:
        case XK_Alt_R:
        case XK_Meta_L:
        case XK_Meta_R: return 3;
        case XK_Num_Lock: return 4;
        case XK_Super_L:
        case XK_Super_R:
        case XK_Hyper_L:
        case XK_Hyper_R: return 6;
        case XK_Mode_switch: return 7;
        default: return -1;
    }
}

}  // namespace

std::uint32_t SwayModifiers(mod::Mask m) {
    std::uint32_t out = 0;
    if (m & mod::Mask::Shift) out |= swaymod::Shift;
    if (m & mod::Mask::Control) out |= swaymod::Ctrl;
    if (m & mod::Mask::Alt) out |= swaymod::Alt;
    if (m & mod::Mask::Win) out |= swaymod::Logo;
    return out;
}

x11::Keymap CoreKeymapOf(xkb_keymap* keymap) {
    // X keycodes end at 255; the columns are group 1's two levels, then group 2's.
    constexpr int kMin = 8, kMax = 255, kPer = 4;
    std::vector<x11::Keysym> syms(static_cast<std::size_t>(kMax - kMin + 1) * kPer, 0);
    const xkb_keycode_t last = std::min<xkb_keycode_t>(xkb_keymap_max_keycode(keymap), kMax);
    for (xkb_keycode_t kc = std::max<xkb_keycode_t>(xkb_keymap_min_keycode(keymap), kMin); kc <= last; ++kc) {
        const xkb_layout_index_t groups = xkb_keymap_num_layouts_for_key(keymap, kc);
        for (xkb_layout_index_t g = 0; g < groups && g < 2; ++g)
            for (xkb_level_index_t level = 0; level < 2; ++level) {
                const xkb_keysym_t* s = nullptr;
                if (xkb_keymap_key_get_syms_by_level(keymap, kc, g, level, &s) > 0)
                    syms[(kc - kMin) * kPer + g * 2 + level] = s[0];
            }
    }
    return x11::Keymap(kMin, kPer, std::move(syms));
}

XkbKeys::XkbKeys(xkb_keymap* keymap) : keymap_(xkb_keymap_ref(keymap)) {
    const x11::Keymap core = CoreKeymapOf(keymap);
    x11::ModifierMap modifiers;
    for (int kc = core.minKeycode(); kc <= core.maxKeycode(); ++kc)
        if (const int bit = coreModifierOf(core.keysymAt(static_cast<xcb_keycode_t>(kc), 0)); bit >= 0)
            modifiers[bit].push_back(static_cast<xcb_keycode_t>(kc));
    layout_ = x11::Layout(core, modifiers);
    for (int bit = 0; bit < 8; ++bit) index_[bit] = xkb_keymap_mod_get_index(keymap, swaymod::kNames[bit]);
}

XkbKeys::~XkbKeys() { xkb_keymap_unref(keymap_); }

xkb_mod_mask_t XkbKeys::xkbMask(std::uint32_t mods) const {
    xkb_mod_mask_t mask = 0;
    for (int bit = 0; bit < 8; ++bit)
        if ((mods & (1u << bit)) && index_[bit] != XKB_MOD_INVALID) mask |= 1u << index_[bit];
    return mask;
}

std::uint32_t XkbKeys::swayMask(xkb_mod_mask_t mask) const {
    std::uint32_t mods = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (index_[bit] != XKB_MOD_INVALID && (mask & (1u << index_[bit]))) mods |= 1u << bit;
    return mods;
}

XkbKeys::Press XkbKeys::press(xkb_keycode_t keycode, std::uint32_t mods) const {
    Press out;
    xkb_state* state = xkb_state_new(keymap_);
    if (!state) return out;
    xkb_state_update_mask(state, xkbMask(mods), 0, 0, 0, 0, 0);
    const xkb_keysym_t* syms = nullptr;
    const int raw = xkb_keymap_key_get_syms_by_level(keymap_, keycode, 0, 0, &syms);
    out.raw.assign(syms, syms + std::max(raw, 0));
    const int translated = xkb_state_key_get_syms(state, keycode, &syms);
    out.translated.assign(syms, syms + std::max(translated, 0));
    const xkb_mod_mask_t consumed = xkb_state_key_get_consumed_mods2(state, keycode, XKB_CONSUMED_MODE_XKB);
    out.translatedMods = mods & ~swayMask(consumed);
    xkb_state_unref(state);
    return out;
}

}  // namespace wlroots
