// The copy and rename pages of the real main window: the stored folder, the browse button, the
// runs started from the actions, and the file list after a rename.
#include "app/ui/TfrmMain.h"
#include "batch/ui/TarFrmProgressDialog.h"
#include "batch/ui/TfrmRenameFile.h"
#include "filelist/ui/FileListModel.h"
#include "settings/Settings.h"
#include "settings/ui/BrowseDirectory.h"

#include "support/TestFiles.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

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
            *shownOldName = dlg->edOldName->text();
        dlg->edNewName->setText(typed);
        QTest::keyClick(dlg->edNewName, accept ? Qt::Key_Return : Qt::Key_Escape);
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
        qputenv("KRDL_MSGBOX_LOG", dir.filePath("boxes.log").toUtf8());
        qputenv("KRDL_CONFIG_HOME", dir.filePath("config").toUtf8());
        SetProgramFileNameForTesting(dir.filePath("KRDL"));
        window = std::make_unique<TfrmMain>();
        window->show();
    }
    void TearDown() override
    {
        closeLogWindows();
        window.reset();
        SetBrowseDirectoryHookForTesting({});
        SetProgramFileNameForTesting({});
        qunsetenv("KRDL_CONFIG_HOME");
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
        return QString::fromUtf8(ReadBytes(path("boxes.log"))).split(u'\n', Qt::SkipEmptyParts);
    }
    // "name|directory|checked" for every entry, in display order.
    QStringList entries() const
    {
        QStringList out;
        for (const FileEntry& e : window->fileList()->list().entries())
            out << e.fileName + u'|' + e.directory + u'|' + (e.checked ? u'1' : u'0');
        return out;
    }

    QTemporaryDir dir;
    std::unique_ptr<TfrmMain> window;
};

} // namespace

TEST_F(MainBatchTest, CopyPageShowsTheStoredFolderEachTimeItIsShown)
{
    WriteInitialDir("AddDir", "/stored/folder/");
    window->pcOperations->setCurrentWidget(window->tbshCopyFiles);
    EXPECT_EQ(window->edCopyFilesDir->text(), "/stored/folder/");

    window->edCopyFilesDir->setText("/typed");
    window->pcOperations->setCurrentWidget(window->tbshRenameFiles);
    EXPECT_EQ(ReadInitialDir("AddDir"), "/stored/folder/"); // typing never stores
    window->pcOperations->setCurrentWidget(window->tbshCopyFiles);
    EXPECT_EQ(window->edCopyFilesDir->text(), "/stored/folder/");
}

TEST_F(MainBatchTest, BrowseButtonStoresTheChosenFolderWithASeparator)
{
    ASSERT_TRUE(QDir().mkpath(path("start")));
    ASSERT_TRUE(QDir().mkpath(path("chosen")));
    WriteInitialDir("AddDir", path("start"));
    QString title, initial;
    SetBrowseDirectoryHookForTesting([&](const QString& t, QString& folder) {
        title = t;
        initial = folder;
        folder = path("chosen");
        return true;
    });
    window->actCopyFilesBrowseForFolder->trigger();
    EXPECT_EQ(title, "Browse directory");
    EXPECT_EQ(initial, path("start"));
    EXPECT_EQ(window->edCopyFilesDir->text(), path("chosen") + "/");
    EXPECT_EQ(ReadInitialDir("AddDir"), path("chosen") + "/");

    // Cancel changes nothing.
    window->edCopyFilesDir->setText("typed");
    SetBrowseDirectoryHookForTesting([&](const QString&, QString& folder) {
        folder = path("start");
        return false;
    });
    window->actCopyFilesBrowseForFolder->trigger();
    EXPECT_EQ(window->edCopyFilesDir->text(), "typed");
    EXPECT_EQ(ReadInitialDir("AddDir"), path("chosen") + "/");
}

TEST_F(MainBatchTest, CopyFilesCopiesTheCheckedFilesAndLeavesTheListAlone)
{
    const QString a = file("src/a.dft", "A"), b = file("src/b.dft", "B");
    window->fileList()->appendEntries({EntryByPathRule(a, true), EntryByPathRule(b, false)});
    const QStringList before = entries();
    window->edCopyFilesDir->setText(path("dest"));
    window->chkOverwrite->setChecked(false);
    window->ActionManagerUpdate();
    window->actCopyFiles->trigger();

    EXPECT_EQ(ReadBytes(path("dest/a.dft")), "A");
    EXPECT_FALSE(QFileInfo::exists(path("dest/b.dft")));
    EXPECT_EQ(entries(), before);
    const auto logs = logWindows();
    ASSERT_EQ(logs.size(), 1);
    EXPECT_TRUE(logs[0]->isVisible());
    EXPECT_TRUE(logs[0]->Finished());
    EXPECT_EQ(logs[0]->windowTitle(), "Copy files");
    EXPECT_EQ(logs[0]->Lines().value(2), "1/1 " + a + " copy to " + path("dest/a.dft") + ".");

    // An empty destination: the information box and no new log window.
    window->edCopyFilesDir->clear();
    window->actCopyFiles->trigger();
    EXPECT_EQ(logWindows().size(), 1);
    ASSERT_EQ(boxes().size(), 1);
    EXPECT_TRUE(boxes()[0].startsWith("caption=Information\ttext=Destination directory is not set!\tbuttons=Ok\t"));
}

