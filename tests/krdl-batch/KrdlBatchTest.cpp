// The krdl-batch tool run as a process: what it prints and how it exits.
#include "../journal/PrivateJournal.h"
#include "common/FsPath.h"
#include "common/PathText.h"
#include "support/PdfText.h"
#include "support/TestFiles.h"
#include "text/NativePath.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <csignal>
#endif

using namespace Qt::StringLiterals;

using testfiles::ReadBytes;
using testfiles::WriteBytes;

namespace {

struct ToolRun {
    int code = -1;
    QStringList out; // standard output, one entry per line
    QString err;
};

ToolRun runTool(const QStringList& args, const QString& workDir = {})
{
    QProcess p;
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(QStringLiteral(KRDL_BATCH_EXE), args);
    ToolRun r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << "krdl-batch did not finish normally";
        return r;
    }
    r.code = p.exitCode();
    // Lines end with CR LF on Windows.
    QString out = QString::fromLocal8Bit(p.readAllStandardOutput()).remove(u'\r');
    if (out.endsWith(u'\n'))
        out.chop(1);
    if (!out.isEmpty())
        r.out = out.split(u'\n');
    r.err = QString::fromLocal8Bit(p.readAllStandardError()).remove(u'\r');
    return r;
}

class KrdlBatchTool : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid() && journal.home.isValid()); }
    QString path(const QString& rel) const { return tmp.filePath(rel); }
    QString file(const QString& rel, const QByteArray& data = "x")
    {
        WriteBytes(path(rel), data);
        return path(rel);
    }
    QTemporaryDir tmp;
    // The undo journal of the runs in this test only; the tool inherits the setting.
    PrivateJournal journal;
};

} // namespace

TEST_F(KrdlBatchTool, CopyAllSucceedExitsZero)
{
    const QString a = file(u"src/a.dft"_s, "A"), b = file(u"src/b.par"_s, "B");
    const QString dest = path(u"dest"_s);
    const ToolRun r = runTool({u"copy"_s, u"--to"_s, dest, a, b});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, QStringList({u"Start copying files..."_s, u" "_s, u"1/2 "_s + a + u" copy to "_s + dest + u"/a.dft."_s,
                                  u"Success!"_s, u" "_s, u"2/2 "_s + b + u" copy to "_s + dest + u"/b.par."_s, u"Success!"_s, u" "_s,
                                  u"End copying files!"_s}));
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    EXPECT_EQ(ReadBytes(dest + u"/a.dft"_s), "A");
    EXPECT_EQ(ReadBytes(dest + u"/b.par"_s), "B");
}

TEST_F(KrdlBatchTool, CopyWithAFailureExitsTwoAndOverwriteReplaces)
{
    const QString a = file(u"src/a.dft"_s, "new");
    file(u"dest/a.dft"_s, "old");
    ToolRun r = runTool({u"copy"_s, u"--to="_s + path(u"dest"_s), a});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out.value(3), u"Failed! "_s + path(u"dest/a.dft"_s) + u" exists already."_s);
    EXPECT_EQ(ReadBytes(path(u"dest/a.dft"_s)), "old");

    r = runTool({u"copy"_s, u"--overwrite"_s, u"--to"_s, path(u"dest"_s), a});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.value(3), u"Success!"_s);
    EXPECT_EQ(ReadBytes(path(u"dest/a.dft"_s)), "new");

    r = runTool({u"copy"_s, u"--to"_s, path(u"dest"_s), path(u"src/missing.dft"_s), u"--overwrite"_s, a});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out.value(3), u"Failed! "_s + path(u"src/missing.dft"_s) + u": the file does not exist."_s);
    EXPECT_EQ(r.out.value(6), u"Success!"_s);
}

