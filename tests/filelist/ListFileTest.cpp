// List files: the line format, every reading rule, both text encodings, errors and bad input.
#include "filelist/ListFile.h"

#include "common/Error.h"
#include "common/SharedText.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace Qt::StringLiterals;

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
    const std::vector<FileEntry> list{entry(u"C:\\Work"_s, u"a.dft"_s, true), entry(u"D:"_s, u"b.par"_s, false)};
    EXPECT_EQ(ListFileText(list), u"1;C:\\Work\\a.dft\r\n0;D:\\b.par\r\n"_s);
    EXPECT_EQ(ListFileText({}), u""_s);
}

TEST(ListFileWriting, SeparatorIsWrittenEvenAfterATrailingOne)
{
    EXPECT_EQ(ListFileLine(entry(u"C:\\"_s, u"a.dft"_s, true)), u"1;C:\\\\a.dft"_s);
    EXPECT_EQ(ListFileLine(entry(u"\\\\server\\share"_s, u"x.asm"_s, false)), u"0;\\\\server\\share\\x.asm"_s);
#ifndef _WIN32
    // Native directories get the native separator, so the line is a real path here.
    EXPECT_EQ(ListFileLine(entry(u"/home/u/parts"_s, u"a.par"_s, true)), u"1;/home/u/parts/a.par"_s);
    EXPECT_EQ(ListFileLine(entry(u"/"_s, u"a.par"_s, true)), u"1;//a.par"_s);
#else
    EXPECT_EQ(ListFileLine(entry(u"C:/Work"_s, u"a.par"_s, true)), u"1;C:/Work\\a.par"_s);
#endif
}

TEST(ListFileWriting, WrittenLinesReadBackUnchanged)
{
    const std::vector<FileEntry> list{
        entry(u"C:\\Work\\Parts"_s, u"bracket.par"_s, true), entry(u"C:\\"_s, u"root.dft"_s, false), entry(u"C:"_s, u"drive.dft"_s, true),
        entry(u"C:\\Načrti\\Žaga"_s, u"ščep.PSM"_s, false), entry(u""_s, u""_s, true),
        // A ";" is a character of a name like any other; so is the one of a line that was no flag line.
        entry(u"C:\\a;b"_s, u"c;d.dft"_s, false), entry(u"2;C:"_s, u"x.dft"_s, true),
#ifndef _WIN32
        entry(u"/home/u/parts"_s, u"a.par"_s, true), entry(u"/"_s, u"top.asm"_s, false),
        entry(u"/srv/测试"_s, u"b.pwd"_s, true),
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

TEST(ListFileReading, FlagLinesAndCheckedWholePaths)
{
    const struct {
        QString line;
        Parsed entry;
    } cases[] = {
        {u"0;C:\\x\\y.dft"_s, {false, u"C:\\x"_s, u"y.dft"_s}},
        {u"1;C:\\Work\\Parts\\bracket.par"_s, {true, u"C:\\Work\\Parts"_s, u"bracket.par"_s}},
        {u"1;C:\\\\a.dft"_s, {true, u"C:\\"_s, u"a.dft"_s}},
        // The path is all of the line after the first ";", so a name holding ";" reads back whole.
        {u"1;C:\\a;b\\c.dft"_s, {true, u"C:\\a;b"_s, u"c.dft"_s}},
        {u"0;"_s, {false, u""_s, u""_s}},
        {u"1"_s, {true, u""_s, u""_s}},
        {u"0"_s, {false, u""_s, u""_s}},
        // Lines that are not flag lines are checked whole paths.
        {u"2;C:\\x.dft"_s, {true, u"2;C:"_s, u"x.dft"_s}},
        {u"C:\\Work\\a.dft"_s, {true, u"C:\\Work"_s, u"a.dft"_s}},
        {u"10;C:\\x.dft"_s, {true, u"10;C:"_s, u"x.dft"_s}},
        {u" 0;C:\\x.dft"_s, {true, u" 0;C:"_s, u"x.dft"_s}},
        {u"/home/u/a.par"_s, {true, u"/home/u"_s, u"a.par"_s}},
        {u"a.dft"_s, {true, u""_s, u"a.dft"_s}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseOne(c.line), c.entry) << c.line.toStdString();
}

TEST(ListFileReading, LineEnds)
{
    EXPECT_TRUE(parse(u""_s).empty());
    EXPECT_EQ(parse(u"1;C:\\a.dft"_s).size(), 1u) << "the last line needs no line end";
    EXPECT_EQ(parse(u"1;C:\\a.dft\r\n"_s).size(), 1u);
    // CR LF, lone CR and lone LF all end a line; an empty line in the middle is an entry.
    const auto mixed = parse(u"1;C:\\a.dft\r\n0;C:\\b.dft\r1;C:\\c.dft\n\r\n0;C:\\d.dft\n\n"_s);
    ASSERT_EQ(mixed.size(), 6u);
    EXPECT_EQ(mixed[0], (Parsed{true, u"C:"_s, u"a.dft"_s}));
    EXPECT_EQ(mixed[1], (Parsed{false, u"C:"_s, u"b.dft"_s}));
    EXPECT_EQ(mixed[2], (Parsed{true, u"C:"_s, u"c.dft"_s}));
    EXPECT_EQ(mixed[3], (Parsed{true, u""_s, u""_s}));
    EXPECT_EQ(mixed[4], (Parsed{false, u"C:"_s, u"d.dft"_s}));
    EXPECT_EQ(mixed[5], (Parsed{true, u""_s, u""_s}));
    EXPECT_EQ(parse(u"\n\r"_s).size(), 2u);
    EXPECT_EQ(parse(u"\r\n"_s).size(), 1u);
}

class ListFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    QString path(const QString& name) const { return tmp.filePath(name); }
    QTemporaryDir tmp;
};

TEST_F(ListFileOnDisk, Cp1250FileRoundTrip)
{
    const std::vector<FileEntry> list{entry(u"C:\\Načrti"_s, u"Žaga.dft"_s, true),
                                      entry(u"D:"_s, u"b.par"_s, false)};
    WriteListFile(path(u"list.txt"_s), list);
    const QByteArray bytes = testfiles::ReadBytes(path(u"list.txt"_s));
    EXPECT_EQ(bytes, QByteArray("1;C:\\Na\xE8rti\\\x8E" "aga.dft\r\n0;D:\\b.par\r\n"));
    const auto back = ReadListFile(path(u"list.txt"_s));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].directory, u"C:\\Načrti"_s);
    EXPECT_EQ(back[0].fileName, u"Žaga.dft"_s);
    EXPECT_FALSE(back[1].checked);
}

