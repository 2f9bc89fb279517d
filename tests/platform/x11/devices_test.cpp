// Which devices are the user's keyboards and which the XTest devices.

#include "platform/x11/devices.h"

#include <gtest/gtest.h>

using x11::DeviceInfo;
using x11::Devices;
using Type = DeviceInfo::Type;

namespace {

// Two master pairs (the second made with xinput create-master), as a server lists them.
std::vector<DeviceInfo> TwoSeats() {
    return {
        {2, Type::MasterPointer, 3, false},  {3, Type::MasterKeyboard, 2, false}, {4, Type::SlavePointer, 2, false},
        {5, Type::SlaveKeyboard, 3, true},                                        // XTEST keyboard
        {6, Type::SlaveKeyboard, 3, false},  {7, Type::SlaveKeyboard, 3, false},  // power button, keyboard
        {8, Type::MasterPointer, 9, false},  {9, Type::MasterKeyboard, 8, false}, {10, Type::SlaveKeyboard, 9, true},
        {11, Type::SlaveKeyboard, 9, false}, {12, Type::Floating, 0, false},
    };
}

}  // namespace

TEST(Devices, TheKeyboardOfTheClientPointerAndItsSlavesByKind) {
    const Devices d(TwoSeats(), 2);
    EXPECT_EQ(d.keyboard(), 3);
    EXPECT_EQ(d.injection(), std::set<x11::DeviceId>{5});
    EXPECT_EQ(d.keyboards(), (std::set<x11::DeviceId>{6, 7}));
    EXPECT_EQ(d.kindOf(5), Devices::Kind::Injection);
    EXPECT_EQ(d.kindOf(7), Devices::Kind::Keyboard);
    EXPECT_EQ(d.kindOf(11), Devices::Kind::Unknown) << "another seat's keyboard";
    EXPECT_EQ(d.kindOf(12), Devices::Kind::Unknown);

    const Devices second(TwoSeats(), 8);
    EXPECT_EQ(second.keyboard(), 9);
    EXPECT_EQ(Devices::SlavesOf(TwoSeats(), 9), (std::vector<x11::DeviceId>{10, 11}));
}

TEST(Devices, WithoutAClientPointerTheFirstMasterKeyboard) {
    EXPECT_EQ(Devices(TwoSeats(), 0).keyboard(), 3);
    EXPECT_EQ(Devices(TwoSeats(), 42).keyboard(), 3) << "a client pointer not listed";
    const Devices none({{4, Type::SlavePointer, 2, false}}, 0);
    EXPECT_FALSE(none.found());
    EXPECT_TRUE(none.keyboards().empty());
}
