// Which of the program's chords are let go of around its own key presses.

#include <gtest/gtest.h>
#include <optional>

#include "core/keys/virtual_keys.h"
#include "platform/win32/own_keys.h"

using mod::Mask;
using win32::OwnKeys;

namespace {

struct FakeChord : OwnKeys::Chord {
    explicit FakeChord(int key) : key(key) {}
    int chordKey() const override { return key; }
    void suspend() override {
        log += "s";
        off = true;
    }
    void resume() override {
        log += "r";
        off = false;
    }
    void heldModifiersChanged(Mask m) override { held = m; }
    int key;
    bool off = false;
    std::optional<Mask> held;  // as last told
    std::string log;
};

}  // namespace

TEST(OwnKeys, OnlyChordsOnThePressedKeysAreOffWhileTheProgramSends) {
    OwnKeys own;
    FakeChord v('V'), f5(vk::F5), ctrl(vk::Control), none(0);
    for (FakeChord* c : {&v, &f5, &ctrl, &none}) own.add(c);

    bool sent = false;
    own.send({vk::LControl, 'V'}, [&] {
        sent = true;
        EXPECT_TRUE(v.off);
        EXPECT_TRUE(ctrl.off) << "a left Ctrl arrives as Ctrl";
        EXPECT_FALSE(f5.off);
        EXPECT_FALSE(none.off);
    });
    EXPECT_TRUE(sent);
    EXPECT_EQ(v.log, "sr");
    EXPECT_EQ(ctrl.log, "sr");
    EXPECT_EQ(f5.log, "");

    own.remove(&v);
    own.send({'V'}, [] {});
    EXPECT_EQ(v.log, "sr") << "a removed chord is left alone";
    own.send({}, [] {});
    EXPECT_EQ(ctrl.log, "sr") << "releases alone press nothing";

    own.setHeldModifiers(Mask::Control);
    EXPECT_EQ(own.heldModifiers(), Mask::Control);
    EXPECT_EQ(f5.held, Mask::Control);
    EXPECT_EQ(v.held, std::nullopt);
}

TEST(OwnKeys, SidedModifiersCountAsTheirGenericKeyOnly) {
    EXPECT_TRUE(OwnKeys::SameKey(vk::Shift, vk::RShift));
    EXPECT_TRUE(OwnKeys::SameKey(vk::LMenu, vk::RMenu)) << "either side may be the one the chord waits for";
    EXPECT_FALSE(OwnKeys::SameKey(vk::LWin, vk::RWin)) << "the Windows keys stay apart";
    EXPECT_FALSE(OwnKeys::SameKey(vk::Control, vk::Shift));
    EXPECT_FALSE(OwnKeys::SameKey(0, 0));
}
