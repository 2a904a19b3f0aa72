// Document property access: the results the viewer, the editor and the apply step rely on.

#include "properties/DocumentFiles.h"

#include "common/Error.h"
#include "compound/CfbBuilder.h"
#include "compound/IndependentReaders.h"
#include "compound/PropertySet.h"
#include "compound/CompoundReader.h"
#include "compound/DiskFile.h"
#include "properties/OleDocumentProperties.h"

#include <QDateTime>
#include <QThread>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

QStringList Names(TOleDocumentProperties& doc)
{
    QStringList out;
    TOleCustomProperties& props = doc.CustomProperties();
    for (int i = 0; i < props.Count(); ++i)
        out << props.Item(i).Name();
    return out;
}

// Runs `f` and returns the KrdlError message it throws (empty when it throws none).
QString ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const KrdlError& e) {
        return e.Message().isEmpty() ? QStringLiteral("<empty>") : e.Message();
    }
    return {};
}

} // namespace

TEST(OleDocumentProperties, OpenFailuresNameTheFile)
{
    QTemporaryDir dir;
    TOleDocumentProperties doc;

    const QString missing = dir.filePath(QStringLiteral("missing.dft"));
    EXPECT_TRUE(ErrorOf([&] { doc.Open(missing); }).contains(missing));

    const QString text = dir.filePath(QStringLiteral("notes.par"));
    testfiles::WriteBytes(text, QByteArray(3000, 'x'));
    const QString notCompound = ErrorOf([&] { doc.Open(text); });
    EXPECT_TRUE(notCompound.contains(text)) << notCompound.toStdString();
    EXPECT_TRUE(notCompound.contains(QStringLiteral("not a compound document")));

    const QString damaged = dir.filePath(QStringLiteral("damaged.asm"));
    QByteArray bytes = testfiles::ReadBytes(docfiles::Fixture("lo_custom.doc"));
    bytes[44] = '\x7F'; // an impossible number of FAT sectors
    bytes[47] = '\x7F';
    testfiles::WriteBytes(damaged, bytes);
    EXPECT_TRUE(ErrorOf([&] { doc.Open(damaged); }).contains(damaged));

    const QString readOnly = docfiles::Copy(dir, "lo_custom.doc", QStringLiteral("readonly.dft"));
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    const QString message = ErrorOf([&] { doc.Open(readOnly); });
    EXPECT_TRUE(message.contains(readOnly)) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("for writing")));
    EXPECT_FALSE(doc.IsOpen());

    // Read-only access is possible when asked for, and then nothing can be saved.
    doc.Open(readOnly, true);
    EXPECT_EQ(doc.CustomProperties().Count(), 6);
    doc.CustomProperties().Add(QStringLiteral("X"), QStringLiteral("y"));
    EXPECT_TRUE(ErrorOf([&] { doc.Save(); }).contains(readOnly));
    doc.Close();
    EXPECT_EQ(testfiles::ReadBytes(readOnly), testfiles::ReadBytes(docfiles::Fixture("lo_custom.doc")));
}

TEST(OleDocumentProperties, ReadingAndClosingWithoutSaveWriteNothing)
{
    QTemporaryDir dir;
    const QString path = docfiles::Copy(dir, "lo_custom.doc");
    const docfiles::Snapshot before = docfiles::Take(path);
    QThread::msleep(20); // a write would now show in the modification time
    {
        TOleDocumentProperties doc;
        doc.Open(path);
        TOleCustomProperties& props = doc.CustomProperties();
        for (int i = 0; i < props.Count(); ++i) {
            (void)props.Item(i).Name();
            (void)props.Item(i).ValueText();
        }
        props.Item(0).Remove();
        props.Add(QStringLiteral("Unsaved"), QStringLiteral("value"));
        doc.Close(false);
        doc.Open(path);
        props.Add(QStringLiteral("Dropped"), QStringLiteral("on the next open"));
        doc.Open(path);
        doc.CustomProperties().Item(1).Remove(); // and on destruction
    }
    EXPECT_EQ(docfiles::Take(path), before);
}

