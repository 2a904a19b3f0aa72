#include "settings/ui/BrowseDirectory.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class BrowseDirectoryTest : public ::testing::Test {
protected:
    void TearDown() override { SetBrowseDirectoryHookForTesting({}); }
    QTemporaryDir dir;
};

TEST_F(BrowseDirectoryTest, AMissingInitialFolderIsEmptiedAndStaysEmptyAfterCancel)
{
    QString seen = "unset";
    QString title;
    SetBrowseDirectoryHookForTesting([&](const QString& t, QString& folder) {
        title = t;
        seen = folder;
        return false;
    });
    QString folder = dir.filePath("gone");
    EXPECT_FALSE(BrowseDirectory("Browse directory", "", folder));
    EXPECT_EQ(title, "Browse directory");
    EXPECT_EQ(seen, "");
    EXPECT_EQ(folder, "");
}

TEST_F(BrowseDirectoryTest, AnExistingFolderIsTheStartAndTheChoiceComesBackWithoutSeparator)
{
    QDir().mkpath(dir.filePath("a/b"));
    QString seen;
    SetBrowseDirectoryHookForTesting([&](const QString&, QString& folder) {
        seen = folder;
        folder = dir.filePath("a/b") + "/";
        return true;
    });
    QString folder = dir.filePath("a");
    ASSERT_TRUE(BrowseDirectory("Browse directory", "", folder));
    EXPECT_EQ(seen, dir.filePath("a"));
    EXPECT_EQ(folder, QDir::toNativeSeparators(dir.filePath("a/b")));
}

TEST_F(BrowseDirectoryTest, OnlyExistingFoldersCanBeChosen)
{
    SetBrowseDirectoryHookForTesting([&](const QString&, QString& folder) {
        folder = dir.filePath("not-there");
        return true;
    });
    QString folder;
    EXPECT_FALSE(BrowseDirectory("Browse directory", "", folder));
}