TEST_F(ListFileOnDisk, FileOfTheOldProgramInWindows1250)
{
    testfiles::WriteBytes(path(u"old.txt"_s), QByteArray("1;C:\\Projekti\\\x9A" "asija\\pokrov.par\r\n"
                                                      "0;C:\\\xC8rpalka\\ohi\x9A" "je.asm\r\n"));
    const auto back = ReadListFile(path(u"old.txt"_s));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].directory, u"C:\\Projekti\\šasija"_s);
    EXPECT_EQ(back[1].directory, u"C:\\Črpalka"_s);
    EXPECT_EQ(back[1].fileName, u"ohišje.asm"_s);
    EXPECT_FALSE(back[1].checked);
}

TEST_F(ListFileOnDisk, TextBeyondWindows1250GoesOutAsUtf8AndReadsBack)
{
    const std::vector<FileEntry> list{entry(u"/data/设计"_s, u"零件 ✓.par"_s, true),
                                      entry(u"C:\\Načrti"_s, u"a.dft"_s, false)};
    WriteListFile(path(u"u.txt"_s), list);
    EXPECT_TRUE(testfiles::ReadBytes(path(u"u.txt"_s)).startsWith("\xEF\xBB\xBF"));
    const auto back = ReadListFile(path(u"u.txt"_s));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].FullPath(), list[0].FullPath());
    EXPECT_EQ(back[1].directory, list[1].directory);
}

TEST_F(ListFileOnDisk, SavingReplacesTheWholeFile)
{
    testfiles::WriteBytes(path(u"l.txt"_s), QByteArray(10000, 'z'));
    WriteListFile(path(u"l.txt"_s), {entry(u"C:"_s, u"a.dft"_s, true)});
    EXPECT_EQ(testfiles::ReadBytes(path(u"l.txt"_s)), "1;C:\\a.dft\r\n");
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"l.txt"_s}) << "no temporary file left";
}

