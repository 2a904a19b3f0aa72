// Whole-file reads that never wait and replacements that leave the old file or the new one.
#include "platform/WholeFile.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>

#ifndef _WIN32
#include <climits>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#endif

namespace fs = std::filesystem;
using testfiles::TempFolder;

#ifndef _WIN32
namespace {
// While a test listens: the paths of the descriptors this program calls fsync on, in order.
std::vector<fs::path>* syncedPaths = nullptr;
} // namespace

// Every fsync of this test program comes here first and is passed on to the system's.
extern "C" int fsync(int fd)
{
    void* address = ::dlsym(RTLD_NEXT, "fsync");
    int (*systemFsync)(int) = nullptr;
    std::memcpy(&systemFsync, &address, sizeof systemFsync);
    if (syncedPaths) {
        char target[PATH_MAX];
        const ssize_t length = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target);
        if (length > 0)
            syncedPaths->emplace_back(std::string(target, std::size_t(length)));
    }
    return systemFsync(fd);
}

// A power cut keeps a rename only once its folder is flushed: the new content first, then,
// after the rename, the folder, so that a replacement that returned is not undone by one.
TEST(WholeFile, ReplacementIsOnTheDiskWhenItReturns)
{
    TempFolder dir;
    const fs::path file = dir.path() / "list.txt";
    std::error_code ec;
    ASSERT_TRUE(platform::ReplaceWholeFile(file, "old", ec)) << ec.message();
    std::vector<fs::path> synced;
    syncedPaths = &synced;
    const bool replaced = platform::ReplaceWholeFile(file, "new", ec);
    syncedPaths = nullptr;
    ASSERT_TRUE(replaced) << ec.message();
    const fs::path folder = fs::canonical(dir.path());
    ASSERT_EQ(synced.size(), 2u);
    EXPECT_EQ(synced[0].parent_path(), folder);
    EXPECT_NE(synced[0], folder);
    EXPECT_EQ(synced[1], folder);
}
#endif

TEST(WholeFile, ReplacesReadsAndRefusesWhatIsNoFile)
{
    TempFolder dir;
    const fs::path file = dir.path() / "KRDL.ini";
    std::error_code ec;
    std::string bytes;
    ASSERT_TRUE(platform::ReplaceWholeFile(file, "new file", ec)) << ec.message();
    ASSERT_TRUE(platform::ReplaceWholeFile(file, std::string("\0second\xFF", 8), ec)) << ec.message();
    ASSERT_TRUE(platform::ReadRegularFile(file, bytes, ec)) << ec.message();
    EXPECT_EQ(bytes, std::string("\0second\xFF", 8));

    fs::create_directory(dir.path() / "folder");
    EXPECT_FALSE(platform::ReadRegularFile(dir.path() / "folder", bytes, ec));
    EXPECT_EQ(ec, std::errc::is_a_directory);
    EXPECT_FALSE(platform::ReplaceWholeFile(dir.path() / "folder", "x", ec));
    EXPECT_EQ(ec, std::errc::is_a_directory);
    EXPECT_FALSE(platform::ReplaceWholeFile(dir.path() / "missing" / "x.ini", "x", ec));
    EXPECT_FALSE(platform::ReadRegularFile(dir.path() / "missing.ini", bytes, ec));
#ifndef _WIN32
    // A FIFO nobody writes to: refused at once instead of waiting; a link is followed and stays.
    ASSERT_EQ(::mkfifo((dir.path() / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(platform::ReadRegularFile(dir.path() / "fifo", bytes, ec));
    EXPECT_EQ(ec, std::errc::not_supported);
    EXPECT_FALSE(platform::ReplaceWholeFile(dir.path() / "fifo", "x", ec));
    fs::create_symlink(file, dir.path() / "link.ini");
    ASSERT_TRUE(platform::ReplaceWholeFile(dir.path() / "link.ini", "through the link", ec)) << ec.message();
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.ini"));
    ASSERT_TRUE(platform::ReadRegularFile(file, bytes, ec));
    EXPECT_EQ(bytes, "through the link");
#endif
    // Nothing but what the test made: no temporary file left behind.
    size_t count = 0;
    for (const auto& e : fs::directory_iterator(dir.path()))
        count += e.path().filename().string().find(".krdl-") == std::string::npos ? 1 : 100;
#ifndef _WIN32
    EXPECT_EQ(count, 4u);
#else
    EXPECT_EQ(count, 2u);
#endif
}