TEST_F(MainBatchTest, RenameFilesUpdatesTheList)
{
    const QString a1 = file("work/a1.dft", "1"), a2 = file("work/a2.dft", "2"), keep = file("work/keep_a.dft");
    const QString taken = file("work/b3.dft", "taken"), a3 = file("work/a3.dft", "3");
    window->fileList()->appendEntries({EntryByPathRule(a1, true), EntryByPathRule(keep, false),
                                       EntryByPathRule(path("work/gone.dft"), false), EntryByPathRule(a3, true),
                                       EntryByPathRule(a2, true), EntryByPathRule(taken, true)});
    window->edOldText->setText("a");
    window->edNewText->setText("b");
    window->chkCaseSensitive->setChecked(true);
    window->ActionManagerUpdate();
    ASSERT_TRUE(window->actRenameFiles->isEnabled());
    window->actRenameFiles->trigger();

    const QString work = path("work");
    // a3 collides with b3 and stays; the gone entry and the renamed entries leave the list;
    // the new names are appended unchecked, in run order.
    EXPECT_EQ(entries(), QStringList({"keep_a.dft|" + work + "|0", "a3.dft|" + work + "|1", "b3.dft|" + work + "|1",
                                      "b1.dft|" + work + "|0", "b2.dft|" + work + "|0"}));
    EXPECT_EQ(ReadBytes(path("work/b3.dft")), "taken");
    EXPECT_EQ(ReadBytes(path("work/a3.dft")), "3");
    EXPECT_EQ(ReadBytes(path("work/b1.dft")), "1");
    ASSERT_EQ(logWindows().size(), 1);
    EXPECT_EQ(logWindows()[0]->Lines().last(), "End renameing files!");
}

TEST_F(MainBatchTest, RenameFileRenamesInPlaceOrShowsTheError)
{
    const QString a = file("work/a.dft", "A");
    file("work/other.dft", "O");
    window->fileList()->appendEntries(
        {EntryByPathRule(path("work/first.dft"), false), EntryByPathRule(a, false), EntryByPathRule(path("work/z.dft"), true)});
    window->lvFiles->selectRow(1);
    ASSERT_EQ(window->highlightedRow(), 1);
    window->ActionManagerUpdate();
    ASSERT_TRUE(window->actRenameFile->isEnabled());

    QString shown;
    answerRenameDialog("renamed.par", true, &shown);
    window->actRenameFile->trigger();
    EXPECT_EQ(shown, "a.dft");
    EXPECT_EQ(ReadBytes(path("work/renamed.par")), "A");
    EXPECT_FALSE(QFileInfo::exists(a));
    const QString work = path("work");
    EXPECT_EQ(entries(), QStringList({"first.dft|" + work + "|0", "renamed.par|" + work + "|0", "z.dft|" + work + "|1"}));
    EXPECT_TRUE(boxes().isEmpty());

    // Cancel: nothing happens.
    answerRenameDialog("x.dft", false);
    window->actRenameFile->trigger();
    EXPECT_TRUE(QFileInfo::exists(path("work/renamed.par")));
    EXPECT_TRUE(boxes().isEmpty());

    // Refusals: an existing name, an empty name, a name that would move the file.
    for (const QString& bad : {QString("other.dft"), QString(), QString("../up.dft")}) {
        answerRenameDialog(bad, true);
        window->actRenameFile->trigger();
    }
    const QStringList lines = boxes();
    ASSERT_EQ(lines.size(), 3);
    for (const QString& line : lines)
        EXPECT_TRUE(line.startsWith("caption=Error\ttext=File can't be renamed!\tbuttons=Ok\t")) << line.toStdString();
    EXPECT_EQ(ReadBytes(path("work/renamed.par")), "A");
    EXPECT_EQ(ReadBytes(path("work/other.dft")), "O");
    EXPECT_FALSE(QFileInfo::exists(path("up.dft")));
    EXPECT_EQ(entries().value(1), "renamed.par|" + work + "|0");
}
