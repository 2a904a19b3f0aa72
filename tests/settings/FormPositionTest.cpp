// Stored window positions: where they live, round trips in both stores, defaults and bad values,
// and the pull-back onto the screens.
#include "common/Error.h"
#include "settings/FormPosition.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"
#include "support/ConfigSandbox.h"
#include "support/TestFiles.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using testfiles::ReadBytes;
using testfiles::WriteBytes;

namespace {

class FormPositionStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
    }
    QString config(const QString& name) const { return dir.filePath(u"config/krdl/"_s + name); }
    testfiles::ConfigSandbox dir;
};

} // namespace

TEST_F(FormPositionStore, TheFileLivesInTheUserConfigFolderNeverBesideTheProgram)
{
    WriteBytes(dir.filePath(u"bin/KRDL.ini"_s), "[SETTINGS]\r\nPropseedFN=\\propseed.txt\r\n");
    const QByteArray programIni = ReadBytes(dir.filePath(u"bin/KRDL.ini"_s));

    const FormPosition p{10, 20, 758, 578, wsNormal};
    WriteFormPosition(true, u"KRDL.ini"_s, u"frmMain"_s, p);
    EXPECT_EQ(ReadBytes(config(u"KRDL.ini"_s)), "[frmMain]\r\nLeft=10\r\nTop=20\r\nWidth=758\r\nHeight=578\r\nWindowState=0\r\n");
    EXPECT_EQ(ReadBytes(dir.filePath(u"bin/KRDL.ini"_s)), programIni);
    EXPECT_EQ(ReadFormPosition(true, u"KRDL.ini"_s, u"frmMain"_s), p);

    const std::pair<QString, QString> names[] = {
        {u"KRDL.ini"_s, config(u"KRDL.ini"_s)},
        {u"KRDL.INI"_s, config(u"KRDL.INI"_s)},
        {u"Positions"_s, config(u"Positions.ini"_s)},
        {u"KRDL.cfg"_s, config(u"KRDL.cfg.ini"_s)},
        {dir.filePath(u"elsewhere/pos.ini"_s), dir.filePath(u"elsewhere/pos.ini"_s)},
    };
    for (const auto& [key, file] : names)
        EXPECT_EQ(QDir::fromNativeSeparators(FormPosIniFileName(key)), file) << key.toStdString();
    const QString program = dir.filePath(u"bin/KRDL"_s);
    EXPECT_EQ(DefaultFormPosNameKey(program, true), u"KRDL.ini"_s);
    EXPECT_EQ(DefaultFormPosNameKey(program, false), u"KRDL"_s);
    EXPECT_EQ(DefaultFormPosNameKey(u"C:\\Programs\\Velmar\\krdl.exe"_s, true), u"krdl.ini"_s);
    EXPECT_EQ(DefaultFormPosNameKey(u"C:\\Programs\\Velmar\\krdl.exe"_s, false), u"krdl"_s);
}

TEST_F(FormPositionStore, BothStoresRoundTripAndMissingOrBadValuesReadAsDefaults)
{
    for (const bool ini : {true, false}) {
        const QString key = ini ? u"KRDL.ini"_s : u"Software\\Velmar\\Pos"_s;
        EXPECT_EQ(ReadFormPosition(ini, key, u"frmMain"_s), FormPosition{}) << ini;
        const FormPosition maximized{-8, -8, 1936, 1056, wsMaximized};
        WriteFormPosition(ini, key, u"frmMain"_s, maximized);
        WriteFormPosition(ini, key, u"frmOther"_s, FormPosition{-200, 5, 300, 200, wsMinimized});
        EXPECT_EQ(ReadFormPosition(ini, key, u"frmMain"_s), maximized) << ini;
        EXPECT_EQ(ReadFormPosition(ini, key, u"frmOther"_s), (FormPosition{-200, 5, 300, 200, wsMinimized})) << ini;
    }
    EXPECT_EQ(RegReadString(u"Software\\Velmar\\Pos\\frmMain"_s, u"WindowState"_s), u"2"_s);

    // Values that are not whole decimal numbers, and missing ones, read as their defaults.
    WriteBytes(config(u"Bad.ini"_s), "[frmMain]\nLeft= 12 \nTop=12px\nWidth=0x20\nHeight=99999999999\nleft=7\n");
    EXPECT_EQ(ReadFormPosition(true, u"Bad.ini"_s, u"frmMain"_s), (FormPosition{12, -1, -1, -1, wsNormal}));
}

TEST_F(FormPositionStore, AWriteThatCannotBeDoneRaisesUnableToWrite)
{
    WriteBytes(dir.filePath(u"config"_s), "a file where the folder should be");
    try {
        WriteFormPosition(true, u"KRDL.ini"_s, u"frmMain"_s, FormPosition{});
        ADD_FAILURE() << "no error";
    } catch (const KrdlError& e) {
        EXPECT_TRUE(e.Message().startsWith(u"Unable to write to "_s)) << e.what();
    }
}

TEST(PullBackOntoScreen, RightAndBottomEdgesComeBackAndLostWindowsReturn)
{
    const QRect primary(0, 0, 1280, 1024);
    const QRect right(1280, 0, 1920, 1080);
    const QRect left(-1920, 0, 1920, 1080);
    struct Case {
        const char* what;
        QRect window;
        QList<QRect> screens;
        QRect expected;
    } cases[] = {
        {"inside stays", {100, 50, 758, 578}, {primary}, {100, 50, 758, 578}},
        {"left 1900 width 758 on 1280", {1900, 10, 758, 578}, {primary}, {522, 10, 758, 578}},
        {"past the bottom", {10, 900, 758, 578}, {primary}, {10, 446, 758, 578}},
        {"left -200 stays", {-200, 10, 758, 578}, {primary}, {-200, 10, 758, 578}},
        {"top -50 stays", {10, -50, 758, 578}, {primary}, {10, -50, 758, 578}},
        {"on a second monitor that is still there", {1500, 10, 758, 578}, {primary, right}, {522, 10, 758, 578}},
        {"on a right monitor that is gone", {2200, 300, 758, 578}, {primary}, {522, 300, 758, 578}},
        {"on a left monitor that is gone", {-1500, 100, 758, 578}, {primary}, {0, 0, 758, 578}},
        {"on a left monitor still there", {-1500, 100, 758, 578}, {left, primary}, {-1500, 100, 758, 578}},
        {"larger than the screen", {100, 100, 2400, 1300}, {primary}, {0, 0, 1280, 1024}},
        {"maximized on a larger monitor", {-8, -8, 2576, 1416}, {primary}, {-8, -8, 1280, 1024}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PullBackOntoScreen(c.window, primary, c.screens), c.expected) << c.what;
    const QRect offsetPrimary(100, 50, 800, 600);
    EXPECT_EQ(PullBackOntoScreen({850, 600, 200, 100}, offsetPrimary, {offsetPrimary}), QRect(700, 550, 200, 100));
}
