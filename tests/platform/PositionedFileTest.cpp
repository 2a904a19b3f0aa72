// Positioned file access: what opening reports for things that are not documents (without ever
// waiting on a FIFO), and reads and writes at offsets.

#include "platform/PositionedFile.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using platform::PositionedFile;
namespace fs = std::filesystem;

namespace {

fs::path Make(const fs::path& path, const std::string& bytes)
{
    EXPECT_TRUE(testfiles::WriteFileBytes(path, bytes)) << path;
    return path;
}

} // namespace

TEST(PositionedFile, OpenTellsWhatStandsAtThePath)
{
    testfiles::TempFolder tmp;
    const fs::path dir = tmp.path();
    const fs::path regular = Make(dir / "doc.par", "0123456789");
    const fs::path readOnly = Make(dir / "ro.par", "x");
    fs::create_directory(dir / "folder.par");

    struct Case {
        fs::path path;
        PositionedFile::Access access;
        PositionedFile::Problem expected;
        PositionedFile::Links links = PositionedFile::Links::Follow;
    };
    std::vector<Case> cases = {
        {regular, PositionedFile::Access::Read, PositionedFile::Problem::None},
        {regular, PositionedFile::Access::Write, PositionedFile::Problem::None},
        {dir / "missing.par", PositionedFile::Access::Read, PositionedFile::Problem::NotFound},
        {dir / "missing" / "x.par", PositionedFile::Access::Write, PositionedFile::Problem::NotFound},
        {dir / "folder.par", PositionedFile::Access::Read, PositionedFile::Problem::Folder},
        {dir / "folder.par", PositionedFile::Access::Write, PositionedFile::Problem::Folder},
        {readOnly, PositionedFile::Access::Read, PositionedFile::Problem::None},
        {readOnly, PositionedFile::Access::Write, PositionedFile::Problem::ReadOnly}, // also for root
    };
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read);
#ifndef _WIN32
    ASSERT_EQ(::mkfifo((dir / "fifo.par").c_str(), 0600), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = (dir / "socket.par").string();
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    cases.push_back({dir / "fifo.par", PositionedFile::Access::Read, PositionedFile::Problem::Fifo}); // must not wait for a writer
    cases.push_back({dir / "fifo.par", PositionedFile::Access::Write, PositionedFile::Problem::Fifo});
    cases.push_back({dir / "socket.par", PositionedFile::Access::Read, PositionedFile::Problem::Socket});
    cases.push_back({"/dev/null", PositionedFile::Access::Read, PositionedFile::Problem::Device});
    fs::create_symlink(regular, dir / "link.par");
    cases.push_back({dir / "link.par", PositionedFile::Access::Write, PositionedFile::Problem::None});
    cases.push_back({dir / "link.par", PositionedFile::Access::Write, PositionedFile::Problem::Link, PositionedFile::Links::NoFollow});
    cases.push_back({dir / "link.par", PositionedFile::Access::Read, PositionedFile::Problem::Link, PositionedFile::Links::NoFollow});
    cases.push_back({regular, PositionedFile::Access::Write, PositionedFile::Problem::None, PositionedFile::Links::NoFollow});
#endif
    for (const Case& c : cases) {
        PositionedFile f;
        const PositionedFile::Status s = f.Open(c.path, c.access, PositionedFile::Lock::None, c.links);
        EXPECT_EQ(s.problem, c.expected) << c.path << (c.access == PositionedFile::Access::Write ? " for writing" : "")
                                         << (c.links == PositionedFile::Links::NoFollow ? " without following links" : "");
        EXPECT_EQ(f.IsOpen(), c.expected == PositionedFile::Problem::None) << c.path;
    }
#ifndef _WIN32
    ::close(sock);
#endif
    fs::permissions(readOnly, fs::perms::owner_all); // so that the folder can be removed everywhere
}

TEST(PositionedFile, ReadsAndWritesAtOffsets)
{
    testfiles::TempFolder tmp;
    const fs::path path = Make(tmp / "doc.par", "0123456789");
    PositionedFile f;
    ASSERT_TRUE(f.Open(path, PositionedFile::Access::Write));
    EXPECT_EQ(f.SizeAtOpen(), 10u);
    std::error_code ec;
    char buf[8] = {};
    EXPECT_EQ(f.ReadAt(6, buf, sizeof buf, ec), 4u) << "fewer only at the end";
    EXPECT_EQ(std::string(buf, 4), "6789");
    EXPECT_EQ(f.ReadAt(100, buf, sizeof buf, ec), 0u);
    EXPECT_FALSE(ec);

    ASSERT_TRUE(f.WriteAt(12, "ab", 2, ec)) << ec.message();
    ASSERT_TRUE(f.WriteAt(0, "X", 1, ec));
    std::uint64_t size = 0;
    ASSERT_TRUE(f.CurrentSize(size, ec));
    EXPECT_EQ(size, 14u);
    EXPECT_EQ(f.SizeAtOpen(), 10u);
    ASSERT_TRUE(f.Sync(ec));
    ASSERT_TRUE(f.Truncate(11, ec));
    f.Close();
    EXPECT_EQ(testfiles::ReadFileBytes(path), std::string("X123456789\0", 11));

    PositionedFile reader;
    ASSERT_TRUE(reader.Open(path, PositionedFile::Access::Read));
    EXPECT_FALSE(reader.WriteAt(0, "Y", 1, ec)) << "a file opened for reading is never written";
    EXPECT_TRUE(ec);
}
