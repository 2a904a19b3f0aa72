// `cmake --install` into a temporary prefix: the desktop entry passes desktop-file-validate and
// starts the installed program with the chosen files, and a file manager takes the five document
// types for what they are and offers the entry for them.
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct ToolRun {
    int code = -1;
    QString out;
};

ToolRun run(const QString& program, const QStringList& args, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    ToolRun r;
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.code = p.exitCode();
    r.out = QString::fromUtf8(p.readAll());
    return r;
}

const QStringList kTypes{u"application/x-solidedge-draft:*.dft"_s, u"application/x-solidedge-part:*.par"_s,
                         u"application/x-solidedge-assembly:*.asm"_s, u"application/x-solidedge-sheetmetal:*.psm"_s,
                         u"application/x-solidedge-weldment:*.pwd"_s};

} // namespace

TEST(Install, DesktopEntryIconAndDocumentTypes)
{
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    const ToolRun install = run(QStringLiteral(CMAKE_EXE), {u"--install"_s, QStringLiteral(KRDL_BUILD_DIR), u"--prefix"_s, prefix.path()});
    ASSERT_EQ(install.code, 0) << install.out.toStdString();

    const QString share = prefix.filePath(u"share"_s);
    const QString entry = share + u"/applications/krdl.desktop"_s;
    const QString text = QString::fromUtf8(testfiles::ReadBytes(entry));
    // The installed program by its full path, with every file chosen.
    EXPECT_TRUE(text.contains(u"\nExec="_s + prefix.filePath(u"bin/KRDL"_s) + u" %F\n"_s)) << text.toStdString();
    EXPECT_TRUE(QFile::exists(prefix.filePath(u"bin/KRDL"_s)));
    EXPECT_TRUE(QFile::exists(share + u"/icons/hicolor/scalable/apps/krdl.svg"_s));
    for (const QString& type : kTypes)
        EXPECT_TRUE(text.contains(type.section(u':', 0, 0) + u';')) << type.toStdString();

    const QString validate = QStandardPaths::findExecutable(u"desktop-file-validate"_s);
    if (validate.isEmpty())
        GTEST_SKIP() << "desktop-file-validate (Debian package desktop-file-utils) is not installed";
    const ToolRun valid = run(validate, {entry});
    EXPECT_EQ(valid.code, 0);
    EXPECT_TRUE(valid.out.isEmpty()) << valid.out.toStdString();

    // The install brought the type database of the prefix up to date.
    const QString globs = QString::fromUtf8(testfiles::ReadBytes(share + u"/mime/globs2"_s));
    for (const QString& type : kTypes)
        EXPECT_TRUE(globs.contains(type)) << type.toStdString();

    // What a file manager sees: a compound file named .dft is a draft (not just any compound
    // file), and the installed entry handles drafts.
    const QString gio = QStandardPaths::findExecutable(u"gio"_s);
    if (gio.isEmpty())
        GTEST_SKIP() << "gio (Debian package libglib2.0-bin) is not installed";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_DATA_DIRS"_s, share + u":/usr/share"_s);
    env.insert(u"XDG_DATA_HOME"_s, prefix.filePath(u"home"_s));
    const QString draft = prefix.filePath(u"Sklop 1.dft"_s);
    testfiles::WriteBytes(draft, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(504, '\0'));
    const ToolRun type = run(gio, {u"info"_s, u"--attributes=standard::content-type"_s, draft}, env);
    EXPECT_TRUE(type.out.contains(u"standard::content-type: application/x-solidedge-draft"_s)) << type.out.toStdString();
    const ToolRun handlers = run(gio, {u"mime"_s, u"application/x-solidedge-draft"_s}, env);
    EXPECT_TRUE(handlers.out.contains(u"krdl.desktop"_s)) << handlers.out.toStdString();
}