TEST_F(KrdlBatchTool, DestinationChecksGoToStandardErrorWithExitOne)
{
    const QString a = file(u"src/a.dft"_s);
    ToolRun r = runTool({u"copy"_s, u"--to"_s, u""_s, a});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err, u"Destination directory is not set!\n"_s);

    r = runTool({u"copy"_s, u"--to"_s, path(u"no/such"_s), a});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err, u"Cannot create directory!\n"_s);
    EXPECT_FALSE(QFileInfo::exists(path(u"no"_s)));
}

TEST_F(KrdlBatchTool, UsageErrorsExitOne)
{
    const QString a = file(u"src/a.dft"_s);
    const QList<QStringList> bad = {
        {},
        {u"move"_s, a},
        {u"copy"_s, a},
        {u"copy"_s, u"--to"_s},
        {u"copy"_s, u"--to"_s, path(u"d"_s)},
        {u"copy"_s, u"--to"_s, path(u"d"_s), u"--ignore-case"_s, a},
        {u"copy"_s, u"--to"_s, path(u"d"_s), u"--to"_s, path(u"e"_s), a},
        {u"copy"_s, u"--overwrite=yes"_s, u"--to"_s, path(u"d"_s), a},
        {u"rename"_s, u"--old"_s, u"a"_s, a},
        {u"rename"_s, u"--old"_s, u"a"_s, u"--new"_s, u""_s, a},
        {u"rename"_s, u"--old"_s, u""_s, u"--new"_s, u"b"_s, a},
        {u"rename"_s, u"--old"_s, u"a"_s, u"--new"_s, u"b"_s, u"--overwrite"_s, a},
        {u"rename"_s, u"--old"_s, u"a"_s, u"--new"_s, u"b"_s},
    };
    for (const QStringList& args : bad) {
        const ToolRun r = runTool(args);
        EXPECT_EQ(r.code, 1) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(u"usage: krdl-batch"_s)) << args.join(u' ').toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(path(u"d"_s)));
    EXPECT_TRUE(QFileInfo::exists(a));

    const ToolRun help = runTool({u"--help"_s});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.value(0).startsWith(u"usage: krdl-batch copy"_s));
}

TEST_F(KrdlBatchTool, RenameExitCodesAndLines)
{
    const QString a = file(u"src/xabcx.par"_s), b = file(u"src/other.par"_s), c = file(u"src/ABC.dft"_s);
    file(u"src/NEW.dft"_s, "taken");
    ToolRun r = runTool({u"rename"_s, u"--old"_s, u"ABC"_s, u"--new"_s, u"NEW"_s, a, b, c});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, QStringList({u"Start renaming files..."_s, u" "_s,
                                  u"3/3 "_s + c + u" rename to "_s + path(u"src/NEW.dft"_s) + u"."_s,
                                  u"Failed! "_s + path(u"src/NEW.dft"_s) + u" exists already."_s, u" "_s,
                                  u"End renameing files!"_s}));
    EXPECT_EQ(ReadBytes(path(u"src/NEW.dft"_s)), "taken");

    r = runTool({u"rename"_s, u"--ignore-case"_s, u"--old"_s, u"ABC"_s, u"--new"_s, u"NEW"_s, a, b});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.value(2), u"1/2 "_s + a + u" rename to "_s + path(u"src/xNEWx.par"_s) + u"."_s);
    EXPECT_TRUE(QFileInfo::exists(path(u"src/xNEWx.par"_s)));
    EXPECT_FALSE(QFileInfo::exists(a));
}

TEST_F(KrdlBatchTool, RelativePathsAndFilesAfterDoubleDash)
{
    file(u"work/--odd.dft"_s, "odd");
    const ToolRun r = runTool({u"rename"_s, u"--old"_s, u"odd"_s, u"--new"_s, u"even"_s, u"--"_s, u"--odd.dft"_s}, path(u"work"_s));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.value(2), u"1/1 --odd.dft rename to --even.dft."_s);
    EXPECT_EQ(ReadBytes(path(u"work/--even.dft"_s)), "odd");
}

