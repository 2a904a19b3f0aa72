// The main window driven as a user would: files added through the open dialog, check boxes,
// header clicks, and the enabled state of every action after each change.
#include "app/ui/TfrmMain.h"
#include "common/Error.h"
#include "filelist/ui/FileDialogs.h"
#include "filelist/ui/FileListModel.h"
#include "settings/Settings.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetProgramFileNameForTesting(dir.filePath("KRDL"));
        window = std::make_unique<TfrmMain>();
    }
    void TearDown() override
    {
        SetFileDialogHookForTesting({});
        window.reset();
        SetProgramFileNameForTesting({});
    }

    // Adds files through "Add files" with the dialog answered by the given paths.
    void addByDialog(const QStringList& paths)
    {
        SetFileDialogHookForTesting([paths, this](const FileDialogRequest& r) {
            lastRequest = r;
            return paths;
        });
        window->actAddFiles->trigger();
        window->ActionManagerUpdate();
    }

    QStringList enabledActions() const
    {
        QStringList out;
        for (QAction* a : window->allActions())
            if (a->isEnabled())
                out << a->text();
        out.sort();
        return out;
    }

    QStringList column(int c) const
    {
        QStringList out;
        auto* m = window->lvFiles->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out << m->index(r, c).data().toString();
        return out;
    }

    void clickCheckBox(int row)
    {
        auto* m = window->lvFiles->model();
        const QModelIndex idx = m->index(row, 0);
        const bool on = idx.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        m->setData(idx, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    }

    QTemporaryDir dir;
    std::unique_ptr<TfrmMain> window;
    FileDialogRequest lastRequest;
};

QStringList sorted(QStringList l)
{
    l.sort();
    return l;
}

} // namespace

TEST_F(MainWindowTest, StartsWithPrintOutPageAndEmptyStatus)
{
    EXPECT_EQ(window->windowTitle(), "Velmar solid edge utils STANDARD [v2.204]");
    EXPECT_EQ(window->pcOperations->count(), 5);
    EXPECT_EQ(window->pcOperations->currentWidget(), window->tbshPrintOut);
    EXPECT_EQ(window->lblFileListStatus->text(), "No files in list");
    window->MainTimerTimer();
    EXPECT_EQ(window->lblFileListStatus->text(), "0 (0)");
    EXPECT_TRUE(window->lblDateTime->text().startsWith("Date: "));
    EXPECT_TRUE(window->lblDateTime->text().contains(", Time: "));
    EXPECT_TRUE(window->lblDateTime->text().endsWith(" "));
}

TEST_F(MainWindowTest, EmptyListEnablesOnlyAddListExitAndBrowse)
{
    window->ActionManagerUpdate();
    EXPECT_EQ(enabledActions(), sorted({"Add files", "Add Draft files", "Add Part files", "Add Assembly files",
                                        "Add Part Sheet Metal files", "Add Weldment files", "Add all files",
                                        "Save list", "Open list", "Append list", "Exit", "..."}));
}

TEST_F(MainWindowTest, EntriesWithoutChecksEnableListCommandsOnly)
{
    addByDialog({"/w/a.dft", "/w/b.par"});
    window->actSelectNoneFile->trigger();
    window->ActionManagerUpdate();
    for (QAction* a : {window->actRemoveAllFiles, window->actSelectAllFiles, window->actSelectNoneFile,
                       window->actInvertSelection, window->actPrintFilenames, window->actPrintFilenamesWithPath})
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
    for (QAction* a : {window->actRemoveSelectedFiles, window->actCropSelectedFiles, window->actCopyFiles,
                       window->actDocPropEdit, window->actPrintFiles, window->actRenameFiles, window->actUpdateDrafts,
                       window->actRenameFile, window->actShowDocumentProperties})
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
}

