// The rules every desktop's folder browser keeps: it starts only at an existing folder and gives
// back only an existing one, without a trailing separator.
#include "settings/ui/Desktop.h"

#include "support/FakeDesktop.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

class DesktopTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    testfiles::FakeDesktop desktop{dir.filePath(u"KRDL"_s)};
};

TEST_F(DesktopTest, AMissingInitialFolderIsEmptiedAndStaysEmptyAfterCancel)
{
    QString seen = u"unset"_s;
    QString title;
    desktop.AnswerFolderBrowser([&](const QString& t, QString& folder) {
        title = t;
        seen = folder;
        return false;
    });
    QString folder = dir.filePath(u"gone"_s);
    EXPECT_FALSE(desktop.BrowseDirectory(u"Browse directory"_s, u""_s, folder));
    EXPECT_EQ(title, u"Browse directory"_s);
    EXPECT_EQ(seen, u""_s);
    EXPECT_EQ(folder, u""_s);
}

TEST_F(DesktopTest, AnExistingFolderIsTheStartAndTheChoiceComesBackWithoutSeparator)
{
    QDir().mkpath(dir.filePath(u"a/b"_s));
    QString seen;
    desktop.AnswerFolderBrowser([&](const QString&, QString& folder) {
        seen = folder;
        folder = dir.filePath(u"a/b"_s) + u"/"_s;
        return true;
    });
    QString folder = dir.filePath(u"a"_s);
    ASSERT_TRUE(desktop.BrowseDirectory(u"Browse directory"_s, u""_s, folder));
    EXPECT_EQ(seen, dir.filePath(u"a"_s));
    EXPECT_EQ(folder, QDir::toNativeSeparators(dir.filePath(u"a/b"_s)));
}

TEST_F(DesktopTest, OnlyExistingFoldersCanBeChosen)
{
    desktop.AnswerFolderBrowser([&](const QString&, QString& folder) {
        folder = dir.filePath(u"not-there"_s);
        return true;
    });
    QString folder;
    EXPECT_FALSE(desktop.BrowseDirectory(u"Browse directory"_s, u""_s, folder));
}
