// The main window driven as a user would: files added through the open dialog, check boxes,
// header clicks, and the enabled state of every action after each change.
#include "app/ui/TfrmMain.h"
#include "MainWindowChildren.h"
#include "common/Error.h"
#include "filelist/ui/FileListModel.h"
#include "settings/Settings.h"
#include "support/FakeDesktop.h"
#include "support/TestFiles.h"

#include <QDir>
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

#include <functional>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<TfrmMain>(desktop);
    }

    // Adds files through "Add files" with the dialog answered by the given paths.
    void addByDialog(const QStringList& paths)
    {
        desktop.AnswerFileDialogs([paths, this](const FileDialogRequest& r) {
            lastRequest = r;
            return paths;
        });
        act(u"actAddFiles"_s)->trigger();
        window->ActionManagerUpdate();
    }

    QAction* act(const QString& name) const { return Action(window.get(), name); }
    template <class T = QWidget> T* child(const QString& name) const { return Child<T>(window.get(), name); }

    QStringList enabledActions() const
    {
        QStringList out;
        for (QAction* a : window->AllActions())
            if (a->isEnabled())
                out << a->text();
        out.sort();
        return out;
    }

    // With slashes: a folder such as "/w/parts" shows as "\w\parts" on Windows.
    QStringList column(int c) const
    {
        QStringList out;
        auto* m = child<QTableView>(u"lvFiles"_s)->model();
        for (int r = 0; r < m->rowCount(); ++r)
            out << QDir::fromNativeSeparators(m->index(r, c).data().toString());
        return out;
    }

    void clickCheckBox(int row)
    {
        auto* m = child<QTableView>(u"lvFiles"_s)->model();
        const QModelIndex idx = m->index(row, 0);
        const bool on = idx.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        m->setData(idx, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
    }

    QTemporaryDir dir;
    testfiles::FakeDesktop desktop{dir.filePath(u"KRDL"_s)};
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
    EXPECT_EQ(window->windowTitle(), u"Velmar solid edge utils STANDARD [v2.204]"_s);
    EXPECT_EQ(child<QTabWidget>(u"pcOperations"_s)->count(), 5);
    EXPECT_EQ(child<QTabWidget>(u"pcOperations"_s)->currentWidget(), child<QWidget>(u"tbshPrintOut"_s));
    EXPECT_EQ(child<QLabel>(u"lblFileListStatus"_s)->text(), u"No files in list"_s);
    window->MainTimerTimer();
    EXPECT_EQ(child<QLabel>(u"lblFileListStatus"_s)->text(), u"0 (0)"_s);
    EXPECT_TRUE(child<QLabel>(u"lblDateTime"_s)->text().startsWith(u"Date: "_s));
    EXPECT_TRUE(child<QLabel>(u"lblDateTime"_s)->text().contains(u", Time: "_s));
    EXPECT_TRUE(child<QLabel>(u"lblDateTime"_s)->text().endsWith(u" "_s));
}

TEST_F(MainWindowTest, EmptyListEnablesOnlyAddListExitAndBrowse)
{
    window->ActionManagerUpdate();
    EXPECT_EQ(enabledActions(), sorted({u"Add files"_s, u"Add Draft files"_s, u"Add Part files"_s, u"Add Assembly files"_s,
                                        u"Add Part Sheet Metal files"_s, u"Add Weldment files"_s, u"Add all files"_s,
                                        u"Save list"_s, u"Open list"_s, u"Append list"_s, u"Exit"_s, u"..."_s}));
}

TEST_F(MainWindowTest, EntriesWithoutChecksEnableListCommandsOnly)
{
    addByDialog({u"/w/a.dft"_s, u"/w/b.par"_s});
    act(u"actSelectNoneFile"_s)->trigger();
    window->ActionManagerUpdate();
    for (const char* name : {"actRemoveAllFiles", "actSelectAllFiles", "actSelectNoneFile", "actInvertSelection",
                             "actPrintFilenames", "actPrintFilenamesWithPath"})
        EXPECT_TRUE(act(QLatin1String(name))->isEnabled()) << name;
    for (const char* name : {"actRemoveSelectedFiles", "actCropSelectedFiles", "actCopyFiles", "actDocPropEdit",
                             "actPrintFiles", "actRenameFiles", "actUpdateDrafts", "actRenameFile",
                             "actShowDocumentProperties"})
        EXPECT_FALSE(act(QLatin1String(name))->isEnabled()) << name;
}

