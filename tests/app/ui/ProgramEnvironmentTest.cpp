// The program's real start-up environment: the program's name, the main window coming to the
// front, and a window closed minimized starting minimized.
#include "app/ui/ProgramEnvironment.h"
#include "app/ui/TfrmMain.h"
#include "settings/FormPosition.h"
#include "support/ConfigSandbox.h"
#include "support/FakeDesktop.h"
#include "support/ScopedEnv.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QDir>
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

// The hooks of unattended runs: the list written out after files joined it at start or from a
// later start, and the action named by KRDL_START_ACTION run once, when it is enabled.
TEST(ProgramEnvironmentTest, WindowLogAndStartAction)
{
    struct Case {
        const char* action;
        const char* logged; // what the log holds after the start's files and a later start's file
    };
    const Case cases[] = {
        {"", "checked=1 a.dft|checked=1 b.par|entries=2|checked=1 a.dft|checked=1 b.par|checked=1 c.psm|entries=3|"},
        {"actSelectNoneFile",
         "checked=1 a.dft|checked=1 b.par|entries=2|action=actSelectNoneFile triggered=1|"
         "checked=0 a.dft|checked=0 b.par|checked=1 c.psm|entries=3|"},
        // Never enabled.
        {"actShowFileDependenies",
         "checked=1 a.dft|checked=1 b.par|entries=2|action=actShowFileDependenies triggered=0|"
         "checked=1 a.dft|checked=1 b.par|checked=1 c.psm|entries=3|"},
        {"actNoSuchThing",
         "checked=1 a.dft|checked=1 b.par|entries=2|action=actNoSuchThing triggered=0|"
         "checked=1 a.dft|checked=1 b.par|checked=1 c.psm|entries=3|"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        QTemporaryDir dir;
        for (const char* name : {"a.dft", "b.par", "c.psm"}) {
            QFile f(dir.filePath(QString::fromLatin1(name)));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        const QString log = dir.filePath(u"window.log"_s);
        testfiles::ScopedEnv logEnv("KRDL_WINDOW_LOG", QDir::toNativeSeparators(log).toStdString());
        testfiles::ScopedEnv actionEnv("KRDL_START_ACTION", c.action);
        {
            testfiles::FakeDesktop desktop(dir.filePath(u"KRDL"_s));
            ProgramEnvironment env(desktop);
            env.CreateMainWindow();
            // Absolute and in the system's form, as main() gives them.
            const auto at = [&dir](const QString& name) { return QDir::toNativeSeparators(dir.filePath(name)); };
            env.OpenFiles({at(u"b.par"_s), at(u"a.dft"_s)});
            QCoreApplication::processEvents();
            env.TakeFilesFromLaterStart({at(u"c.psm"_s)});
        }
        QFile f(log);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(f.readAll());
        // The folder as the log writes it, a backslash doubled.
        const QString folder = QDir::toNativeSeparators(dir.path() + u'/').replace(u"\\"_s, u"\\\\"_s);
        text.replace(folder, QString()).replace(u'\t', u' ').replace(u'\n', u'|');
        text.replace(u"path="_s, QString());
        EXPECT_EQ(text.toStdString(), c.logged);
    }
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
        // Ends the loop without closing the windows: `QApplication::quit` closes them, and the
        // last one closed posts another Quit that would arrive after this loop, ending every
        // event loop (message boxes, dialogs) of the tests after this one at once.
        QCoreApplication::exit(0);
    });
    env.RunMessageLoop();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(minimized);
    EXPECT_EQ(bounds, QRect(30, 40, 700, 500)) << "where it comes back to when restored";
}
