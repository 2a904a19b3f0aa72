// List files: the line format, every reading rule, both text encodings, errors and bad input.
#include "filelist/ListFile.h"

#include "common/Error.h"
#include "common/SharedText.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace {

FileEntry entry(const QString& directory, const QString& name, bool checked)
{
    FileEntry e;
    e.directory = directory;
    e.fileName = name;
    e.checked = checked;
    return e;
}

struct Parsed {
    bool checked;
    QString directory;
    QString fileName;
    friend bool operator==(const Parsed&, const Parsed&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Parsed& p)
    {
        return os << (p.checked ? "checked " : "unchecked ") << "[" << p.directory.toStdString() << "] ["
                  << p.fileName.toStdString() << "]";
    }
};

std::vector<Parsed> parse(const QString& text)
{
    std::vector<Parsed> out;
    for (const FileEntry& e : ParseListFileText(text))
        out.push_back({e.checked, e.directory, e.fileName});
    return out;
}

Parsed parseOne(const QString& line)
{
    const auto all = parse(line);
    EXPECT_EQ(all.size(), 1u) << line.toStdString();
    return all.empty() ? Parsed{} : all.front();
}

} // namespace

TEST(ListFileWriting, FlagDirectoryBackslashNameAndCrLf)
{
    const std::vector<FileEntry> list{entry("C:\\Work", "a.dft", true), entry("D:", "b.par", false)};
    EXPECT_EQ(ListFileText(list), "1;C:\\Work\\a.dft\r\n0;D:\\b.par\r\n");
    EXPECT_EQ(ListFileText({}), "");
}

TEST(ListFileWriting, SeparatorIsWrittenEvenAfterATrailingOne)
{
    EXPECT_EQ(ListFileLine(entry("C:\\", "a.dft", true)), "1;C:\\\\a.dft");
    EXPECT_EQ(ListFileLine(entry("\\\\server\\share", "x.asm", false)), "0;\\\\server\\share\\x.asm");
#ifndef _WIN32
    // Native directories get the native separator, so the line is a real path here.
    EXPECT_EQ(ListFileLine(entry("/home/u/parts", "a.par", true)), "1;/home/u/parts/a.par");
    EXPECT_EQ(ListFileLine(entry("/", "a.par", true)), "1;//a.par");
#else
    EXPECT_EQ(ListFileLine(entry("C:/Work", "a.par", true)), "1;C:/Work\\a.par");
#endif
}

TEST(ListFileWriting, WrittenLinesReadBackUnchanged)
{
    const std::vector<FileEntry> list{
        entry("C:\\Work\\Parts", "bracket.par", true), entry("C:\\", "root.dft", false), entry("C:", "drive.dft", true),
        entry(QString::fromUtf8("C:\\Načrti\\Žaga"), QString::fromUtf8("ščep.PSM"), false), entry("", "", true),
#ifndef _WIN32
        entry("/home/u/parts", "a.par", true), entry("/", "top.asm", false),
        entry(QString::fromUtf8("/srv/测试"), "b.pwd", true),
#endif
    };
    const auto back = ParseListFileText(ListFileText(list));
    ASSERT_EQ(back.size(), list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(back[i].checked, list[i].checked) << i;
        EXPECT_EQ(back[i].directory, list[i].directory) << i;
        EXPECT_EQ(back[i].fileName, list[i].fileName) << i;
    }
}

TEST(ListFileReading, FlagLines)
{
    EXPECT_EQ(parseOne("0;C:\\x\\y.dft"), (Parsed{false, "C:\\x", "y.dft"}));
    EXPECT_EQ(parseOne("1;C:\\Work\\Parts\\bracket.par"), (Parsed{true, "C:\\Work\\Parts", "bracket.par"}));
    EXPECT_EQ(parseOne("1;C:\\\\a.dft"), (Parsed{true, "C:\\", "a.dft"}));
    // Field 2 ends at the second ";".
    EXPECT_EQ(parseOne("1;C:\\a;b\\c.dft"), (Parsed{true, "C:", "a"}));
    EXPECT_EQ(parseOne("0;"), (Parsed{false, "", ""}));
    EXPECT_EQ(parseOne("1"), (Parsed{true, "", ""}));
    EXPECT_EQ(parseOne("0"), (Parsed{false, "", ""}));
}