TEST(OleDocumentProperties, TypesValuesAndText)
{
    QTemporaryDir dir;
    TOleDocumentProperties doc;
    doc.Open(docfiles::Copy(dir, "lo_custom.doc"));
    TOleCustomProperties& props = doc.CustomProperties();
    ASSERT_EQ(Names(doc), (QStringList{u"Checked"_s, u"Count"_s, u"Mass"_s, u"Material"_s, u"Opomba"_s, u"Released"_s}));
    EXPECT_EQ(props.Item(0).Type(), 4);
    EXPECT_EQ(props.Item(0).Value(), QVariant(true));
    EXPECT_EQ(props.Item(0).ValueText(), QStringLiteral("True"));
    EXPECT_EQ(props.Item(1).Type(), 3);
    EXPECT_EQ(props.Item(1).ValueText(), QStringLiteral("42"));
    EXPECT_EQ(props.Item(2).ValueText(), QStringLiteral("12.5"));
    EXPECT_EQ(props.Item(3).Type(), 1);
    EXPECT_EQ(props.Item(4).ValueText(), QStringLiteral("Čćžšđ ČŽŠ"));
    EXPECT_EQ(props.Item(5).Type(), 5);
    EXPECT_EQ(props.Item(5).Value().toDateTime(), QDateTime(QDate(2024, 5, 17), QTime(10, 30), Qt::UTC));
    EXPECT_EQ(props.Item(5).ValueText(), QStringLiteral("2024-05-17 10:30:00"));
    EXPECT_TRUE(ErrorOf([&] { props.Item(6); }).contains(QStringLiteral("lo_custom.doc")));
    EXPECT_FALSE(ErrorOf([&] { props.Item(-1); }).isEmpty());

    doc.Open(docfiles::Copy(dir, "gsf_v3.ole"));
    TOleCustomProperties& gsf = doc.CustomProperties();
    ASSERT_EQ(gsf.Item(2).Name(), QStringLiteral("Quantity"));
    EXPECT_EQ(gsf.Item(2).Type(), 2);
    EXPECT_EQ(gsf.Item(2).Value().toLongLong(), 42);
    EXPECT_EQ(gsf.Item(2).ValueText(), QStringLiteral("42"));
    doc.Close();
    EXPECT_TRUE(ErrorOf([&] { doc.CustomProperties(); }).contains(QStringLiteral("No document")));
}

TEST(OleDocumentProperties, RemoveShiftsLaterIndexesAndHandlesStayBound)
{
    QTemporaryDir dir;
    TOleDocumentProperties doc;
    doc.Open(docfiles::Copy(dir, "lo_custom.doc"));
    TOleCustomProperties& props = doc.CustomProperties();
    const TOleCustomProperty material = props.Item(3);
    TOleCustomProperty count = props.Item(1);
    count.Remove();
    EXPECT_EQ(props.Count(), 5);
    EXPECT_EQ(props.Item(1).Name(), QStringLiteral("Mass"));
    EXPECT_EQ(material.Name(), QStringLiteral("Material")) << "a handle follows its property, not its index";
    EXPECT_FALSE(ErrorOf([&] { (void)count.Name(); }).isEmpty());
    EXPECT_FALSE(ErrorOf([&] { count.Remove(); }).isEmpty());

    const TOleCustomProperty added = props.Add(QStringLiteral("Number"), QVariant(17));
    EXPECT_EQ(props.Count(), 6);
    EXPECT_EQ(props.Item(5).Name(), QStringLiteral("Number"));
    EXPECT_EQ(added.Type(), 1) << "Add always creates a text property";
    EXPECT_EQ(added.Value(), QVariant(QStringLiteral("17")));
}

