// The built program at start-up: one instance at a time, no start without its INI file, and
// the "Handle" and "Location" values. Every run gets its own runtime and configuration folder,
// message boxes close themselves after a second and are logged to a file.
#include "settings/Settings.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <cstring>
#include <functional>

#ifndef _WIN32
#include <csignal>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

const QString kKey = u"Software\\KARDOLIN\\Nastavitve"_s;

// A copy of the program is named like the built one: ".exe" on Windows.
QString ProgramCopy(const QString& folder)
{
    const QFileInfo built(QString::fromUtf8(KRDL_EXE));
    return folder + u'/' + built.fileName();
}

// Paths as the program writes them, with the system's separators.
QString Native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"KRDL_RUNTIME_DIR"_s, dir.filePath(u"run"_s));
        env.insert(u"KRDL_CONFIG_HOME"_s, dir.filePath(u"config"_s));
        env.insert(u"KRDL_MSGBOX_TIMEOUT"_s, u"1"_s);
        env.insert(u"KRDL_MSGBOX_LOG"_s, dir.filePath(u"boxes.log"_s));
        // The registry store this test reads is the one the program writes.
        savedConfig = qgetenv("KRDL_CONFIG_HOME");
        qputenv("KRDL_CONFIG_HOME", dir.filePath(u"config"_s).toUtf8());
    }
    void TearDown() override
    {
        for (QProcess* p : started) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(10000);
            }
            delete p;
        }
        if (savedConfig.isEmpty())
            qunsetenv("KRDL_CONFIG_HOME");
        else
            qputenv("KRDL_CONFIG_HOME", savedConfig);
    }

    QProcess* start(const QString& program, const QStringList& args = {})
    {
        auto* p = new QProcess;
        started << p;
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(program, args);
        EXPECT_TRUE(p->waitForStarted(10000)) << program.toStdString();
        return p;
    }

    QStringList logLines() const
    {
        QFile f(dir.filePath(u"boxes.log"_s));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    // Waits until the condition holds or the process has ended; says whether it holds.
    static bool waitFor(QProcess* p, const std::function<bool()>& condition, int ms = 60000)
    {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            if (condition())
                return true;
            if (p->state() == QProcess::NotRunning)
                return condition();
            QThread::msleep(50);
        }
        return condition();
    }

    QTemporaryDir dir;
    QProcessEnvironment env;
    QByteArray savedConfig;
    QList<QProcess*> started;
};

} // namespace

TEST_F(ProcessTest, SecondInstanceGivesWayWithCodeZeroAndTheFirstKeepsRunning)
{
    const QString exe = QString::fromUtf8(KRDL_EXE);
    QProcess* first = start(exe);
    // "Location" is written once the instance lock is held and the INI file was found.
    ASSERT_TRUE(waitFor(first, [] { return !RegReadString(kKey, u"Location"_s).isEmpty(); }))
        << "the first instance never got past start-up";
    // The program reports where it really is, with links resolved.
    EXPECT_EQ(RegReadString(kKey, u"Location"_s), Native(QFileInfo(exe).canonicalFilePath()));
    EXPECT_EQ(RegReadString(kKey, u"Handle"_s), QString::number(first->processId()));

    QProcess* second = start(exe);
    const qint64 secondPid = second->processId();
    ASSERT_TRUE(second->waitForFinished(60000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    // The second one writes its own "Handle" before it finds the first.
    EXPECT_EQ(RegReadString(kKey, u"Handle"_s), QString::number(secondPid));
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(u"caption=Application already running\t"_s
                                    u"text=Instance of this application is already running!\t"_s
                                    u"buttons=Close\t"_s))
        << lines[0].toStdString();

    QThread::msleep(300);
    EXPECT_EQ(first->state(), QProcess::Running);

    // Once the first is gone (even killed), the next start runs as the only instance.
    first->kill();
    ASSERT_TRUE(first->waitForFinished(10000));
    RegWriteString(kKey, u"Location"_s, u""_s);
    QProcess* third = start(exe);
    EXPECT_TRUE(waitFor(third, [] { return !RegReadString(kKey, u"Location"_s).isEmpty(); }));
    EXPECT_EQ(third->state(), QProcess::Running);
    EXPECT_EQ(logLines().size(), 1);
}

TEST_F(ProcessTest, MissingIniEndsWithCodeOneAfterTheErrorBox)
{
    // The program alone in a folder, without its INI file.
    const QString exe = ProgramCopy(dir.filePath(u"alone"_s));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(u"alone"_s)));
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(KRDL_EXE), exe));

    QProcess* p = start(exe);
    const qint64 pid = p->processId();
    ASSERT_TRUE(p->waitForFinished(60000));
    EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p->exitCode(), 1);
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith(QString::fromUtf8("caption=Error\ttext=Ni mogoče najti datoteke ")
                                    + Native(QFileInfo(dir.filePath(u"alone"_s)).canonicalFilePath() + u"/KRDL.ini"_s)
                                        .replace(u'\\', u"\\\\"_s)
                                    + u"\tbuttons=OK\t"_s))
        << lines[0].toStdString();
    EXPECT_EQ(RegReadString(kKey, u"Handle"_s), QString::number(pid));
    EXPECT_TRUE(RegReadString(kKey, u"Location"_s).isEmpty());
    // Start-up never creates the INI file. The window, never shown, still stored its position,
    // in the user's configuration folder.
    EXPECT_FALSE(QFile::exists(dir.filePath(u"alone/KRDL.ini"_s)));
    EXPECT_EQ(IniReadString(dir.filePath(u"config/krdl/KRDL.ini"_s), u"frmMain"_s, u"Width"_s), u"758"_s);
}

