// The copy and rename pages of the real main window: the stored folder, the browse button, the
// runs started from the actions, the file list after a rename, and the per-file commands.
#include "app/ui/TfrmMain.h"
#include "MainWindowChildren.h"
#include "batch/ui/TarFrmProgressDialog.h"
#include "batch/ui/TfrmRenameFile.h"
#include "properties/ui/TfrmDocCustomProperties.h"
#include "filelist/ui/FileListModel.h"
#include "platform/FileOps.h"
#include "settings/Settings.h"

#include "support/ConfigSandbox.h"
#include "support/FakeDesktop.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

using testfiles::ReadBytes;
using testfiles::WriteBytes;

namespace {

// Answers the rename dialog from inside its modal loop: New is typed, then Enter or Escape.
void answerRenameDialog(const QString& typed, bool accept, QString* shownOldName = nullptr)
{
    auto* poll = new QTimer;
    auto* started = new QElapsedTimer;
    started->start();
    QObject::connect(poll, &QTimer::timeout, [=] {
        auto* dlg = qobject_cast<TfrmRenameFile*>(QApplication::activeModalWidget());
        if (!dlg && started->elapsed() < 10000)
            return;
        poll->stop();
        poll->deleteLater();
        delete started;
        if (!dlg) {
            ADD_FAILURE() << "the rename dialog was not shown";
            return;
        }
        if (shownOldName)
            *shownOldName = Child<QLineEdit>(dlg, u"edOldName"_s)->text();
        QLineEdit* newName = Child<QLineEdit>(dlg, u"edNewName"_s);
        newName->setText(typed);
        QTest::keyClick(newName, accept ? Qt::Key_Return : Qt::Key_Escape);
    });
    poll->start(5);
}

QList<TarFrmProgressDialog*> logWindows()
{
    QList<TarFrmProgressDialog*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<TarFrmProgressDialog*>(w))
            found << d;
    return found;
}

void closeLogWindows()
{
    for (TarFrmProgressDialog* d : logWindows())
        d->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class MainBatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        if (qEnvironmentVariableIsEmpty("KRDL_MSGBOX_TIMEOUT"))
            qputenv("KRDL_MSGBOX_TIMEOUT", "0.05");
        qputenv("KRDL_MSGBOX_LOG", dir.filePath(u"boxes.log"_s).toUtf8());
        qputenv("KRDL_DATA_HOME", dir.filePath(u"data"_s).toUtf8()); // the undo journal of this test only
        window = std::make_unique<TfrmMain>(desktop);
        window->show();
    }
    void TearDown() override
    {
        closeLogWindows();
        window.reset();
        qunsetenv("KRDL_DATA_HOME");
        qunsetenv("KRDL_MSGBOX_LOG");
    }
    QString path(const QString& rel) const { return dir.filePath(rel); }
    QString file(const QString& rel, const QByteArray& data = "x")
    {
        WriteBytes(path(rel), data);
        return path(rel);
    }
    QStringList boxes() const
    {
        return QString::fromUtf8(ReadBytes(path(u"boxes.log"_s))).split(u'\n', Qt::SkipEmptyParts);
    }
    // "name|directory|checked" for every entry, in display order.
    QStringList entries() const
    {
        QStringList out;
        for (const FileEntry& e : window->FileList()->List().Entries())
            out << e.fileName + u'|' + e.directory + u'|' + (e.checked ? u'1' : u'0');
        return out;
    }

    testfiles::ConfigSandbox dir;
    testfiles::FakeDesktop desktop{dir.filePath(u"KRDL"_s)};
    std::unique_ptr<TfrmMain> window;
};

} // namespace

TEST_F(MainBatchTest, CopyPageShowsTheStoredFolderEachTimeItIsShown)
{
    WriteInitialDir(desktop.ProgramFileName(), u"AddDir"_s, u"/stored/folder/"_s);
    Child<QTabWidget>(window.get(), u"pcOperations"_s)->setCurrentWidget(Child<QWidget>(window.get(), u"tbshCopyFiles"_s));
    EXPECT_EQ(Child<QLineEdit>(window.get(), u"edCopyFilesDir"_s)->text(), u"/stored/folder/"_s);

    Child<QLineEdit>(window.get(), u"edCopyFilesDir"_s)->setText(u"/typed"_s);
    Child<QTabWidget>(window.get(), u"pcOperations"_s)->setCurrentWidget(Child<QWidget>(window.get(), u"tbshRenameFiles"_s));
    EXPECT_EQ(ReadInitialDir(desktop.ProgramFileName(), u"AddDir"_s), u"/stored/folder/"_s); // typing never stores
    Child<QTabWidget>(window.get(), u"pcOperations"_s)->setCurrentWidget(Child<QWidget>(window.get(), u"tbshCopyFiles"_s));
    EXPECT_EQ(Child<QLineEdit>(window.get(), u"edCopyFilesDir"_s)->text(), u"/stored/folder/"_s);
}

