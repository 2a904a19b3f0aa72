// The folder search and list file commands of the main window, with the folder browser and
// the file dialogs answered by the tests.
#include "app/ui/TfrmMain.h"
#include "MainWindowChildren.h"
#include "filelist/ListFile.h"
#include "filelist/ui/FileListModel.h"
#include "settings/Settings.h"
#include "support/FakeDesktop.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

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
        boxLog = dir.filePath(u"boxes.log"_s);
        qputenv("KRDL_MSGBOX_LOG", QFile::encodeName(boxLog));
        window = std::make_unique<TfrmMain>(desktop);
    }
    void TearDown() override
    {
        window.reset();
        qunsetenv("KRDL_MSGBOX_LOG");
    }

    // Native path of a file or folder below the data folder.
    QString at(const QString& relative) const { return QDir::toNativeSeparators(data.filePath(relative)); }
    // A path as the box log writes it: a backslash doubled.
    static QString logged(QString path) { return path.replace(u'\\', u"\\\\"_s); }
    // The data folder as the folder browser gives it: native, without a trailing separator.
    QString root() const { return QDir::toNativeSeparators(data.path()); }
    void file(const QString& relative, const QByteArray& bytes = "x") { testfiles::WriteBytes(data.filePath(relative), bytes); }

    void answerDialog(const QStringList& answer)
    {
        desktop.AnswerFileDialogs([this, answer](const FileDialogRequest& r) {
            requests.push_back(r);
            return answer;
        });
    }
    void answerBrowser(const QString& folder, bool ok = true)
    {
        desktop.AnswerFolderBrowser([this, folder, ok](const QString& title, QString& f) {
            browseTitles << title;
            browseStarts << f;
            f = folder;
            return ok;
        });
    }

    std::vector<Row> rows() const
    {
        std::vector<Row> out;
        for (const FileEntry& e : window->FileList()->List().Entries())
            out.push_back({e.checked, e.directory, e.fileName});
        return out;
    }
    void setRows(const std::vector<Row>& list)
    {
        window->FileList()->Change([&](FileList& l) {
            l.Clear();
            for (const Row& r : list) {
                FileEntry e;
                e.checked = r.checked;
                e.directory = r.directory;
                e.fileName = r.fileName;
                l.Append(e);
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
    testfiles::FakeDesktop desktop{dir.filePath(u"KRDL"_s)};
    QTemporaryDir data; // the user's documents
    QString boxLog;
    std::unique_ptr<TfrmMain> window;
    std::vector<FileDialogRequest> requests;
    QStringList browseTitles, browseStarts;
};

} // namespace

TEST_F(MainListsTest, AddFolderFilesAddsCheckedDirectoryRuleEntriesAndSorts)
{
    file(u"z.dft"_s);
    file(u"B.DFT"_s);
    file(u"a.par"_s);
    file(u"sub/c.dft"_s);
    file(u"sub/deep/a.dft"_s);
    file(u".hidden/h.dft"_s);
    setRows({{false, u"/elsewhere"_s, u"m.dft"_s}});

    ListSide(window.get())->AddFolderFiles(root(), u"*.dft"_s);

    const QChar sep = QDir::separator();
    EXPECT_EQ(rows(), (std::vector<Row>{{true, root() + sep + u"sub"_s + sep + u"deep"_s, u"a.dft"_s},
                                        {true, root(), u"B.DFT"_s},
                                        {true, root() + sep + u"sub"_s, u"c.dft"_s},
                                        {false, u"/elsewhere"_s, u"m.dft"_s},
                                        {true, root(), u"z.dft"_s}}));
    EXPECT_EQ(ReadInitialDir(desktop.ProgramFileName(), u"AddDir"_s), root() + sep);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainListsTest, FolderCommandsBrowseFromTheStoredFolderWithTheirMask)
{
    file(u"a.dft"_s);
    file(u"b.par"_s);
    file(u"c.asm"_s);
    file(u"d.psm"_s);
    file(u"e.pwd"_s);
    file(u"sub/f.txt"_s);
    WriteInitialDir(desktop.ProgramFileName(), u"AddDir"_s, at(u"sub"_s) + QDir::separator());
    answerBrowser(root());

    const std::pair<QAction*, QString> commands[] = {
        {Action(window.get(), u"actAddDraftFiles"_s), u"a.dft"_s}, {Action(window.get(), u"actAddPartFiles"_s), u"b.par"_s},
        {Action(window.get(), u"actAddAssemblyFiles"_s), u"c.asm"_s}, {Action(window.get(), u"actAddPartSheetMetalFiles"_s), u"d.psm"_s},
        {Action(window.get(), u"actAddWeldmentFiles"_s), u"e.pwd"_s},
    };
    for (const auto& [action, name] : commands) {
        setRows({});
        action->trigger();
        ASSERT_EQ(rows().size(), 1u) << name.toStdString();
        EXPECT_EQ(rows()[0].fileName, name);
    }
    setRows({});
    Action(window.get(), u"actAddAllFiles"_s)->trigger();
    EXPECT_EQ(rows().size(), 6u);

    ASSERT_EQ(browseTitles.size(), 6);
    EXPECT_EQ(browseTitles[0], u"Browse directory"_s);
    // The browser starts at the stored folder, which each command then replaces.
    EXPECT_TRUE(QDir(browseStarts[0]) == QDir(at(u"sub"_s))) << browseStarts[0].toStdString();
    EXPECT_EQ(ReadInitialDir(desktop.ProgramFileName(), u"AddDir"_s), root() + QDir::separator());
    EXPECT_TRUE(boxes().isEmpty()) << boxes().join(u"\n"_s).toStdString();
}

TEST_F(MainListsTest, CancelledBrowserChangesNothing)
{
    file(u"a.dft"_s);
    WriteInitialDir(desktop.ProgramFileName(), u"AddDir"_s, u"/before/"_s);
    answerBrowser(root(), false);
    Action(window.get(), u"actAddDraftFiles"_s)->trigger();
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(ReadInitialDir(desktop.ProgramFileName(), u"AddDir"_s), u"/before/"_s);
}

TEST_F(MainListsTest, FolderGoneBeforeTheSearchAddsNothingInsteadOfTheWorkingFolder)
{
    const QString cwd = QDir::currentPath();
    file(u"here/x.dft"_s);
    QDir::setCurrent(data.filePath(u"here"_s));
    ListSide(window.get())->AddFolderFiles(at(u"gone"_s), u"*.*"_s);
    QDir::setCurrent(cwd);
    EXPECT_TRUE(rows().empty());
}

TEST_F(MainListsTest, ErrorDuringAFolderSearchIsShownAndTheCursorRestored)
{
    file(u"a.dft"_s);
    // The INI file cannot be written: it is a folder.
    ASSERT_TRUE(QDir().mkpath(dir.filePath(u"KRDL.ini"_s)));
    answerBrowser(root());
    Action(window.get(), u"actAddDraftFiles"_s)->trigger();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(rows().empty());
    const QStringList shown = boxes();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains(u"text=Unable to write to "_s)) << shown[0].toStdString();
}

TEST_F(MainListsTest, SaveListWritesEveryEntryAndAddsTxt)
{
    setRows({{true, u"C:\\Work"_s, u"a.dft"_s}, {false, u"D:"_s, u"b.par"_s}, {true, u"C:\\"_s, u"r.asm"_s}});
    WriteInitialDir(desktop.ProgramFileName(), u"SaveList"_s, root() + QDir::separator());
    answerDialog({at(u"list"_s)});
    Action(window.get(), u"actSaveList"_s)->trigger();

    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].save);
    EXPECT_EQ(requests[0].title, u"Save list"_s);
    EXPECT_EQ(requests[0].filters, QStringList{u"Text files (*.txt)"_s});
    EXPECT_EQ(requests[0].initialFolder, root() + QDir::separator());
    EXPECT_EQ(testfiles::ReadBytes(data.filePath(u"list.txt"_s)), "1;C:\\Work\\a.dft\r\n0;D:\\b.par\r\n1;C:\\\\r.asm\r\n");
    EXPECT_FALSE(QFile::exists(data.filePath(u"list"_s)));
    EXPECT_EQ(ReadInitialDir(desktop.ProgramFileName(), u"SaveList"_s), root() + QDir::separator());

    answerDialog({at(u"list.old"_s)});
    Action(window.get(), u"actSaveList"_s)->trigger();
    EXPECT_TRUE(QFile::exists(data.filePath(u"list.old"_s)));
    EXPECT_FALSE(QFile::exists(data.filePath(u"list.old.txt"_s)));
    EXPECT_TRUE(boxes().isEmpty());
}

