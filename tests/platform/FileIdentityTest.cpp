// Telling one file from another across renames.
#include "platform/FileIdentity.h"
#include "platform/FileOps.h"
#include "platform/PositionedFile.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;

TEST(FileIdentity, FollowsTheFileNotItsName)
{
    testfiles::TempFolder dir;
    std::ofstream(dir / "a.dft") << "a";
    std::ofstream(dir / "b.dft") << "b";
    const std::string a = platform::FileIdentity(dir / "a.dft");
    ASSERT_FALSE(a.empty());
    EXPECT_NE(platform::FileIdentity(dir / "b.dft"), a);

    std::error_code ec;
    ASSERT_TRUE(platform::RenameNoReplace(dir / "a.dft", dir / "c.dft", ec)) << ec.message();
    EXPECT_EQ(platform::FileIdentity(dir / "c.dft"), a);
    EXPECT_EQ(platform::FileIdentity(dir / "a.dft"), "");
    // A new file under the old name is another file.
    std::ofstream(dir / "a.dft") << "new";
    EXPECT_NE(platform::FileIdentity(dir / "a.dft"), a);
    EXPECT_EQ(platform::FileIdentity(dir / "a.dft"), platform::FileIdentity(dir / "a.dft"));
#ifndef _WIN32
    // A link is its own entry: renaming it renames the link, not what it points to.
    fs::create_symlink(dir / "c.dft", dir / "link.dft");
    EXPECT_NE(platform::FileIdentity(dir / "link.dft"), a);
    EXPECT_TRUE(platform::IsSymbolicLink(dir / "link.dft"));
    EXPECT_FALSE(platform::IsSymbolicLink(dir / "c.dft"));
    // A file open through the link is the file it points to.
    platform::PositionedFile open;
    ASSERT_TRUE(open.Open(dir / "link.dft", platform::PositionedFile::Access::Read));
    EXPECT_EQ(open.Identity(), a);
#endif
}
