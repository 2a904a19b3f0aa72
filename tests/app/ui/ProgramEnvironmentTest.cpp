// The program's real start-up environment: the program's name, the main window coming to the
// front, and a window closed minimized starting minimized.
#include "app/ui/ProgramEnvironment.h"
#include "app/ui/TfrmMain.h"
#include "settings/FormPosition.h"
#include "support/ConfigSandbox.h"
#include "support/FakeDesktop.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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

TEST(ProgramEnvironmentTest, TitleNamesTheProgramNotEveryCaptionAndTheMainWindowComesToTheFront)
{
    QTemporaryDir dir;
    testfiles::FakeDesktop desktop(dir.filePath(u"KRDL"_s));
    const QString programName = QCoreApplication::applicationName();
    {
        ProgramEnvironment env(desktop);
        env.SetApplicationTitle(u"Velmar Solid Edge Utils"_s);
        EXPECT_EQ(QCoreApplication::applicationName(), u"Velmar Solid Edge Utils"_s);
        // Qt appends a display name that was set to every caption it shows; one that was never
        // set follows the application name.
        QCoreApplication::setApplicationName(u"probe"_s);
        EXPECT_EQ(QGuiApplication::applicationDisplayName(), u"probe"_s) << "a display name is set";

        // Another window has the focus when the program starts.
        QWidget other;
        other.show();
        other.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
        env.CreateMainWindow();
        RaiseProbe probe;
        env.MainWindow()->installEventFilter(&probe);
        env.ShowMainWindow();
        EXPECT_GE(probe.raised, 1);
        EXPECT_TRUE(QTest::qWaitForWindowActive(env.MainWindow(), 1000));
        env.MainWindow()->removeEventFilter(&probe);
    }
    QCoreApplication::setApplicationName(programName);
}

TEST(ProgramEnvironmentTest, SettingsFileWithDamagedTextIsNamedBeforeTheStart)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(u"KRDL.ini"_s);
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Settings]\r\nA=\xC4\x8D\xC4\x87\xC5\xA1\xC4\x91\r\nB=\xE8\r\n"); // UTF-8, but for a Windows-1250 "č"
    file.close();
    testfiles::FakeDesktop desktop(dir.filePath(u"KRDL"_s));
    ProgramEnvironment env(desktop);
    EXPECT_TRUE(env.SpecialFileReason(ini).startsWith(u"line 3: "_s)) << env.SpecialFileReason(ini).toStdString();
    EXPECT_TRUE(env.SpecialFileReason(dir.filePath(u"missing.ini"_s)).isEmpty());
}

TEST(ProgramEnvironmentTest, AWindowClosedMinimizedStartsMinimizedWithItsBounds)
{
    testfiles::ConfigSandbox dir;
    ASSERT_TRUE(dir.isValid());
    testfiles::WriteBytes(dir.filePath(u"bin/KRDL.ini"_s), "[SETTINGS]\r\n");
    WriteFormPosition(true, u"KRDL.ini"_s, u"frmMain"_s, {30, 40, 700, 500, wsMinimized});
    testfiles::FakeDesktop desktop(dir.filePath(u"bin/KRDL"_s));
    ProgramEnvironment env(desktop);
    env.CreateMainWindow();
    bool shown = false;
    bool minimized = false;
    QRect bounds;
    QTimer::singleShot(0, [&] {
        TfrmMain* window = env.MainWindow();
        shown = window->isVisible();
        minimized = window->isMinimized();
        bounds = QRect(window->pos(), window->size());
        QApplication::quit();
    });
    env.RunMessageLoop();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(minimized);
    EXPECT_EQ(bounds, QRect(30, 40, 700, 500)) << "where it comes back to when restored";
}