TEST_F(MainListsTest, SaveErrorIsShownAndKeepsTheList)
{
    setRows({{true, u"C:\\Work"_s, u"a.dft"_s}});
    const QString target = at(u"missing/folder/list.txt"_s);
    answerDialog({target});
    Action(window.get(), u"actSaveList"_s)->trigger();
    const QStringList shown = boxes();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains(u"text=Cannot create file \""_s + logged(target) + u"\". "_s)) << shown[0].toStdString();
    EXPECT_EQ(rows().size(), 1u);
}

TEST_F(MainListsTest, OpenListReplacesAndSortsAppendListAdds)
{
    file(u"one.txt"_s, "0;C:\\x\\y.dft\r\n1;C:\\a\\b.par\r\n");
    file(u"two.txt"_s, "C:\\w\\a.asm\n");
    setRows({{true, u"C:\\old"_s, u"zz.dft"_s}});
    WriteInitialDir(desktop.ProgramFileName(), u"OpenList"_s, u"/start/"_s);

    answerDialog({at(u"one.txt"_s), at(u"two.txt"_s)});
    Action(window.get(), u"actOpenList"_s)->trigger();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_FALSE(requests[0].save);
    EXPECT_TRUE(requests[0].multiple);
    EXPECT_EQ(requests[0].title, u"Open list"_s);
    EXPECT_EQ(requests[0].filters, QStringList{u"txt files (*.txt)"_s});
    EXPECT_EQ(requests[0].initialFolder, u"/start/"_s);
    EXPECT_EQ(rows(), (std::vector<Row>{{true, u"C:\\w"_s, u"a.asm"_s}, {true, u"C:\\a"_s, u"b.par"_s}, {false, u"C:\\x"_s, u"y.dft"_s}}));
    EXPECT_EQ(ReadInitialDir(desktop.ProgramFileName(), u"OpenList"_s), root() + QDir::separator());

    answerDialog({at(u"two.txt"_s)});
    Action(window.get(), u"actAppendList"_s)->trigger();
    EXPECT_EQ(requests.back().title, u"Append list"_s);
    EXPECT_EQ(rows().size(), 4u);
    EXPECT_EQ(rows()[0], (Row{true, u"C:\\w"_s, u"a.asm"_s}));
    EXPECT_EQ(rows()[1], (Row{true, u"C:\\w"_s, u"a.asm"_s}));
    EXPECT_TRUE(boxes().isEmpty());
}