TEST_F(KrdlBatchTool, BackslashAndColonArePartOfANativeName)
{
    if (platform::kNativePathStyle == PathStyle::Windows)
        GTEST_SKIP() << "on Windows they separate folders";
    file(u"work/a\\x.par"_s, "A");
    file(u"work/b\\x.par"_s, "B");
    file(u"work/c:x.par"_s, "C");
    const ToolRun r = runTool({u"copy"_s, u"--overwrite"_s, u"--to"_s, path(u"dest"_s), u"a\\x.par"_s, u"b\\x.par"_s, u"c:x.par"_s},
                              path(u"work"_s));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.value(2), u"1/3 a\\x.par copy to "_s + path(u"dest/a\\x.par."_s));
    // Each source keeps its own name; none overwrote another.
    EXPECT_EQ(ReadBytes(path(u"dest/a\\x.par"_s)), "A");
    EXPECT_EQ(ReadBytes(path(u"dest/b\\x.par"_s)), "B");
    EXPECT_EQ(ReadBytes(path(u"dest/c:x.par"_s)), "C");
    EXPECT_EQ(QDir(path(u"dest"_s)).count(), 5u); // with "." and ".."
}

TEST_F(KrdlBatchTool, NamesThatAreNotUtf8AreUsedByteForByte)
{
    if constexpr (text::kNativeNamesAreUtf16)
        GTEST_SKIP() << "native names are UTF-16 here";
    // Windows-1250 "šč": the shell passes the bytes on as they are.
    const std::string name = "cp1250_\x9A\xE8.par";
    const std::filesystem::path work = ToFsPath(path(u"work"_s));
    std::filesystem::create_directories(work);
    std::ofstream(work / name) << "old share";
    const QString script = u"N=$(printf 'cp1250_\\232\\350.par'); \"$0\" copy --to ../dest \"$N\" && \"$0\" rename --old 1250 --new 1251 \"$N\""_s;
    QProcess p;
    p.setWorkingDirectory(path(u"work"_s));
    p.start(u"/bin/sh"_s, {u"-c"_s, script, QStringLiteral(KRDL_BATCH_EXE)});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QByteArray out = p.readAllStandardOutput();
    EXPECT_EQ(p.exitCode(), 0) << out.toStdString() << p.readAllStandardError().toStdString();
    EXPECT_TRUE(out.contains("1/1 " + QByteArray::fromStdString(name) + " copy to ../dest/" + QByteArray::fromStdString(name) + "."))
        << out.toStdString();
    EXPECT_TRUE(out.contains("1/1 " + QByteArray::fromStdString(name) + " rename to cp1251_\x9A\xE8.par.")) << out.toStdString();
    EXPECT_TRUE(std::filesystem::is_regular_file(ToFsPath(path(u"dest"_s)) / name));
    EXPECT_TRUE(std::filesystem::is_regular_file(work / "cp1251_\x9A\xE8.par"));
    // QTemporaryDir cannot remove a name that is not UTF-8: Qt decodes names with loss.
    std::filesystem::remove_all(ToFsPath(tmp.path()));
}

TEST_F(KrdlBatchTool, AReportErrorNamesTheFileWithItsBytes)
{
    if constexpr (text::kNativeNamesAreUtf16)
        GTEST_SKIP() << "native names are UTF-16 here";
    QProcess p;
    p.setWorkingDirectory(tmp.path());
    p.start(u"/bin/sh"_s, {u"-c"_s, u"\"$0\" report --pdf \"no/such/$(printf 'cp1250_\\232\\350').pdf\" a.dft"_s,
                          QStringLiteral(KRDL_BATCH_EXE)});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1);
    const QByteArray err = p.readAllStandardError();
    EXPECT_TRUE(err.contains("krdl-batch: Cannot create file \"no/such/cp1250_\x9A\xE8.pdf\". ")) << err.toStdString();
}

