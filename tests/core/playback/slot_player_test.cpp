#include "core/playback/slot_player.h"

#include <gtest/gtest.h>

using Outcome = playback::SlotPlayer::Outcome;

namespace {

// Presses the triggers given while the first playback runs, as a hold that
// runs the event loop would let them in.
struct Triggers {
    struct Press {
        int slot;
        std::string action;
        bool repeat;
    };
    explicit Triggers(std::vector<Press> during) : during_(std::move(during)) {}
    playback::SlotPlayer player{[this](const std::string& action) {
        played.push_back(action);
        if (played.size() > 1) return;
        for (const Press& p : during_) outcomes.push_back(player.trigger(p.slot, p.action, p.repeat));
    }};
    std::vector<std::string> played;
    std::vector<Outcome> outcomes;

private:
    std::vector<Press> during_;
};

}  // namespace

TEST(SlotPlayer, PressesDuringAPlaybackWaitAndPlayAfterItInOrder) {
    Triggers t({{1, "other", false}, {0, "again", false}, {0, "held", true}, {2, "third", false}});
    EXPECT_EQ(t.player.trigger(0, "first"), Outcome::Played);
    EXPECT_EQ(t.played, (std::vector<std::string>{"first", "other", "again", "third"}));
    EXPECT_EQ(t.outcomes,
              (std::vector<Outcome>{Outcome::Waiting, Outcome::Waiting, Outcome::Dropped, Outcome::Waiting}))
        << "a repeat of a slot that plays or waits is dropped, a fresh press is not";
    EXPECT_EQ(t.player.trigger(0, "later"), Outcome::Played) << "free again once everything has played";
    EXPECT_EQ(t.player.trigger(10, "x"), Outcome::Dropped);
}

TEST(SlotPlayer, AHeldTriggersRepeatPlaysWhenItsSlotIsIdleAndAFloodIsBounded) {
    std::vector<Triggers::Press> presses{{3, "repeat of another slot", true}};
    for (std::size_t i = 0; i < playback::SlotPlayer::kMaxWaiting + 2; ++i) presses.push_back({1, "tap", false});
    Triggers t(presses);
    std::vector<int> dropped;
    t.player.onDropped = [&](int slot) { dropped.push_back(slot); };
    t.player.trigger(0, "first");
    EXPECT_EQ(t.played.size(), 1 + playback::SlotPlayer::kMaxWaiting);
    EXPECT_EQ(t.played[1], "repeat of another slot");
    EXPECT_EQ(dropped, (std::vector<int>{1, 1, 1})) << "each one beyond the bound is told";
}

TEST(SlotPlayer, AFailedPlaybackLetsTheWaitingOnesPlayThenReportsItsError) {
    playback::SlotPlayer* self = nullptr;
    std::vector<std::string> played;
    playback::SlotPlayer player([&](const std::string& a) {
        played.push_back(a);
        if (a == "fail") {
            self->trigger(4, "after");
            throw std::runtime_error("boom");
        }
    });
    self = &player;
    EXPECT_THROW(player.trigger(3, "fail"), std::runtime_error);
    EXPECT_EQ(played, (std::vector<std::string>{"fail", "after"}));
    EXPECT_EQ(player.trigger(3, "ok"), Outcome::Played);
}
