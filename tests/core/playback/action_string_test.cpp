#include "core/playback/action_string.h"

#include <gtest/gtest.h>

#include "core/playback/player.h"
#include "core/playback/program_error.h"
#include "platform/fake/recording_injector.h"

using playback::ParseKeyField;
using playback::PlayAction;

namespace {

struct Played {
    std::vector<std::string> events;  // "+vk", "-vk" and "hold ms", in order
};

Played play(std::string_view action) {
    platform::RecordingInjector injector;
    PlayAction(action, injector, [&](int ms) { injector.events.push_back("hold " + std::to_string(ms)); });
    return {injector.events};
}

using Events = std::vector<std::string>;

}  // namespace

TEST(Playback, PressesInOrderHoldsAndReleasesInReverse) {
    EXPECT_EQ(play("1|65").events, (Events{"+65", "hold 100", "-65"}));
    EXPECT_EQ(play("2|17|67").events, (Events{"+17", "+67", "hold 200", "-67", "-17"}));
    EXPECT_EQ(play("3|17|16|83").events, (Events{"+17", "+16", "+83", "hold 200", "-83", "-16", "-17"}));
    EXPECT_EQ(play("2|65|65").events, (Events{"+65", "+65", "hold 200", "-65", "-65"}));
    EXPECT_EQ(play("1|38").events, (Events{"+38", "hold 100", "-38"}));
}

TEST(Playback, ExtraFieldsAreIgnoredAndKeyFieldsConvertedNumerically) {
    EXPECT_EQ(play("2|17|67|").events, play("2|17|67").events);
    EXPECT_EQ(play("1|65|66").events, play("1|65").events);
    EXPECT_EQ(play("1|065").events, play("1|65").events);
    EXPECT_EQ(play("1| 65 ").events, play("1|65").events);
    EXPECT_EQ(play("1|\t65").events, play("1|65").events);
    EXPECT_EQ(play("1|64.5").events, (Events{"+64", "hold 100", "-64"}));  // half to even
    EXPECT_EQ(play("1|65.5").events, (Events{"+66", "hold 100", "-66"}));
    EXPECT_EQ(play("1|65.51").events, (Events{"+66", "hold 100", "-66"}));
    EXPECT_EQ(play("1|65.49").events, (Events{"+65", "hold 100", "-65"}));
    EXPECT_EQ(play("1|255").events, (Events{"+255", "hold 100", "-255"}));
    EXPECT_EQ(play("1|0").events, (Events{"+0", "hold 100", "-0"}));
}

TEST(Playback, MalformedStringsPressNothing) {
    for (const char* s : {"", "x", "4|65", "0|65", " 1|65", "1 |65", "01|65", "1.0|65", "2|17", "3|17|16", "1|300",
                          "1|255.5", "1|abc", "1|", "1|-1", "1|6 5", "1|.", "2|17|x", "1||65"})
        EXPECT_TRUE(play(s).events.empty()) << '"' << s << '"';
}

TEST(Playback, KeyFieldConversion) {
    EXPECT_EQ(ParseKeyField("0065"), 65);
    EXPECT_EQ(ParseKeyField(".5"), 0);
    EXPECT_EQ(ParseKeyField("1.5"), 2);
    EXPECT_EQ(ParseKeyField("2.5"), 2);
    EXPECT_EQ(ParseKeyField("2.500001"), 3);
    EXPECT_EQ(ParseKeyField("254.5"), 254);
    EXPECT_EQ(ParseKeyField("99999999999999999999"), std::nullopt);
    EXPECT_EQ(ParseKeyField(" "), std::nullopt);
}

TEST(Playback, AFailingHoldReleasesEveryPressedKeyBeforeTheErrorGoesOn) {
    platform::RecordingInjector injector;
    auto failingHold = [](int) { throw ProgramError(5, "test", "[clsWaitableTimer.Wait]boom"); };
    EXPECT_THROW(PlayAction("3|17|16|83", injector, failingHold), ProgramError);
    EXPECT_EQ(injector.events, (Events{"+17", "+16", "+83", "-83", "-16", "-17"}));
}

TEST(Playback, AFailingInjectorLeavesNothingDown) {
    struct FailsOnThirdPress : platform::RecordingInjector {
        bool keyDown(std::uint8_t vk) override {
            if (events.size() == 2) throw std::runtime_error("injection failed");
            return RecordingInjector::keyDown(vk);
        }
    } injector;
    EXPECT_THROW(PlayAction("3|17|16|83", injector, [](int) {}), std::runtime_error);
    EXPECT_EQ(injector.events, (Events{"+17", "+16", "-16", "-17"}));
}
