// The folder search and list file commands of the main window, with the folder browser and
// the file dialogs answered by the tests.
#include "app/ui/TfrmMain.h"
#include "filelist/ListFile.h"
#include "filelist/ui/FileDialogs.h"
#include "filelist/ui/FileListModel.h"
#include "settings/Settings.h"
#include "settings/ui/BrowseDirectory.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Row {
    bool checked;
    QString directory;
    QString fileName;
    friend bool operator==(const Row&, const Row&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Row& r)
    {
        return os << (r.checked ? "[x] " : "[ ] ") << r.directory.toStdString() << " | " << r.fileName.toStdString();
    }
};

class MainListsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(data.isValid());
        if (qEnvironmentVariableIsEmpty("KRDL_MSGBOX_TIMEOUT"))
            qputenv("KRDL_MSGBOX_TIMEOUT", "1");
        boxLog = dir.filePath("boxes.log");
        qputenv("KRDL_MSGBOX_LOG", QFile::encodeName(boxLog));
        SetProgramFileNameForTesting(dir.filePath("KRDL"));
        window = std::make_unique<TfrmMain>();
    }
    void TearDown() override
    {
        SetFileDialogHookForTesting({});
        SetBrowseDirectoryHookForTesting({});
        window.reset();
        SetProgramFileNameForTesting({});
        qunsetenv("KRDL_MSGBOX_LOG");
    }

    // Native path of a file or folder below the data folder.
    QString at(const QString& relative) const { return QDir::toNativeSeparators(data.filePath(relative)); }
    // The data folder as the folder browser gives it: native, without a trailing separator.
    QString root() const { return QDir::toNativeSeparators(data.path()); }
    void file(const QString& relative, const QByteArray& bytes = "x") { testfiles::WriteBytes(data.filePath(relative), bytes); }

    void answerDialog(const QStringList& answer)
    {
        SetFileDialogHookForTesting([this, answer](const FileDialogRequest& r) {
            requests.push_back(r);
            return answer;
        });
    }
    void answerBrowser(const QString& folder, bool ok = true)
    {
        SetBrowseDirectoryHookForTesting([this, folder, ok](const QString& title, QString& f) {
            browseTitles << title;
            browseStarts << f;
            f = folder;
            return ok;
        });
    }

    std::vector<Row> rows() const
    {
        std::vector<Row> out;
        for (const FileEntry& e : window->fileList()->list().entries())
            out.push_back({e.checked, e.directory, e.fileName});
        return out;
    }
    void setRows(const std::vector<Row>& list)
    {
        window->fileList()->change([&](FileList& l) {
            l.clear();
            for (const Row& r : list) {
                FileEntry e;
                e.checked = r.checked;
                e.directory = r.directory;
                e.fileName = r.fileName;
                l.append(e);
            }
        });
    }
    // The message boxes shown so far, one line each.
    QStringList boxes() const
    {
        const QString text = QString::fromUtf8(testfiles::ReadBytes(boxLog));
        return text.split(u'\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir dir;  // the program's folder (INI file, message box log)
    QTemporaryDir data; // the user's documents
    QString boxLog;
    std::unique_ptr<TfrmMain> window;
    std::vector<FileDialogRequest> requests;
    QStringList browseTitles, browseStarts;
};

} // namespace