TEST_F(KrdlBatchTool, ListFilesDriveCopyAndRenameWithTheirTickedEntries)
{
    const QString a = file(u"src/a.dft"_s, "A"), b = file(u"src/b.par"_s, "B"), c = file(u"src/c.asm"_s, "C");
    file(u"list.txt"_s, (u"1;"_s + a + u"\r\n0;"_s + b + u"\r\n"_s + c + u"\r\n"_s).toUtf8());
    ToolRun r = runTool({u"copy"_s, u"--to"_s, path(u"dest"_s), u"--list"_s, path(u"list.txt"_s)});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(ReadBytes(path(u"dest/a.dft"_s)), "A");
    EXPECT_FALSE(QFileInfo::exists(path(u"dest/b.par"_s)));
    EXPECT_EQ(ReadBytes(path(u"dest/c.asm"_s)), "C");

    r = runTool({u"rename"_s, u"--old"_s, u"."_s, u"--new"_s, u"_x."_s, u"--list="_s + path(u"list.txt"_s), b});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QDir(path(u"src"_s)).entryList(QDir::Files), QStringList({u"a_x.dft"_s, u"b_x.par"_s, u"c_x.asm"_s}));

    r = runTool({u"copy"_s, u"--to"_s, path(u"dest2"_s), u"--list"_s, path(u"no-such-list.txt"_s), a});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(u"Cannot open file \""_s)) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path(u"dest2"_s)));
}

TEST_F(KrdlBatchTool, ReportWritesThePdfWithoutADisplay)
{
    if (!testfiles::HavePdfToText())
        GTEST_SKIP() << "pdftotext (poppler-utils) cannot run";
    const auto pdfText = [](const QString& pdf) {
        QStringList lines;
        for (const QString& line : testfiles::PdfToText(pdf, {u"-layout"_s}).split(u'\n')) {
            if (line.trimmed().contains(QRegularExpression(u"^\\d+\\. "_s)))
                lines << line.trimmed();
        }
        return lines;
    };
    file(u"list.txt"_s, "1;C:\\Work\\a.dft\r\n0;C:\\Work\\b.par\r\n1;/srv/Načrti/c.psm\r\n");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(u"DISPLAY"_s);
    env.remove(u"WAYLAND_DISPLAY"_s);
    env.remove(u"QT_QPA_PLATFORM"_s);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(KRDL_BATCH_EXE), {u"report"_s, u"--pdf"_s, path(u"names.pdf"_s), u"--list"_s,
                                             path(u"list.txt"_s), u"--"_s, u"--d.pwd"_s});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    EXPECT_EQ(pdfText(path(u"names.pdf"_s)), QStringList({u"1. a.dft"_s, u"2. c.psm"_s, u"3. --d.pwd"_s}));

    ToolRun r = runTool({u"report"_s, u"--with-path"_s, u"--pdf="_s + path(u"names.pdf"_s), u"--list"_s, path(u"list.txt"_s)});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(pdfText(path(u"names.pdf"_s)), QStringList({u"1. C:\\Work\\a.dft"_s, u"2. /srv/Načrti/c.psm"_s}));

    // A PDF that cannot be written leaves nothing behind and the old file as it was.
    const QByteArray before = ReadBytes(path(u"names.pdf"_s));
    r = runTool({u"report"_s, u"--pdf"_s, path(u"no/such/folder/x.pdf"_s), u"a.dft"_s});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(u"Cannot create file \""_s)) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path(u"no"_s)));
    EXPECT_EQ(ReadBytes(path(u"names.pdf"_s)), before);

