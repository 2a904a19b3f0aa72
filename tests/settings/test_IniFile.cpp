#include "common/Error.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using testfiles::ReadBytes;
using testfiles::WriteBytes;

class IniFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name = "p.ini") const { return dir.filePath(name); }
};

TEST_F(IniFileTest, SectionsAndKeysIgnoreCaseAndTheFirstOfEqualOnesWins)
{
    WriteBytes(path(), "[settings]\r\nPropseedFN=\\seed.txt\r\npropseedfn=second\r\n"
                       "[SETTINGS]\r\nUpgradeProg=hidden\r\n");
    EXPECT_EQ(IniReadString(path(), "Settings", "PropseedFN"), "\\seed.txt");
    EXPECT_EQ(IniReadString(path(), "SETTINGS", "PROPSEEDFN"), "\\seed.txt");
    // The second [SETTINGS] is the same section; only the first one counts.
    EXPECT_EQ(IniReadString(path(), "Settings", "UpgradeProg"), "");
}

TEST_F(IniFileTest, MissingFileSectionOrKeyReadsEmpty)
{
    EXPECT_EQ(IniReadString(path("none.ini"), "A", "B"), "");
    WriteBytes(path(), "[A]\nB=1\n");
    EXPECT_EQ(IniReadString(path(), "X", "B"), "");
    EXPECT_EQ(IniReadString(path(), "A", "C"), "");
    EXPECT_EQ(IniReadString(path(), "A", "B"), "1");
}

TEST_F(IniFileTest, AReadReturnsAtMost2047Characters)
{
    WriteBytes(path(), "[A]\nlong=" + QByteArray(1024 * 1024, 'x') + "\n[B]\nk=v\n");
    EXPECT_EQ(IniReadString(path(), "A", "long").size(), 2047);
    EXPECT_EQ(IniReadString(path(), "B", "k"), "v");
}

TEST_F(IniFileTest, WriteKeepsEveryOtherLineAsItWas)
{
    const QByteArray before = "; comment line\r\n\r\n[InitialDir]\r\n  odd line without equals\r\nAddFiles=old\r\n"
                              "Unknown = keep me \r\n\r\n[Other]\r\nx=1\r\n";
    WriteBytes(path(), before);
    IniWriteString(path(), "initialdir", "ADDFILES", "C:\\Work\\Parts\\");
    IniWriteString(path(), "InitialDir", "SaveList", "D:\\Lists\\");
    const QByteArray after = ReadBytes(path());
    EXPECT_EQ(after, "; comment line\r\n\r\n[InitialDir]\r\n  odd line without equals\r\nAddFiles=C:\\Work\\Parts\\\r\n"
                     "Unknown = keep me \r\nSaveList=D:\\Lists\\\r\n\r\n[Other]\r\nx=1\r\n");
}

TEST_F(IniFileTest, WriteCreatesFileSectionAndKey)
{
    IniWriteString(path("new.ini"), "InitialDir", "AddDir", "/home/u/");
    EXPECT_EQ(ReadBytes(path("new.ini")), "[InitialDir]\r\nAddDir=/home/u/\r\n");
    IniWriteString(path("new.ini"), "Settings", "PropseedFN", "x");
    EXPECT_EQ(IniReadString(path("new.ini"), "settings", "propseedfn"), "x");
    EXPECT_EQ(IniReadString(path("new.ini"), "InitialDir", "AddDir"), "/home/u/");
}

TEST_F(IniFileTest, LineEndStylesAndMissingFinalNewlineAreKept)
{
    WriteBytes(path("lf.ini"), "[A]\nk=1\n[B]\nz=2");
    IniWriteString(path("lf.ini"), "A", "n", "new");
    EXPECT_EQ(ReadBytes(path("lf.ini")), "[A]\nk=1\nn=new\n[B]\nz=2");

    WriteBytes(path("cr.ini"), "[A]\rk=1\r");
    EXPECT_EQ(IniReadString(path("cr.ini"), "A", "k"), "1");
    IniWriteString(path("cr.ini"), "A", "k", "2");
    EXPECT_EQ(ReadBytes(path("cr.ini")), "[A]\rk=2\r");
}

TEST_F(IniFileTest, BinaryGarbageNeitherCrashesNorIsDamagedByAWrite)
{
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char((i * 7919 + 13) % 256));
    garbage.replace('\r', 'x').replace('\n', 'y').replace('[', 'z');
    WriteBytes(path(), garbage);
    EXPECT_EQ(IniReadString(path(), "A", "B"), "");
    IniWriteString(path(), "A", "B", "value");
    const QByteArray after = ReadBytes(path());
    ASSERT_TRUE(after.startsWith(garbage)) << "the garbage line must survive byte for byte";
    EXPECT_EQ(IniReadString(path(), "A", "B"), "value");
}

TEST_F(IniFileTest, Windows1250FileKeepsItsEncodingWhenRewritten)
{
    WriteBytes(path(), "[A]\r\nname=Kova\xE8\r\n");
    EXPECT_EQ(IniReadString(path(), "A", "name"), QString::fromUtf8("Kovač"));
    IniWriteString(path(), "A", "other", QString::fromUtf8("Šťastný"));
    EXPECT_EQ(ReadBytes(path()), "[A]\r\nname=Kova\xE8\r\nother=\x8A\x9D" "astn\xFD\r\n");
}

