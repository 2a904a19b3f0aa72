// Paths longer than the classic Windows limit of 260 characters work through every seam.
#include "platform/DirList.h"
#include "platform/FileOps.h"
#include "platform/SystemPath.h"
#include "platform/WholeFile.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(LongPath, EverySeamWorksBeyond260Characters)
{
    testfiles::TempFolder t;
    fs::path deep = t.path();
    std::error_code ec;
    for (int level = 0; level < 6; ++level) {
        deep /= fs::path(std::string(50, char('a' + level)) + "_" + std::to_string(level));
        ASSERT_TRUE(platform::CreateOneDirectory(deep, ec)) << ec.message();
    }
    ASSERT_GT(deep.native().size(), 320u);
    EXPECT_TRUE(platform::DirectoryExists(deep));

    const fs::path file = deep / fs::path(u8"Načrt.dft");
    ASSERT_TRUE(platform::ReplaceWholeFile(file, "contents", ec)) << ec.message();
    ASSERT_TRUE(platform::CopyWholeFile(file, deep / "copy.dft", platform::CopyMode::FailIfExists, ec)) << ec.message();
    EXPECT_FALSE(platform::CopyWholeFile(file, deep / "copy.dft", platform::CopyMode::FailIfExists, ec));
    ASSERT_TRUE(platform::RenameNoReplace(deep / "copy.dft", deep / "renamed.dft", ec)) << ec.message();
    EXPECT_TRUE(platform::PathExists(deep / "renamed.dft"));
    EXPECT_FALSE(platform::PathExists(deep / "copy.dft"));

    std::string bytes;
    ASSERT_TRUE(platform::ReadRegularFile(deep / "renamed.dft", bytes, ec)) << ec.message();
    EXPECT_EQ(bytes, "contents");

    platform::DirListing listing;
    const std::u8string u8 = deep.u8string();
    ASSERT_TRUE(listing.Read(std::string(u8.begin(), u8.end())));
    EXPECT_EQ(listing.Size(), 2u);
}

// Wine lifts the limit by itself, so the form handed to the system is checked directly.
TEST(LongPath, SystemFormOfLongPaths)
{
    const std::string dir(250, 'd');
#ifdef _WIN32
    const struct {
        std::wstring in, out;
    } cases[] = {
        {L"C:\\Work\\a.dft", L"C:\\Work\\a.dft"},
        {L"C:/Work/" + std::wstring(250, L'd') + L"/./x/../a.dft", L"\\\\?\\C:\\Work\\" + std::wstring(250, L'd') + L"\\a.dft"},
        {L"\\\\server\\share\\" + std::wstring(250, L'd') + L"\\a.dft", L"\\\\?\\UNC\\server\\share\\" + std::wstring(250, L'd') + L"\\a.dft"},
        {L"\\\\?\\C:\\" + std::wstring(250, L'd'), L"\\\\?\\C:\\" + std::wstring(250, L'd')},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::SystemPath(c.in), c.out);
#else
    const std::string p = "/work/" + dir + "/./a.dft";
    EXPECT_EQ(platform::SystemPath(p), p);
#endif
}
