// Writing one document's changes, as the apply step and `docprops set` do.

#include "properties/DocumentFiles.h"

#include "common/Error.h"
#include "compound/IndependentReaders.h"
#include "properties/OleDocPropClassWrapper.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct Row {
    QString name;
    qint32 type;
    QString text;
    bool operator==(const Row&) const = default;
};

void PrintTo(const Row& r, std::ostream* os)
{
    *os << "{" << r.name.toStdString() << ", " << r.type << ", " << r.text.toStdString() << "}";
}

std::vector<Row> Read(const QString& path)
{
    TOleDocumentProperties doc;
    doc.Open(path);
    std::vector<Row> out;
    TOleCustomProperties& props = doc.CustomProperties();
    for (int i = 0; i < props.Count(); ++i)
        out.push_back({props.Item(i).Name(), props.Item(i).Type(), props.Item(i).ValueText()});
    return out;
}

} // namespace

TEST(ApplyChanges, ReplacesNamedPropertiesAndKeepsTheOthers)
{
    QTemporaryDir dir;
    const QString path = docfiles::Copy(dir, "lo_custom.doc");
    TDocCustomProperties changes;
    changes.Add(QStringLiteral("material"), QStringLiteral("S355"));
    changes.Add(QStringLiteral("Released"), QStringLiteral("2025-01-01"));
    changes.Add(QStringLiteral("Empty"), QString());
    changes.Add(QStringLiteral("MATERIAL"), QStringLiteral("ignored"));
    TOleDocPropClassWrapper wrapper;
    wrapper.ApplyChanges(path, changes, false);
    const std::vector<Row> expected = {
        {u"Checked"_s, 4, u"True"_s},  {u"Count"_s, 3, u"42"_s},           {u"Mass"_s, 3, u"12.5"_s}, {u"Opomba"_s, 1, u"Čćžšđ ČŽŠ"_s},
        {u"material"_s, 1, u"S355"_s}, {u"Released"_s, 1, u"2025-01-01"_s}, {u"Empty"_s, 1, u" "_s},
    };
    EXPECT_EQ(Read(path), expected);
    KRDL_SKIP_WITHOUT_INDEPENDENT_READERS();
    const indep::OleView view = indep::ReadWithOlefile(path);
    EXPECT_EQ(indep::OleNames(view), (QStringList{u"Checked"_s, u"Count"_s, u"Mass"_s, u"Opomba"_s, u"material"_s, u"Released"_s, u"Empty"_s}));
    EXPECT_EQ(indep::OleProperty(view, QStringLiteral("Empty")).value(QStringLiteral("value")).toString(), QStringLiteral(" "));
}

TEST(ApplyChanges, DeleteAllLeavesExactlyTheList)
{
    QTemporaryDir dir;
    const QString path = docfiles::Copy(dir, "gsf_v3.ole");
    TDocCustomProperties changes;
    changes.Add(QStringLiteral("B"), QStringLiteral("2"));
    changes.Add(QStringLiteral("A"), QStringLiteral("1"));
    TOleDocPropClassWrapper wrapper;
    wrapper.ApplyChanges(path, changes, true);
    EXPECT_EQ(Read(path), (std::vector<Row>{{u"B"_s, 1, u"2"_s}, {u"A"_s, 1, u"1"_s}}));
    KRDL_SKIP_WITHOUT_INDEPENDENT_READERS();
    EXPECT_EQ(indep::GsfCustomNames(path), (QStringList{u"A"_s, u"B"_s}));
}

TEST(ApplyChanges, AFileGoneByTheWriteFails)
{
    // A file that is gone by the time it is written is an error, not a document written.
    QTemporaryDir dir;
    const QString path = docfiles::Copy(dir, "gsf_v3.ole");
    const QByteArray before = testfiles::ReadBytes(path);
    TOleDocPropClassWrapper wrapper;
    TDocCustomProperties changes;
    changes.Add(QStringLiteral("A"), QStringLiteral("1"));
    EXPECT_THROW(wrapper.ApplyChanges(dir.filePath(QStringLiteral("gone.dft")), changes, true), KrdlError);
    EXPECT_EQ(testfiles::ReadBytes(path), before);
}

TEST(ApplyChanges, FailureLeavesTheDocumentAsItWasAndClosed)
{
    QTemporaryDir dir;
    TOleDocPropClassWrapper wrapper;

    // A name the ANSI section cannot hold fails after the removals: nothing of it is saved.
    const QString ansi = docfiles::Copy(dir, "gsf_cp1252.ole");
    const QByteArray before = testfiles::ReadBytes(ansi);
    TDocCustomProperties changes;
    changes.Add(QStringLiteral("Material"), QStringLiteral("S355"));
    changes.Add(QStringLiteral("Čas"), QStringLiteral("1 h"));
    try {
        wrapper.ApplyChanges(ansi, changes, true);
        ADD_FAILURE() << "no error";
    } catch (const KrdlError& e) {
        EXPECT_TRUE(e.Message().contains(ansi)) << e.Message().toStdString();
    }
    EXPECT_FALSE(wrapper.IsOpen());
    EXPECT_EQ(testfiles::ReadBytes(ansi), before);

    const QString readOnly = docfiles::Copy(dir, "gsf_v3.ole");
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
    EXPECT_THROW(wrapper.ApplyChanges(readOnly, changes, false), KrdlError);
    EXPECT_EQ(testfiles::ReadBytes(readOnly), testfiles::ReadBytes(docfiles::Fixture("gsf_v3.ole")));
}

TEST(ApplyChanges, UntouchedTypedValuesKeepTheirTypeAndValue)
{
    // Count (Float) and Released (Date) were loaded and left alone; Material was loaded and left
    // alone but is text; Mass was changed. Only Mass changes type.
    const std::vector<Row> common = {{u"Count"_s, 3, u"42"_s}, {u"Opomba"_s, 1, u"Čćžšđ ČŽŠ"_s},
                                     {u"Released"_s, 5, u"2024-05-17 10:30:00"_s}};
    for (const bool deleteAll : {false, true}) {
        SCOPED_TRACE(deleteAll);
        QTemporaryDir dir;
        const QString path = docfiles::Copy(dir, "lo_custom.doc");
        TDocCustomProperties changes;
        changes.Add(u"COUNT"_s, u"42"_s, true);
        changes.Add(u"Released"_s, u"2024-05-17 12:30:00"_s, true);
        changes.Add(u"Material"_s, u"S235"_s, true);
        changes.Add(u"Mass"_s, u"13"_s, false);
        TOleDocPropClassWrapper wrapper;
        wrapper.ApplyChanges(path, changes, deleteAll);
        std::vector<Row> expected;
        if (!deleteAll)
            expected.push_back({u"Checked"_s, 4, u"True"_s});
        for (const Row& r : common)
            if (!deleteAll || r.name != u"Opomba"_s)
                expected.push_back(r);
        expected.push_back({u"Material"_s, 1, u"S235"_s});
        expected.push_back({u"Mass"_s, 1, u"13"_s});
        EXPECT_EQ(Read(path), expected);
    }
}
