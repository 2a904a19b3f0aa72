// Locating the seed file before the property editor opens.

#include "properties/ui/LocatePropseed.h"
#include "settings/Settings.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(LocatePropseed, MissingFileGivesTheMessageWithItsPath)
{
    QTemporaryDir dir;
    const QString program = dir.filePath(u"KRDL"_s);
    qputenv("KRDL_MSGBOX_TIMEOUT", "0.05");
    const QString log = dir.filePath(u"boxes.log"_s);
    qputenv("KRDL_MSGBOX_LOG", log.toUtf8());
    const QString seed = dir.filePath(u"seed.txt"_s);

    const struct {
        QString setting; // nothing written when empty
        bool create;
        QString path;
        QString box;
    } cases[] = {
        {QString(), false, QString(), u"caption=Information\ttext=Cannot find \"\" !\tbuttons=Ok\t"_s},
        {u"\\seed.txt"_s, false, seed, u"caption=Information\ttext=Cannot find \""_s + seed + u"\" !\tbuttons=Ok\t"_s},
        {u"\\seed.txt"_s, true, seed, QString()},
    };
    for (const auto& c : cases) {
        QFile::remove(log);
        if (!c.setting.isEmpty())
            IniWriteString(dir.filePath(u"KRDL.ini"_s), u"Settings"_s, u"PropseedFN"_s, c.setting);
        if (c.create)
            testfiles::WriteBytes(seed, "Begin Define Custom\n");
        QString path = u"unset"_s;
        EXPECT_EQ(LocatePropseedFile(program, path), c.box.isEmpty());
        EXPECT_EQ(path, c.path);
        const QString shown = QString::fromUtf8(testfiles::ReadBytes(log));
        EXPECT_TRUE(c.box.isEmpty() ? shown.isEmpty() : shown.startsWith(c.box)) << shown.toStdString();
    }
    qputenv("KRDL_MSGBOX_TIMEOUT", "1");
    qunsetenv("KRDL_MSGBOX_LOG");
}
