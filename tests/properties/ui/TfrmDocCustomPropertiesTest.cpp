// "File custom properties" against real documents: every value type, a deleted, a read-only, a
// write-locked and a damaged file. Nothing is ever written.

#include "properties/DocumentFiles.h"

#include "compound/CfbBuilder.h"
#include "properties/OleDocumentProperties.h"
#include "properties/ui/TfrmDocCustomProperties.h"
#include "support/Child.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace Qt::StringLiterals;

namespace {

const QDateTime kReleased(QDate(2024, 5, 17), QTime(8, 30), Qt::UTC);

// A document with one custom property of each type the viewer names, and one it cannot name.
QByteArray AllTypesDocument()
{
    using namespace cfbtest;
    const std::uint64_t filetime = static_cast<std::uint64_t>(kReleased.toMSecsSinceEpoch() + 11644473600000LL) * 10000;
    const Bytes dsi = PropertyStream(
        {{kDocSummaryFmtid, Section({{1, I2(1252)}})},
         {kUserFmtid, Section({{1, I2(1252)},
                               {0, Dictionary({{2, u"Material"}, {3, u"Count"}, {4, u"Mass"}, {5, u"Checked"},
                                               {6, u"Released"}, {7, u"Blob"}, {8, u"Draft"}},
                                              false)},
                               {2, Lpstr("S235 \xE8")}, // è in code page 1252
                               {3, I4(-42)},
                               {4, R8(12.5)},
                               {5, Bool(true)},
                               {6, Filetime(filetime)},
                               {7, Blob({1, 2})},
                               {8, Bool(false)}})}});
    const Bytes bytes = BuildCompound({{kDsiName, dsi}, {u"Body", Bytes(5000, 7)}});
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

QStringList Rows(const TfrmDocCustomProperties& dlg)
{
    QStringList rows;
    const QTreeWidget* list = Child<QTreeWidget>(&dlg, u"lvProperties"_s);
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        rows << list->topLevelItem(i)->text(0) + u" = "_s + list->topLevelItem(i)->text(1);
    return rows;
}

class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        qputenv("KRDL_MSGBOX_TIMEOUT", "0.05");
        qputenv("KRDL_MSGBOX_LOG", dir.filePath(u"boxes.log"_s).toUtf8());
        // Three hours east of UTC, so that a date shown in UTC is caught.
        savedTz = qgetenv("TZ");
        qputenv("TZ", "XYZ-3");
    }
    void TearDown() override
    {
        if (savedTz.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", savedTz);
        qputenv("KRDL_MSGBOX_TIMEOUT", "1");
        qunsetenv("KRDL_MSGBOX_LOG");
    }
    QStringList Boxes() const
    {
        return QString::fromUtf8(testfiles::ReadBytes(dir.filePath(u"boxes.log"_s))).split(u'\n', Qt::SkipEmptyParts);
    }
    QString Document(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        testfiles::WriteBytes(path, bytes);
        return path;
    }
    QTemporaryDir dir;
    QByteArray savedTz;
};

const QStringList kAllRows{u"Material (Text) = S235 è"_s,
                           u"Count (Integer) = -42"_s,
                           u"Mass (Float) = 12.5"_s,
                           u"Checked (Yes/No) = True"_s,
                           u"Released (Date) = 2024-05-17 11:30:00"_s,
                           u"Blob (0) = "_s,
                           u"Draft (Yes/No) = False"_s};

} // namespace

TEST_F(ViewerTest, Layout)
{
    TfrmDocCustomProperties dlg;
    EXPECT_EQ(dlg.windowTitle(), u"File custom properties"_s);
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());
    for (const char* name : {"gbDocCustomProperties", "lblFileName", "edFileName", "lvProperties", "btnClose"})
        EXPECT_NE(dlg.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    const QTreeWidget* list = Child<QTreeWidget>(&dlg, u"lvProperties"_s);
    EXPECT_EQ(list->parentWidget(), Child<QGroupBox>(&dlg, u"gbDocCustomProperties"_s));
    EXPECT_TRUE(Child<QLineEdit>(&dlg, u"edFileName"_s)->isReadOnly());
    EXPECT_EQ(list->headerItem()->text(0), u"Name"_s);
    EXPECT_EQ(list->headerItem()->text(1), u"Value"_s);
    EXPECT_EQ(list->columnWidth(0), 190);
    EXPECT_EQ(list->columnWidth(1), 183);
    EXPECT_EQ(list->toolTip(), u"Document custom properties"_s);
    EXPECT_FALSE(list->isSortingEnabled());
}

TEST_F(ViewerTest, ShowsEveryTypeInTheDocumentsOrderWithoutWriting)
{
    const QString writable = Document(u"all.par"_s, AllTypesDocument());
    const QString readOnly = Document(u"readonly.dft"_s, AllTypesDocument());
    QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    const QString locked = Document(u"locked.asm"_s, AllTypesDocument());
    TOleDocumentProperties writer; // another user holds it open for writing
    writer.Open(locked);
    const QString empty = Document(u"empty.psm"_s, testfiles::ReadBytes(docfiles::Fixture("gsf_none.ole")));

    for (const QString& path : {writable, readOnly, locked, empty}) {
        const docfiles::Snapshot before = docfiles::Take(path);
        TfrmDocCustomProperties dlg;
        dlg.ReadDocument(path);
        EXPECT_EQ(Child<QLineEdit>(&dlg, u"edFileName"_s)->text(), path);
        EXPECT_EQ(Rows(dlg), path == empty ? QStringList() : kAllRows) << path.toStdString();
        EXPECT_TRUE(docfiles::Take(path) == before) << path.toStdString();
    }
    EXPECT_EQ(Boxes(), QStringList());
}