TEST_F(MainBatchTest, BrowseButtonStoresTheChosenFolderWithASeparator)
{
    ASSERT_TRUE(QDir().mkpath(path(u"start"_s)));
    ASSERT_TRUE(QDir().mkpath(path(u"chosen"_s)));
    WriteInitialDir(desktop.ProgramFileName(), u"AddDir"_s, path(u"start"_s));
    QString title, initial;
    desktop.AnswerFolderBrowser([&](const QString& t, QString& folder) {
        title = t;
        initial = folder;
        folder = QDir::toNativeSeparators(path(u"chosen"_s)); // as the folder browser gives it
        return true;
    });
    Action(window.get(), u"actCopyFilesBrowseForFolder"_s)->trigger();
    EXPECT_EQ(title, u"Browse directory"_s);
    EXPECT_EQ(initial, path(u"start"_s));
    const QString chosen = QDir::toNativeSeparators(path(u"chosen"_s)) + QDir::separator();
    EXPECT_EQ(Child<QLineEdit>(window.get(), u"edCopyFilesDir"_s)->text(), chosen);
    EXPECT_EQ(ReadInitialDir(desktop.ProgramFileName(), u"AddDir"_s), chosen);

    // Cancel changes nothing.
    Child<QLineEdit>(window.get(), u"edCopyFilesDir"_s)->setText(u"typed"_s);
    desktop.AnswerFolderBrowser([&](const QString&, QString& folder) {
        folder = path(u"start"_s);
        return false;
    });
    Action(window.get(), u"actCopyFilesBrowseForFolder"_s)->trigger();
    EXPECT_EQ(Child<QLineEdit>(window.get(), u"edCopyFilesDir"_s)->text(), u"typed"_s);
    EXPECT_EQ(ReadInitialDir(desktop.ProgramFileName(), u"AddDir"_s), chosen);
}

TEST_F(MainBatchTest, CopyFilesCopiesTheCheckedFilesAndLeavesTheListAlone)
{
    const QString a = file(u"src/a.dft"_s, "A"), b = file(u"src/b.dft"_s, "B");
    window->FileList()->AppendEntries({EntryByPathRule(a, true), EntryByPathRule(b, false)});
    const QStringList before = entries();
    Child<QLineEdit>(window.get(), u"edCopyFilesDir"_s)->setText(path(u"dest"_s));
    Child<QCheckBox>(window.get(), u"chkOverwrite"_s)->setChecked(false);
    window->ActionManagerUpdate();
    Action(window.get(), u"actCopyFiles"_s)->trigger();

    EXPECT_EQ(ReadBytes(path(u"dest/a.dft"_s)), "A");
    EXPECT_FALSE(QFileInfo::exists(path(u"dest/b.dft"_s)));
    EXPECT_EQ(entries(), before);
    const auto logs = logWindows();
    ASSERT_EQ(logs.size(), 1);
    EXPECT_TRUE(logs[0]->isVisible());
    EXPECT_TRUE(logs[0]->Finished());
    EXPECT_EQ(logs[0]->windowTitle(), u"Copy files"_s);
    EXPECT_EQ(logs[0]->Lines().value(2), u"1/1 "_s + a + u" copy to "_s + path(u"dest/a.dft"_s) + u"."_s);

    // An empty destination: the information box and no new log window.
    Child<QLineEdit>(window.get(), u"edCopyFilesDir"_s)->clear();
    Action(window.get(), u"actCopyFiles"_s)->trigger();
    EXPECT_EQ(logWindows().size(), 1);
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_TRUE(boxes()[0].startsWith(u"caption=Information\ttext=Destination directory is not set!\tbuttons=Ok\t"_s));
}