#ifndef _WIN32
    // So does a file size limit, which would otherwise end the process mid-write (POSIX only).
    QProcess limited;
    limited.start(u"/bin/sh"_s, {u"-c"_s, u"ulimit -f 4; exec \"$0\" report --pdf \"$1\" a.dft"_s,
                                 QStringLiteral(KRDL_BATCH_EXE), path(u"names.pdf"_s)});
    ASSERT_TRUE(limited.waitForFinished(60000));
    EXPECT_EQ(limited.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(limited.exitCode(), 1);
    EXPECT_EQ(ReadBytes(path(u"names.pdf"_s)), before);
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList({u"list.txt"_s, u"names.pdf"_s}));
#endif

    const QList<QStringList> bad = {
        {u"report"_s, u"a.dft"_s},
        {u"report"_s, u"--pdf"_s},
        {u"report"_s, u"--pdf"_s, path(u"x.pdf"_s)},
        {u"report"_s, u"--pdf"_s, path(u"x.pdf"_s), u"--pdf"_s, path(u"y.pdf"_s), u"a.dft"_s},
        {u"report"_s, u"--pdf"_s, path(u"x.pdf"_s), u"--overwrite"_s, u"a.dft"_s},
        {u"report"_s, u"--pdf"_s, path(u"x.pdf"_s), u"--list"_s, path(u"missing.txt"_s)},
    };
    for (const QStringList& args : bad) {
        r = runTool(args);
        EXPECT_EQ(r.code, 1) << args.join(u' ').toStdString();
        EXPECT_FALSE(QFileInfo::exists(path(u"x.pdf"_s))) << args.join(u' ').toStdString();
    }
}

namespace {

// Names in a folder that a copy may have left behind under a temporary name.
QStringList leftovers(const QString& folder)
{
    return QDir(folder).entryList({u".krdl-copy-*"_s}, QDir::Files | QDir::Hidden);
}

} // namespace

TEST_F(KrdlBatchTool, FileSizeLimitFailsTheFileAndTheRunGoesOn)
{
    if (platform::kNativePathStyle == PathStyle::Windows)
        GTEST_SKIP() << "no file size limit signal on Windows";
    const QString big = file(u"src/big.par"_s, QByteArray(2 * 1024 * 1024, 'b'));
    const QString small = file(u"src/small.par"_s, "s");
    QProcess p;
    p.start(u"/bin/sh"_s, {u"-c"_s, u"ulimit -f 1024; exec \"$0\" copy --to \"$1\" \"$2\" \"$3\""_s, QStringLiteral(KRDL_BATCH_EXE),
                          path(u"dest"_s), big, small});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitStatus(), QProcess::NormalExit) << "ended by a signal";
    EXPECT_EQ(p.exitCode(), 2);
    const QStringList out = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n');
    EXPECT_EQ(out.value(3), u"Failed! File too large."_s);
    EXPECT_EQ(out.value(6), u"Success!"_s);
    EXPECT_FALSE(QFileInfo::exists(path(u"dest/big.par"_s)));
    EXPECT_EQ(ReadBytes(path(u"dest/small.par"_s)), "s");
    EXPECT_TRUE(leftovers(path(u"dest"_s)).isEmpty());
}

TEST_F(KrdlBatchTool, TerminationStopsTheRunCleanlyAndASecondOneAtOnce)
{
#ifdef _WIN32
    GTEST_SKIP() << "POSIX signals; Windows sends Ctrl+C only to processes on a console the test does not have";
#else
    QStringList sources;
    for (int i = 0; i < 600; ++i)
        sources << file(u"src/a_rather_long_file_name_to_fill_the_pipe_%1.par"_s.arg(i, 4, 10, QChar(u'0')), QByteArray(4096, 'x'));
    for (const int requests : {1, 2}) {
        const QString dest = path(u"dest%1"_s.arg(requests));
        QProcess p;
        p.start(QStringLiteral(KRDL_BATCH_EXE), QStringList{u"copy"_s, u"--to"_s, dest} + sources);
        ASSERT_TRUE(p.waitForStarted());
        // Its output is not read yet: once the pipe is full the run waits in the middle.
        QThread::msleep(500);
        for (int k = 0; k < requests; ++k) {
            ::kill(pid_t(p.processId()), SIGTERM);
            QThread::msleep(50);
        }
        ASSERT_TRUE(p.waitForFinished(60000));
        ASSERT_EQ(p.exitStatus(), QProcess::NormalExit) << requests;
        EXPECT_EQ(p.exitCode(), 2) << requests;
        const QStringList out = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        if (requests == 1) {
            ASSERT_GE(out.size(), 4);
            EXPECT_EQ(out.mid(out.size() - 3), (QStringList{u"User cancel operation!"_s, u" "_s, u"End copying files!"_s}));
        }
        const QStringList copied = QDir(dest).entryList(QDir::Files);
        EXPECT_LT(copied.size(), sources.size()) << requests;
        for (const QString& name : copied)
            EXPECT_EQ(ReadBytes(dest + u'/' + name), QByteArray(4096, 'x')) << name.toStdString();
        EXPECT_TRUE(leftovers(dest).isEmpty()) << requests;
    }
#endif
}

