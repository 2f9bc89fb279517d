#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/diag/diag.h"
#include "core/diag/log_file.h"
#include "support/temp_dir.h"

namespace {

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

// The log never grows past its limit and always keeps the lines just before
// the newest: the full file becomes the old copy, which replaces the one before.
TEST(LogFile, KeepsItsLimitAndOneOlderCopy) {
    TempDir dir;
    diag::LogFile log(dir.file("z.log"), 64);
    const std::string stamp = "2026-12-08 13:40:02";
    log.append(stamp, "first reason");   // 33 bytes
    log.append(stamp, "second reason");  // 34: 67 would pass 64
    EXPECT_EQ(contents(log.oldPath()), stamp + " first reason\n");
    EXPECT_EQ(contents(log.path()), stamp + " second reason\n");

    log.append(stamp, "third");  // 26: 60 fits
    log.append(stamp, "fourth");
    EXPECT_EQ(contents(log.oldPath()), stamp + " second reason\n" + stamp + " third\n");
    EXPECT_EQ(contents(log.path()), stamp + " fourth\n");
    EXPECT_LE(std::filesystem::file_size(log.path()), 64u);
}

TEST(LogFile, AMissingFolderIsMadeAndOneThatCannotBeIsNoFailure) {
    TempDir dir;
    diag::LogFile log(dir.file("config/zorvane/z.log"));
    log.append("now", "a reason");
    EXPECT_EQ(contents(log.path()), "now a reason\n");

    writeBytes(dir.file("blocker"), "a file where the folder would be");
    diag::LogFile blocked(dir.file("blocker/z.log"));
    blocked.append("now", "a reason");
    EXPECT_FALSE(std::filesystem::exists(blocked.path()));
}

TEST(LogFile, TimeStampsAreLocalTimeToTheSecond) {
    const std::string stamp = diag::TimeStamp();
    ASSERT_EQ(stamp.size(), 19u) << stamp;
    EXPECT_EQ(stamp[4], '-');
    EXPECT_EQ(stamp[10], ' ');
    EXPECT_EQ(stamp[16], ':');
}

TEST(Diag, EveryReasonReachesTheLogBesideTheSettingsFileAndEachCauseIsNoticedOnceAMinute) {
    TempDir dir;
    diag::LogBeside(dir.file("set.ini"));
    diag::ResetNotices();
    std::vector<diag::Cause> notices;
    diag::SetNoticeSink([&](diag::Cause c) { notices.push_back(c); });

    diag::Report("a plain reason");
    diag::Notify(diag::Cause::SaveFailed, "the settings could not be saved: disk full");
    diag::Notify(diag::Cause::SaveFailed, "the settings could not be saved: disk full");
    diag::Notify(diag::Cause::ChordLost, "a chord was turned off");
    diag::SetSink(nullptr);
    diag::SetNoticeSink(nullptr);

    EXPECT_EQ(notices, (std::vector{diag::Cause::SaveFailed, diag::Cause::ChordLost}))
        << "a second failed save within the minute is logged, not noticed again";
    const std::string log = contents(dir.file(diag::kLogFileName));
    for (const char* line :
         {" a plain reason\n", " the settings could not be saved: disk full\n", " a chord was turned off\n"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 4) << log;
}

TEST(NoticeGate, OneNoticePerCauseInAnyMinute) {
    diag::NoticeGate gate;
    const auto t0 = diag::NoticeGate::Clock::time_point{} + std::chrono::hours(1);
    EXPECT_TRUE(gate.pass(diag::Cause::TargetRefused, t0));
    EXPECT_FALSE(gate.pass(diag::Cause::TargetRefused, t0 + std::chrono::seconds(59)));
    EXPECT_TRUE(gate.pass(diag::Cause::SaveFailed, t0 + std::chrono::seconds(59))) << "each cause has its own minute";
    EXPECT_TRUE(gate.pass(diag::Cause::TargetRefused, t0 + std::chrono::seconds(60)));
    EXPECT_FALSE(gate.pass(diag::Cause::TargetRefused, t0 + std::chrono::seconds(119)));
}