TEST_F(MainWindowTest, RenameFilesNeedsBothTextsAndAChecked)
{
    addByDialog({"/w/a.dft"});
    EXPECT_FALSE(window->actRenameFiles->isEnabled());
    window->edOldText->setText("a");
    window->ActionManagerUpdate();
    EXPECT_FALSE(window->actRenameFiles->isEnabled());
    window->edNewText->setText("b");
    window->ActionManagerUpdate();
    EXPECT_TRUE(window->actRenameFiles->isEnabled());
    window->edOldText->clear();
    // The idle pass picks up the change without a direct call.
    QTest::qWait(20);
    EXPECT_FALSE(window->actRenameFiles->isEnabled());
}

TEST_F(MainWindowTest, PrintFilesNeedsPrinterAndOrientation)
{
    addByDialog({"/w/a.dft"});
    EXPECT_FALSE(window->actPrintFiles->isEnabled());
    window->cbPrinters->addItem("Test printer");
    window->cbPrinters->setCurrentIndex(0);
    window->ActionManagerUpdate();
    EXPECT_FALSE(window->actPrintFiles->isEnabled());
    window->cbOrientation->setCurrentIndex(1);
    window->ActionManagerUpdate();
    EXPECT_TRUE(window->actPrintFiles->isEnabled());
    window->actSelectNoneFile->trigger();
    window->ActionManagerUpdate();
    EXPECT_FALSE(window->actPrintFiles->isEnabled());
}

TEST_F(MainWindowTest, HighlightedRowEnablesPerFileCommandsAndDependenciesStayDisabled)
{
    addByDialog({"/w/a.dft"});
    EXPECT_FALSE(window->actRenameFile->isEnabled());
    window->lvFiles->selectRow(0);
    window->ActionManagerUpdate();
    EXPECT_TRUE(window->actRenameFile->isEnabled());
    EXPECT_TRUE(window->actShowDocumentProperties->isEnabled());
    EXPECT_FALSE(window->actShowFileDependenies->isEnabled());
    EXPECT_TRUE(window->pmFileList->actions().contains(window->actShowFileDependenies));
}

TEST_F(MainWindowTest, AddFilesDialogAddsCheckedSortedEntriesAndStoresTheFolder)
{
    addByDialog({"/w/parts/b.par", "/w/parts/A.dft", "/w/parts/a.dft"});
    EXPECT_EQ(lastRequest.title, "Add files");
    EXPECT_TRUE(lastRequest.multiple);
    EXPECT_EQ(lastRequest.filters.size(), 6);
    EXPECT_EQ(column(0), QStringList({"A.dft", "a.dft", "b.par"}));
    EXPECT_EQ(column(1), QStringList({"/w/parts", "/w/parts", "/w/parts"}));
    EXPECT_EQ(window->CheckedCount(), 3);
    EXPECT_EQ(ReadInitialDir("AddFiles"), "/w/parts/");

    // The same file twice gives two entries, both collected.
    addByDialog({"/w/parts/b.par"});
    QStringList paths;
    window->CollectCheckedFiles(paths);
    EXPECT_EQ(paths.count("/w/parts/b.par"), 2);
}

TEST_F(MainWindowTest, CancelledDialogChangesNothingAndStoresNoFolder)
{
    addByDialog({});
    EXPECT_EQ(window->fileList()->list().count(), 0);
    EXPECT_EQ(ReadInitialDir("AddFiles"), "");
}

TEST_F(MainWindowTest, HeaderClickSortsByThatColumnForLaterAdditionsToo)
{
    addByDialog({"/z/a.dft", "/a/b.dft"});
    EXPECT_EQ(column(0), QStringList({"a.dft", "b.dft"}));
    QHeaderView* header = window->lvFiles->horizontalHeader();
    window->resize(800, 600);
    window->show();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(1) + 5, 5));
    EXPECT_EQ(column(1), QStringList({"/a", "/z"}));
    addByDialog({"/m/c.dft"});
    EXPECT_EQ(column(1), QStringList({"/a", "/m", "/z"}));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(0) + 5, 5));
    EXPECT_EQ(column(0), QStringList({"a.dft", "b.dft", "c.dft"}));
}

