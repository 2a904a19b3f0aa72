// Property set files: what a save writes into a new and an existing file, and what loading reads.

#include "properties/PropertySetFile.h"

#include "common/Error.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

using Values = QList<QPair<QString, QString>>;

QString Text(const QString& path)
{
    return QString::fromLatin1(testfiles::ReadBytes(path));
}

} // namespace

TEST(PropertySetFile, NewFileLayout)
{
    QTemporaryDir dir;
    const QString set = dir.filePath(u"a.props"_s);
    SavePropertySet(set, {{u"C:\\Work\\flange.par"_s, {{u"Material"_s, u"S235"_s}, {u"Finish"_s, {}}}},
                          {u"C:\\Work\\cover.psm"_s, {{u"Material"_s, u"Al"_s}, {u"Finish"_s, u"painted"_s}}}});
    EXPECT_EQ(Text(set), u"[Files]\r\nfile1=C:\\Work\\flange.par\r\nfile2=C:\\Work\\cover.psm\r\n\r\n"
                         "[file1]\r\nCustomPropMaterial=Material;S235\r\nCustomPropFinish=Finish;\r\n\r\n"
                         "[file2]\r\nCustomPropMaterial=Material;Al\r\nCustomPropFinish=Finish;painted\r\n"_s);
}

TEST(PropertySetFile, SavingIntoAnExistingFileReusesEntriesByPath)
{
    QTemporaryDir dir;
    const QString set = dir.filePath(u"a.props"_s);
    // file2 is taken by hand, so the next new file is file4 (n = 2, file3 taken as well).
    testfiles::WriteBytes(set, "; kept comment\r\n[Files]\r\nfile1=C:\\Work\\other.par\r\nfile3=C:\\WORK\\FLANGE.PAR\r\n"
                               "[file1]\r\nCustomPropMaterial=Material;keep\r\n[file3]\r\nCustomPropOld=Old;gone\r\n"
                               "[file2]\r\nx=orphan\r\n");
    const QList<PropertySetRow> rows = {{u"C:\\Work\\flange.par"_s, {{u"Material"_s, u"a;b;c"_s}}},
                                        {u"C:\\Work\\new.par"_s, {{u"Material"_s, u" x "_s}, {u"MATERIAL"_s, u"right"_s}}}};
    SavePropertySet(set, rows);
    SavePropertySet(set, rows); // a second save changes nothing
    EXPECT_EQ(Text(set), u"; kept comment\r\n[Files]\r\nfile1=C:\\Work\\other.par\r\nfile3=C:\\WORK\\FLANGE.PAR\r\n"
                         "file4=C:\\Work\\new.par\r\n[file1]\r\nCustomPropMaterial=Material;keep\r\n[file2]\r\nx=orphan\r\n\r\n"
                         "[file3]\r\nCustomPropMaterial=Material;a;b;c\r\n\r\n[file4]\r\nCustomPropMaterial=MATERIAL;right\r\n"_s);

    QList<PropertySetRow> loaded;
    ASSERT_TRUE(ReadPropertySet(set, loaded));
    ASSERT_EQ(loaded.size(), 3);
    EXPECT_EQ(loaded[0].values, (Values{{u"Material"_s, u"keep"_s}}));
    // Everything after the first ";" is the value.
    EXPECT_EQ(loaded[1].path, u"C:\\WORK\\FLANGE.PAR"_s);
    EXPECT_EQ(loaded[1].values, (Values{{u"Material"_s, u"a;b;c"_s}}));
    EXPECT_EQ(loaded[2].values, (Values{{u"MATERIAL"_s, u"right"_s}}));
}

TEST(PropertySetFile, AFilesEntryKeyedLikeTheListNeitherReadsNorLosesTheList)
{
    QTemporaryDir dir;
    const QString set = dir.filePath(u"a.props"_s);
    testfiles::WriteBytes(set, "[Files]\r\nfiles=C:\\a.par\r\nfile1=C:\\b.par\r\n[file1]\r\nCustomPropA=A;1\r\n");
    QList<PropertySetRow> loaded;
    ASSERT_TRUE(ReadPropertySet(set, loaded));
    ASSERT_EQ(loaded.size(), 1);
    EXPECT_EQ(loaded[0].path, u"C:\\b.par"_s);

    SavePropertySet(set, {{u"C:\\a.par"_s, {{u"A"_s, u"2"_s}}}});
    ASSERT_TRUE(ReadPropertySet(set, loaded));
    ASSERT_EQ(loaded.size(), 2);
    EXPECT_EQ(loaded[0].path, u"C:\\b.par"_s);
    EXPECT_EQ(loaded[1].path, u"C:\\a.par"_s);
    EXPECT_EQ(loaded[1].values, (Values{{u"A"_s, u"2"_s}}));
}

