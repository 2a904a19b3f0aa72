// The folder listing seam on real folders: entry kinds straight from the listing, links
// resolved to what they point at, hidden names, folder identities.
#include "platform/DirList.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace {

using testfiles::TempFolder;

void touch(const fs::path& p)
{
    std::ofstream(p).put('x');
}

struct Seen {
    platform::EntryKind kind;
    bool hidden;
};

std::map<std::string, Seen> listed(const std::string& folder)
{
    platform::DirListing listing;
    EXPECT_TRUE(listing.Read(folder)) << folder;
    std::map<std::string, Seen> out;
    for (size_t i = 0; i < listing.Size(); ++i) {
        const auto& e = listing[i];
        EXPECT_FALSE(e.system);
        out.emplace(std::string(listing.Name(e)), Seen{e.kind, e.hidden});
    }
    EXPECT_EQ(out.size(), listing.Size()) << "a name listed twice";
    return out;
}

} // namespace

using platform::EntryKind;

TEST(DirList, KindsAndHiddenNames)
{
    TempFolder t;
    touch(t.path() / "a.dft");
    touch(t.path() / ".hidden.dft");
    touch(t.path() / fs::path(u8"Načrt 1.DFT"));
    fs::create_directory(t.path() / "sub");
    fs::create_directory(t.path() / ".git");

    const auto seen = listed(t.str());
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen.at("a.dft").kind, EntryKind::File);
    EXPECT_FALSE(seen.at("a.dft").hidden);
    EXPECT_EQ(seen.at(".hidden.dft").kind, EntryKind::File);
    EXPECT_EQ(seen.at("Načrt 1.DFT").kind, EntryKind::File); // the listing's names are UTF-8
    EXPECT_EQ(seen.at("sub").kind, EntryKind::Directory);
    EXPECT_FALSE(seen.at("sub").hidden);
    EXPECT_EQ(seen.at(".git").kind, EntryKind::Directory);
#ifndef _WIN32
    // A leading dot hides a name here; Windows hides by an attribute instead.
    EXPECT_TRUE(seen.at(".hidden.dft").hidden);
    EXPECT_TRUE(seen.at(".git").hidden);
#endif
    EXPECT_EQ(seen.count("."), 0u);
    EXPECT_EQ(seen.count(".."), 0u);
}

TEST(DirList, OnlyFoldersAreReadAndAFailedReadKeepsNothing)
{
    TempFolder t;
    touch(t.path() / "plain.txt");
    fs::create_directory(t.path() / "empty");
    const struct {
        const char* what;
        std::string path;
        bool folder;
        size_t entries;
    } cases[] = {
        {"a folder", t.str(), true, 2},
        {"an empty folder with a trailing separator", (t.path() / "empty").string() + platform::NativeSeparatorChar(), true, 0},
        {"a missing name", (t.path() / "missing").string(), false, 0},
        {"a file", (t.path() / "plain.txt").string(), false, 0},
        {"an empty path", "", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(platform::IsDirectory(c.path), c.folder);
        platform::DirListing listing;
        ASSERT_TRUE(listing.Read(t.str())); // what a failed read must not keep
        EXPECT_EQ(listing.Read(c.path), c.folder);
        EXPECT_EQ(listing.Size(), c.entries);
    }
}

TEST(DirList, LargeFolderIsReadWholeAcrossSeveralReads)
{
    // 2,000 names take more than one 32 KB directory read.
    TempFolder t;
    for (int i = 0; i < 2000; ++i)
        touch(t.path() / ("file" + std::to_string(i) + ".par"));
    platform::DirListing listing;
    ASSERT_TRUE(listing.Read(t.str()));
    ASSERT_EQ(listing.Size(), 2000u);
    std::vector<std::string> names;
    for (size_t i = 0; i < listing.Size(); ++i)
        names.emplace_back(listing.Name(i));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names.front(), "file0.par");
    EXPECT_EQ(std::unique(names.begin(), names.end()), names.end());
}

TEST(DirList, SubfolderReadRelativeToItsParent)
{
    TempFolder t;
    fs::create_directories(t.path() / "sub");
    touch(t.path() / "sub" / "x.par");
    fs::create_directories(t.path() / "sub" / "inner");

    platform::DirListing parent, child, direct;
    ASSERT_TRUE(parent.Read(t.str()));
    const std::string subPath = (t.path() / "sub").string() + platform::NativeSeparatorChar();
    ASSERT_TRUE(child.ReadSubfolder(parent, "sub", subPath));
    ASSERT_TRUE(direct.Read(subPath));
    EXPECT_EQ(child.Id(), direct.Id());
    ASSERT_EQ(child.Size(), 2u);
    EXPECT_EQ(listed(subPath).size(), 2u);

    EXPECT_FALSE(child.ReadSubfolder(parent, "missing", (t.path() / "missing").string()));
    EXPECT_TRUE(child.Empty());
    // Without a listed parent the full path is used.
    platform::DirListing none;
    EXPECT_TRUE(child.ReadSubfolder(none, "sub", subPath));
    EXPECT_EQ(child.Size(), 2u);
}

#ifndef _WIN32

TEST(DirList, LinksTakeTheKindOfTheirTarget)
{
    TempFolder t;
    touch(t.path() / "target.dft");
    fs::create_directory(t.path() / "dir");
    fs::create_symlink(t.path() / "target.dft", t.path() / "filelink.dft");
    fs::create_directory_symlink(t.path() / "dir", t.path() / "dirlink");
    fs::create_symlink(t.path() / "gone", t.path() / "dangling.dft");
    ASSERT_EQ(mkfifo((t.path() / "pipe.dft").c_str(), 0600), 0);

    const auto seen = listed(t.str());
    EXPECT_EQ(seen.at("filelink.dft").kind, EntryKind::File);
    EXPECT_EQ(seen.at("dirlink").kind, EntryKind::Directory);
    EXPECT_EQ(seen.at("dangling.dft").kind, EntryKind::Other);
    EXPECT_EQ(seen.at("pipe.dft").kind, EntryKind::Other);
}

TEST(DirList, IdentityIsTheSameThroughALink)
{
    TempFolder t;
    fs::create_directory(t.path() / "real");
    fs::create_directory(t.path() / "other");
    fs::create_directory_symlink(t.path() / "real", t.path() / "link");

    platform::DirListing a, b, c;
    ASSERT_TRUE(a.Read((t.path() / "real").string()));
    ASSERT_TRUE(b.Read((t.path() / "link").string()));
    ASSERT_TRUE(c.Read((t.path() / "other").string()));
    EXPECT_EQ(a.Id(), b.Id());
    EXPECT_FALSE(a.Id() == c.Id());
    EXPECT_NE(a.Id().node, 0u);
}

#endif