TEST_F(ProcessTest, NewerVersionFromTheUpgradeLibraryEndsTheProgramWithoutTheExitQuestion)
{
    // The program with its INI file and an upgrade library that logs its calls.
    const QString folder = dir.filePath(u"prog"_s);
    ASSERT_TRUE(QDir().mkpath(folder + u"/upgrade"_s));
    const QString exe = ProgramCopy(folder);
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(KRDL_EXE), exe));
    const QString library = u"check."_s + QFileInfo(QString::fromUtf8(KRDL_FAKE_UPGRADE)).suffix(); // .so, .dll
    IniWriteString(folder + u"/KRDL.ini"_s, u"SETTINGS"_s, u"UpgradeProg"_s, u"\\upgrade\\"_s + library);
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(KRDL_FAKE_UPGRADE), folder + u"/upgrade/"_s + library));
    const QString calls = dir.filePath(u"calls.log"_s);
    env.insert(u"KRDL_FAKE_UPGRADE_LOG"_s, calls);
    auto readCalls = [&] {
        QFile f(calls);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                           : QStringList();
    };
    const QString realExe = Native(QFileInfo(exe).canonicalFilePath());

    // Its own version: the program starts and keeps running.
    env.insert(u"KRDL_FAKE_LAST_VERSION"_s, u"2.204"_s);
    QProcess* same = start(exe);
    ASSERT_TRUE(waitFor(same, [&] { return readCalls().size() >= 3; }));
    QThread::msleep(300);
    EXPECT_EQ(same->state(), QProcess::Running);
    same->kill();
    ASSERT_TRUE(same->waitForFinished(10000));

    // A newer version: the upgrade runs and the program ends at once with code 0, no box shown.
    QFile::remove(calls);
    env.insert(u"KRDL_FAKE_LAST_VERSION"_s, u"2.3"_s);
    QProcess* newer = start(exe);
    ASSERT_TRUE(newer->waitForFinished(60000));
    EXPECT_EQ(newer->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(newer->exitCode(), 0);
    const QStringList lines = readCalls();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.last(), u"ExecuteUpgrade\t0\t\"Travenkalo\"2.204\" \""_s + realExe + u"\""_s);
    EXPECT_TRUE(logLines().isEmpty()) << logLines().join(u" | "_s).toStdString();
    EXPECT_EQ(RegReadString(kKey, u"Location"_s), realExe);
}