TEST_F(ListFileOnDisk, ErrorTexts)
{
    const QString missingFolder = path(u"no/such/folder/list.txt"_s);
    try {
        WriteListFile(missingFolder, {entry(u"C:"_s, u"a.dft"_s, true)});
        FAIL() << "no error";
    } catch (const KrdlError& e) {
        const QString prefix = u"Cannot create file \""_s + QDir::toNativeSeparators(missingFolder) + u"\". "_s;
        EXPECT_TRUE(e.Message().startsWith(prefix)) << e.Message().toStdString();
        EXPECT_GT(e.Message().size(), prefix.size()) << "the platform's reason follows";
    }
    // UTF-8 but for one Windows-1250 "č" (E8) on line 2: refused, not read as Windows-1250.
    const QString damaged = path(u"damaged.txt"_s);
    testfiles::WriteBytes(damaged, "1;/w/\xC4\x8D\xC4\x87\xC5\xA1.par\r\n1;/w/\xE8\xC4\x87\xC5\xA1.par\r\n");
    for (const auto& [file, reason] : {std::pair{path(u"missing.txt"_s), QString()},
                                       std::pair{damaged, u"line 2: bytes that are not UTF-8"_s}}) {
        try {
            (void)ReadListFile(file);
            FAIL() << "no error";
        } catch (const KrdlError& e) {
            const QString prefix = u"Cannot open file \""_s + QDir::toNativeSeparators(file) + u"\". "_s;
            EXPECT_TRUE(e.Message().startsWith(prefix + reason)) << e.Message().toStdString();
            EXPECT_GT(e.Message().size(), prefix.size());
        }
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
    testfiles::WriteBytes(path(u"bin.txt"_s), bytes);
    const auto back = ReadListFile(path(u"bin.txt"_s));
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
    // Not "nul.txt": Windows keeps NUL, with any extension, for its null device.
    testfiles::WriteBytes(path(u"zero-bytes.txt"_s), QByteArray("1;C:\\a\0b\\c.dft\r\n0;\0\r\n", 21));
    const auto nul = ReadListFile(path(u"zero-bytes.txt"_s));
    ASSERT_EQ(nul.size(), 2u);
    EXPECT_EQ(nul[0].directory, QString(u"C:\\a"_s) + QChar(0) + u"b"_s);
    EXPECT_EQ(nul[1].fileName, QString(QChar(0)));
    EXPECT_FALSE(nul[1].checked);

    // Invalid UTF-8 makes the file Windows-1250; a lone 0xC3 is "Ă" there.
    testfiles::WriteBytes(path(u"bad.txt"_s), QByteArray("0;C:\\\xC3\\x.dft\n1;C:\\\xE2\x82\\y.dft\n"));
    const auto bad = ReadListFile(path(u"bad.txt"_s));
    ASSERT_EQ(bad.size(), 2u);
    EXPECT_EQ(bad[0].directory, QString::fromUtf8("C:\\Ă"));
    EXPECT_FALSE(bad[0].checked);
}

TEST_F(ListFileOnDisk, HugeLinesAndManyLines)
{
    // A 10 MB line without ";" is one checked path.
    QByteArray big = "1;C:\\" + QByteArray(10 * 1024 * 1024, 'd') + "\\x.dft\r\n0;C:\\small.par\r\n";
    big[0] = 'Q';
    testfiles::WriteBytes(path(u"big.txt"_s), big);
    const auto bigBack = ReadListFile(path(u"big.txt"_s));
    ASSERT_EQ(bigBack.size(), 2u);
    EXPECT_TRUE(bigBack[0].checked);
    EXPECT_EQ(bigBack[0].directory.size(), 10 * 1024 * 1024 + 5);
    EXPECT_EQ(bigBack[0].fileName, u"x.dft"_s);
    EXPECT_FALSE(bigBack[1].checked);

    // A million lines.
    QByteArray many;
    many.reserve(1000000 * 12);
    for (int i = 0; i < 1000000; ++i)
        many.append(i % 2 ? "1;/d/a.par\r\n" : "0;C:\\b.dft\n");
    testfiles::WriteBytes(path(u"many.txt"_s), many);
    const auto manyBack = ReadListFile(path(u"many.txt"_s));
    ASSERT_EQ(manyBack.size(), 1000000u);
    EXPECT_FALSE(manyBack[0].checked);
    EXPECT_EQ(manyBack[0].fileName, u"b.dft"_s);
    EXPECT_TRUE(manyBack[999999].checked);
    EXPECT_EQ(manyBack[999999].directory, u"/d"_s);
}
