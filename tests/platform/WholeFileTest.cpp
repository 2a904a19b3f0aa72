// Whole-file reads that never wait and replacements that leave the old file or the new one.
#include "platform/WholeFile.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;
using testfiles::TempFolder;

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
