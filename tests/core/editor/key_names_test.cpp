#include "core/editor/key_names.h"

#include <gtest/gtest.h>

#include "core/keys/virtual_keys.h"

using co::KeyNameToVk;

TEST(KeyNames, NamesMapToTheirCodesExactly) {
    EXPECT_EQ(KeyNameToVk("LEFT"), vk::Left);
    EXPECT_EQ(KeyNameToVk("Enter"), vk::Return);
    EXPECT_EQ(KeyNameToVk("BOTTOM"), vk::Down);
    EXPECT_EQ(KeyNameToVk("Win"), vk::LWin);
    EXPECT_EQ(KeyNameToVk("+"), vk::Add);
    EXPECT_EQ(KeyNameToVk("-"), vk::Subtract);
    EXPECT_EQ(KeyNameToVk("L-0"), '0');
    EXPECT_EQ(KeyNameToVk("L-9"), '9');
    EXPECT_EQ(KeyNameToVk("R-0"), vk::Numpad0);
    EXPECT_EQ(KeyNameToVk("R-9"), vk::Numpad9);
    for (const char* letter : {"A", "J", "K", "Q", "Z"}) EXPECT_EQ(KeyNameToVk(letter), letter[0]);
}

TEST(KeyNames, AnythingElseHasNoCode) {
    for (const char* text : {"", "Left", "left", "a", " A", "A ", "L-", "X-1", "L-10", "R-a", "Esc", "F1"})
        EXPECT_EQ(KeyNameToVk(text), std::nullopt) << '"' << text << '"';
}

TEST(KeyNames, PickerListIsInInsertionOrderAndEveryNameHasACode) {
    const auto& list = co::PickerList();
    ASSERT_EQ(list.size(), 63u);
    EXPECT_EQ(list[0], "");
    EXPECT_EQ(list[1], "Shift");
    EXPECT_EQ(list[5], "Enter");
    EXPECT_EQ(list[17], "L-1");
    EXPECT_EQ(list[26], "L-0");
    EXPECT_EQ(list[27], "R-1");
    EXPECT_EQ(list[36], "R-0");
    EXPECT_EQ(list[37], "A");
    EXPECT_EQ(list[62], "Z");
    for (std::size_t i = 1; i < list.size(); ++i) EXPECT_TRUE(KeyNameToVk(list[i])) << list[i];
}