TEST_F(MainWindowTest, RenameFilesNeedsBothTextsAndAChecked)
{
    addByDialog({u"/w/a.dft"_s});
    EXPECT_FALSE(act(u"actRenameFiles"_s)->isEnabled());
    child<QLineEdit>(u"edOldText"_s)->setText(u"a"_s);
    window->ActionManagerUpdate();
    EXPECT_FALSE(act(u"actRenameFiles"_s)->isEnabled());
    child<QLineEdit>(u"edNewText"_s)->setText(u"b"_s);
    window->ActionManagerUpdate();
    EXPECT_TRUE(act(u"actRenameFiles"_s)->isEnabled());
    child<QLineEdit>(u"edOldText"_s)->clear();
    // The idle pass picks up the change without a direct call.
    QTest::qWait(20);
    EXPECT_FALSE(act(u"actRenameFiles"_s)->isEnabled());
}

TEST_F(MainWindowTest, PrintFilesNeedsPrinterAndOrientation)
{
    addByDialog({u"/w/a.dft"_s});
    EXPECT_FALSE(act(u"actPrintFiles"_s)->isEnabled());
    child<QComboBox>(u"cbPrinters"_s)->addItem(u"Test printer"_s);
    child<QComboBox>(u"cbPrinters"_s)->setCurrentIndex(0);
    window->ActionManagerUpdate();
    EXPECT_FALSE(act(u"actPrintFiles"_s)->isEnabled());
    child<QComboBox>(u"cbOrientation"_s)->setCurrentIndex(1);
    window->ActionManagerUpdate();
    EXPECT_TRUE(act(u"actPrintFiles"_s)->isEnabled());
    act(u"actSelectNoneFile"_s)->trigger();
    window->ActionManagerUpdate();
    EXPECT_FALSE(act(u"actPrintFiles"_s)->isEnabled());
}

TEST_F(MainWindowTest, HighlightedRowEnablesPerFileCommandsAndDependenciesStayDisabled)
{
    addByDialog({u"/w/a.dft"_s});
    EXPECT_FALSE(act(u"actRenameFile"_s)->isEnabled());
    child<QTableView>(u"lvFiles"_s)->selectRow(0);
    window->ActionManagerUpdate();
    EXPECT_TRUE(act(u"actRenameFile"_s)->isEnabled());
    EXPECT_TRUE(act(u"actShowDocumentProperties"_s)->isEnabled());
    EXPECT_FALSE(act(u"actShowFileDependenies"_s)->isEnabled());
    EXPECT_TRUE(child<QMenu>(u"pmFileList"_s)->actions().contains(act(u"actShowFileDependenies"_s)));
}

TEST_F(MainWindowTest, AddFilesDialogAddsCheckedSortedEntriesAndStoresTheFolder)
{
    addByDialog({u"/w/parts/b.par"_s, u"/w/parts/A.dft"_s, u"/w/parts/a.dft"_s});
    EXPECT_EQ(lastRequest.title, u"Add files"_s);
    EXPECT_TRUE(lastRequest.multiple);
    EXPECT_EQ(lastRequest.filters.size(), 6);
    EXPECT_EQ(column(0), QStringList({u"A.dft"_s, u"a.dft"_s, u"b.par"_s}));
    EXPECT_EQ(column(1), QStringList({u"/w/parts"_s, u"/w/parts"_s, u"/w/parts"_s}));
    EXPECT_EQ(window->CheckedCount(), 3);
#ifdef _WIN32
    // Absolute in the system's form: "/w" is on the current drive.
    EXPECT_EQ(ReadInitialDir(desktop.ProgramFileName(), u"AddFiles"_s).mid(1), u":\\w\\parts\\"_s);
#else
    EXPECT_EQ(ReadInitialDir(desktop.ProgramFileName(), u"AddFiles"_s), u"/w/parts/"_s);
#endif

    // The same file twice gives two entries, both collected.
    addByDialog({u"/w/parts/b.par"_s});
    QStringList paths;
    window->CollectCheckedFiles(paths);
    EXPECT_EQ(paths.count(QDir::toNativeSeparators(u"/w/parts/b.par"_s)), 2);
}

TEST_F(MainWindowTest, CancelledDialogChangesNothingAndStoresNoFolder)
{
    addByDialog({});
    EXPECT_EQ(window->FileList()->List().Count(), 0);
    EXPECT_EQ(ReadInitialDir(desktop.ProgramFileName(), u"AddFiles"_s), u""_s);
}

