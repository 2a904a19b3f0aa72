// The property seed file: locating it, its grammar, its encoding and hostile input.

#include "common/Error.h"
#include "common/SharedText.h"
#include "properties/PropertySeed.h"
#include "settings/Settings.h"
#include "support/TestFiles.h"
#include "text/Cp1250.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>
#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace Qt::StringLiterals;

namespace {

// One line per definition: "Name: value|value|... [default]".
QStringList Dump(const PropertyDefinitions& defs)
{
    QStringList out;
    for (int i = 0; i < defs.Count(); ++i) {
        const TCustomPropertie* d = defs.Item(i);
        out << d->name + u": "_s + d->lookupValues.join(u'|') + u" ["_s + d->defaultValue + u']';
    }
    return out;
}

QStringList Parse(const QString& text)
{
    PropertyDefinitions defs;
    ParsePropertySeed(text, defs);
    return Dump(defs);
}

QString Lines(std::initializer_list<const char16_t*> lines)
{
    QStringList list;
    for (const char16_t* l : lines)
        list << QString::fromUtf16(l);
    return list.join(u"\r\n"_s);
}

} // namespace

TEST(PropertySeed, ExampleFile)
{
    const QString text = Lines({u"Begin Define Custom", u"Define Material; Text", u"define Finish;x;more", u"Define Weight",
                                u"Remarks about the file", u"End Define Custom", u"Begin Material",
                                u"Steel ; structural steel", u"default = Aluminium", u"", u"End Material"});
    EXPECT_EQ(Parse(text), (QStringList{u"Material: Steel|Aluminium [Aluminium]"_s, u"Finish:  []"_s}));
}