TEST(ListFileReading, LinesThatAreNotFlagLinesAreCheckedWholePaths)
{
    EXPECT_EQ(parseOne("2;C:\\x.dft"), (Parsed{true, "2;C:", "x.dft"}));
    EXPECT_EQ(parseOne("C:\\Work\\a.dft"), (Parsed{true, "C:\\Work", "a.dft"}));
    EXPECT_EQ(parseOne("10;C:\\x.dft"), (Parsed{true, "10;C:", "x.dft"}));
    EXPECT_EQ(parseOne(" 0;C:\\x.dft"), (Parsed{true, " 0;C:", "x.dft"}));
    EXPECT_EQ(parseOne("/home/u/a.par"), (Parsed{true, "/home/u", "a.par"}));
    EXPECT_EQ(parseOne("a.dft"), (Parsed{true, "", "a.dft"}));
}

TEST(ListFileReading, LineEnds)
{
    EXPECT_TRUE(parse("").empty());
    EXPECT_EQ(parse("1;C:\\a.dft").size(), 1u) << "the last line needs no line end";
    EXPECT_EQ(parse("1;C:\\a.dft\r\n").size(), 1u);
    // CR LF, lone CR and lone LF all end a line; an empty line in the middle is an entry.
    const auto mixed = parse("1;C:\\a.dft\r\n0;C:\\b.dft\r1;C:\\c.dft\n\r\n0;C:\\d.dft\n\n");
    ASSERT_EQ(mixed.size(), 6u);
    EXPECT_EQ(mixed[0], (Parsed{true, "C:", "a.dft"}));
    EXPECT_EQ(mixed[1], (Parsed{false, "C:", "b.dft"}));
    EXPECT_EQ(mixed[2], (Parsed{true, "C:", "c.dft"}));
    EXPECT_EQ(mixed[3], (Parsed{true, "", ""}));
    EXPECT_EQ(mixed[4], (Parsed{false, "C:", "d.dft"}));
    EXPECT_EQ(mixed[5], (Parsed{true, "", ""}));
    EXPECT_EQ(parse("\n\r").size(), 2u);
    EXPECT_EQ(parse("\r\n").size(), 1u);
}

class ListFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    QString path(const QString& name) const { return tmp.filePath(name); }
    QTemporaryDir tmp;
};

TEST_F(ListFileOnDisk, Cp1250FileRoundTrip)
{
    const std::vector<FileEntry> list{entry(QString::fromUtf8("C:\\Načrti"), QString::fromUtf8("Žaga.dft"), true),
                                      entry("D:", "b.par", false)};
    WriteListFile(path("list.txt"), list);
    const QByteArray bytes = testfiles::ReadBytes(path("list.txt"));
    EXPECT_EQ(bytes, QByteArray("1;C:\\Na\xE8rti\\\x8E" "aga.dft\r\n0;D:\\b.par\r\n"));
    const auto back = ReadListFile(path("list.txt"));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].directory, QString::fromUtf8("C:\\Načrti"));
    EXPECT_EQ(back[0].fileName, QString::fromUtf8("Žaga.dft"));
    EXPECT_FALSE(back[1].checked);
}

TEST_F(ListFileOnDisk, FileOfTheOldProgramInWindows1250)
{
    testfiles::WriteBytes(path("old.txt"), QByteArray("1;C:\\Projekti\\\x9A" "asija\\pokrov.par\r\n"
                                                      "0;C:\\\xC8rpalka\\ohi\x9A" "je.asm\r\n"));
    const auto back = ReadListFile(path("old.txt"));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].directory, QString::fromUtf8("C:\\Projekti\\šasija"));
    EXPECT_EQ(back[1].directory, QString::fromUtf8("C:\\Črpalka"));
    EXPECT_EQ(back[1].fileName, QString::fromUtf8("ohišje.asm"));
    EXPECT_FALSE(back[1].checked);
}

TEST_F(ListFileOnDisk, TextBeyondWindows1250GoesOutAsUtf8AndReadsBack)
{
    const std::vector<FileEntry> list{entry(QString::fromUtf8("/data/设计"), QString::fromUtf8("零件 ✓.par"), true),
                                      entry(QString::fromUtf8("C:\\Načrti"), "a.dft", false)};
    WriteListFile(path("u.txt"), list);
    EXPECT_TRUE(testfiles::ReadBytes(path("u.txt")).startsWith("\xEF\xBB\xBF"));
    const auto back = ReadListFile(path("u.txt"));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].fullPath(), list[0].fullPath());
    EXPECT_EQ(back[1].directory, list[1].directory);
}

TEST_F(ListFileOnDisk, SavingReplacesTheWholeFile)
{
    testfiles::WriteBytes(path("l.txt"), QByteArray(10000, 'z'));
    WriteListFile(path("l.txt"), {entry("C:", "a.dft", true)});
    EXPECT_EQ(testfiles::ReadBytes(path("l.txt")), "1;C:\\a.dft\r\n");
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"l.txt"}) << "no temporary file left";
}