TEST_F(MainWindowTest, HeaderClickSortsByThatColumnForLaterAdditionsToo)
{
    addByDialog({u"/z/a.dft"_s, u"/a/b.dft"_s});
    EXPECT_EQ(column(0), QStringList({u"a.dft"_s, u"b.dft"_s}));
    QHeaderView* header = child<QTableView>(u"lvFiles"_s)->horizontalHeader();
    window->resize(800, 600);
    window->show();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(1) + 5, 5));
    EXPECT_EQ(column(1), QStringList({u"/a"_s, u"/z"_s}));
    addByDialog({u"/m/c.dft"_s});
    EXPECT_EQ(column(1), QStringList({u"/a"_s, u"/m"_s, u"/z"_s}));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(0) + 5, 5));
    EXPECT_EQ(column(0), QStringList({u"a.dft"_s, u"b.dft"_s, u"c.dft"_s}));
}

TEST_F(MainWindowTest, HighlightStaysOnTheSameFileThroughEverySort)
{
    addByDialog({u"/x/m.dft"_s, u"/a/z.dft"_s});
    child<QTableView>(u"lvFiles"_s)->selectRow(0); // m.dft
    const QString list = dir.filePath(u"more.txt"_s);
    // As the system writes them, like the entries added through the dialog.
    testfiles::WriteBytes(list, QDir::toNativeSeparators(u"1;/y/b.dft\r\n1;/b/q.dft\r\n"_s).toUtf8());

    // Each sort moves m.dft to another row: 1, then 2, then 3.
    const std::pair<const char*, std::function<void()>> sorts[] = {
        {"adding files", [&] { addByDialog({u"/c/a.dft"_s}); }},
        {"clicking the Dir header", [&] { ListSide(window.get())->lvFilesColumnClick(1); }},
        {"appending a list", [&] {
             desktop.AnswerFileDialogs([list](const FileDialogRequest&) { return QStringList{list}; });
             act(u"actAppendList"_s)->trigger();
         }},
    };
    int expectedRow = 0;
    for (const auto& [what, sort] : sorts) {
        sort();
        ++expectedRow;
        EXPECT_EQ(window->HighlightedRow(), expectedRow) << what;
        EXPECT_EQ(column(0).value(window->HighlightedRow()).toStdString(), "m.dft") << what;
    }
}

TEST_F(MainWindowTest, CheckBoxClickUpdatesStatusAtOnceAndChecksKeepOrder)
{
    addByDialog({u"/w/c.dft"_s, u"/w/a.dft"_s, u"/w/b.dft"_s});
    window->MainTimerTimer();
    EXPECT_EQ(child<QLabel>(u"lblFileListStatus"_s)->text(), u"3 (3)"_s);
    clickCheckBox(1);
    EXPECT_EQ(child<QLabel>(u"lblFileListStatus"_s)->text(), u"3 (2)"_s);
    const QStringList order = column(0);
    act(u"actInvertSelection"_s)->trigger();
    act(u"actSelectAllFiles"_s)->trigger();
    act(u"actSelectNoneFile"_s)->trigger();
    EXPECT_EQ(column(0), order);
    EXPECT_EQ(window->CheckedCount(), 0);
}

TEST_F(MainWindowTest, RemoveCropAndRemoveAll)
{
    addByDialog({u"/w/a.dft"_s, u"/w/b.dft"_s, u"/w/c.dft"_s});
    clickCheckBox(1); // b unchecked
    act(u"actCropSelectedFiles"_s)->trigger();
    EXPECT_EQ(column(0), QStringList({u"a.dft"_s, u"c.dft"_s}));
    clickCheckBox(0); // a unchecked
    act(u"actRemoveSelectedFiles"_s)->trigger();
    EXPECT_EQ(column(0), QStringList({u"a.dft"_s}));
    act(u"actRemoveAllFiles"_s)->trigger();
    EXPECT_EQ(window->FileList()->List().Count(), 0);
    window->ActionManagerUpdate();
    EXPECT_FALSE(act(u"actRemoveAllFiles"_s)->isEnabled());
}

TEST_F(MainWindowTest, CollectFollowsTheDisplayOrder)
{
    addByDialog({u"/b/x.dft"_s, u"/a/y.dft"_s, u"/c/w.dft"_s});
    ListSide(window.get())->lvFilesColumnClick(1);
    clickCheckBox(1);
    QStringList paths;
    window->CollectCheckedFiles(paths);
    EXPECT_EQ(paths, QStringList({QDir::toNativeSeparators(u"/a/y.dft"_s), QDir::toNativeSeparators(u"/c/w.dft"_s)}));
}

