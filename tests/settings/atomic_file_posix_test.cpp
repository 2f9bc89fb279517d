// What only POSIX systems have: file modes, symbolic links, permissions that
// bind a non-root user, and a file-size limit standing in for a full disk.
#include "settings/profile_file.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

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