TEST(PropertySeed, GrammarRules)
{
    const struct {
        const char* what;
        QString text;
        QStringList expected;
    } cases[] = {
        {"markers in any case, indented with blanks and tabs; lone CR and LF line ends",
         u"  bEGIN define CUSTOM \r\t DEFINE A;t\nEnd Define Custom\n\tbegin a\r\nx\r\n  END A  "_s, {u"A: x []"_s}},
        {"two blanks inside the begin marker do not match",
         u"Begin  Define Custom\nDefine A;t\nEnd Define Custom"_s, {}},
        {"only the first definition section counts",
         u"Begin Define Custom\nDefine A;t\nEnd Define Custom\nBegin Define Custom\nDefine B;t\nEnd Define Custom"_s,
         {u"A:  []"_s}},
        {"an end marker only before the begin marker", u"End Define Custom\nBegin Define Custom\nDefine A;t"_s, {}},
        {"lookup blocks before and inside the section; a block never ended is empty",
         u"Begin B\nb1\nEnd B\nBegin Define Custom\nDefine A;t\nBegin A\na1\nEnd A\nDefine B;t\nDefine C;t\n"
         u"End Define Custom\nBegin C\nc1"_s,
         {u"A: a1 []"_s, u"B: b1 []"_s, u"C:  []"_s}},
        {"notes, '=' inside values, repeated values kept",
         u"Begin Define Custom\nDefine A;t\nEnd Define Custom\nBegin A\n ; only a note\nA=B;C\nx\nx\n  \nEnd A"_s,
         {u"A: A=B|x|x []"_s}},
        {"default lines: blank, bare word, several (the last sets the default), with a note",
         u"Begin Define Custom\nDefine A;t\nEnd Define Custom\nBegin A\ndefault =   \nv1\nDEFAULT\n"
         u"Default = d1\n default=d2 ; note\nEnd A"_s,
         {u"A: v1|d1|d2 [d2 ; note]"_s}},
        {"a default of a note alone sets the default but adds no empty lookup value",
         u"Begin Define Custom\nDefine A;t\nEnd Define Custom\nBegin A\nv1\ndefault= ; note\nEnd A"_s,
         {u"A: v1 [; note]"_s}},
        {"definition lines: needs a name and a second field; 'Define' glued to the name; duplicates kept",
         u"Begin Define Custom\nDefine ;t\nDefine A;  \nDefineB;t\n  define  Checked by ; Text\nDefine B;t\nDefin C;t\n"
         u"End Define Custom"_s,
         {u"B:  []"_s, u"Checked by:  []"_s, u"B:  []"_s}},
        {"names equal ignoring case share their block; inner blanks count",
         u"Begin Define Custom\nDefine Part No;t\nDefine PART NO;t\nDefine Part  No;t\nEnd Define Custom\n"
         u"Begin part no\np\nEnd Part No"_s,
         {u"Part No: p []"_s, u"PART NO: p []"_s, u"Part  No:  []"_s}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Parse(c.text), c.expected) << c.what;
}

TEST(PropertySeed, SystemBlockNamesTheDocumentsOwnProperties)
{
    const struct {
        const char* what;
        QString text;
        QStringList custom, system;
    } cases[] = {
        {"names ignoring case, spelled as the program spells them; a second field is optional; unknown names "
         "passed over; lookup blocks shared with a custom property of the same name",
         u"Begin Define Custom\nDefine Title;t\nEnd Define Custom\nBegin Define System\nDefine title\n"
         u"Define DOCUMENT NUMBER; Text\nDefine Colour\nEnd Define System\nBegin Title\nBracket\nEnd Title\n"
         u"Begin Document number\nD-1\ndefault = D-2\nEnd Document number"_s,
         {u"Title: Bracket []"_s}, {u"Title: Bracket []"_s, u"Document Number: D-1|D-2 [D-2]"_s}},
        {"a system block alone", u"Begin Define System\nDefine Company\nEnd Define System"_s, {}, {u"Company:  []"_s}},
        {"a custom block alone", u"Begin Define Custom\nDefine A;t\nEnd Define Custom"_s, {u"A:  []"_s}, {}},
    };
    for (const auto& c : cases) {
        PropertyDefinitions custom, system;
        ParsePropertySeed(c.text, custom, &system);
        EXPECT_EQ(Dump(custom), c.custom) << c.what;
        EXPECT_EQ(Dump(system), c.system) << c.what;
        EXPECT_EQ(Parse(c.text), c.custom) << c.what << ": read as older versions read it";
    }
}

TEST(PropertySeed, ExtractBlockAppendsAndNeverClears)
{
    const QStringList lines{u"a"_s, u" BEGIN X "_s, u"  one "_s, u"End x"_s, u"Begin Y"_s};
    QStringList out{u"kept"_s};
    EXPECT_TRUE(ExtractBlock(lines, u"Begin X"_s, u"End X"_s, out));
    EXPECT_EQ(out, (QStringList{u"kept"_s, u"  one "_s}));
    EXPECT_FALSE(ExtractBlock(lines, u"Begin Y"_s, u"End Y"_s, out));
    EXPECT_FALSE(ExtractBlock(lines, u"End X"_s, u"Begin X"_s, out));
    EXPECT_TRUE(ExtractBlock({u"begin z"_s, u"end z"_s}, u"Begin Z"_s, u"End Z"_s, out));
    EXPECT_EQ(out.size(), 2);
}

TEST(PropertySeed, LocatedThroughTheProgramIniFile)
{
    QTemporaryDir dir;
    const QString program = dir.filePath(u"KRDL"_s);
    const QString ini = dir.filePath(u"KRDL.ini"_s);
    EXPECT_EQ(PropseedFileName(program), QString());
    EXPECT_EQ(CannotFindPropseedMessage(PropseedFileName(program)), u"Cannot find \"\" !"_s);
    EXPECT_FALSE(PropseedFileExists(PropseedFileName(program)));

    IniWriteString(ini, u"Settings"_s, u"PropseedFN"_s, u"\\seed.txt"_s);
    EXPECT_EQ(PropseedFileName(program), dir.filePath(u"seed.txt"_s));
    EXPECT_FALSE(PropseedFileExists(PropseedFileName(program)));
    testfiles::WriteBytes(dir.filePath(u"seed.txt"_s), "x");
    EXPECT_TRUE(PropseedFileExists(PropseedFileName(program)));
    IniWriteString(ini, u"Settings"_s, u"PropseedFN"_s, dir.path());
    EXPECT_FALSE(PropseedFileExists(PropseedFileName(program))) << "a folder is no seed file";
}

TEST(PropertySeed, WindowsAndUtf8FilesReadTheSame)
{
    const QString seed = u"Begin Define Custom\r\nDefine Površina; Text\r\nDefine Material; Text\r\nEnd Define Custom\r\n"
                         u"Begin Površina\r\nbrušeno ; č š ž\r\nžgano\r\nEnd POVRŠINA\r\nBegin Material\r\nČelik\r\nEnd Material\r\n"_s;
    const QStringList expected{u"Površina: brušeno|žgano []"_s, u"Material: Čelik []"_s};
    QTemporaryDir dir;
    QByteArray cp1250;
    for (const QChar c : seed)
        cp1250.append(char(text::UnicodeToCp1250(c.unicode())));
    ASSERT_TRUE(cp1250.contains('\x9A')); // š as Windows-1250 writes it
    for (const QByteArray& bytes : {cp1250, seed.toUtf8(), QByteArray("\xEF\xBB\xBF") + seed.toUtf8()}) {
        const QString path = dir.filePath(u"seed.txt"_s);
        testfiles::WriteBytes(path, bytes);
        PropertyDefinitions defs;
        ReadPropertySeed(path, &defs);
        EXPECT_EQ(Dump(defs), expected);
    }
    ReadPropertySeed(dir.filePath(u"seed.txt"_s), nullptr); // no list: nothing to do, no failure
}

TEST(PropertySeed, HostileInputEndsQuickly)
{
    std::mt19937 rng(7);
    QByteArray binary(200000, 0);
    for (char& b : binary)
        b = char(rng());
    const QByteArray section = "\nBegin Define Custom\nDefine A;t\nEnd Define Custom\n";
    binary.replace(1000, section.size(), section);
    const QString longLine = u"Begin Define Custom\nDefine Long;t\nEnd Define Custom\nBegin Long\n"_s
        + QString(10 * 1024 * 1024, u'v') + u";note\nEnd Long"_s;
    QStringList overlapping; // blocks of 1,500 names that all span each other
    QString many = u"Begin Define Custom\n"_s;
    for (int i = 0; i < 1500; ++i) {
        many += u"Define N%1;t\n"_s.arg(i);
        overlapping << u"Begin N%1\n"_s.arg(i);
    }
    many += u"End Define Custom\n"_s + overlapping.join(QString()) + overlapping.join(QString()).replace(u"Begin"_s, u"End"_s);

    QElapsedTimer timer;
    timer.start();
    PropertyDefinitions defs;
    ParsePropertySeed(DecodeSharedText(binary), defs);
    EXPECT_EQ(Dump(defs), QStringList{u"A:  []"_s});
    defs.Clear();
    ParsePropertySeed(QString(100000, QChar(0)) + u"\nBegin Define Custom\n\0Define A;t\n"_s, defs);
    EXPECT_EQ(defs.Count(), 0) << "a section that never ends declares nothing";
    ParsePropertySeed(longLine, defs);
    ASSERT_EQ(defs.Count(), 1);
    EXPECT_EQ(defs.Item(0)->lookupValues.value(0).size(), 10 * 1024 * 1024);
    defs.Clear();
    defs.Add()->name = u"Kept"_s;
    EXPECT_THROW(ParsePropertySeed(many, defs), KrdlError);
    EXPECT_EQ(defs.Count(), 1) << "a refused file adds nothing";
    EXPECT_LT(timer.elapsed(), 20000);
}

TEST(PropertySeed, FilesThatCannotBeReadGiveAnErrorNamingThem)
{
    QTemporaryDir dir;
    PropertyDefinitions defs;
    std::vector<QString> paths{dir.filePath(u"missing.txt"_s), dir.path()};
#ifndef _WIN32
    const QString fifo = dir.filePath(u"pipe.txt"_s);
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    paths.push_back(fifo); // would wait for a writer if it were opened
#endif
    for (const QString& path : paths) {
        try {
            ReadPropertySeed(path, &defs);
            ADD_FAILURE() << "no error for " << path.toStdString();
        } catch (const KrdlError& e) {
            EXPECT_TRUE(e.Message().startsWith(u"Cannot open file \""_s + path + u"\". "_s)) << e.Message().toStdString();
        }
    }
    EXPECT_EQ(defs.Count(), 0);
}

TEST(PropertySeed, SampleFileGivesATitleBlockEditor)
{
    PropertyDefinitions defs;
    ReadPropertySeed(QStringLiteral(KRDL_SOURCE_DIR "/resources/propseed.txt"), &defs);
    QStringList names;
    for (int i = 0; i < defs.Count(); ++i)
        names << defs.Item(i)->name;
    for (const QString& name : {u"Material"_s, u"Finish"_s, u"Project"_s, u"Revision"_s, u"Drawn by"_s, u"Checked by"_s}) {
        const int at = int(names.indexOf(name));
        ASSERT_GE(at, 0) << name.toStdString();
        EXPECT_GE(defs.Item(at)->lookupValues.size(), 3) << name.toStdString();
    }
    EXPECT_TRUE(defs.Item(int(names.indexOf(u"Drawn by"_s)))->lookupValues.contains(u"M. Kovač"_s));
    PropertyDefinitions custom, system;
    ReadPropertySeed(QStringLiteral(KRDL_SOURCE_DIR "/resources/propseed.txt"), &custom, &system);
    EXPECT_EQ(custom.Count(), defs.Count());
    EXPECT_EQ(Dump(system).size(), 7);
    EXPECT_TRUE(Dump(system).contains(u"Document Number:  []"_s)) << Dump(system).join(u'\n').toStdString();
}
