// What only POSIX systems have: file modes, symbolic links, permissions that
// bind a non-root user, and a file-size limit standing in for a full disk.
#include "settings/profile_file.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "settings/atomic_file.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

using profile::writeValue;

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
        return r ? 1 : (r.error.empty() ? 2 : 0);
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

    const int code = runInChild([&] {
        if (!dropRootInChild()) return 3;
        const auto r = atomicfile::replace(path, "[conftext]\r\n0=B\r\n");
        return r ? 1 : (r.error.find("read-only") == std::string::npos ? 2 : 0);
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(fileNames(dir.path()), std::set<std::string>{"set.ini"});
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
    EXPECT_NE(r.error.find("does not exist"), std::string::npos) << r.error;
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(fileNames(dir.path()), (std::set<std::string>{"real.ini", "set.ini"}));
}
