// Whole-file copy, rename and folder creation against real temporary folders.
#include "platform/FileOps.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#ifndef _WIN32
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using platform::CopyMode;
using TempDir = testfiles::TempFolder;

namespace {

void writeFile(const fs::path& p, const std::string& data)
{
    ASSERT_TRUE(testfiles::WriteFileBytes(p, data)) << p;
}

using testfiles::ReadFileBytes;

std::string pattern(size_t size, unsigned seed)
{
    std::string s(size, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (auto& c : s) {
        x = x * 1103515245u + 12345u;
        c = char(x >> 16);
    }
    return s;
}

// Names in the folder other than the given ones: left-over temporary files show up here.
std::vector<std::string> others(const fs::path& dir, std::initializer_list<std::string> known)
{
    std::vector<std::string> rest;
    for (const auto& e : fs::directory_iterator(dir)) {
        const std::string n = e.path().filename().string();
        if (std::find(known.begin(), known.end(), n) == known.end())
            rest.push_back(n);
    }
    return rest;
}

} // namespace

TEST(FileOpsCopy, CopiesContentsPermissionsAndModificationTime)
{
    TempDir dir;
    const std::string data = pattern(3 * 1024 * 1024 + 17, 1);
    writeFile(dir / "a.dft", data);
    const auto modified = fs::last_write_time(dir / "a.dft") - std::chrono::hours(24 * 400);
    fs::last_write_time(dir / "a.dft", modified);
#ifndef _WIN32
    ASSERT_EQ(::chmod((dir / "a.dft").c_str(), 0640), 0);
    const struct timespec times[2] = {{1000000000, 0}, {1234567890, 123456789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "a.dft").c_str(), times, 0), 0);
#endif

