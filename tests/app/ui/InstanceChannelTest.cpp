// Files from the desktop: a later start of the real program hands the files it was given to the
// running instance, here a main window of the test that holds the instance lock.
#include "app/ui/InstanceChannel.h"
#include "app/ui/ProgramEnvironment.h"
#include "app/ui/TfrmMain.h"
#include "common/FsPath.h"
#include "filelist/ui/FileListModel.h"
#include "platform/InstanceLock.h"
#include "support/ConfigSandbox.h"
#include "support/FakeDesktop.h"

#include "support/ScopedEnv.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QDir>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

using namespace Qt::StringLiterals;

namespace {

QStringList entries(const TfrmMain& window)
{
    QStringList out;
    for (const FileEntry& e : window.FileList()->List().Entries())
        out << e.FullPath() + (e.checked ? u" +"_s : u" -"_s);
    return out;
}

} // namespace

TEST(InstanceChannelTest, LaterStartHandsItsDocumentsToTheRunningWindowWhichComesToTheFront)
{
    const testfiles::ConfigSandbox dir;
    ASSERT_TRUE(dir.isValid());
    const testfiles::ScopedEnv runtime("KRDL_RUNTIME_DIR", dir.filePath(u"run"_s).toStdString());
    const QString work = dir.filePath(u"work"_s);
    for (const char* name : {"a.dft", "notes.txt", "parts/b.PAR", "parts/sub/c.asm", "parts/readme.txt",
                             "parts/.hidden/d.psm"})
        testfiles::WriteBytes(work + u'/' + QString::fromUtf8(name), "x");
#ifdef _WIN32
    // Windows hides by attribute, not by a leading dot; names are UTF-16 and FIFOs do not exist.
    SetFileAttributesW(ToFsPath(work + u"/parts/.hidden"_s).c_str(), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
    const QString odd = QDir::toNativeSeparators(work + QString::fromUtf8("/Načrt.pwd"));
    std::ofstream(ToFsPath(odd)) << "x";
    testfiles::WriteBytes(work + u"/pipe.dft"_s, "x");
    const auto native = [](const QString& path) { return QDir::toNativeSeparators(path); };
#else
    // A name that is no UTF-8 (Windows-1250 from an old share).
    const QString odd = work + u'/' + FromNativeBytes("cp1250_\x9a\xe8.pwd");
    std::ofstream(ToFsPath(odd)) << "x";
    ASSERT_EQ(::mkfifo(QFile::encodeName(work + u"/pipe.dft"_s).constData(), 0600), 0);
    const auto native = [](const QString& path) { return path; };
#endif

    platform::InstanceLock lock("KARDOLIN");
    ASSERT_TRUE(lock.Owned());
    {
        testfiles::FakeDesktop desktop(dir.filePath(u"KRDL"_s));
        ProgramEnvironment env(desktop);
        env.CreateMainWindow();
        TfrmMain& window = *env.MainWindow();
        // Named at this start: added once the event loop runs.
        env.OpenFiles({odd});
        EXPECT_TRUE(entries(window).isEmpty());
        env.AcceptFilesFromLaterStarts();
        window.show();
        window.setWindowState(Qt::WindowMinimized);

        // A message that is not ours is dropped, and the window goes on listening.
        QLocalSocket stranger;
        stranger.connectToServer(InstanceChannel::ChannelName(u"KARDOLIN"_s));
        ASSERT_TRUE(stranger.waitForConnected(5000));
        stranger.write("GET / HTTP/1.1\r\n\r\n");
        EXPECT_TRUE(QTest::qWaitFor([&stranger] { return stranger.state() == QLocalSocket::UnconnectedState; }, 5000));
        EXPECT_EQ(entries(window), QStringList{odd + u" +"_s}); // the start's own file, once events ran

        // Started in the work folder with relative names, as a script would.
        QProcess later;
        later.setWorkingDirectory(work);
        later.setProcessChannelMode(QProcess::ForwardedChannels);
        later.start(QStringLiteral(KRDL_EXE), {u"a.dft"_s, u"notes.txt"_s, u"parts"_s, u"missing.dft"_s, u"pipe.dft"_s});
        ASSERT_TRUE(later.waitForStarted(10000));
        EXPECT_TRUE(QTest::qWaitFor([&later] { return later.state() == QProcess::NotRunning; }, 60000));
        EXPECT_EQ(later.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(later.exitCode(), 0);

        // The documents among the names and below the folder (hidden folders left out), checked
        // and sorted by name; the rest left out (on Windows pipe.dft is an ordinary document).
        QStringList expected{native(work + u"/a.dft +"_s), native(work + u"/parts/b.PAR +"_s),
                             native(work + u"/parts/sub/c.asm +"_s), odd + u" +"_s};
#ifdef _WIN32
        expected.append(native(work + u"/pipe.dft +"_s));
#endif
        EXPECT_EQ(entries(window), expected);
        EXPECT_FALSE(window.isMinimized());
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window, 5000));
    }
    // Qt cannot name it to remove it with the folder.
    std::filesystem::remove(ToFsPath(odd));
}
