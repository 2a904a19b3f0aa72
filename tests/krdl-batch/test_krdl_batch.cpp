// The krdl-batch tool run as a process: what it prints and how it exits.
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
    QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
    if (out.endsWith(u'\n'))
        out.chop(1);
    if (!out.isEmpty())
        r.out = out.split(u'\n');
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

class KrdlBatchTool : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    QString path(const QString& rel) const { return tmp.filePath(rel); }
    QString file(const QString& rel, const QByteArray& data = "x")
    {
        WriteBytes(path(rel), data);
        return path(rel);
    }
    QTemporaryDir tmp;
};

} // namespace

TEST_F(KrdlBatchTool, CopyAllSucceedExitsZero)
{
    const QString a = file("src/a.dft", "A"), b = file("src/b.par", "B");
    const QString dest = path("dest");
    const ToolRun r = runTool({"copy", "--to", dest, a, b});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, QStringList({"Start copying files...", " ", "1/2 " + a + " copy to " + dest + "/a.dft.",
                                  "Success!", " ", "2/2 " + b + " copy to " + dest + "/b.par.", "Success!", " ",
                                  "End copying files!"}));
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    EXPECT_EQ(ReadBytes(dest + "/a.dft"), "A");
    EXPECT_EQ(ReadBytes(dest + "/b.par"), "B");
}

TEST_F(KrdlBatchTool, CopyWithAFailureExitsTwoAndOverwriteReplaces)
{
    const QString a = file("src/a.dft", "new");
    file("dest/a.dft", "old");
    ToolRun r = runTool({"copy", "--to=" + path("dest"), a});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out.value(3), "Failed!");
    EXPECT_EQ(ReadBytes(path("dest/a.dft")), "old");

    r = runTool({"copy", "--overwrite", "--to", path("dest"), a});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.value(3), "Success!");
    EXPECT_EQ(ReadBytes(path("dest/a.dft")), "new");

    r = runTool({"copy", "--to", path("dest"), path("src/missing.dft"), "--overwrite", a});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out.value(3), "Failed!");
    EXPECT_EQ(r.out.value(6), "Success!");
}

TEST_F(KrdlBatchTool, DestinationChecksGoToStandardErrorWithExitOne)
{
    const QString a = file("src/a.dft");
    ToolRun r = runTool({"copy", "--to", "", a});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err, "Destination directory is not set!\n");

    r = runTool({"copy", "--to", path("no/such"), a});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err, "Cannot create directory!\n");
    EXPECT_FALSE(QFileInfo::exists(path("no")));
}

TEST_F(KrdlBatchTool, UsageErrorsExitOne)
{
    const QString a = file("src/a.dft");
    const QList<QStringList> bad = {
        {},
        {"move", a},
        {"copy", a},
        {"copy", "--to"},
        {"copy", "--to", path("d")},
        {"copy", "--to", path("d"), "--ignore-case", a},
        {"copy", "--to", path("d"), "--to", path("e"), a},
        {"copy", "--overwrite=yes", "--to", path("d"), a},
        {"rename", "--old", "a", a},
        {"rename", "--old", "a", "--new", "", a},
        {"rename", "--old", "", "--new", "b", a},
        {"rename", "--old", "a", "--new", "b", "--overwrite", a},
        {"rename", "--old", "a", "--new", "b"},
    };
    for (const QStringList& args : bad) {
        const ToolRun r = runTool(args);
        EXPECT_EQ(r.code, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("usage: krdl-batch")) << args.join(' ').toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(path("d")));
    EXPECT_TRUE(QFileInfo::exists(a));

    const ToolRun help = runTool({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.value(0).startsWith("usage: krdl-batch copy"));
}

TEST_F(KrdlBatchTool, RenameExitCodesAndLines)
{
    const QString a = file("src/xabcx.par"), b = file("src/other.par"), c = file("src/ABC.dft");
    file("src/NEW.dft", "taken");
    ToolRun r = runTool({"rename", "--old", "ABC", "--new", "NEW", a, b, c});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, QStringList({"Start renaming files...", " ",
                                  "3/3 " + c + " rename to " + path("src/NEW.dft") + ".", "Failed!", " ",
                                  "End renameing files!"}));
    EXPECT_EQ(ReadBytes(path("src/NEW.dft")), "taken");

    r = runTool({"rename", "--ignore-case", "--old", "ABC", "--new", "NEW", a, b});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.value(2), "1/2 " + a + " rename to " + path("src/xNEWx.par") + ".");
    EXPECT_TRUE(QFileInfo::exists(path("src/xNEWx.par")));
    EXPECT_FALSE(QFileInfo::exists(a));
}

TEST_F(KrdlBatchTool, RelativePathsAndFilesAfterDoubleDash)
{
    file("work/--odd.dft", "odd");
    const ToolRun r = runTool({"rename", "--old", "odd", "--new", "even", "--", "--odd.dft"}, path("work"));
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.value(2), "1/1 --odd.dft rename to --even.dft.");
    EXPECT_EQ(ReadBytes(path("work/--even.dft")), "odd");
}
