// What only POSIX systems have: file modes, symbolic links, permissions that
// bind a non-root user, named pipes and devices, and a file-size limit
// standing in for a full disk.
#include "core/settings/profile_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>

#include "core/settings/atomic_file.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

using profile::writeValue;

namespace {

// Starts a save of `path` in a child that hits a file-size limit while
// writing its temporary file, and there either dies (as with kill -9) or
// stops, still running; returns the child.
pid_t saveInterrupted(const std::string& path, bool dies) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(
            SIGXFSZ, dies ? [](int) { ::raise(SIGKILL); } : [](int) { ::raise(SIGSTOP); });
        const rlimit limit{64, 64};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        (void)atomicfile::replace(path, std::string(200, 'x'));
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, WUNTRACED);
    return child;
}

// The id of a process that has ended.
pid_t endedProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

}  // namespace

TEST(ProfileFile, WriteKeepsPermissionsAndFollowsASymbolicLink) {
    TempDir dir;
    const std::string real = dir.file("real.ini");
    const std::string link = dir.file("set.ini");
    writeBytes(real, "[a]\nk=1\n");
    ::chmod(real.c_str(), 0640);
    std::filesystem::create_symlink(real, link);

    ASSERT_TRUE(writeValue(link, "a", "k", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readBytes(real), "[a]\nk=2\n");
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    // No temporary files are left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(ProfileFileFailure, ReadOnlyFolderIsReportedAndTheOldFileKept) {
    TempDir dir;
    const std::string path = dir.file("set.ini");
    const std::string old = "[conftext]\n0=A\n";
    writeBytes(path, old);
    ::chmod(dir.path().c_str(), 0555);
    ::chmod(path.c_str(), 0666);

    const int code = runInChild([&] {
        if (!dropRootInChild()) return 3;
        const auto r = writeValue(path, "conftext", "0", "B");
        return r ? 1 : (r.why().empty() ? 2 : 0);
    });
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(readBytes(path), old);
}

TEST(ProfileFileFailure, FullDiskIsReportedAndTheOldFileKept) {
    TempDir dir;
    const std::string path = dir.file("set.ini");
    const std::string old = "[conftext]\n0=A\n";
    writeBytes(path, old);

    const int code = runInChild([&] {
        // A file-size limit makes the write fail as a full disk would.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 3;
        const auto r = writeValue(path, "conftext", "0", std::string(200, 'x'));
        return r ? 1 : 0;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(ProfileFileFailure, ReadOnlyFileIsRefusedAndKeptByteForByte) {
    TempDir dir;
    const std::string path = dir.file("set.ini");
    const std::string old = "[conftext]\r\n0=A\r\n";
    writeBytes(path, old);
    ::chmod(path.c_str(), 0444);
    // The user's own file in the user's own folder: only its mode says no.
    [[maybe_unused]] const int owned = ::chown(dir.path().c_str(), 65534, 65534) + ::chown(path.c_str(), 65534, 65534);
    auto refused = [&] {
        const auto r = atomicfile::replace(path, "[conftext]\r\n0=B\r\n");
        return r ? 1 : (r.why().find("read-only") == std::string::npos ? 2 : 0);
    };

    EXPECT_EQ(refused(), 0) << "whoever runs the test, root too, whom no permission stops";
    EXPECT_EQ(runInChild([&] { return dropRootInChild() ? refused() : 3; }), 0);
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(fileNames(dir.path()), std::set<std::string>{"set.ini"});

    ::chmod(path.c_str(), 0644);
    EXPECT_EQ(refused(), 1) << "a file its owner may write, root may write too";
}

// A named pipe would hold the program at its start and a device give bytes
// without end: neither is read nor saved over, and the user hears why.
TEST(ProfileFileUnreadable, WhatIsNoRegularFileIsNeitherReadNorReplaced) {
    TempDir dir;
    const std::string pipe = dir.file("pipe"), device = dir.file("device.ini");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    std::filesystem::create_symlink("/dev/null", device);
    const int code = runInChild([&] {
        ::alarm(60);  // a reader the pipe holds fails rather than hangs
        for (const auto& [path, kind] : {std::pair{pipe, "a named pipe"}, {device, "a device"}})
            if (profile::readValue(path, "s", "k", "d") != "d" ||
                profile::unreadableReason(path).find(kind) == std::string::npos ||
                writeValue(path, "s", "k", "v").why() != profile::unreadableReason(path))
                return 1;
        return 0;
    });
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(std::filesystem::is_fifo(pipe) && std::filesystem::is_symlink(device));
}

TEST(ProfileFile, ADanglingLinkHasItsTargetMadeAndStaysALink) {
    TempDir dir;
    const std::string link = dir.file("set.ini");
    std::filesystem::create_symlink("real.ini", link);
    ASSERT_TRUE(atomicfile::replace(link, "[a]\nk=1\n"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::read_symlink(link), "real.ini");
    EXPECT_EQ(readBytes(dir.file("real.ini")), "[a]\nk=1\n");

    // A link into a folder that is not there cannot be saved through.
    std::filesystem::remove(link);
    std::filesystem::create_symlink(dir.file("gone/real.ini"), link);
    const auto r = atomicfile::replace(link, "[a]\nk=2\n");
    EXPECT_FALSE(r);
    EXPECT_NE(r.why().find("does not exist"), std::string::npos) << r.why();
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(fileNames(dir.path()), (std::set<std::string>{"real.ini", "set.ini"}));
}

TEST(ProfileFileLeftovers, AKilledSavesTemporaryFileIsRemovedAtStart) {
    TempDir dir;
    const std::string path = dir.file("set.ini");
    writeBytes(path, "[a]\nk=1\n");
    saveInterrupted(path, true);
    ASSERT_EQ(fileNames(dir.path()).size(), 2u) << "the killed save left its temporary file";
    atomicfile::removeStaleTemporaries(path);
    EXPECT_EQ(fileNames(dir.path()), std::set<std::string>{"set.ini"});
    EXPECT_EQ(readBytes(path), "[a]\nk=1\n");
}

TEST(ProfileFileLeftovers, ARunningSavesTemporaryFileIsKeptUnlessItIsOld) {
    TempDir dir;
    const std::string path = dir.file("set.ini");
    writeBytes(path, "[a]\nk=1\n");
    struct Ended {
        pid_t pid;
        ~Ended() {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    } saving{saveInterrupted(path, false)};
    auto found = fileNames(dir.path());
    found.erase("set.ini");
    ASSERT_EQ(found.size(), 1u);
    const std::string temporary = dir.file(*found.begin());
    atomicfile::removeStaleTemporaries(path);
    EXPECT_TRUE(std::filesystem::exists(temporary));
    // Untouched for minutes: its process id may be another program's by now.
    makeOld(temporary);
    atomicfile::removeStaleTemporaries(path);
    EXPECT_FALSE(std::filesystem::exists(temporary));
}

TEST(ProfileFileLeftovers, FilesThatAreNotASavesLeftoverAreKept) {
    TempDir dir;
    const std::string path = dir.file("set.ini");
    const std::string shaped = ".set.ini.saving-" + std::to_string(endedProcess()) + "-";
    std::set<std::string> kept = {".set.ini.backup",     ".set.ini.saving-notes",   shaped + "abc",
                                  shaped + "abcdef.bak", "set.ini.saving-1-abcdef", ".other.ini.saving-1-abcdef"};
    for (const auto& name : kept) {
        writeBytes(dir.file(name), "mine");
        makeOld(dir.file(name));
    }
    std::filesystem::create_directory(dir.file(shaped + "abcdef"));  // a save makes no folders

    ASSERT_TRUE(atomicfile::replace(path, "[a]\nk=1\n"));
    atomicfile::removeStaleTemporaries(path);
    kept.insert({"set.ini", shaped + "abcdef"});
    EXPECT_EQ(fileNames(dir.path()), kept);
}