TEST_F(IniFileTest, FailedWriteRaisesUnableToWriteAndLeavesTheFile)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    const QString sub = dir.filePath("ro");
    QDir().mkpath(sub);
    const QString file = sub + "/p.ini";
    WriteBytes(file, "[A]\r\nk=1\r\n");
    QFile::setPermissions(sub, QFile::ReadOwner | QFile::ExeOwner);
    try {
        IniWriteString(file, "A", "k", "2");
        ADD_FAILURE() << "write into a read-only folder must fail";
    } catch (const KrdlError& e) {
        EXPECT_EQ(e.message(), "Unable to write to " + file);
    }
    QFile::setPermissions(sub, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(ReadBytes(file), "[A]\r\nk=1\r\n");
}

TEST_F(IniFileTest, WriteIntoAMissingFolderRaisesWithTheFullPath)
{
    const QString file = dir.filePath("missing/p.ini");
    try {
        IniWriteString(file, "A", "k", "v");
        ADD_FAILURE() << "write into a missing folder must fail";
    } catch (const KrdlError& e) {
        EXPECT_EQ(e.message(), "Unable to write to " + file);
    }
}

TEST_F(IniFileTest, ValuesWithLineBreaksAreRefusedRatherThanSplitIntoTwoKeys)
{
    WriteBytes(path(), "[A]\r\nk=1\r\n");
    EXPECT_THROW(IniWriteString(path(), "A", "k", "2\r\n[B]"), KrdlError);
    EXPECT_EQ(ReadBytes(path()), "[A]\r\nk=1\r\n");
}

TEST(ProgramPaths, ResolveProgramPathRule)
{
    EXPECT_EQ(ResolveProgramPathFor("D:\\Tools\\app.exe", "\\seed.txt"), "D:\\Tools\\seed.txt");
    EXPECT_EQ(ResolveProgramPathFor("D:\\Tools\\app.exe", "\\\\server\\share\\seed.txt"),
              "D:\\Tools\\\\server\\share\\seed.txt");
    EXPECT_EQ(ResolveProgramPathFor("D:\\Tools\\app.exe", "C:\\seed.txt"), "C:\\seed.txt");
    EXPECT_EQ(ResolveProgramPathFor("D:\\Tools\\app.exe", ""), "");
    EXPECT_EQ(ResolveProgramPathFor("/opt/krdl/KRDL", "\\propseed.txt"), "/opt/krdl/propseed.txt");
    EXPECT_EQ(ResolveProgramPathFor("/opt/krdl/KRDL", "\\seeds\\a.txt"), "/opt/krdl/seeds/a.txt");
    // An absolute POSIX path is used unchanged.
    EXPECT_EQ(ResolveProgramPathFor("/opt/krdl/KRDL", "/etc/seed.txt"), "/etc/seed.txt");
}

TEST(ProgramPaths, IniFileNameReplacesTheExtension)
{
    SetProgramFileNameForTesting("D:\\Tools\\app.exe");
    EXPECT_EQ(ProgramIniFileName(), "D:\\Tools\\app.ini");
    SetProgramFileNameForTesting("/opt/krdl/KRDL");
    EXPECT_EQ(ProgramIniFileName(), "/opt/krdl/KRDL.ini");
    SetProgramFileNameForTesting("/opt/v1.2/KRDL");
    EXPECT_EQ(ProgramIniFileName(), "/opt/v1.2/KRDL.ini");
    SetProgramFileNameForTesting({});
    EXPECT_TRUE(ProgramIniFileName().endsWith("krdl_tests_settings.ini"));
}

TEST(ProgramPaths, InitialDirsGoToTheProgramIniFile)
{
    QTemporaryDir dir;
    SetProgramFileNameForTesting(dir.filePath("KRDL"));
    WriteInitialDir("AddFiles", "C:\\Work\\Parts\\");
    EXPECT_EQ(ReadInitialDir("addfiles"), "C:\\Work\\Parts\\");
    EXPECT_EQ(IniReadString(dir.filePath("KRDL.ini"), "InitialDir", "AddFiles"), "C:\\Work\\Parts\\");
    SetProgramFileNameForTesting({});
}

TEST(Registry, ValuesLiveInThePerUserStoreAndMissingOnesReadEmpty)
{
    QTemporaryDir dir;
    qputenv("KRDL_CONFIG_HOME", dir.path().toUtf8());
    RegWriteString("Software\\KARDOLIN\\Nastavitve", "Location", "/opt/krdl/KRDL");
    EXPECT_EQ(RegReadString("Software\\KARDOLIN\\Nastavitve", "Location"), "/opt/krdl/KRDL");
    EXPECT_EQ(RegReadString("Software\\KARDOLIN\\Nastavitve", "Handle"), "");
    EXPECT_EQ(RegReadString("Software\\Travenkalo\\Nastavitve", "CheckNewVer"), "");
    // A store that cannot be created is skipped silently.
    qputenv("KRDL_CONFIG_HOME", dir.filePath("file-not-folder").toUtf8());
    WriteBytes(dir.filePath("file-not-folder"), "x");
    EXPECT_NO_THROW(RegWriteString("Software\\KARDOLIN\\Nastavitve", "Handle", "1"));
    qunsetenv("KRDL_CONFIG_HOME");
}
