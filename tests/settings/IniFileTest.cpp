#include "common/Error.h"
#include "platform/PathStyle.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

TEST_F(IniFileTest, SectionsAndKeysIgnoreCaseAndTheFirstOfEqualOnesWins)
{
    WriteBytes(path(), "[settings]\r\nPropseedFN=\\seed.txt\r\npropseedfn=second\r\n"
                       "[SETTINGS]\r\nUpgradeProg=hidden\r\n");
    EXPECT_EQ(IniReadString(path(), u"Settings"_s, u"PropseedFN"_s), u"\\seed.txt"_s);
    EXPECT_EQ(IniReadString(path(), u"SETTINGS"_s, u"PROPSEEDFN"_s), u"\\seed.txt"_s);
    // The second [SETTINGS] is the same section; only the first one counts.
    EXPECT_EQ(IniReadString(path(), u"Settings"_s, u"UpgradeProg"_s), u""_s);
}

TEST_F(IniFileTest, MissingFileSectionOrKeyReadsEmpty)
{
    EXPECT_EQ(IniReadString(path(u"none.ini"_s), u"A"_s, u"B"_s), u""_s);
    WriteBytes(path(), "[A]\nB=1\n");
    EXPECT_EQ(IniReadString(path(), u"X"_s, u"B"_s), u""_s);
    EXPECT_EQ(IniReadString(path(), u"A"_s, u"C"_s), u""_s);
    EXPECT_EQ(IniReadString(path(), u"A"_s, u"B"_s), u"1"_s);
}

TEST_F(IniFileTest, AReadReturnsAtMost2047Characters)
{
    WriteBytes(path(), "[A]\nlong=" + QByteArray(1024 * 1024, 'x') + "\n[B]\nk=v\n");
    EXPECT_EQ(IniReadString(path(), u"A"_s, u"long"_s).size(), 2047);
    EXPECT_EQ(IniReadString(path(), u"B"_s, u"k"_s), u"v"_s);
}

TEST_F(IniFileTest, WriteKeepsEveryOtherLineAsItWas)
{
    const QByteArray before = "; comment line\r\n\r\n[InitialDir]\r\n  odd line without equals\r\nAddFiles=old\r\n"
                              "Unknown = keep me \r\n\r\n[Other]\r\nx=1\r\n";
    WriteBytes(path(), before);
    IniWriteString(path(), u"initialdir"_s, u"ADDFILES"_s, u"C:\\Work\\Parts\\"_s);
    IniWriteString(path(), u"InitialDir"_s, u"SaveList"_s, u"D:\\Lists\\"_s);
    const QByteArray after = ReadBytes(path());
    EXPECT_EQ(after, "; comment line\r\n\r\n[InitialDir]\r\n  odd line without equals\r\nAddFiles=C:\\Work\\Parts\\\r\n"
                     "Unknown = keep me \r\nSaveList=D:\\Lists\\\r\n\r\n[Other]\r\nx=1\r\n");
}

TEST_F(IniFileTest, WriteCreatesFileSectionAndKey)
{
    IniWriteString(path(u"new.ini"_s), u"InitialDir"_s, u"AddDir"_s, u"/home/u/"_s);
    EXPECT_EQ(ReadBytes(path(u"new.ini"_s)), "[InitialDir]\r\nAddDir=/home/u/\r\n");
    IniWriteString(path(u"new.ini"_s), u"Settings"_s, u"PropseedFN"_s, u"x"_s);
    EXPECT_EQ(IniReadString(path(u"new.ini"_s), u"settings"_s, u"propseedfn"_s), u"x"_s);
    EXPECT_EQ(IniReadString(path(u"new.ini"_s), u"InitialDir"_s, u"AddDir"_s), u"/home/u/"_s);
}

TEST_F(IniFileTest, LineEndStylesAndMissingFinalNewlineAreKept)
{
    WriteBytes(path(u"lf.ini"_s), "[A]\nk=1\n[B]\nz=2");
    IniWriteString(path(u"lf.ini"_s), u"A"_s, u"n"_s, u"new"_s);
    EXPECT_EQ(ReadBytes(path(u"lf.ini"_s)), "[A]\nk=1\nn=new\n[B]\nz=2");

    WriteBytes(path(u"cr.ini"_s), "[A]\rk=1\r");
    EXPECT_EQ(IniReadString(path(u"cr.ini"_s), u"A"_s, u"k"_s), u"1"_s);
    IniWriteString(path(u"cr.ini"_s), u"A"_s, u"k"_s, u"2"_s);
    EXPECT_EQ(ReadBytes(path(u"cr.ini"_s)), "[A]\rk=2\r");
}

TEST_F(IniFileTest, LinesAWriteDoesNotChangeKeepTheirExactBytes)
{
    struct Case {
        QByteArray before;
        QByteArray after; // with AddFiles of [InitialDir] set to "C:\New\"
    };
    const Case cases[] = {
        // Mixed line ends, each kept; the new line takes the style of the first one.
        {"[A]\nx=1\r\n; c\r[InitialDir]\r\nAddFiles=old\n[B]\ny=2",
         "[A]\nx=1\r\n; c\r[InitialDir]\r\nAddFiles=C:\\New\\\n[B]\ny=2"},
        {"[InitialDir]\r\nSaveList=x\nOther=y",
         "[InitialDir]\r\nSaveList=x\nOther=y\r\nAddFiles=C:\\New\\\r\n"},
        // UTF-8 with a byte order mark, and bytes in it that are not UTF-8.
        {"\xEF\xBB\xBF[InitialDir]\r\nAddFiles=old\r\nBad=\xC3\x28\xFF\x9A\xE8\r\n",
         "\xEF\xBB\xBF[InitialDir]\r\nAddFiles=C:\\New\\\r\nBad=\xC3\x28\xFF\x9A\xE8\r\n"},
    };
    for (const Case& c : cases) {
        WriteBytes(path(), c.before);
        IniWriteString(path(), u"InitialDir"_s, u"AddFiles"_s, u"C:\\New\\"_s);
        EXPECT_EQ(ReadBytes(path()), c.after) << c.before.toStdString();
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

TEST_F(IniFileTest, Windows1250FileKeepsItsEncodingWhenRewritten)
{
    WriteBytes(path(), "[A]\r\nname=Kova\xE8\r\n");
    EXPECT_EQ(IniReadString(path(), u"A"_s, u"name"_s), QString::fromUtf8("Kovač"));
    IniWriteString(path(), u"A"_s, u"other"_s, QString::fromUtf8("Šťastný"));
    EXPECT_EQ(ReadBytes(path()), "[A]\r\nname=Kova\xE8\r\nother=\x8A\x9D" "astn\xFD\r\n");
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
    try {
        IniWriteString(file, u"A"_s, u"k"_s, u"2"_s);
        ADD_FAILURE() << "write into a read-only folder must fail";
    } catch (const KrdlError& e) {
        EXPECT_EQ(e.Message(), u"Unable to write to "_s + file);
    }
    QFile::setPermissions(sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(ReadBytes(file), "[A]\r\nk=1\r\n");
}
#endif

TEST_F(IniFileTest, WriteIntoAMissingFolderRaisesWithTheFullPath)
{
    const QString file = dir.filePath(u"missing/p.ini"_s);
    try {
        IniWriteString(file, u"A"_s, u"k"_s, u"v"_s);
        ADD_FAILURE() << "write into a missing folder must fail";
    } catch (const KrdlError& e) {
        EXPECT_EQ(e.Message(), u"Unable to write to "_s + file);
    }
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