TEST_F(MainBatchTest, RenameFilesUpdatesTheList)
{
    const QString a1 = file(u"work/a1.dft"_s, "1"), a2 = file(u"work/a2.dft"_s, "2"), keep = file(u"work/keep_a.dft"_s);
    const QString taken = file(u"work/b3.dft"_s, "taken"), a3 = file(u"work/a3.dft"_s, "3");
    window->FileList()->AppendEntries({EntryByPathRule(a1, true), EntryByPathRule(keep, false),
                                       EntryByPathRule(path(u"work/gone.dft"_s), false), EntryByPathRule(a3, true),
                                       EntryByPathRule(a2, true), EntryByPathRule(taken, true)});
    Child<QLineEdit>(window.get(), u"edOldText"_s)->setText(u"a"_s);
    Child<QLineEdit>(window.get(), u"edNewText"_s)->setText(u"b"_s);
    Child<QCheckBox>(window.get(), u"chkCaseSensitive"_s)->setChecked(true);
    window->ActionManagerUpdate();
    ASSERT_TRUE(Action(window.get(), u"actRenameFiles"_s)->isEnabled());
    Action(window.get(), u"actRenameFiles"_s)->trigger();

    const QString work = path(u"work"_s);
    // a3 collides with b3 and stays; the gone entry and the renamed entries leave the list;
    // the new names are appended unchecked, in run order.
    EXPECT_EQ(entries(), QStringList({u"keep_a.dft|"_s + work + u"|0"_s, u"a3.dft|"_s + work + u"|1"_s, u"b3.dft|"_s + work + u"|1"_s,
                                      u"b1.dft|"_s + work + u"|0"_s, u"b2.dft|"_s + work + u"|0"_s}));
    EXPECT_EQ(ReadBytes(path(u"work/b3.dft"_s)), "taken");
    EXPECT_EQ(ReadBytes(path(u"work/a3.dft"_s)), "3");
    EXPECT_EQ(ReadBytes(path(u"work/b1.dft"_s)), "1");
    ASSERT_EQ(logWindows().size(), 1);
    EXPECT_EQ(logWindows()[0]->Lines().last(), u"End renameing files!"_s);

    // "Undo last rename" on the page: the files and their entries get their old names back, in
    // their places and with their check marks.
    auto* undoButton = Child<QPushButton>(Child<QWidget>(window.get(), u"tbshRenameFiles"_s), u"btnUndoRename"_s);
    EXPECT_EQ(undoButton->text(), u"Undo last rename"_s);
    undoButton->click();
    EXPECT_EQ(entries(), QStringList({u"keep_a.dft|"_s + work + u"|0"_s, u"a3.dft|"_s + work + u"|1"_s, u"b3.dft|"_s + work + u"|1"_s,
                                      u"a1.dft|"_s + work + u"|0"_s, u"a2.dft|"_s + work + u"|0"_s}));
    EXPECT_EQ(ReadBytes(a1), "1");
    EXPECT_EQ(ReadBytes(a2), "2");
    EXPECT_EQ(ReadBytes(taken), "taken");
    ASSERT_EQ(logWindows().size(), 2);
    EXPECT_TRUE(boxes().isEmpty());
}

