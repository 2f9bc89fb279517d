// What the sway route reads and writes without a compositor: the bindings a
// configuration already has, which of them a chord of ours would fire, and
// the IPC's framing and answers.

#include <gtest/gtest.h>

#include <map>

#include "platform/wlroots/sway_chords.h"
#include "platform/wlroots/sway_config.h"
#include "platform/wlroots/sway_ipc.h"

using namespace wlroots;

namespace {

// In the form our own combos take: "Mod4+44" for bindcode, "Ctrl+Mod1+116s" (a keysym) for bindsym.
std::vector<std::string> shapes(const std::vector<ConfigBinding>& bindings) {
    std::vector<std::string> out;
    for (const ConfigBinding& b : bindings) out.push_back(SwayChord{b.mods, b.key}.combo() + (b.byCode ? "" : "s"));
    return out;
}

ConfigSource source(std::string text, std::map<std::string, std::string> files = {}) {
    return {.text = std::move(text),
            .folder = "/etc/sway",
            .readFile = [files](const std::string& path) -> std::optional<std::string> {
                const auto it = files.find(path);
                return it == files.end() ? std::nullopt : std::optional(it->second);
            },
            .expand =
                [](const std::string& pattern) {
                    return pattern.ends_with("*")
                               ? std::vector<std::string>{pattern.substr(0, pattern.size() - 1) + "a"}
                               : std::vector<std::string>{pattern};
                }};
}

struct UsKeys {
    UsKeys() {
        context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
        keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
        keys = std::make_unique<XkbKeys>(keymap);
    }
    ~UsKeys() {
        keys.reset();
        xkb_keymap_unref(keymap);
        xkb_context_unref(context);
    }
    xkb_context* context;
    xkb_keymap* keymap;
    std::unique_ptr<XkbKeys> keys;
};

}  // namespace

TEST(SwayConfig, OnlyTheDefaultModesSingleKeyBindingsCountWithVariablesBlocksAndIncludes) {
    const std::string config = R"(# a comment: bindsym Ctrl+x exec no
set $mod Mod4
set $modifier Ctrl
bindsym $mod+Return exec foot
bindsym --to-code --no-repeat $modifier+Mod1+t \
    exec foot
bindcode $mod+44 exec x
bindsym {
    Ctrl+Shift+q kill
    Alt+F4 kill
}
mode "resize" {
    bindsym Left resize shrink width 10px
}
bar {
    bindsym button4 workspace next
}
bindsym $mod+button1 kill
bindsym Ctrl+a+b exec two keys
bindsym Ctrl+q
include ~/sway/*
include relative.conf
)";
    const auto found = ScanBindings(source(config, {{"~/sway/a", "bindsym Ctrl+exclam exec y\ninclude ~/sway/*\n"},
                                                    {"/etc/sway/relative.conf", "bindsym F9 exec z"}}));
    EXPECT_EQ(shapes(found), (std::vector<std::string>{"Mod4+65293s", "Ctrl+Mod1+116s", "Mod4+44", "Shift+Ctrl+113s",
                                                       "Mod1+65473s", "Ctrl+33s", "65478s"}));
    EXPECT_EQ(found[1].line, "bindsym --to-code --no-repeat Ctrl+Mod1+t exec foot");
}

// A chord of ours against bindings sway already has: by keycode, by the key's
// own symbol, or by the symbol its modifiers make of it.
TEST(SwayConfig, AChordFiresTheBindingSwayWouldMatchItWith) {
    UsKeys us;
    const auto bindings =
        ScanBindings(source("bindsym Ctrl+Mod1+t exec a\nbindcode Mod4+44 exec b\n"
                            "bindsym Ctrl+exclam exec c\nbindsym Ctrl+Shift+k exec d\n"));
    const struct {
        mod::Mask mods;
        int vk;
        const char* fired;  // the binding's line, or "" for none
    } cases[] = {
        {mod::Mask::Control | mod::Mask::Alt, 'T', "bindsym Ctrl+Mod1+t exec a"},
        {mod::Mask::Win, 'J', "bindcode Mod4+44 exec b"},
        {mod::Mask::Control | mod::Mask::Shift, '1', "bindsym Ctrl+exclam exec c"},
        {mod::Mask::Control | mod::Mask::Shift, 'K', "bindsym Ctrl+Shift+k exec d"},
        {mod::Mask::Control | mod::Mask::Alt, 'J', ""},
        {mod::Mask::Control, 'T', ""},
    };
    for (const auto& c : cases) {
        const std::vector<SwayChord> chords = ChordsFor(c.mods, c.vk, *us.keys);
        ASSERT_EQ(chords.size(), 1u) << c.vk;
        const ConfigBinding* b = BindingFiredBy(bindings, chords[0], *us.keys);
        EXPECT_EQ(b ? b->line : "", c.fired) << chords[0].combo();
        EXPECT_EQ(ParseOwnCombo(chords[0].combo()), chords[0]);
    }
    EXPECT_EQ(ChordsFor(mod::Mask::Control | mod::Mask::Alt, 'J', *us.keys)[0].command(),
              "nop zorvane-change-hotkey Ctrl+Mod1+44");
}

TEST(SwayIpc, MessagesAreCutWholeWhateverTheReadsAndABrokenStreamStops) {
    IpcDecoder d;
    const std::string two = EncodeIpc(ipc::BindingEvent, "{\"a\":1}") + EncodeIpc(ipc::RunCommand, "[]");
    d.feed(two.substr(0, 9));
    EXPECT_FALSE(d.next());
    d.feed(two.substr(9));
    const auto first = d.next(), second = d.next();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->type, ipc::BindingEvent);
    EXPECT_EQ(first->payload, "{\"a\":1}");
    EXPECT_EQ(second->payload, "[]");
    EXPECT_FALSE(d.next());
    d.feed("i3-ipX" + std::string(8, '\0'));
    EXPECT_FALSE(d.next());
    EXPECT_TRUE(d.broken());

    EXPECT_TRUE(CommandOutcome(R"([{"success":true},{"success":true}])"));
    EXPECT_EQ(CommandOutcome(R"([{"success":true},{"success":false,"error":"Invalid bindcode"}])").why(),
              "Invalid bindcode");
    EXPECT_FALSE(CommandOutcome("not json"));
}