TEST(PropertySetFile, ValuesAsRead)
{
    const struct {
        QString entry;
        QString name;
        QString value;
    } cases[] = {
        {u"Finish;"_s, u"Finish"_s, {}},
        {u"Finish;a;b"_s, u"Finish"_s, u"a;b"_s},
        {u"Finish"_s, u"Finish"_s, {}},
        {u";x"_s, {}, u"x"_s},
    };
    for (const auto& c : cases) {
        const QPair<QString, QString> got = SplitPropertySetValue(c.entry);
        EXPECT_EQ(got.first, c.name) << c.entry.toStdString();
        EXPECT_EQ(got.second, c.value) << c.entry.toStdString();
    }
}

TEST(PropertySetFile, FailuresLeaveTheFileAsItWas)
{
    QTemporaryDir dir;
    const QString set = dir.filePath(u"a.props"_s);
    const QByteArray before = "[Files]\r\nfile1=C:\\a.par\r\n";
    testfiles::WriteBytes(set, before);
    const QList<QList<PropertySetRow>> bad = {
        {{u"C:\\a.par"_s, {{u"Material"_s, u"ok"_s}}}, {u"C:\\b.par"_s, {{u"Note"_s, u"two\nlines"_s}}}},
        {{u"C:\\c\r.par"_s, {}}},
    };
    for (const auto& rows : bad) {
        try {
            SavePropertySet(set, rows);
            ADD_FAILURE() << "no error";
        } catch (const KrdlError& e) {
            EXPECT_TRUE(e.Message().startsWith(u"Unable to write to "_s + set)) << e.Message().toStdString();
        }
        EXPECT_EQ(testfiles::ReadBytes(set), before);
    }
    EXPECT_THROW(SavePropertySet(dir.filePath(u"missing/a.props"_s), {{u"C:\\a.par"_s, {}}}), KrdlError);
    EXPECT_THROW(SavePropertySet(dir.path(), {{u"C:\\a.par"_s, {}}}), KrdlError);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"a.props"_s});

    QList<PropertySetRow> rows = {{u"x"_s, {}}};
    QString reason;
    EXPECT_FALSE(ReadPropertySet(dir.filePath(u"none.props"_s), rows, &reason));
    EXPECT_TRUE(rows.isEmpty());
    EXPECT_FALSE(reason.isEmpty());
    testfiles::WriteBytes(set, "[Other]\r\na=b\r\n");
    EXPECT_TRUE(ReadPropertySet(set, rows));
    EXPECT_TRUE(rows.isEmpty());
}

TEST(PropertySetFile, ValuesComeBackAsSaved)
{
    QTemporaryDir dir;
    const QString set = dir.filePath(u"a.props"_s);
    Values values;
    for (const QString& v : {u" "_s, u" blanks "_s, u"\"quoted\""_s, u"'single'"_s, u"a;b;"_s, u"Čćžšđ €"_s, QString()})
        values.append({u"P"_s + QString::number(values.size()), v});
    SavePropertySet(set, {{u"C:\\Work\\ä.par"_s, values}});
    QList<PropertySetRow> loaded;
    ASSERT_TRUE(ReadPropertySet(set, loaded));
    ASSERT_EQ(loaded.size(), 1);
    EXPECT_EQ(loaded[0].path, u"C:\\Work\\ä.par"_s);
    EXPECT_EQ(loaded[0].values, values);
}

// An undecodable byte of a file or file name is kept as a lone surrogate. Names and paths that
// differ only in such bytes are different, while a difference of letter case alone still meets.
TEST(PropertySetFile, NamesAndPathsDifferingInUndecodableBytesStayApart)
{
    QTemporaryDir dir;
    const QString set = dir.filePath(u"a.props"_s);
    const QString first = u"/w/a"_s + QChar(0xdc8d) + u".par"_s;
    const QString second = u"/w/A"_s + QChar(0xdc8e) + u".par"_s;
    const Values values{{u"Ref"_s + QChar(0xdcbb), u"one"_s}, {u"ref"_s + QChar(0xdcc5), u"two"_s}};
    SavePropertySet(set, {{first, values}, {second, values}});
    SavePropertySet(set, {{u"/W/A"_s + QChar(0xdc8d) + u".PAR"_s, {{u"REF"_s + QChar(0xdcbb), u"three"_s}}}});
    QList<PropertySetRow> loaded;
    ASSERT_TRUE(ReadPropertySet(set, loaded));
    ASSERT_EQ(loaded.size(), 2);
    EXPECT_EQ(loaded[0].path, first);
    EXPECT_EQ(loaded[0].values, (Values{{u"REF"_s + QChar(0xdcbb), u"three"_s}}));
    EXPECT_EQ(loaded[1].path, second);
    EXPECT_EQ(loaded[1].values, values);
}