TEST_F(ViewerTest, MissingAndDamagedFilesGiveTheirMessage)
{
    QByteArray damaged = AllTypesDocument();
    damaged[44] = '\x7F'; // an impossible number of table sectors
    damaged[47] = '\x7F';
    QString fifo; // opening it would wait for a writer
#ifndef _WIN32
    fifo = dir.filePath(u"pipe.dft"_s);
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
#endif
    const struct {
        QString path;
        QString shownPath;
        QString box;
    } cases[] = {
#ifndef _WIN32
        {fifo, fifo, u"caption=Error\ttext=Error when trying read document custom properties!\tbuttons=Ok"_s},
#endif
        {dir.filePath(u"deleted.dft"_s), QString(), u"caption=Information\ttext=File doesn't exists!\tbuttons=Ok"_s},
        {Document(u"damaged.par"_s, damaged), dir.filePath(u"damaged.par"_s),
         u"caption=Error\ttext=Error when trying read document custom properties!\tbuttons=Ok"_s},
        {Document(u"notes.par"_s, QByteArray(3000, 'x')), dir.filePath(u"notes.par"_s),
         u"caption=Error\ttext=Error when trying read document custom properties!\tbuttons=Ok"_s},
    };
    for (const auto& c : cases) {
        QFile::remove(dir.filePath(u"boxes.log"_s));
        const QByteArray before = c.path == fifo ? QByteArray() : testfiles::ReadBytes(c.path);
        TfrmDocCustomProperties dlg;
        dlg.ReadDocument(c.path);
        EXPECT_EQ(Child<QLineEdit>(&dlg, u"edFileName"_s)->text(), c.shownPath);
        EXPECT_EQ(Child<QTreeWidget>(&dlg, u"lvProperties"_s)->topLevelItemCount(), 0);
        ASSERT_EQ(Boxes().size(), 1) << c.path.toStdString();
        EXPECT_TRUE(Boxes().at(0).startsWith(c.box)) << Boxes().at(0).toStdString();
        if (c.path != fifo) {
            EXPECT_EQ(testfiles::ReadBytes(c.path), before);
        }
    }
}

TEST_F(ViewerTest, CommandShowsTheDialogInEveryCase)
{
    const QString path = Document(u"all.par"_s, AllTypesDocument());
    for (const QString& target : {path, dir.filePath(u"gone.par"_s)}) {
        QStringList shown;
        bool seen = false;
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, [&] {
            auto* dlg = qobject_cast<TfrmDocCustomProperties*>(QApplication::activeModalWidget());
            if (!dlg || !dlg->isVisible())
                return;
            seen = true;
            shown = Rows(*dlg);
            Child<QPushButton>(dlg, u"btnClose"_s)->click();
        });
        poll->start(5);
        TfrmDocCustomProperties::ShowFor(target, nullptr);
        delete poll;
        EXPECT_TRUE(seen) << target.toStdString();
        EXPECT_EQ(shown, target == path ? kAllRows : QStringList());
    }
}

TEST_F(ViewerTest, TheDocumentsOwnPropertiesFollowMarked)
{
    const cfbtest::Bytes bytes = cfbtest::SolidEdgeDocument();
    const QString path = Document(u"part.par"_s, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
    TfrmDocCustomProperties dlg;
    dlg.ReadDocument(path);
    EXPECT_EQ(Rows(dlg), (QStringList{u"Mass (Text) = 12 kg"_s, u"System.Title (Text) = Bracket"_s, u"System.Author (Text) = Ana"_s,
                                      u"System.Template (Text) = Normal.par"_s, u"System.Last saved by (Text) = Bojan"_s,
                                      u"System.Revision number (Text) = 7"_s, u"System.Created (Date) = 2020-01-01 03:00:00"_s,
                                      u"System.Last saved (Date) = 2020-01-12 16:46:40"_s,
                                      u"System.Application name (Text) = Solid Edge"_s, u"System.Company (Text) = Krdl d.o.o."_s,
                                      u"System.Document Number (Text) = D-100"_s, u"System.Revision (Text) = A"_s,
                                      u"System.Project Name (Text) = Crane"_s, u"System.Status (Integer) = 1"_s,
                                      u"System.Material (Text) = Steel"_s}));
    const QTreeWidget* list = Child<QTreeWidget>(&dlg, u"lvProperties"_s);
    EXPECT_FALSE(list->topLevelItem(0)->font(0).italic());
    EXPECT_TRUE(list->topLevelItem(1)->font(0).italic());
    EXPECT_EQ(list->topLevelItem(1)->toolTip(0), u"The document's own property, from its summary information set"_s);
    EXPECT_EQ(list->topLevelItem(14)->toolTip(0), u"The document's own property, from its material set (read only)"_s);
    EXPECT_EQ(Boxes(), QStringList());
}