TEST_F(MainListsTest, AddFolderFilesAddsCheckedDirectoryRuleEntriesAndSorts)
{
    file("z.dft");
    file("B.DFT");
    file("a.par");
    file("sub/c.dft");
    file("sub/deep/a.dft");
    file(".hidden/h.dft");
    setRows({{false, "/elsewhere", "m.dft"}});

    window->AddFolderFiles(root(), "*.dft");

    const QChar sep = QDir::separator();
    EXPECT_EQ(rows(), (std::vector<Row>{{true, root() + sep + "sub" + sep + "deep", "a.dft"},
                                        {true, root(), "B.DFT"},
                                        {true, root() + sep + "sub", "c.dft"},
                                        {false, "/elsewhere", "m.dft"},
                                        {true, root(), "z.dft"}}));
    EXPECT_EQ(ReadInitialDir("AddDir"), root() + sep);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainListsTest, FolderCommandsBrowseFromTheStoredFolderWithTheirMask)
{
    file("a.dft");
    file("b.par");
    file("c.asm");
    file("d.psm");
    file("e.pwd");
    file("sub/f.txt");
    WriteInitialDir("AddDir", at("sub") + QDir::separator());
    answerBrowser(root());

    const std::pair<QAction*, QString> commands[] = {
        {window->actAddDraftFiles, "a.dft"}, {window->actAddPartFiles, "b.par"},
        {window->actAddAssemblyFiles, "c.asm"}, {window->actAddPartSheetMetalFiles, "d.psm"},
        {window->actAddWeldmentFiles, "e.pwd"},
    };
    for (const auto& [action, name] : commands) {
        setRows({});
        action->trigger();
        ASSERT_EQ(rows().size(), 1u) << name.toStdString();
        EXPECT_EQ(rows()[0].fileName, name);
    }
    setRows({});
    window->actAddAllFiles->trigger();
    EXPECT_EQ(rows().size(), 6u);

    ASSERT_EQ(browseTitles.size(), 6);
    EXPECT_EQ(browseTitles[0], "Browse directory");
    // The browser starts at the stored folder, which each command then replaces.
    EXPECT_TRUE(QDir(browseStarts[0]) == QDir(at("sub"))) << browseStarts[0].toStdString();
    EXPECT_EQ(ReadInitialDir("AddDir"), root() + QDir::separator());
    EXPECT_TRUE(boxes().isEmpty()) << boxes().join("\n").toStdString();
}

TEST_F(MainListsTest, CancelledBrowserChangesNothing)
{
    file("a.dft");
    WriteInitialDir("AddDir", "/before/");
    answerBrowser(root(), false);
    window->actAddDraftFiles->trigger();
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(ReadInitialDir("AddDir"), "/before/");
}

TEST_F(MainListsTest, FolderGoneBeforeTheSearchAddsNothingInsteadOfTheWorkingFolder)
{
    const QString cwd = QDir::currentPath();
    file("here/x.dft");
    QDir::setCurrent(data.filePath("here"));
    window->AddFolderFiles(at("gone"), "*.*");
    QDir::setCurrent(cwd);
    EXPECT_TRUE(rows().empty());
}

TEST_F(MainListsTest, ErrorDuringAFolderSearchIsShownAndTheCursorRestored)
{
    file("a.dft");
    // The INI file cannot be written: it is a folder.
    ASSERT_TRUE(QDir().mkpath(dir.filePath("KRDL.ini")));
    answerBrowser(root());
    window->actAddDraftFiles->trigger();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(rows().empty());
    const QStringList shown = boxes();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("text=Unable to write to ")) << shown[0].toStdString();
}

TEST_F(MainListsTest, SaveListWritesEveryEntryAndAddsTxt)
{
    setRows({{true, "C:\\Work", "a.dft"}, {false, "D:", "b.par"}, {true, "C:\\", "r.asm"}});
    WriteInitialDir("SaveList", root() + QDir::separator());
    answerDialog({at("list")});
    window->actSaveList->trigger();

    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].save);
    EXPECT_EQ(requests[0].title, "Save list");
    EXPECT_EQ(requests[0].filters, QStringList{"Text files (*.txt)"});
    EXPECT_EQ(requests[0].initialFolder, root() + QDir::separator());
    EXPECT_EQ(testfiles::ReadBytes(data.filePath("list.txt")), "1;C:\\Work\\a.dft\r\n0;D:\\b.par\r\n1;C:\\\\r.asm\r\n");
    EXPECT_FALSE(QFile::exists(data.filePath("list")));
    EXPECT_EQ(ReadInitialDir("SaveList"), root() + QDir::separator());

    answerDialog({at("list.old")});
    window->actSaveList->trigger();
    EXPECT_TRUE(QFile::exists(data.filePath("list.old")));
    EXPECT_FALSE(QFile::exists(data.filePath("list.old.txt")));
    EXPECT_TRUE(boxes().isEmpty());
}