TEST_F(ProcessTest, SomethingElseInPlaceOfASettingsFileGivesABoxInsteadOfAHang)
{
#ifdef _WIN32
    // No FIFOs among Windows files: a folder stands where the file should be.
    const auto makeSpecial = [](const QString& path) { return QDir().mkdir(path); };
    const QString reason = u"it is a folder"_s;
#else
    // A FIFO: nobody ever writes to it, so a read would wait for good.
    const auto makeSpecial = [](const QString& path) {
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    };
    const QString reason = u"it is a FIFO"_s;
#endif
    // As the box log writes a path.
    const auto logged = [](const QString& path) { return Native(path).replace(u'\\', u"\\\\"_s); };
    // In place of the program INI file.
    const QString exe = ProgramCopy(dir.filePath(u"alone"_s));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(u"alone"_s)));
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(KRDL_EXE), exe));
    const QString ini = QFileInfo(dir.filePath(u"alone"_s)).canonicalFilePath() + u"/KRDL.ini"_s;
    ASSERT_TRUE(makeSpecial(ini));
    QProcess* p = start(exe);
    ASSERT_TRUE(p->waitForFinished(60000));
    EXPECT_EQ(p->exitCode(), 1);
    ASSERT_EQ(logLines().size(), 1);
    EXPECT_TRUE(logLines()[0].startsWith(u"caption=Error\ttext=Cannot open file \""_s + logged(ini) + u"\": "_s + reason))
        << logLines()[0].toStdString();

    // In place of the per-user registry store: the box, then the program runs.
    const QString store = dir.filePath(u"config/krdl/registry.ini"_s);
    ASSERT_TRUE(QDir().mkpath(dir.filePath(u"config/krdl"_s)));
    QFile::remove(store); // the run above wrote "Handle" there
    ASSERT_TRUE(makeSpecial(store));
    QProcess* q = start(QString::fromUtf8(KRDL_EXE));
    ASSERT_TRUE(waitFor(q, [this] { return logLines().size() == 2; }));
    EXPECT_TRUE(logLines()[1].startsWith(u"caption=Error\ttext=Cannot open file \""_s + logged(store) + u"\": "_s + reason))
        << logLines()[1].toStdString();
    QThread::msleep(500);
    EXPECT_EQ(q->state(), QProcess::Running);
}

TEST_F(ProcessTest, FilesGoToTheRunningInstanceAndAreNeverLostToAStaleSocketOrAHungInstance)
{
    const QString exe = QString::fromUtf8(KRDL_EXE);
    const QString doc = dir.filePath(u"a.dft"_s);
    QFile(doc).open(QIODevice::WriteOnly);
#ifndef _WIN32
    // A socket left behind by an instance that was killed: nobody listens on it. (A Windows pipe
    // goes with the process that made it.)
    ASSERT_TRUE(QDir().mkpath(dir.filePath(u"run"_s)));
    const QByteArray socketPath = QFile::encodeName(dir.filePath(u"run/KARDOLIN.socket"_s));
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        ASSERT_LT(size_t(socketPath.size()), sizeof addr.sun_path);
        std::memcpy(addr.sun_path, socketPath.constData(), size_t(socketPath.size()));
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        ::close(fd);
    }
