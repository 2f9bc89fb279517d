#include "playback/slot_player.h"

#include <gtest/gtest.h>

TEST(SlotPlayer, ASlotIsNotPlayedInsideItsOwnPlaybackButOthersNest) {
    std::vector<std::string> played;
    playback::SlotPlayer* self = nullptr;
    int depth = 0;
    playback::SlotPlayer player([&](const std::string& action) {
        played.push_back(action);
        if (++depth == 1) {
            EXPECT_FALSE(self->trigger(0, "again"));  // the same trigger, repeating
            EXPECT_TRUE(self->trigger(1, "other"));   // another slot
        }
        --depth;
    });
    self = &player;
    EXPECT_TRUE(player.trigger(0, "first"));
    EXPECT_EQ(played, (std::vector<std::string>{"first", "other"}));
    EXPECT_TRUE(player.trigger(0, "later")) << "free again once the playback ended";
    EXPECT_FALSE(player.trigger(10, "x"));
}

TEST(SlotPlayer, AFailedPlaybackFreesItsSlot) {
    playback::SlotPlayer player([](const std::string& a) {
        if (a == "fail") throw std::runtime_error("boom");
    });
    EXPECT_THROW(player.trigger(3, "fail"), std::runtime_error);
    EXPECT_TRUE(player.trigger(3, "ok"));
}