TEST_F(MainListsTest, SaveErrorIsShownAndKeepsTheList)
{
    setRows({{true, "C:\\Work", "a.dft"}});
    const QString target = at("missing/folder/list.txt");
    answerDialog({target});
    window->actSaveList->trigger();
    const QStringList shown = boxes();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("text=Cannot create file \"" + target + "\". ")) << shown[0].toStdString();
    EXPECT_EQ(rows().size(), 1u);
}

TEST_F(MainListsTest, OpenListReplacesAndSortsAppendListAdds)
{
    file("one.txt", "0;C:\\x\\y.dft\r\n1;C:\\a\\b.par\r\n");
    file("two.txt", "C:\\w\\a.asm\n");
    setRows({{true, "C:\\old", "zz.dft"}});
    WriteInitialDir("OpenList", "/start/");

    answerDialog({at("one.txt"), at("two.txt")});
    window->actOpenList->trigger();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_FALSE(requests[0].save);
    EXPECT_TRUE(requests[0].multiple);
    EXPECT_EQ(requests[0].title, "Open list");
    EXPECT_EQ(requests[0].filters, QStringList{"txt files (*.txt)"});
    EXPECT_EQ(requests[0].initialFolder, "/start/");
    EXPECT_EQ(rows(), (std::vector<Row>{{true, "C:\\w", "a.asm"}, {true, "C:\\a", "b.par"}, {false, "C:\\x", "y.dft"}}));
    EXPECT_EQ(ReadInitialDir("OpenList"), root() + QDir::separator());

    answerDialog({at("two.txt")});
    window->actAppendList->trigger();
    EXPECT_EQ(requests.back().title, "Append list");
    EXPECT_EQ(rows().size(), 4u);
    EXPECT_EQ(rows()[0], (Row{true, "C:\\w", "a.asm"}));
    EXPECT_EQ(rows()[1], (Row{true, "C:\\w", "a.asm"}));
    EXPECT_TRUE(boxes().isEmpty());
}

TEST_F(MainListsTest, CancelKeepsTheListAndAnEmptyFileStillEmptiesIt)
{
    setRows({{true, "C:\\old", "zz.dft"}});
    answerDialog({});
    window->actOpenList->trigger();
    EXPECT_EQ(rows().size(), 1u);

    file("empty.txt", "");
    answerDialog({at("empty.txt")});
    window->actOpenList->trigger();
    EXPECT_TRUE(rows().empty());
}

TEST_F(MainListsTest, UnreadableFileStopsTheLoadAfterTheFilesBeforeIt)
{
    file("first.txt", "1;C:\\b\\z.dft\r\n1;C:\\b\\a.dft\r\n");
    const QString missing = at("missing.txt");
    answerDialog({at("first.txt"), missing, at("first.txt")});
    window->actAppendList->trigger();
    // The first file's entries stay, in file order: the list is not sorted after the error.
    EXPECT_EQ(rows(), (std::vector<Row>{{true, "C:\\b", "z.dft"}, {true, "C:\\b", "a.dft"}}));
    const QStringList shown = boxes();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains("text=Cannot open file \"" + missing + "\". ")) << shown[0].toStdString();
}

TEST_F(MainListsTest, SavedListOpensUnchanged)
{
    file("p/Načrt.dft");
    file("p/q/Ž.par");
    window->AddFolderFiles(root(), "*.*");
    window->fileList()->change([](FileList& l) { l.at(0).checked = false; });
    const std::vector<Row> before = rows();
    ASSERT_EQ(before.size(), 2u);

    answerDialog({at("saved.txt")});
    window->actSaveList->trigger();
    window->fileList()->change([](FileList& l) { l.clear(); });
    window->actOpenList->trigger();
    EXPECT_EQ(rows(), before);
}