TEST_F(MainBatchTest, RenameFileRenamesInPlaceOrShowsTheError)
{
    const QString a = file(u"work/a.dft"_s, "A");
    file(u"work/other.dft"_s, "O");
    window->FileList()->AppendEntries(
        {EntryByPathRule(path(u"work/first.dft"_s), false), EntryByPathRule(a, false), EntryByPathRule(path(u"work/z.dft"_s), true)});
    Child<QTableView>(window.get(), u"lvFiles"_s)->selectRow(1);
    ASSERT_EQ(window->HighlightedRow(), 1);
    window->ActionManagerUpdate();
    ASSERT_TRUE(Action(window.get(), u"actRenameFile"_s)->isEnabled());

    QString shown;
    answerRenameDialog(u"renamed.par"_s, true, &shown);
    Action(window.get(), u"actRenameFile"_s)->trigger();
    EXPECT_EQ(shown, u"a.dft"_s);
    EXPECT_EQ(ReadBytes(path(u"work/renamed.par"_s)), "A");
    EXPECT_FALSE(QFileInfo::exists(a));
    const QString work = path(u"work"_s);
    EXPECT_EQ(entries(), QStringList({u"first.dft|"_s + work + u"|0"_s, u"renamed.par|"_s + work + u"|0"_s, u"z.dft|"_s + work + u"|1"_s}));
    EXPECT_TRUE(boxes().isEmpty());

    // Cancel: nothing happens.
    answerRenameDialog(u"x.dft"_s, false);
    Action(window.get(), u"actRenameFile"_s)->trigger();
    EXPECT_TRUE(QFileInfo::exists(path(u"work/renamed.par"_s)));
    EXPECT_TRUE(boxes().isEmpty());

    // Refusals, each with its reason: an existing name, an empty name, a name that would move
    // the file, a name too long.
    const std::pair<QString, QString> refusals[] = {
        {u"other.dft"_s, path(u"work/other.dft"_s) + u" exists already."_s},
        {QString(), u"The new name is empty."_s},
        {u"../up.dft"_s, u"The new name \"../up.dft\" would move the file to another folder."_s},
        {QString(256, u'n'), u"The new name is longer than 255 "_s + QString::fromLatin1(platform::kNameLengthUnit) + u'.'},
    };
    for (const auto& [bad, reason] : refusals) {
        answerRenameDialog(bad, true);
        Action(window.get(), u"actRenameFile"_s)->trigger();
        const QStringList shown = boxes();
        EXPECT_TRUE(!shown.isEmpty() && shown.last().startsWith(u"caption=Error\ttext=File can't be renamed!\\n"_s + reason + u"\tbuttons=Ok\t"_s))
            << shown.join(u'\n').toStdString();
    }
    ASSERT_EQ(boxes().size(), 4);
    EXPECT_EQ(ReadBytes(path(u"work/renamed.par"_s)), "A");
    EXPECT_EQ(ReadBytes(path(u"work/other.dft"_s)), "O");
    EXPECT_FALSE(QFileInfo::exists(path(u"up.dft"_s)));
    EXPECT_EQ(entries().value(1), u"renamed.par|"_s + work + u"|0"_s);

    // The single rename is undone like a run; there is nothing before it.
    Action(window.get(), u"actUndoRename"_s)->trigger();
    EXPECT_EQ(ReadBytes(a), "A");
    EXPECT_EQ(entries().value(1), u"a.dft|"_s + work + u"|0"_s);
    Action(window.get(), u"actUndoRename"_s)->trigger();
    ASSERT_EQ(boxes().size(), 5);
    EXPECT_TRUE(boxes()[4].startsWith(u"caption=Undo last rename\ttext=There is no rename to undo.\tbuttons=Ok\t"_s))
        << boxes()[4].toStdString();
}

TEST_F(MainBatchTest, ShowFileCustomPropertiesOpensTheViewerOnTheHighlightedFile)
{
    const QByteArray document = ReadBytes(QStringLiteral(KRDL_SOURCE_DIR "/tests/data/compound/lo_custom.doc"));
    const QString part = file(u"work/flange.par"_s, document);
    window->FileList()->AppendEntries({EntryByPathRule(path(u"work/first.dft"_s), true), EntryByPathRule(part, false)});
    Child<QTableView>(window.get(), u"lvFiles"_s)->selectRow(1);
    window->ActionManagerUpdate();
    ASSERT_TRUE(Action(window.get(), u"actShowDocumentProperties"_s)->isEnabled());

    QString shownPath;
    QStringList labels;
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [&] {
        auto* dlg = qobject_cast<TfrmDocCustomProperties*>(QApplication::activeModalWidget());
        if (!dlg || !dlg->isVisible())
            return;
        shownPath = Child<QLineEdit>(dlg, u"edFileName"_s)->text();
        const QTreeWidget* list = Child<QTreeWidget>(dlg, u"lvProperties"_s);
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            labels << list->topLevelItem(i)->text(0);
        dlg->close();
    });
    poll->start(5);
    Action(window.get(), u"actShowDocumentProperties"_s)->trigger();
    delete poll;
    EXPECT_EQ(shownPath, part);
    // The custom properties, then the document's own ones that the fixture (LibreOffice) has.
    EXPECT_EQ(labels, (QStringList{u"Checked (Yes/No)"_s, u"Count (Float)"_s, u"Mass (Float)"_s, u"Material (Text)"_s,
                                   u"Opomba (Text)"_s, u"Released (Date)"_s, u"System.Title (Text)"_s,
                                   u"System.Revision number (Text)"_s, u"System.Created (Date)"_s,
                                   u"System.Last saved (Date)"_s, u"System.Last printed (Date)"_s}));
    EXPECT_EQ(ReadBytes(part), document);
    EXPECT_TRUE(boxes().isEmpty());
}