TEST(OleDocumentProperties, SavePersistsAndIndependentReaderAgrees)
{
    QTemporaryDir dir;
    const QString path = docfiles::Copy(dir, "gsf_v4.ole");
    TOleDocumentProperties doc;
    doc.Open(path);
    TOleCustomProperties& props = doc.CustomProperties();
    props.Item(0).Remove();
    props.Add(QStringLiteral("Opis"), QStringLiteral("Zobnik Ø40"));
    doc.Save();
    props.Add(QStringLiteral("Later"), QStringLiteral("x"));
    doc.Close(true); // saves again before closing
    doc.Open(path);
    EXPECT_EQ(Names(doc), (QStringList{u"Released"_s, u"Quantity"_s, u"Opomba"_s, u"Material"_s, u"Approved"_s, u"Opis"_s, u"Later"_s}));
    doc.Close();
    KRDL_SKIP_WITHOUT_INDEPENDENT_READERS();
    const indep::OleView view = indep::ReadWithOlefile(path);
    EXPECT_EQ(indep::OleNames(view), (QStringList{u"Released"_s, u"Quantity"_s, u"Opomba"_s, u"Material"_s, u"Approved"_s, u"Opis"_s, u"Later"_s}));
    EXPECT_EQ(indep::OleProperty(view, QStringLiteral("Opis")).value(QStringLiteral("value")).toString(),
              QStringLiteral("Zobnik Ø40"));
}

TEST(OleDocumentProperties, DocumentWithoutStreamGetsOneOnFirstSave)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bare.par"));
    const cfbtest::Bytes bytes = cfbtest::BuildCompound({{u"Body", cfbtest::Bytes(6000, 3)}});
    testfiles::WriteBytes(path, QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    TOleDocumentProperties doc;
    doc.Open(path);
    EXPECT_EQ(doc.CustomProperties().Count(), 0);
    doc.CustomProperties().Add(QStringLiteral("Material"), QStringLiteral("S235"));
    doc.Save();
    doc.Close();
    KRDL_SKIP_WITHOUT_INDEPENDENT_READERS();
    const indep::OleView view = indep::ReadWithOlefile(path);
    EXPECT_EQ(indep::OleNames(view), QStringList{QStringLiteral("Material")});
    EXPECT_FALSE(view.firstSection.isEmpty());
    EXPECT_EQ(indep::GsfCustomNames(path), QStringList{QStringLiteral("Material")});
}

TEST(OleDocumentProperties, OleDatesAndTypesWithoutACode)
{
    using namespace cfbtest;
    Bytes oleDate;
    Add32(oleDate, 7); // VT_DATE: days since 1899-12-30
    const double days = 45429.4375;
    std::uint64_t bits;
    std::memcpy(&bits, &days, 8);
    Add64(oleDate, bits);
    Bytes big;
    Add32(big, 20); // VT_I8
    Add64(big, static_cast<std::uint64_t>(-5000000000LL));
    const Bytes dsi = PropertyStream(
        {{kDocSummaryFmtid, Section({{1, I2(1252)}})},
         {kUserFmtid, Section({{1, I2(1252)},
                               {0, Dictionary({{2, u"Due"}, {3, u"Blob"}, {4, u"Big"}}, false)},
                               {2, oleDate},
                               {3, Blob({1, 2, 3})},
                               {4, big}})}});
    const Bytes bytes = BuildCompound({{kDsiName, dsi}});
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("types.dft"));
    testfiles::WriteBytes(path, QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    TOleDocumentProperties doc;
    doc.Open(path);
    TOleCustomProperties& props = doc.CustomProperties();
    ASSERT_EQ(props.Count(), 3);
    EXPECT_EQ(props.Item(0).Type(), 5);
    EXPECT_EQ(props.Item(0).ValueText(), QStringLiteral("2024-05-17 10:30:00"));
    EXPECT_EQ(props.Item(1).Type(), 0);
    EXPECT_FALSE(props.Item(1).Value().isValid());
    EXPECT_EQ(props.Item(1).ValueText(), QString());
    EXPECT_EQ(props.Item(2).Type(), 0);
    EXPECT_EQ(props.Item(2).ValueText(), QStringLiteral("-5000000000"));
    // Removing another property and saving keeps the uninterpreted value byte for byte.
    props.Item(0).Remove();
    doc.Save();
    doc.Close();
    doc.Open(path);
    ASSERT_EQ(doc.CustomProperties().Count(), 2);
    EXPECT_EQ(doc.CustomProperties().Item(0).Name(), QStringLiteral("Blob"));
    KRDL_SKIP_WITHOUT_INDEPENDENT_READERS();
    const indep::OleView view = indep::ReadWithOlefile(path);
    EXPECT_EQ(indep::OleProperty(view, QStringLiteral("Blob")).value(QStringLiteral("vt")).toInt(), 65);

    cfb::DiskFile file(path.toStdString(), false);
    cfb::CompoundReader reader(file);
    const auto stream = cfb::PropertySetStream::Parse(reader.ReadStream(*reader.FindRootChild(kDsiName)));
    const Bytes blob = Blob({1, 2, 3});
    bool found = false;
    for (const cfb::SectionProperty& p : stream.user.properties)
        if (p.id == 3) {
            found = true;
            ASSERT_GE(p.raw.size(), blob.size());
            EXPECT_TRUE(std::equal(blob.begin(), blob.end(), p.raw.begin()));
        }
    EXPECT_TRUE(found);
}