TEST_F(MainWindowTest, MenusHoldTheirItemsInOrder)
{
    const auto texts = [](QMenu* m) {
        QStringList out;
        for (QAction* a : m->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    };
    EXPECT_EQ(texts(child<QMenu>(u"pmAddFiles"_s)), QStringList({u"Add files"_s, u"Add folder"_s}));
    EXPECT_EQ(texts(child<QMenu>(u"pmRemoveFiles"_s)), QStringList({u"Remove selected "_s, u"Crop selected"_s, u"-"_s, u"Remove all"_s}));
    EXPECT_EQ(texts(child<QMenu>(u"pmSelectedFiles"_s)), QStringList({u"Select all"_s, u"Select none"_s, u"Invert selection"_s}));
    EXPECT_EQ(texts(child<QMenu>(u"pmList"_s)), QStringList({u"Open list"_s, u"Save list"_s, u"Append list"_s, u"-"_s, u"Print filenames"_s,
                                                  u"Print filenames with path"_s}));
    EXPECT_EQ(texts(child<QMenu>(u"pmFileList"_s)),
              QStringList({u"Add files"_s, u"Add folder"_s, u"-"_s, u"Select all"_s, u"Select none"_s, u"Invert selection"_s, u"-"_s,
                           u"Remove selected "_s, u"Crop selected"_s, u"Remove all"_s, u"-"_s, u"Show file custom properties"_s,
                           u"Show file dependencies"_s, u"Rename file"_s, u"-"_s, u"List"_s, u"-"_s, u"Exit"_s}));
    QMenu* folder = child<QMenu>(u"pmAddFiles"_s)->actions().at(1)->menu();
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(texts(folder), QStringList({u"Add Draft files"_s, u"Add Part files"_s, u"Add Assembly files"_s,
                                          u"Add Part Sheet Metal files"_s, u"Add Weldment files"_s, u"-"_s, u"Add all files"_s}));
}

TEST_F(MainWindowTest, EveryCommandHasItsCaptionHintShortcutAndCategory)
{
    // Object name, caption, hint, shortcut, category; the action list in its order, then the
    // commands outside it.
    const char* const commands[][5] = {
        {"actAddFiles", "Add files", "Add files", "", "Add files"},
        {"actAddDraftFiles", "Add Draft files", "Add draft files", "", "Add files"},
        {"actAddPartFiles", "Add Part files", "Add part files", "", "Add files"},
        {"actAddAssemblyFiles", "Add Assembly files", "Add assembly files", "", "Add files"},
        {"actAddPartSheetMetalFiles", "Add Part Sheet Metal files", "Add part sheet metal files", "", "Add files"},
        {"actAddWeldmentFiles", "Add Weldment files", "Add weldment files", "", "Add files"},
        {"actAddAllFiles", "Add all files", "Add all files from directory", "", "Add files"},
        {"actRemoveSelectedFiles", "Remove selected ", "Remove selected files", "Ctrl+Del", "Remove files"},
        {"actCropSelectedFiles", "Crop selected", "Crop selected files", "", "Remove files"},
        {"actRemoveAllFiles", "Remove all", "Remove all files", "", "Remove files"},
        {"actSelectAllFiles", "Select all", "Select all files", "Ctrl+A", "Select files"},
        {"actSelectNoneFile", "Select none", "Select none file", "", "Select files"},
        {"actInvertSelection", "Invert selection", "Invert selection", "", "Select files"},
        {"actSaveList", "Save list", "Save list", "", "List"},
        {"actOpenList", "Open list", "Open list", "", "List"},
        {"actAppendList", "Append list", "Append list", "", "List"},
        {"actPrintFilenames", "Print filenames", "Print filenames", "", "List"},
        {"actPrintFilenamesWithPath", "Print filenames with path", "Print filenames with path", "", "List"},
        {"actExit", "Exit", "Exit", "Alt+F4", "Program"},
        {"actCopyFilesBrowseForFolder", "...", "Browse for folder", "", "Copy files"},
        {"actRenameFiles", "Rename files", "Rename files", "", "RenameFiles"},
        {"actDocPropEdit", "Edit list", "Edit document properties", "", "DocumentProperties"},
        {"actRenameFile", "Rename file", "Rename file", "", "Files"},
        {"actShowDocumentProperties", "Show file custom properties", "Show file custom properties", "", "Files"},
        {"actPrintFiles", "Print files", "Print selected files", "", "Print out"},
        {"actCopyFiles", "Copy files", "Copy files", "", "Copy files"},
        {"actUpdateDrafts", "Update drafts", "Update drafts", "", "Update drafts"},
        {"actShowFileDependenies", "Show file dependencies", "Show file dependencies", "", "Files"},
        {"actUndoRename", "Undo last rename", "Put the files of the last rename back under their old names", "",
         "RenameFiles"},
        {"actUndoPropertySave", "Undo last property save",
         "Put back the custom properties the documents had before the last save", "", "DocumentProperties"},
    };
    QStringList expected, actual, listed;
    for (const auto& c : commands) {
        expected << QStringList{QString::fromUtf8(c[0]), QString::fromUtf8(c[1]), QString::fromUtf8(c[2]),
                                QString::fromUtf8(c[3]), QString::fromUtf8(c[4])}.join(u'|');
        QAction* a = act(QString::fromUtf8(c[0]));
        actual << QStringList{a->objectName(), a->text(), a->toolTip(), a->shortcut().toString(),
                              a->property("category").toString()}.join(u'|');
    }
    EXPECT_EQ(actual, expected);
    for (QAction* a : window->AllActions())
        listed << a->objectName();
    EXPECT_EQ(listed.size(), 28);
    for (qsizetype i = 0; i < listed.size(); ++i)
        EXPECT_EQ(listed[i], expected[i].section(u'|', 0, 0)) << i;
}

TEST_F(MainWindowTest, AnErrorInACommandIsReportedAndTheWindowGoesOn)
{
    const QString log = dir.filePath(u"boxes.log"_s);
    qputenv("KRDL_MSGBOX_LOG", log.toUtf8());
    bool after = false;
    EXPECT_NO_THROW(window->RunCommand([] { throw KrdlError(u"Unable to write to /x/KRDL.ini"_s); }));
    window->RunCommand([&] { after = true; });
    qunsetenv("KRDL_MSGBOX_LOG");
    EXPECT_TRUE(after);
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString shown = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(shown.contains(u"text=Unable to write to /x/KRDL.ini\tbuttons=OK"_s)) << shown.toStdString();
}

TEST_F(MainWindowTest, TitleStripRunsFromMaroonToRedUnderTheTitleAndLogos)
{
    window->resize(758, 578);
    window->show();
    QWidget* strip = child(u"GradientTitle"_s);
    QWidget* panel = child(u"pnlTitle"_s);
    EXPECT_EQ(panel->height(), 70);
    // The strip alone, without what lies on it.
    QImage bare(strip->size(), QImage::Format_RGB32);
    strip->render(&bare, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    ASSERT_GT(bare.width(), 700);
    EXPECT_EQ(bare.pixelColor(0, 30), QColor(128, 0, 0));
    EXPECT_EQ(bare.pixelColor(bare.width() - 1, 30), QColor(255, 0, 0));
    for (int x = 1; x < bare.width(); ++x) {
        const QColor c = bare.pixelColor(x, 30);
        ASSERT_EQ(c.green() + c.blue(), 0) << x;
        ASSERT_GE(c.red(), bare.pixelColor(x - 1, 30).red()) << x;
        ASSERT_EQ(bare.pixelColor(x, bare.height() - 1), c) << x;
    }

    // Over it: the two logos with their hints, and the title in white.
    for (auto [name, hint] : {std::pair{u"Image321"_s, u"Solid edge logo"_s}, std::pair{u"Image322"_s, u"Travenkalo"_s}}) {
        auto* image = child<QLabel>(name);
        EXPECT_EQ(image->toolTip(), hint);
        EXPECT_FALSE(image->pixmap().isNull()) << name.toStdString();
        EXPECT_TRUE(image->isVisible()) << name.toStdString();
    }
    auto* title = child<QLabel>(u"lblTitle"_s);
    EXPECT_EQ(title->text(), u"Velmar solid edge utils"_s);
    const QImage shown = strip->grab().toImage();
    const QRect text = title->geometry();
    int white = 0;
    for (int y = text.top(); y <= text.bottom(); ++y)
        for (int x = text.left(); x <= text.right(); ++x)
            white += shown.pixelColor(x, y) == QColor(Qt::white);
    EXPECT_GT(white, 100);
}