TEST_F(MainListsTest, CancelKeepsTheListAndAnEmptyFileStillEmptiesIt)
{
    setRows({{true, u"C:\\old"_s, u"zz.dft"_s}});
    answerDialog({});
    Action(window.get(), u"actOpenList"_s)->trigger();
    EXPECT_EQ(rows().size(), 1u);

    file(u"empty.txt"_s, "");
    answerDialog({at(u"empty.txt"_s)});
    Action(window.get(), u"actOpenList"_s)->trigger();
    EXPECT_TRUE(rows().empty());
}

TEST_F(MainListsTest, UnreadableFileStopsTheLoadAfterTheFilesBeforeIt)
{
    file(u"first.txt"_s, "1;C:\\b\\z.dft\r\n1;C:\\b\\a.dft\r\n");
    const QString missing = at(u"missing.txt"_s);
    answerDialog({at(u"first.txt"_s), missing, at(u"first.txt"_s)});
    Action(window.get(), u"actAppendList"_s)->trigger();
    // The first file's entries stay, in file order: the list is not sorted after the error.
    EXPECT_EQ(rows(), (std::vector<Row>{{true, u"C:\\b"_s, u"z.dft"_s}, {true, u"C:\\b"_s, u"a.dft"_s}}));
    const QStringList shown = boxes();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains(u"text=Cannot open file \""_s + logged(missing) + u"\". "_s)) << shown[0].toStdString();
}

TEST_F(MainListsTest, SavedListOpensUnchanged)
{
    file(u"p/Načrt.dft"_s);
    file(u"p/q/Ž.par"_s);
    ListSide(window.get())->AddFolderFiles(root(), u"*.*"_s);
    window->FileList()->Change([](FileList& l) { l.At(0).checked = false; });
    const std::vector<Row> before = rows();
    ASSERT_EQ(before.size(), 2u);

    answerDialog({at(u"saved.txt"_s)});
    Action(window.get(), u"actSaveList"_s)->trigger();
    window->FileList()->Change([](FileList& l) { l.Clear(); });
    Action(window.get(), u"actOpenList"_s)->trigger();
    EXPECT_EQ(rows(), before);
}