TEST_F(ListFileOnDisk, ErrorTexts)
{
    const QString missingFolder = path("no/such/folder/list.txt");
    try {
        WriteListFile(missingFolder, {entry("C:", "a.dft", true)});
        FAIL() << "no error";
    } catch (const KrdlError& e) {
        const QString prefix = "Cannot create file \"" + QDir::toNativeSeparators(missingFolder) + "\". ";
        EXPECT_TRUE(e.message().startsWith(prefix)) << e.message().toStdString();
        EXPECT_GT(e.message().size(), prefix.size()) << "the platform's reason follows";
    }
    const QString missingFile = path("missing.txt");
    try {
        (void)ReadListFile(missingFile);
        FAIL() << "no error";
    } catch (const KrdlError& e) {
        const QString prefix = "Cannot open file \"" + QDir::toNativeSeparators(missingFile) + "\". ";
        EXPECT_TRUE(e.message().startsWith(prefix)) << e.message().toStdString();
        EXPECT_GT(e.message().size(), prefix.size());
    }
    EXPECT_THROW((void)ReadListFile(tmp.path()), KrdlError) << "a folder is not a list file";
}

TEST_F(ListFileOnDisk, BinaryAndBrokenInputLoadsByTheRules)
{
    // Every byte value, NUL included, in random order: decoded as Windows-1250 (not valid
    // UTF-8), split at CR and LF only.
    QByteArray bytes;
    std::mt19937 rng(42);
    for (int i = 0; i < 200000; ++i)
        bytes.append(char(rng() & 0xFF));
    testfiles::WriteBytes(path("bin.txt"), bytes);
    const auto back = ReadListFile(path("bin.txt"));
    const QString text = DecodeSharedText(bytes);
    EXPECT_EQ(back.size(), parse(text).size());
    int lineEnds = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r'))
            ++lineEnds;
        else if (bytes[i] == '\r')
            ++lineEnds;
    }
    const bool endsWithBreak = bytes.endsWith('\n') || bytes.endsWith('\r');
    EXPECT_EQ(qsizetype(back.size()), lineEnds + (endsWithBreak ? 0 : 1));

    // NUL bytes inside a path stay part of it.
    testfiles::WriteBytes(path("nul.txt"), QByteArray("1;C:\\a\0b\\c.dft\r\n0;\0\r\n", 21));
    const auto nul = ReadListFile(path("nul.txt"));
    ASSERT_EQ(nul.size(), 2u);
    EXPECT_EQ(nul[0].directory, QString("C:\\a") + QChar(0) + "b");
    EXPECT_EQ(nul[1].fileName, QString(QChar(0)));
    EXPECT_FALSE(nul[1].checked);

    // Invalid UTF-8 makes the file Windows-1250; a lone 0xC3 is "Ă" there.
    testfiles::WriteBytes(path("bad.txt"), QByteArray("0;C:\\\xC3\\x.dft\n1;C:\\\xE2\x82\\y.dft\n"));
    const auto bad = ReadListFile(path("bad.txt"));
    ASSERT_EQ(bad.size(), 2u);
    EXPECT_EQ(bad[0].directory, QString::fromUtf8("C:\\Ă"));
    EXPECT_FALSE(bad[0].checked);
}

TEST_F(ListFileOnDisk, HugeLinesAndManyLines)
{
    // A 10 MB line without ";" is one checked path.
    QByteArray big = "1;C:\\" + QByteArray(10 * 1024 * 1024, 'd') + "\\x.dft\r\n0;C:\\small.par\r\n";
    big[0] = 'Q';
    testfiles::WriteBytes(path("big.txt"), big);
    const auto bigBack = ReadListFile(path("big.txt"));
    ASSERT_EQ(bigBack.size(), 2u);
    EXPECT_TRUE(bigBack[0].checked);
    EXPECT_EQ(bigBack[0].directory.size(), 10 * 1024 * 1024 + 5);
    EXPECT_EQ(bigBack[0].fileName, "x.dft");
    EXPECT_FALSE(bigBack[1].checked);

    // A million lines.
    QByteArray many;
    many.reserve(1000000 * 12);
    for (int i = 0; i < 1000000; ++i)
        many.append(i % 2 ? "1;/d/a.par\r\n" : "0;C:\\b.dft\n");
    testfiles::WriteBytes(path("many.txt"), many);
    const auto manyBack = ReadListFile(path("many.txt"));
    ASSERT_EQ(manyBack.size(), 1000000u);
    EXPECT_FALSE(manyBack[0].checked);
    EXPECT_EQ(manyBack[0].fileName, "b.dft");
    EXPECT_TRUE(manyBack[999999].checked);
    EXPECT_EQ(manyBack[999999].directory, "/d");
}