    for (CopyMode mode : {CopyMode::FailIfExists, CopyMode::Replace}) {
        const fs::path target = dir / (mode == CopyMode::Replace ? "r.dft" : "f.dft");
        std::error_code ec;
        ASSERT_TRUE(platform::CopyWholeFile(dir / "a.dft", target, mode, ec)) << ec.message();
        EXPECT_FALSE(ec);
        EXPECT_EQ(ReadFileBytes(target), data);
        EXPECT_EQ(fs::last_write_time(target), fs::last_write_time(dir / "a.dft"));
#ifndef _WIN32
        struct stat st {};
        ASSERT_EQ(::stat(target.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0640u);
        EXPECT_EQ(st.st_mtim.tv_sec, 1234567890);
        EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
#endif
    }
    EXPECT_TRUE(others(dir.path(), {"a.dft", "f.dft", "r.dft"}).empty());
}

TEST(FileOpsCopy, EmptyFileAndReadOnlySource)
{
    TempDir dir;
    writeFile(dir / "empty", "");
    writeFile(dir / "ro", "read only");
    fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    std::error_code ec;
    ASSERT_TRUE(platform::CopyWholeFile(dir / "empty", dir / "empty2", CopyMode::FailIfExists, ec));
    EXPECT_EQ(fs::file_size(dir / "empty2"), 0u);
    ASSERT_TRUE(platform::CopyWholeFile(dir / "ro", dir / "ro2", CopyMode::FailIfExists, ec));
    // A second replacing copy over a read-only copy works too: the old one is replaced, not written.
    ASSERT_TRUE(platform::CopyWholeFile(dir / "ro", dir / "ro2", CopyMode::Replace, ec)) << ec.message();
    EXPECT_EQ(ReadFileBytes(dir / "ro2"), "read only");
}

TEST(FileOpsCopy, ExistingTargetIsKeptWithoutReplaceAndReplacedWithIt)
{
    TempDir dir;
    writeFile(dir / "src", "new contents");
    writeFile(dir / "dst", "old");
    std::error_code ec;
    EXPECT_FALSE(platform::CopyWholeFile(dir / "src", dir / "dst", CopyMode::FailIfExists, ec));
    EXPECT_EQ(ec, std::errc::file_exists);
    EXPECT_EQ(ReadFileBytes(dir / "dst"), "old");

    EXPECT_TRUE(platform::CopyWholeFile(dir / "src", dir / "dst", CopyMode::Replace, ec)) << ec.message();
    EXPECT_EQ(ReadFileBytes(dir / "dst"), "new contents");
    EXPECT_EQ(ReadFileBytes(dir / "src"), "new contents");
    EXPECT_TRUE(others(dir.path(), {"src", "dst"}).empty());
}

TEST(FileOpsCopy, ReplaceDoesNotWriteThroughTheOldTarget)
{
    // The old target is replaced as a whole, so another name linked to it keeps the old data.
    TempDir dir;
    writeFile(dir / "src", "fresh");
    writeFile(dir / "dst", "kept by the link");
    fs::create_hard_link(dir / "dst", dir / "alias");
    std::error_code ec;
    ASSERT_TRUE(platform::CopyWholeFile(dir / "src", dir / "dst", CopyMode::Replace, ec));
    EXPECT_EQ(ReadFileBytes(dir / "dst"), "fresh");
    EXPECT_EQ(ReadFileBytes(dir / "alias"), "kept by the link");
}

TEST(FileOpsCopy, CopyOntoItselfFailsAndLeavesTheFileIntact)
{
    TempDir dir;
    const std::string data = pattern(200000, 2);
    writeFile(dir / "a.dft", data);
    fs::create_hard_link(dir / "a.dft", dir / "hard.dft");
#ifdef _WIN32
    // Symbolic links need a privilege on Windows: a second hard link stands in.
    fs::create_hard_link(dir / "a.dft", dir / "soft.dft");
#else
    fs::create_symlink(dir / "a.dft", dir / "soft.dft");
#endif

    for (CopyMode mode : {CopyMode::FailIfExists, CopyMode::Replace}) {
        for (const char* target : {"a.dft", "hard.dft", "soft.dft"}) {
            std::error_code ec;
            EXPECT_FALSE(platform::CopyWholeFile(dir / "a.dft", dir / target, mode, ec)) << target;
            EXPECT_TRUE(ec) << target;
            EXPECT_EQ(ReadFileBytes(dir / "a.dft"), data) << target;
        }
        // The same file reached through another spelling of its folder.
        std::error_code ec;
        EXPECT_FALSE(platform::CopyWholeFile(dir / "a.dft", dir.path() / "." / "a.dft", mode, ec));
        EXPECT_EQ(ReadFileBytes(dir / "a.dft"), data);
    }
#ifndef _WIN32
    EXPECT_TRUE(fs::is_symlink(dir / "soft.dft"));
#endif
    EXPECT_TRUE(others(dir.path(), {"a.dft", "hard.dft", "soft.dft"}).empty());
}

TEST(FileOpsCopy, BadSourcesFailWithoutCreatingATarget)
{
    TempDir dir;
    fs::create_directory(dir / "folder");
#ifdef _WIN32
    const auto badSources = {"missing", "folder"};
    writeFile(dir / "fifo", ""); // no named pipes in folders there; keeps the name list below
#else
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    const auto badSources = {"missing", "folder", "fifo"};
#endif
    for (CopyMode mode : {CopyMode::FailIfExists, CopyMode::Replace}) {
        for (const char* source : badSources) {
            std::error_code ec;
            EXPECT_FALSE(platform::CopyWholeFile(dir / source, dir / "out", mode, ec)) << source;
            EXPECT_TRUE(ec) << source;
            EXPECT_FALSE(fs::exists(dir / "out")) << source;
        }
    }
    // A target folder that does not exist.
    writeFile(dir / "src", "x");
    std::error_code ec;
    EXPECT_FALSE(platform::CopyWholeFile(dir / "src", dir / "nowhere" / "src", CopyMode::Replace, ec));
    EXPECT_FALSE(platform::CopyWholeFile(dir / "src", dir / "nowhere" / "src", CopyMode::FailIfExists, ec));
    // An existing folder as the target is never replaced.
    EXPECT_FALSE(platform::CopyWholeFile(dir / "src", dir / "folder", CopyMode::Replace, ec));
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
    EXPECT_TRUE(others(dir.path(), {"folder", "fifo", "src"}).empty());
}

#ifndef _WIN32
// POSIX only: other file systems, pseudo files, file size limits and the link way of renaming.
TEST(FileOpsCopy, AcrossFileSystemsAndFromPseudoFiles)
{
    // /dev/shm is another file system than the temporary folder on most machines: the kernel
    // copy refuses there and the plain loop takes over.
    TempDir dir;
    if (fs::is_directory("/dev/shm")) {
        TempDir shm("/dev/shm");
        const std::string data = pattern(2 * 1024 * 1024 + 5, 3);
        writeFile(shm / "big", data);
        std::error_code ec;
        ASSERT_TRUE(platform::CopyWholeFile(shm / "big", dir / "big", CopyMode::FailIfExists, ec)) << ec.message();
        EXPECT_EQ(ReadFileBytes(dir / "big"), data);
        ASSERT_TRUE(platform::CopyWholeFile(dir / "big", shm / "back", CopyMode::Replace, ec)) << ec.message();
        EXPECT_EQ(ReadFileBytes(shm / "back"), data);
    }
    // /proc files report a size of 0 but have contents.
    std::error_code ec;
    ASSERT_TRUE(platform::CopyWholeFile("/proc/self/cmdline", dir / "cmdline", CopyMode::FailIfExists, ec));
    EXPECT_FALSE(ReadFileBytes(dir / "cmdline").empty());
}

namespace {

// Runs a copy in a child process whose file size limit is Limit bytes (SIGXFSZ ignored, so
// writes past it fail with EFBIG as on a full disk). Returns the child's verdict: 0 when the
// copy failed, 1 when it claimed success, 2 on a set-up error.
int copyUnderSizeLimit(const fs::path& from, const fs::path& to, CopyMode mode, rlim_t limit)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit rl {limit, limit};
        if (::setrlimit(RLIMIT_FSIZE, &rl) != 0)
            ::_exit(2);
        std::error_code ec;
        const bool ok = platform::CopyWholeFile(from, to, mode, ec);
        ::_exit(ok ? 1 : (ec == std::errc::file_too_large ? 0 : 3));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

} // namespace

TEST(FileOpsCopy, WriteFailureHalfWayLeavesNoPartialTarget)
{
    TempDir dir;
    const std::string data = pattern(4 * 1024 * 1024, 4);
    writeFile(dir / "big", data);

    EXPECT_EQ(copyUnderSizeLimit(dir / "big", dir / "new", CopyMode::FailIfExists, 1024 * 1024), 0);
    EXPECT_FALSE(fs::exists(dir / "new"));

    writeFile(dir / "old", "previous contents");
    EXPECT_EQ(copyUnderSizeLimit(dir / "big", dir / "old", CopyMode::Replace, 1024 * 1024), 0);
    EXPECT_EQ(ReadFileBytes(dir / "old"), "previous contents");

    EXPECT_EQ(ReadFileBytes(dir / "big"), data);
    EXPECT_TRUE(others(dir.path(), {"big", "old"}).empty());
}

#endif

TEST(FileOpsRename, RenamesAndNeverReplacesByEveryWay)
{
    using RenameWay = bool (*)(const fs::path&, const fs::path&, std::error_code&);
    const struct {
        const char* name;
        RenameWay rename;
    } ways[] = {
        {"RenameNoReplace", &platform::RenameNoReplace},
#ifndef _WIN32
        // POSIX only: the link way taken on file systems without an atomic no-replace rename.
        {"RenameByLink", &platform::detail::RenameByLink},
#endif
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        TempDir dir;
        writeFile(dir / "a", "A");
        writeFile(dir / "b", "B");
        std::error_code ec;
        EXPECT_FALSE(way.rename(dir / "a", dir / "b", ec));
        EXPECT_EQ(ec, std::errc::file_exists);
        EXPECT_EQ(ReadFileBytes(dir / "a"), "A");
        EXPECT_EQ(ReadFileBytes(dir / "b"), "B");

        // Renaming to its own name is refused as well: the name is taken.
        EXPECT_FALSE(way.rename(dir / "a", dir / "a", ec));
        EXPECT_EQ(ReadFileBytes(dir / "a"), "A");

        EXPECT_TRUE(way.rename(dir / "a", dir / "c", ec)) << ec.message();
        EXPECT_FALSE(fs::exists(dir / "a"));
        EXPECT_EQ(ReadFileBytes(dir / "c"), "A");
#ifndef _WIN32
        struct stat st {};
        ASSERT_EQ(::stat((dir / "c").c_str(), &st), 0);
        EXPECT_EQ(st.st_nlink, 1u);
#endif

        EXPECT_FALSE(way.rename(dir / "missing", dir / "d", ec));
        EXPECT_EQ(ec, std::errc::no_such_file_or_directory);
        EXPECT_FALSE(fs::exists(dir / "d"));
    }
}

TEST(FileOpsDirectory, CreatesOneLevelOnly)
{
    TempDir dir;
    std::error_code ec;
    EXPECT_TRUE(platform::CreateOneDirectory(dir / "one", ec));
    EXPECT_TRUE(platform::DirectoryExists(dir / "one"));
    EXPECT_FALSE(platform::CreateOneDirectory(dir / "one", ec));
    EXPECT_EQ(ec, std::errc::file_exists);
    EXPECT_FALSE(platform::CreateOneDirectory(dir / "two" / "three", ec));
    EXPECT_FALSE(platform::DirectoryExists(dir / "two"));

    writeFile(dir / "file", "x");
    EXPECT_FALSE(platform::DirectoryExists(dir / "file"));
    EXPECT_TRUE(platform::PathExists(dir / "file"));
    EXPECT_FALSE(platform::CreateOneDirectory(dir / "file", ec));
    EXPECT_FALSE(platform::PathExists(dir / "nothing"));
}

TEST(FileOpsCopy, ACancelledCopyLeavesNothingAndAnExistingTargetAsItWas)
{
    TempDir dir;
    const std::string data = pattern(3 * 1024 * 1024, 5);
    writeFile(dir / "big", data);
    writeFile(dir / "old", "previous contents");
    for (const CopyMode mode : {CopyMode::FailIfExists, CopyMode::Replace}) {
        for (const char* target : {"new", "old"}) {
            if (mode == CopyMode::FailIfExists && std::string(target) == "old")
                continue;
            std::error_code ec;
            EXPECT_FALSE(platform::CopyWholeFile(dir / "big", dir / target, mode, ec, [] { return true; })) << target;
            EXPECT_EQ(ec, std::errc::operation_canceled) << target;
        }
    }
    EXPECT_FALSE(fs::exists(dir / "new"));
    EXPECT_EQ(ReadFileBytes(dir / "old"), "previous contents");
    EXPECT_TRUE(others(dir.path(), {"big", "old"}).empty());
}

TEST(FileOpsCopy, WithoutReplacingATargetThatAppearsDuringTheCopyIsKept)
{
    TempDir dir;
    writeFile(dir / "big", pattern(2 * 1024 * 1024, 6));
    std::error_code ec;
    // Another program creates the target while the data is on its way.
    const auto appear = [&dir] {
        if (!fs::exists(dir / "new"))
            writeFile(dir / "new", "theirs");
        return false;
    };
    EXPECT_FALSE(platform::CopyWholeFile(dir / "big", dir / "new", CopyMode::FailIfExists, ec, appear));
    EXPECT_EQ(ec, std::errc::file_exists);
    EXPECT_EQ(ReadFileBytes(dir / "new"), "theirs");
    EXPECT_TRUE(others(dir.path(), {"big", "new"}).empty());
}

TEST(FileOpsLeftovers, ARunningCopyKeepsItsTemporary)
{
    TempDir dir;
    const std::string data = pattern(3 * 1024 * 1024, 7);
    writeFile(dir / "big", data);
    // Asked while the data is on its way: even counted as old, the temporary in use stays.
    const auto later = std::chrono::system_clock::now() + std::chrono::hours(1);
    int asked = 0;
    std::size_t removed = 0;
    const auto clean = [&] {
        if (asked++ == 0)
            removed = platform::RemoveLeftoverCopies(dir.path(), later).size();
        return false;
    };
    std::error_code ec;
    ASSERT_TRUE(platform::CopyWholeFile(dir / "big", dir / "copy", CopyMode::FailIfExists, ec, clean)) << ec.message();
    if (asked == 0)
        GTEST_SKIP() << "the copy asked nothing while it ran (a file system that clones files at once)";
    EXPECT_EQ(removed, 0u);
    EXPECT_EQ(ReadFileBytes(dir / "copy"), data);
    EXPECT_TRUE(others(dir.path(), {"big", "copy"}).empty());
}
