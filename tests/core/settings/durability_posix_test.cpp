#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <filesystem>
#include <random>

#include "core/settings/profile_file.h"
#include "support/temp_dir.h"

namespace {

// The whole file after the write of value i.
std::string valueOf(long i) { return std::string(300, static_cast<char>('a' + i % 26)) + "#" + std::to_string(i); }

bool isCompleteState(const std::string& bytes) {
    const std::string head = "[Zorvane]\nZorvane1Text=";
    if (bytes.rfind(head, 0) != 0 || bytes.back() != '\n') return false;
    const std::string value = bytes.substr(head.size(), bytes.size() - head.size() - 1);
    const auto hash = value.find('#');
    if (hash == std::string::npos) return false;
    const long i = std::stol(value.substr(hash + 1));
    return value == valueOf(i);
}

}  // namespace

TEST(SettingsDurability, AKillDuringASaveLeavesEitherTheOldOrTheNewFile) {
    TempDir dir;
    const std::string path = dir.file("set.ini");
    ASSERT_TRUE(profile::writeValue(path, "Zorvane", "Zorvane1Text", valueOf(0)));
    std::mt19937 rng(7);
    int kills = 0, leftovers = 0;
    for (int round = 0; round < 150; ++round) {
        const pid_t child = ::fork();
        if (child == 0) {
            for (long i = 1;; ++i)
                if (!profile::writeValue(path, "Zorvane", "Zorvane1Text", valueOf(i))) ::_exit(3);
        }
        ::usleep(std::uniform_int_distribution<int>(200, 4000)(rng));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        kills += WIFSIGNALED(status) ? 1 : 0;
        const std::string bytes = readBytes(path);
        ASSERT_TRUE(isCompleteState(bytes)) << "after kill " << round << " the file is:\n" << bytes.substr(0, 120);
    }
    EXPECT_EQ(kills, 150);
    // What a kill left behind goes with the next save. Its value is one that
    // no child reached: a save that changes nothing writes nothing.
    ASSERT_TRUE(profile::writeValue(path, "Zorvane", "Zorvane1Text", valueOf(1000000)));
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        leftovers += entry.path().filename() != "set.ini";
    EXPECT_EQ(leftovers, 0);
}
