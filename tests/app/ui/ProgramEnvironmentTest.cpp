// The program's real start-up environment: the name the desktop shows and the main window
// coming to the front.
#include "app/ui/ProgramEnvironment.h"
#include "app/ui/TfrmMain.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Counts the requests to put a window on top of the others.
class RaiseProbe : public QObject {
public:
    int raised = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::ZOrderChange)
            ++raised;
        return false;
    }
};

} // namespace

TEST(ProgramEnvironmentTest, TitleIsTheDisplayNameAndTheMainWindowComesToTheFront)
{
    QTemporaryDir dir;
    SetProgramFileNameForTesting(dir.filePath(u"KRDL"_s));
    const QString programName = QCoreApplication::applicationName();
    {
        ProgramEnvironment env;
        env.setApplicationTitle(u"Velmar Solid Edge Utils"_s);
        EXPECT_EQ(QGuiApplication::applicationDisplayName().toStdString(), "Velmar Solid Edge Utils");
        // The program's own name, which the desktop keys its settings and window class on, stays.
        EXPECT_EQ(QCoreApplication::applicationName().toStdString(), programName.toStdString());

        // Another window has the focus when the program starts.
        QWidget other;
        other.show();
        other.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
        env.createMainWindow();
        RaiseProbe probe;
        env.mainWindow()->installEventFilter(&probe);
        env.showMainWindow();
        EXPECT_GE(probe.raised, 1);
        EXPECT_TRUE(QTest::qWaitForWindowActive(env.mainWindow(), 1000));
        env.mainWindow()->removeEventFilter(&probe);
    }
    QCoreApplication::setApplicationName(programName);
    SetProgramFileNameForTesting({});
}

TEST(ProgramEnvironmentTest, SettingsFileWithDamagedTextIsNamedBeforeTheStart)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(u"KRDL.ini"_s);
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Settings]\r\nA=\xC4\x8D\xC4\x87\xC5\xA1\xC4\x91\r\nB=\xE8\r\n"); // UTF-8, but for a Windows-1250 "č"
    file.close();
    ProgramEnvironment env;
    EXPECT_TRUE(env.specialFileReason(ini).startsWith(u"line 3: "_s)) << env.specialFileReason(ini).toStdString();
    EXPECT_TRUE(env.specialFileReason(dir.filePath(u"missing.ini"_s)).isEmpty());
}