#endif
    const auto location = [] { return RegReadString(kKey, u"Location"_s); };

    // The first start takes the socket's place; a second start with files hands them over and
    // ends at once, without a box.
    QProcess* first = start(exe);
    ASSERT_TRUE(waitFor(first, [&] { return !location().isEmpty(); }));
    QProcess* second = start(exe, {doc});
    ASSERT_TRUE(second->waitForFinished(60000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(logLines().isEmpty()) << logLines().join(u" | "_s).toStdString();
    EXPECT_EQ(first->state(), QProcess::Running);

#ifndef _WIN32
    // An instance that does not answer (stopped): the later start gives up within its limit
    // and names the files that were not added.
    ::kill(pid_t(first->processId()), SIGSTOP);
    QProcess* third = start(exe, {doc});
    ASSERT_TRUE(third->waitForFinished(60000));
    ::kill(pid_t(first->processId()), SIGCONT);
    EXPECT_EQ(third->exitCode(), 1);
    ASSERT_EQ(logLines().size(), 1);
    EXPECT_TRUE(logLines()[0].startsWith(u"caption=Application already running\ttext=Instance of this application is "_s
                                         u"already running!\\n\\nIt does not answer, so these files were not added:\\n"_s
                                         + doc + u"\t"_s))
        << logLines()[0].toStdString();
#endif

    // The instance is killed: a start with files becomes the instance itself, keeps running and
    // shows no box.
    const qsizetype boxes = logLines().size();
    first->kill();
    ASSERT_TRUE(first->waitForFinished(10000));
    RegWriteString(kKey, u"Location"_s, u""_s);
    QProcess* fourth = start(exe, {doc});
    EXPECT_TRUE(waitFor(fourth, [&] { return !location().isEmpty(); }));
    EXPECT_EQ(fourth->state(), QProcess::Running);
    EXPECT_EQ(logLines().size(), boxes);
}

// The captions as the window system shows them: Qt adds the application's display name to the
// title it hands the window system, which only a real X server shows (_NET_WM_NAME).
TEST_F(ProcessTest, CaptionsReadExactlyAsTheWindowsSetThem)
{
    if (QStandardPaths::findExecutable(u"Xvfb"_s).isEmpty() || QStandardPaths::findExecutable(u"xwininfo"_s).isEmpty())
        GTEST_SKIP() << "Xvfb (xvfb) and xwininfo (x11-utils) are needed";
    QProcess xvfb;
    xvfb.start(u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-nolisten"_s, u"tcp"_s});
    ASSERT_TRUE(xvfb.waitForReadyRead(30000)) << "Xvfb did not start";
    const QString display = u":"_s + QString::fromLatin1(xvfb.readLine().trimmed());
    // The server names its display before it serves it; a program started too early, or on a
    // display whose socket another server still holds, never connects.
    const auto serves = [&] {
        QProcess probe;
        probe.start(u"xwininfo"_s, {u"-display"_s, display, u"-root"_s});
        return probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
    };
    bool served = serves();
    for (int attempt = 0; attempt < 50 && !served; ++attempt) {
        QThread::msleep(200);
        served = serves();
    }
    if (!served)
        GTEST_SKIP() << "Xvfb named display " << display.toStdString() << " but accepts no connections on it";
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    env.insert(u"DISPLAY"_s, display);
    env.insert(u"KRDL_MSGBOX_TIMEOUT"_s, u"10"_s);
    // The names of every window on the display.
    const auto captions = [&] {
        QProcess tree;
        tree.start(u"xwininfo"_s, {u"-display"_s, display, u"-root"_s, u"-tree"_s});
        tree.waitForFinished(10000);
        QStringList names;
        static const QRegularExpression named(uR"re(^\s*0x[0-9a-f]+ "(.*)": \()re"_s, QRegularExpression::MultilineOption);
        for (auto it = named.globalMatch(QString::fromUtf8(tree.readAllStandardOutput())); it.hasNext();)
            names << it.next().captured(1);
        return names;
    };
    const auto shows = [&](QProcess* p, const QString& caption) {
        QStringList seen;
        const bool up = waitFor(p, [&] { return (seen = captions()).contains(caption); }, 30000);
        EXPECT_TRUE(up) << caption.toStdString() << " not among: " << seen.join(u" | "_s).toStdString();
        for (const QString& name : seen)
            EXPECT_FALSE(name.contains(u" \u2014 "_s)) << name.toStdString();
    };

    QProcess* program = start(QString::fromUtf8(KRDL_EXE));
    shows(program, u"Velmar solid edge utils STANDARD [v2.204]"_s);
    program->kill();
    ASSERT_TRUE(program->waitForFinished(10000));

    // A message box: the error of a start without the program INI file.
    const QString alone = dir.filePath(u"alone/KRDL"_s);
    ASSERT_TRUE(QDir().mkpath(dir.filePath(u"alone"_s)));
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(KRDL_EXE), alone));
    shows(start(alone), u"Error"_s);
}