TEST_F(MainWindowTest, CheckBoxClickUpdatesStatusAtOnceAndChecksKeepOrder)
{
    addByDialog({"/w/c.dft", "/w/a.dft", "/w/b.dft"});
    window->MainTimerTimer();
    EXPECT_EQ(window->lblFileListStatus->text(), "3 (3)");
    clickCheckBox(1);
    EXPECT_EQ(window->lblFileListStatus->text(), "3 (2)");
    const QStringList order = column(0);
    window->actInvertSelection->trigger();
    window->actSelectAllFiles->trigger();
    window->actSelectNoneFile->trigger();
    EXPECT_EQ(column(0), order);
    EXPECT_EQ(window->CheckedCount(), 0);
}

TEST_F(MainWindowTest, RemoveCropAndRemoveAll)
{
    addByDialog({"/w/a.dft", "/w/b.dft", "/w/c.dft"});
    clickCheckBox(1); // b unchecked
    window->actCropSelectedFiles->trigger();
    EXPECT_EQ(column(0), QStringList({"a.dft", "c.dft"}));
    clickCheckBox(0); // a unchecked
    window->actRemoveSelectedFiles->trigger();
    EXPECT_EQ(column(0), QStringList({"a.dft"}));
    window->actRemoveAllFiles->trigger();
    EXPECT_EQ(window->fileList()->list().count(), 0);
    window->ActionManagerUpdate();
    EXPECT_FALSE(window->actRemoveAllFiles->isEnabled());
}

TEST_F(MainWindowTest, CollectFollowsTheDisplayOrder)
{
    addByDialog({"/b/x.dft", "/a/y.dft", "/c/w.dft"});
    window->lvFilesColumnClick(1);
    clickCheckBox(1);
    QStringList paths;
    window->CollectCheckedFiles(paths);
    EXPECT_EQ(paths, QStringList({"/a/y.dft", "/c/w.dft"}));
}

TEST_F(MainWindowTest, MenusHoldTheirItemsInOrder)
{
    const auto texts = [](QMenu* m) {
        QStringList out;
        for (QAction* a : m->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    };
    EXPECT_EQ(texts(window->pmAddFiles), QStringList({"Add files", "Add folder"}));
    EXPECT_EQ(texts(window->pmRemoveFiles), QStringList({"Remove selected ", "Crop selected", "-", "Remove all"}));
    EXPECT_EQ(texts(window->pmSelectedFiles), QStringList({"Select all", "Select none", "Invert selection"}));
    EXPECT_EQ(texts(window->pmList), QStringList({"Open list", "Save list", "Append list", "-", "Print filenames",
                                                  "Print filenames with path"}));
    EXPECT_EQ(texts(window->pmFileList),
              QStringList({"Add files", "Add folder", "-", "Select all", "Select none", "Invert selection", "-",
                           "Remove selected ", "Crop selected", "Remove all", "-", "Show file custom properties",
                           "Show file dependencies", "Rename file", "-", "List", "-", "Exit"}));
    QMenu* folder = window->pmAddFiles->actions().at(1)->menu();
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(texts(folder), QStringList({"Add Draft files", "Add Part files", "Add Assembly files",
                                          "Add Part Sheet Metal files", "Add Weldment files", "-", "Add all files"}));
    EXPECT_EQ(window->actRemoveSelectedFiles->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Delete));
    EXPECT_EQ(window->actSelectAllFiles->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
    EXPECT_EQ(window->actAddAllFiles->toolTip(), "Add all files from directory");
    EXPECT_EQ(window->actDocPropEdit->property("category").toString(), "DocumentProperties");
}

TEST_F(MainWindowTest, AnErrorInACommandIsReportedAndTheWindowGoesOn)
{
    const QString log = dir.filePath("boxes.log");
    qputenv("KRDL_MSGBOX_LOG", log.toUtf8());
    bool after = false;
    EXPECT_NO_THROW(window->runCommand([] { throw KrdlError("Unable to write to /x/KRDL.ini"); }));
    window->runCommand([&] { after = true; });
    qunsetenv("KRDL_MSGBOX_LOG");
    EXPECT_TRUE(after);
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString shown = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(shown.contains("text=Unable to write to /x/KRDL.ini\tbuttons=OK")) << shown.toStdString();
}
