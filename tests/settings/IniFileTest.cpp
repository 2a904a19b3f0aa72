#include "common/Error.h"
#include "platform/PathStyle.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

using testfiles::ReadBytes;
using testfiles::WriteBytes;

class IniFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name = u"p.ini"_s) const { return dir.filePath(name); }
};

namespace {

struct IniEntry {
    QString section, key, value;
};

// A write that cannot be done raises an error naming the whole path.
void ExpectUnableToWrite(const QString& file)
{
    try {
        IniWriteString(file, u"A"_s, u"k"_s, u"2"_s);
        ADD_FAILURE() << "the write must fail: " << file.toStdString();
    } catch (const KrdlError& e) {
        EXPECT_EQ(e.Message(), u"Unable to write to "_s + file);
    }
}

} // namespace

TEST_F(IniFileTest, ReadsTheFirstOfEqualSectionsAndKeysWithoutCaseAndAtMost2047Characters)
{
    const struct {
        const char* what;
        QByteArray bytes; // a null array: no file at all
        std::vector<IniEntry> reads;
    } cases[] = {
        {"a missing file", {}, {{u"A"_s, u"B"_s, u""_s}}},
        {"a missing section or key", "[A]\nB=1\n", {{u"X"_s, u"B"_s, u""_s}, {u"A"_s, u"C"_s, u""_s}, {u"A"_s, u"B"_s, u"1"_s}}},
        // The second [SETTINGS] is the same section; only the first one counts.
        {"case and repeats",
         "[settings]\r\nPropseedFN=\\seed.txt\r\npropseedfn=second\r\n[SETTINGS]\r\nUpgradeProg=hidden\r\n",
         {{u"Settings"_s, u"PropseedFN"_s, u"\\seed.txt"_s},
          {u"SETTINGS"_s, u"PROPSEEDFN"_s, u"\\seed.txt"_s},
          {u"Settings"_s, u"UpgradeProg"_s, u""_s}}},
        {"lone CR line ends", "[A]\rk=1\r", {{u"A"_s, u"k"_s, u"1"_s}}},
        {"Windows-1250", "[A]\r\nname=Kova\xE8\r\n", {{u"A"_s, u"name"_s, QString::fromUtf8("Kovač")}}},
        {"a long value", "[A]\nlong=" + QByteArray(1024 * 1024, 'x') + "\n[B]\nk=v\n",
         {{u"A"_s, u"long"_s, QString(2047, u'x')}, {u"B"_s, u"k"_s, u"v"_s}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(path());
        if (!c.bytes.isNull())
            WriteBytes(path(), c.bytes);
        for (const IniEntry& read : c.reads)
            EXPECT_EQ(IniReadString(path(), read.section, read.key), read.value) << read.key.toStdString();
    }
}

TEST_F(IniFileTest, AWriteChangesOnlyItsLineAndKeepsTheBytesLineEndsAndEncodingOfTheRest)
{
    const struct {
        const char* what;
        QByteArray before; // a null array: no file at all
        std::vector<IniEntry> writes;
        QByteArray after;
    } cases[] = {
        {"file, section and key created", {}, {{u"InitialDir"_s, u"AddDir"_s, u"/home/u/"_s}},
         "[InitialDir]\r\nAddDir=/home/u/\r\n"},
        {"a second section appended", "[InitialDir]\r\nAddDir=/home/u/\r\n", {{u"Settings"_s, u"PropseedFN"_s, u"x"_s}},
         "[InitialDir]\r\nAddDir=/home/u/\r\n\r\n[Settings]\r\nPropseedFN=x\r\n"},
        {"comments, odd lines and other keys",
         "; comment line\r\n\r\n[InitialDir]\r\n  odd line without equals\r\nAddFiles=old\r\nUnknown = keep me \r\n\r\n[Other]\r\nx=1\r\n",
         {{u"initialdir"_s, u"ADDFILES"_s, u"C:\\Work\\Parts\\"_s}, {u"InitialDir"_s, u"SaveList"_s, u"D:\\Lists\\"_s}},
         "; comment line\r\n\r\n[InitialDir]\r\n  odd line without equals\r\nAddFiles=C:\\Work\\Parts\\\r\n"
         "Unknown = keep me \r\nSaveList=D:\\Lists\\\r\n\r\n[Other]\r\nx=1\r\n"},
        {"LF and no final line end", "[A]\nk=1\n[B]\nz=2", {{u"A"_s, u"n"_s, u"new"_s}}, "[A]\nk=1\nn=new\n[B]\nz=2"},
        {"lone CR", "[A]\rk=1\r", {{u"A"_s, u"k"_s, u"2"_s}}, "[A]\rk=2\r"},
        // Mixed line ends, each kept; the new line takes the style of the first one.
        {"mixed line ends", "[A]\nx=1\r\n; c\r[InitialDir]\r\nAddFiles=old\n[B]\ny=2",
         {{u"InitialDir"_s, u"AddFiles"_s, u"C:\\New\\"_s}}, "[A]\nx=1\r\n; c\r[InitialDir]\r\nAddFiles=C:\\New\\\n[B]\ny=2"},
        {"a new key after mixed ends", "[InitialDir]\r\nSaveList=x\nOther=y", {{u"InitialDir"_s, u"AddFiles"_s, u"C:\\New\\"_s}},
         "[InitialDir]\r\nSaveList=x\nOther=y\r\nAddFiles=C:\\New\\\r\n"},
        // UTF-8 with a byte order mark, and bytes in it that are not UTF-8.
        {"UTF-8 with a mark and bad bytes", "\xEF\xBB\xBF[InitialDir]\r\nAddFiles=old\r\nBad=\xC3\x28\xFF\x9A\xE8\r\n",
         {{u"InitialDir"_s, u"AddFiles"_s, u"C:\\New\\"_s}},
         "\xEF\xBB\xBF[InitialDir]\r\nAddFiles=C:\\New\\\r\nBad=\xC3\x28\xFF\x9A\xE8\r\n"},
        {"Windows-1250", "[A]\r\nname=Kova\xE8\r\n", {{u"A"_s, u"other"_s, QString::fromUtf8("Šťastný")}},
         "[A]\r\nname=Kova\xE8\r\nother=\x8A\x9D" "astn\xFD\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(path());
        if (!c.before.isNull())
            WriteBytes(path(), c.before);
        for (const IniEntry& write : c.writes)
            IniWriteString(path(), write.section, write.key, write.value);
        EXPECT_EQ(ReadBytes(path()), c.after);
        for (const IniEntry& write : c.writes)
            EXPECT_EQ(IniReadString(path(), write.section, write.key), write.value) << write.key.toStdString();
    }
}

TEST_F(IniFileTest, QuotedValuesLoseTheirQuotesAndWritesReadBackAsThemselves)
{
    WriteBytes(path(), "[A]\nd=\"C:\\My Parts\\\"\ns=  'single'  \nkeep=\" \"inner\" \"\nodd=\"open\nmixed=\"x'\none=\"\n");
    const QStringList read = {u"C:\\My Parts\\"_s, u"single"_s, u" \"inner\" "_s, u"\"open"_s, u"\"x'"_s, u"\""_s};
    const QStringList keys = {u"d"_s, u"s"_s, u"keep"_s, u"odd"_s, u"mixed"_s, u"one"_s};
    for (int i = 0; i < keys.size(); ++i)
        EXPECT_EQ(IniReadString(path(), u"A"_s, keys[i]), read[i]) << keys[i].toStdString();
    // A value that would lose its blanks or its quotes on reading goes out in quotes.
    for (const QString& value : {u" padded "_s, u"\"quoted\""_s, u"'single'"_s, u"plain"_s, u""_s}) {
        IniWriteString(path(), u"B"_s, u"v"_s, value);
        EXPECT_EQ(IniReadString(path(), u"B"_s, u"v"_s), value) << value.toStdString();
    }
    EXPECT_TRUE(ReadBytes(path()).endsWith("[B]\nv=\n"));
}

TEST_F(IniFileTest, BinaryGarbageNeitherCrashesNorIsDamagedByAWrite)
{
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char((i * 7919 + 13) % 256));
    garbage.replace('\r', 'x').replace('\n', 'y').replace('[', 'z');
    WriteBytes(path(), garbage);
    EXPECT_EQ(IniReadString(path(), u"A"_s, u"B"_s), u""_s);
    IniWriteString(path(), u"A"_s, u"B"_s, u"value"_s);
    const QByteArray after = ReadBytes(path());
    ASSERT_TRUE(after.startsWith(garbage)) << "the garbage line must survive byte for byte";
    EXPECT_EQ(IniReadString(path(), u"A"_s, u"B"_s), u"value"_s);
}

#ifndef _WIN32
// POSIX only: a folder without write permission; on Windows the read-only attribute of a folder
// does not keep files in it from being written.
TEST_F(IniFileTest, FailedWriteRaisesUnableToWriteAndLeavesTheFile)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    const QString sub = dir.filePath(u"ro"_s);
    QDir().mkpath(sub);
    const QString file = sub + u"/p.ini"_s;
    WriteBytes(file, "[A]\r\nk=1\r\n");
    QFile::setPermissions(sub, QFile::ReadOwner | QFile::ExeOwner);
    ExpectUnableToWrite(file);
    QFile::setPermissions(sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(ReadBytes(file), "[A]\r\nk=1\r\n");
}
#endif

TEST_F(IniFileTest, WriteIntoAMissingFolderRaisesWithTheFullPath)
{
    ExpectUnableToWrite(dir.filePath(u"missing/p.ini"_s));
}

TEST_F(IniFileTest, WhatWouldNotReadBackAsItselfIsRefusedAndTheFileKept)
{
    struct Case {
        const char* what;
        QString section, key, value;
    };
    const Case cases[] = {
        {"a line break in the value, which would split it into two keys", u"A"_s, u"k"_s, u"2\r\n[B]"_s},
        {"a blank after the key", u"A"_s, u"Pro\u00a7 "_s, u"v"_s},
        {"a key that reads as a section", u"A"_s, u"[B]x"_s, u"v"_s},
        {"blanks around the section", u" A"_s, u"k"_s, u"v"_s},
    };
    WriteBytes(path(), "[A]\r\nk=1\r\n");
    for (const Case& c : cases) {
        EXPECT_FALSE(IniEntryWritable(c.section, c.key, c.value)) << c.what;
        EXPECT_THROW(IniWriteString(path(), c.section, c.key, c.value), KrdlError) << c.what;
        EXPECT_EQ(ReadBytes(path()), "[A]\r\nk=1\r\n") << c.what;
    }
    EXPECT_TRUE(IniEntryWritable(u"A"_s, u"k"_s, u" 2 "_s));
}

TEST(ProgramPaths, ResolveProgramPathRule)
{
    const struct {
        QString program, value, resolved;
    } cases[] = {
        {u"D:\\Tools\\app.exe"_s, u"\\seed.txt"_s, u"D:\\Tools\\seed.txt"_s},
        {u"D:\\Tools\\app.exe"_s, u"\\\\server\\share\\seed.txt"_s, u"D:\\Tools\\\\server\\share\\seed.txt"_s},
        {u"D:\\Tools\\app.exe"_s, u"C:\\seed.txt"_s, u"C:\\seed.txt"_s},
        {u"D:\\Tools\\app.exe"_s, u""_s, u""_s},
        {u"/opt/krdl/KRDL"_s, u"\\propseed.txt"_s, u"/opt/krdl/propseed.txt"_s},
        {u"/opt/krdl/KRDL"_s, u"\\seeds\\a.txt"_s, u"/opt/krdl/seeds/a.txt"_s},
        // An absolute POSIX path is used unchanged.
        {u"/opt/krdl/KRDL"_s, u"/etc/seed.txt"_s, u"/etc/seed.txt"_s},
    };
    for (const auto& c : cases) {
        // A program in a POSIX folder exists only where paths are POSIX.
        if (c.program.startsWith(u'/') && platform::kNativePathStyle == platform::PathStyle::Windows)
            continue;
        EXPECT_EQ(ResolveProgramPath(c.program, c.value), c.resolved) << c.value.toStdString();
    }
}

TEST(ProgramPaths, IniFileNameReplacesTheExtension)
{
    for (const auto& [program, ini] : {std::pair{u"D:\\Tools\\app.exe"_s, u"D:\\Tools\\app.ini"_s},
                                       std::pair{u"/opt/krdl/KRDL"_s, u"/opt/krdl/KRDL.ini"_s},
                                       std::pair{u"/opt/v1.2/KRDL"_s, u"/opt/v1.2/KRDL.ini"_s}})
        EXPECT_EQ(ProgramIniFileName(program), ini);
    EXPECT_TRUE(ProgramIniFileName(ProgramFileName()).endsWith(u"krdl_tests_settings.ini"_s));
}

TEST(ProgramPaths, InitialDirsGoToTheProgramIniFile)
{
    QTemporaryDir dir;
    const QString program = dir.filePath(u"KRDL"_s);
    WriteInitialDir(program, u"AddFiles"_s, u"C:\\Work\\Parts\\"_s);
    EXPECT_EQ(ReadInitialDir(program, u"addfiles"_s), u"C:\\Work\\Parts\\"_s);
    EXPECT_EQ(IniReadString(dir.filePath(u"KRDL.ini"_s), u"InitialDir"_s, u"AddFiles"_s), u"C:\\Work\\Parts\\"_s);
}

TEST(Registry, ValuesLiveInThePerUserStoreAndMissingOnesReadEmpty)
{
    QTemporaryDir dir;
    qputenv("KRDL_CONFIG_HOME", dir.path().toUtf8());
    RegWriteString(u"Software\\KARDOLIN\\Nastavitve"_s, u"Location"_s, u"/opt/krdl/KRDL"_s);
    EXPECT_EQ(RegReadString(u"Software\\KARDOLIN\\Nastavitve"_s, u"Location"_s), u"/opt/krdl/KRDL"_s);
    // In the folder named, also where the system has a registry (Windows): no test touches it.
    EXPECT_EQ(IniReadString(dir.filePath(u"krdl/registry.ini"_s), u"Software\\KARDOLIN\\Nastavitve"_s, u"Location"_s),
              u"/opt/krdl/KRDL"_s);
    EXPECT_EQ(RegReadString(u"Software\\KARDOLIN\\Nastavitve"_s, u"Handle"_s), u""_s);
    EXPECT_EQ(RegReadString(u"Software\\Travenkalo\\Nastavitve"_s, u"CheckNewVer"_s), u""_s);
    // A store that cannot be created is skipped silently.
    qputenv("KRDL_CONFIG_HOME", dir.filePath(u"file-not-folder"_s).toUtf8());
    WriteBytes(dir.filePath(u"file-not-folder"_s), "x");
    EXPECT_NO_THROW(RegWriteString(u"Software\\KARDOLIN\\Nastavitve"_s, u"Handle"_s, u"1"_s));
    qunsetenv("KRDL_CONFIG_HOME");
}