TEST(OleDocumentProperties, SecondWriterIsRefusedAtOpenWhileReadersGoOn)
{
    QTemporaryDir dir;
    const QString path = docfiles::Copy(dir, "lo_custom.doc");
    TOleDocumentProperties writer, second, reader;
    writer.Open(path);
    writer.CustomProperties().Add(u"First"_s, u"1"_s);

    const QString refused = ErrorOf([&] { second.Open(path); });
    EXPECT_TRUE(refused.contains(path) && refused.contains(u"locked"_s)) << refused.toStdString();
    EXPECT_FALSE(second.IsOpen());
    reader.Open(path, true);
    EXPECT_EQ(reader.CustomProperties().Count(), 6);

    writer.Save(); // the lock is held from Open to Close, across saves
    EXPECT_FALSE(ErrorOf([&] { second.Open(path); }).isEmpty());
    writer.Close();
    second.Open(path);
    EXPECT_EQ(Names(second).last(), u"First"_s);
    reader.Close();
}

TEST(OleDocumentProperties, TheDocumentsOwnPropertiesAndRefusalsNamingPropertyAndFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"part.par"_s);
    const cfbtest::Bytes bytes = cfbtest::SolidEdgeDocument(1252, {}, {.project = true});
    testfiles::WriteBytes(path, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
    TOleDocumentProperties doc;
    doc.Open(path);
    EXPECT_EQ(doc.SystemValueText(u"title"_s), u"Bracket"_s);
    EXPECT_EQ(doc.SystemValueText(u"Created"_s), u"2020-01-01 00:00:00"_s);
    EXPECT_EQ(doc.SystemValueText(u"Status"_s), u"1"_s);
    EXPECT_EQ(doc.SystemValueText(u"Material"_s), u"Steel"_s);
    EXPECT_TRUE(doc.SystemValueText(u"Document Number"_s).isNull());
    struct Case {
        QString property, text, reason;
    };
    for (const Case& k : {Case{u"Title"_s, u"日本"_s, u"cannot be written in code page 1252"_s},
                          Case{u"Document Number"_s, u"D-1"_s, u"the document has no project information set"_s},
                          Case{u"Material"_s, u"Oak"_s, u"\"Material\" is read only"_s},
                          Case{u"Colour"_s, u"Red"_s, u"no such property"_s}}) {
        const QString message = ErrorOf([&] { doc.SetSystemValue(k.property, k.text); });
        EXPECT_TRUE(message.contains(u"\""_s + k.property + u"\""_s) && message.contains(path) && message.contains(k.reason))
            << message.toStdString();
    }
    doc.Save();
    doc.Close();
    EXPECT_EQ(testfiles::ReadBytes(path), QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
}