TEST_F(KrdlBatchTool, UndoPutsBackTheLastRenameAndSaysWhenThereIsNone)
{
    const QString a = file(u"src/a1.dft"_s, "1"), b = file(u"src/a2.dft"_s, "2");
    // Named relative to the folder the rename ran in, put back from another one.
    ASSERT_EQ(runTool({u"rename"_s, u"--old"_s, u"a"_s, u"--new"_s, u"b"_s, u"a1.dft"_s, u"a2.dft"_s}, path(u"src"_s)).code, 0);
    ToolRun r = runTool({u"undo"_s});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    ASSERT_EQ(r.out.size(), 9);
    // The journal holds the full paths in the system's form.
    EXPECT_EQ(r.out.mid(1, 3), QStringList({u" "_s,
                                            u"1/2 "_s + QDir::toNativeSeparators(path(u"src/b2.dft"_s)) + u" rename back to "_s
                                                + QDir::toNativeSeparators(b) + u"."_s,
                                            u"Success!"_s}));
    EXPECT_EQ(ReadBytes(a), "1");
    EXPECT_EQ(ReadBytes(b), "2");

    r = runTool({u"undo"_s});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err, u"There is no rename to undo.\n"_s);
    EXPECT_EQ(runTool({u"undo"_s, u"now"_s}).code, 1);
}

TEST_F(KrdlBatchTool, UndoAfterARenameKilledInTheMiddle)
{
    QStringList sources, names;
    for (int i = 0; i < 400; ++i) {
        names << u"old_a_rather_long_file_name_to_fill_the_pipe_soon_%1.par"_s.arg(i, 4, 10, QChar(u'0'));
        sources << file(u"src/"_s + names.back(), QByteArray::number(i));
    }
    QProcess p;
    p.start(QStringLiteral(KRDL_BATCH_EXE), QStringList{u"rename"_s, u"--old"_s, u"old"_s, u"--new"_s, u"new"_s} + sources);
    ASSERT_TRUE(p.waitForStarted());
    // Its output is not read: once the pipe is full the run waits, part of the way through.
    const auto renamed = [this] { return QDir(path(u"src"_s)).entryList({u"new_*"_s}, QDir::Files).size(); };
    qsizetype seen = -1;
    for (int k = 0; k < 200 && (seen <= 0 || renamed() != seen); ++k) {
        seen = renamed();
        QThread::msleep(100);
    }
    p.kill(); // SIGKILL, TerminateProcess on Windows
    ASSERT_TRUE(p.waitForFinished(60000));
#ifndef _WIN32
    ASSERT_EQ(p.exitStatus(), QProcess::CrashExit); // TerminateProcess leaves no signal to tell
#endif
    ASSERT_GT(renamed(), 0);
    ASSERT_LT(renamed(), sources.size());

    const ToolRun r = runTool({u"undo"_s});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QDir(path(u"src"_s)).entryList(QDir::Files, QDir::Name), names);
    for (int i = 0; i < sources.size(); i += 37)
        EXPECT_EQ(ReadBytes(sources[i]), QByteArray::number(i));
}
