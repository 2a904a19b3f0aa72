#include "settings/ui/BrowseDirectory.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

class BrowseDirectoryTest : public ::testing::Test {
protected:
    void TearDown() override { SetBrowseDirectoryHookForTesting({}); }
    QTemporaryDir dir;
};

TEST_F(BrowseDirectoryTest, AMissingInitialFolderIsEmptiedAndStaysEmptyAfterCancel)
{
    QString seen = u"unset"_s;
    QString title;
    SetBrowseDirectoryHookForTesting([&](const QString& t, QString& folder) {
        title = t;
        seen = folder;
        return false;
    });
    QString folder = dir.filePath(u"gone"_s);
    EXPECT_FALSE(BrowseDirectory(u"Browse directory"_s, u""_s, folder));
    EXPECT_EQ(title, u"Browse directory"_s);
    EXPECT_EQ(seen, u""_s);
    EXPECT_EQ(folder, u""_s);
}

TEST_F(BrowseDirectoryTest, AnExistingFolderIsTheStartAndTheChoiceComesBackWithoutSeparator)
{
    QDir().mkpath(dir.filePath(u"a/b"_s));
    QString seen;
    SetBrowseDirectoryHookForTesting([&](const QString&, QString& folder) {
        seen = folder;
        folder = dir.filePath(u"a/b"_s) + u"/"_s;
        return true;
    });
    QString folder = dir.filePath(u"a"_s);
    ASSERT_TRUE(BrowseDirectory(u"Browse directory"_s, u""_s, folder));
    EXPECT_EQ(seen, dir.filePath(u"a"_s));
    EXPECT_EQ(folder, QDir::toNativeSeparators(dir.filePath(u"a/b"_s)));
}

TEST_F(BrowseDirectoryTest, OnlyExistingFoldersCanBeChosen)
{
    SetBrowseDirectoryHookForTesting([&](const QString&, QString& folder) {
        folder = dir.filePath(u"not-there"_s);
        return true;
    });
    QString folder;
    EXPECT_FALSE(BrowseDirectory(u"Browse directory"_s, u""_s, folder));
}
