// The property change editor end to end: the real window over real documents, cells changed by
// typing, by one value (F3) and by a lookup value (F4), saved, and the documents read back with
// docprops and with olefile.

#include "properties/DocumentFiles.h"

#include "compound/CfbBuilder.h"
#include "compound/IndependentReaders.h"
#include "properties/OleDocumentProperties.h"
#include "properties/PropertySeed.h"
#include "properties/ui/TfrmChangeCustomProp.h"
#include "properties/ui/TfrmChangeGridValue.h"
#include "properties/ui/TfrmGridLookupValues.h"
#include "settings/Settings.h"
#include "support/Child.h"
#include "support/FakeDesktop.h"
#include "support/MessageBoxProbe.h"
#include "widgets/ui/FillPatternDialog.h"
#include "widgets/ui/FindReplaceDialog.h"
#include "widgets/ui/TarGrid.h"

#include <QDateTime>
#include <QDir>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#ifdef __linux__
#include <sys/inotify.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;
using testfiles::WhenShown;

namespace {

TarGrid* Grid(const QObject* editor)
{
    return Child<TarGrid>(editor, u"ArGrid"_s);
}

const char kSeed[] = "Begin Define Custom\n"
                     "Define Material; Text\n"
                     "Define Finish; Text\n"
                     "Define Released; Date\n"
                     "Define Quantity; x\n"
                     "End Define Custom\n"
                     "Begin Finish\n"
                     "painted\n"
                     "default = galvanized\n"
                     "End Finish\n";

// `docprops show` of a document: "name (type) = value" per property, in the document's order.
QStringList Shown(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral(KRDL_BINARY_DIR "/bin/docprops"), {u"show"_s, path});
    EXPECT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QStringList out;
    // Lines end with CR LF on Windows.
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).remove(u'\r').split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList f = line.split(u'\t');
        out << f.value(0) + u" ("_s + f.value(1) + u") = "_s + f.value(2);
    }
    return out;
}

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        IniWriteString(dir.filePath(u"KRDL.ini"_s), u"Settings"_s, u"PropseedFN"_s, u"\\seed.txt"_s);
        testfiles::WriteBytes(dir.filePath(u"seed.txt"_s), kSeed);
        qputenv("KRDL_MSGBOX_TIMEOUT", "0.05");
        qputenv("KRDL_MSGBOX_LOG", dir.filePath(u"boxes.log"_s).toUtf8());
    }
    void TearDown() override
    {
        qputenv("KRDL_MSGBOX_TIMEOUT", "1");
        qunsetenv("KRDL_MSGBOX_LOG");
    }
    QString Doc(const char* fixture, const QString& as) { return docfiles::Copy(dir, fixture, as); }
    // caption: text of every message box shown so far.
    QStringList Boxes() const
    {
        QStringList out;
        const QString log = QString::fromUtf8(testfiles::ReadBytes(dir.filePath(u"boxes.log"_s)));
        for (const QString& line : log.split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList f = line.split(u'\t');
            out << f.value(0).mid(8) + u": "_s + f.value(1).mid(5);
        }
        return out;
    }

    // Opens the editor through the command and runs `act` on it while it is up.
    void Edit(const QStringList& paths, const std::function<void(TfrmChangeCustomProp*)>& act)
    {
        bool shown = false;
        WhenShown<TfrmChangeCustomProp>([&](TfrmChangeCustomProp* f) {
            shown = true;
            act(f);
            if (f->isVisible())
                f->reject();
        });
        TfrmChangeCustomProp::Execute(desktop, paths, nullptr);
        EXPECT_TRUE(shown);
    }

    QTemporaryDir dir;
    testfiles::FakeDesktop desktop{dir.filePath(u"KRDL"_s)};
};

// Selects a whole column with a left click on its header cell, as a user does.
void ClickHeader(TfrmChangeCustomProp* f, int col)
{
    QHeaderView* header = Grid(f)->horizontalHeader();
    const int x = header->sectionViewportPosition(col - 1) + 5;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
}

void ChangeValue(TfrmChangeCustomProp* f, const QString& value)
{
    WhenShown<TfrmChangeGridValue>([value](TfrmChangeGridValue* d) {
        Child<QLineEdit>(d, u"edValue"_s)->setText(value);
        Child<QPushButton>(d, u"BitBtn1"_s)->click();
    });
    Child<QAction>(f, u"actChangeValue"_s)->trigger();
}

void PickLookup(TfrmChangeCustomProp* f, const QString& value)
{
    WhenShown<TfrmGridLookupValues>([value](TfrmGridLookupValues* d) {
        QListWidget* list = Child<QListWidget>(d, u"lbLookupItems"_s);
        const QList<QListWidgetItem*> items = list->findItems(value, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        list->setCurrentItem(items.front());
        Child<QPushButton>(d, u"btnOk"_s)->click();
    });
    Child<QAction>(f, u"actChangePropLookup"_s)->trigger();
}

// Types into a cell; the edit is left open, as when the user clicks a button next.
void Type(TfrmChangeCustomProp* f, int col, int row, const QString& text)
{
    Grid(f)->SetSelection(col, row, col, row);
    // The first key opens the in-place editor, which gets the key and the ones after it.
    QTest::keyClick(Grid(f), text.at(0).toLatin1());
    // Editors of earlier edits linger, hidden, until their deferred deletion.
    QLineEdit* editor = nullptr;
    for (QLineEdit* e : Grid(f)->findChildren<QLineEdit*>())
        if (e->isVisible())
            editor = e;
    ASSERT_TRUE(editor);
    QTest::keyClicks(editor, text.mid(1));
}

} // namespace

TEST_F(EditorTest, ThreeWaysOfChangingAndSaving)
{
    const QString a = Doc("gsf_v3.ole", u"a.par"_s);
    const QString b = Doc("gsf_v3.ole", u"b.psm"_s);
    const QString d = Doc("lo_custom.doc", u"d.dft"_s);
    Edit({a, b, d}, [&](TfrmChangeCustomProp* f) {
        EXPECT_TRUE(f->windowState() & Qt::WindowMaximized);
        TarCells& cells = Grid(f)->CellsObject();
        EXPECT_EQ(Grid(f)->ColCount(), 5);
        EXPECT_EQ(Grid(f)->RowCount(), 4);
        EXPECT_EQ(cells.GetText(3, 0), u"Released"_s);
        EXPECT_EQ(cells.GetText(0, 3), u"3. d.dft"_s);
        EXPECT_EQ(cells.GetData(0, 3), d);
        EXPECT_EQ(cells.GetText(1, 1), u"S235"_s);
        EXPECT_EQ(cells.GetText(4, 1), u"42"_s);
        EXPECT_EQ(Grid(f)->GridColors().backgroundColor2, QColor(0xF4, 0xFA, 0xFF));
        EXPECT_FALSE(Child<QCheckBox>(f, u"chkDeleteOtherProperties"_s)->isChecked());

        ClickHeader(f, 1); // Material of every row
        EXPECT_EQ(Grid(f)->Selection(), QRect(QPoint(1, 1), QPoint(1, 3)));
        ChangeValue(f, u"S355"_s);
        Grid(f)->SetSelection(2, 3, 2, 3);
        PickLookup(f, u"galvanized"_s);
        EXPECT_EQ(cells.GetText(2, 3), u"galvanized"_s);
        Type(f, 2, 1, u"red"_s);
        if (qEnvironmentVariableIsSet("KRDL_SCREENSHOTS")) {
            f->resize(900, 260);
            Grid(f)->SetSelection(1, 1, 1, 3);
            f->grab().save(qEnvironmentVariable("KRDL_SCREENSHOTS") + u"/editor-changed.png"_s);
        }
        Child<QPushButton>(f, u"btnFillDrafts"_s)->click();
        EXPECT_FALSE(f->isVisible());
        EXPECT_EQ(f->result(), QDialog::Accepted);
    });
    EXPECT_EQ(Boxes(), QStringList());
    // Untouched dates and numbers keep their type; the changed row is written whole.
    EXPECT_EQ(Shown(a), (QStringList{u"Weight (Float) = 3.25"_s, u"Released (Date) = 2024-05-17 10:30:00"_s,
                                     u"Quantity (Integer) = 42"_s, u"Opomba (Text) = Čćžš"_s, u"Approved (Yes/No) = True"_s,
                                     u"Material (Text) = S355"_s, u"Finish (Text) = red"_s}));
    EXPECT_EQ(Shown(b).mid(5), (QStringList{u"Material (Text) = S355"_s, u"Finish (Text) =  "_s}));
    EXPECT_EQ(Shown(d), (QStringList{u"Checked (Yes/No) = True"_s, u"Count (Float) = 42"_s, u"Mass (Float) = 12.5"_s,
                                     u"Opomba (Text) = Čćžšđ ČŽŠ"_s, u"Released (Date) = 2024-05-17 10:30:00"_s,
                                     u"Material (Text) = S355"_s, u"Finish (Text) = galvanized"_s,
                                     u"Quantity (Text) =  "_s}));
    KRDL_SKIP_WITHOUT_INDEPENDENT_READERS();
    const indep::OleView view = indep::ReadWithOlefile(d);
    ASSERT_TRUE(view.ok) << view.error.toStdString();
    EXPECT_EQ(indep::OleProperty(view, u"Released"_s).value(u"vt"_s).toInt(), 64);
    EXPECT_EQ(indep::OleProperty(view, u"Finish"_s).value(u"value"_s).toString(), u"galvanized"_s);
    EXPECT_EQ(indep::OleProperty(view, u"Quantity"_s).value(u"value"_s).toString(), u" "_s);
}

TEST_F(EditorTest, DeleteOtherPropertiesAndAReadOnlyDocument)
{
    const QString a = Doc("gsf_v3.ole", u"a.par"_s);
    const QString ro = Doc("gsf_v3.ole", u"ro.par"_s);
    const QString b = Doc("lo_custom.doc", u"b.dft"_s);
    QFile::setPermissions(ro, QFileDevice::ReadOwner);
    const QByteArray roBefore = testfiles::ReadBytes(ro);
    Edit({a, ro, b}, [&](TfrmChangeCustomProp* f) {
        EXPECT_EQ(Grid(f)->CellsObject().GetText(1, 2), u"S235"_s); // read-only loads like the others
        Grid(f)->SetSelection(1, 1, 1, 3);
        ChangeValue(f, u"X"_s);
        Child<QCheckBox>(f, u"chkDeleteOtherProperties"_s)->setChecked(true);
        Child<QPushButton>(f, u"btnFillDrafts"_s)->click();
    });
    const QStringList boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].startsWith(u"Error: The custom properties of 1 file(s) were not saved"_s)) << boxes[0].toStdString();
    EXPECT_TRUE(boxes[0].contains(ro));
    EXPECT_EQ(testfiles::ReadBytes(ro), roBefore);
    EXPECT_EQ(Shown(a), (QStringList{u"Released (Date) = 2024-05-17 10:30:00"_s, u"Quantity (Integer) = 42"_s,
                                     u"Material (Text) = X"_s, u"Finish (Text) =  "_s}));
    EXPECT_EQ(Shown(b), (QStringList{u"Released (Date) = 2024-05-17 10:30:00"_s, u"Material (Text) = X"_s,
                                     u"Finish (Text) =  "_s, u"Quantity (Text) =  "_s}));
    KRDL_SKIP_WITHOUT_INDEPENDENT_READERS();
    EXPECT_EQ(indep::OleNames(indep::ReadWithOlefile(b)),
              (QStringList{u"Released"_s, u"Material"_s, u"Finish"_s, u"Quantity"_s}));
}

TEST_F(EditorTest, AMissingFileStopsLoadingAndSaving)
{
    const QString a = Doc("gsf_v3.ole", u"a.par"_s);
    const QString b = Doc("gsf_v3.ole", u"b.par"_s);
    const QString c = Doc("gsf_v3.ole", u"c.par"_s);
    const QString gone = dir.filePath(u"gone.par"_s);
    const QByteArray original = testfiles::ReadBytes(a);
    const QString warningGone = u"Warning: File \" "_s + gone + u"\" doesn't exist!"_s;

    // Missing when loading: the rows from it on stay empty, and saving stops there again.
    Edit({a, gone, b}, [&](TfrmChangeCustomProp* f) {
        EXPECT_EQ(Grid(f)->CellsObject().GetData(0, 2), QString());
        EXPECT_EQ(Grid(f)->CellsObject().GetText(1, 3), QString());
        ClickHeader(f, 1);
        ChangeValue(f, u"Y"_s);
        Child<QPushButton>(f, u"btnFillDrafts"_s)->click();
    });
    EXPECT_EQ(Boxes(), (QStringList{warningGone, u"Warning: File \" \" doesn't exist!"_s}));
    EXPECT_EQ(Shown(a).mid(5), (QStringList{u"Material (Text) = Y"_s, u"Finish (Text) =  "_s}));
    EXPECT_EQ(testfiles::ReadBytes(b), original);

    // Moved away after loading: the rows above are written, those below are not.
    QFile::remove(dir.filePath(u"boxes.log"_s));
    Edit({c, b, a}, [&](TfrmChangeCustomProp* f) {
        QFile::rename(b, gone);
        ClickHeader(f, 1);
        ChangeValue(f, u"Z"_s);
        Child<QPushButton>(f, u"btnFillDrafts"_s)->click();
    });
    EXPECT_EQ(Boxes(), (QStringList{u"Warning: File \" "_s + b + u"\" doesn't exist!"_s}));
    EXPECT_EQ(Shown(c).mid(5), (QStringList{u"Material (Text) = Z"_s, u"Finish (Text) =  "_s}));
    EXPECT_EQ(Shown(a).mid(5), (QStringList{u"Material (Text) = Y"_s, u"Finish (Text) =  "_s}));
}

TEST_F(EditorTest, LoadingNeverOpensTheDocumentsAfterAMissingFile)
{
#ifndef __linux__
    GTEST_SKIP() << "watches file opens with inotify";
#else
    const QString a = Doc("gsf_v3.ole", u"a.par"_s);
    QStringList paths{a, dir.filePath(u"gone.par"_s)};
    for (int i = 0; i < 20; ++i)
        paths << Doc("gsf_v3.ole", u"later%1.par"_s.arg(i));
    const int watch = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, QFile::encodeName(dir.path()).constData(), IN_OPEN), 0);
    PropertyDefinitions definitions;
    ParsePropertySeed(QString::fromLatin1(kSeed), definitions);
    TfrmChangeCustomProp form(desktop);
    EXPECT_TRUE(form.Load(paths, definitions));
    EXPECT_EQ(Grid(&form)->CellsObject().GetData(0, 1), a);
    EXPECT_EQ(Grid(&form)->CellsObject().GetData(0, 3), QString());

    QStringList opened;
    alignas(inotify_event) char buffer[64 * 1024];
    for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;) {
        for (char* at = buffer; at < buffer + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            if (event->len > 0)
                opened << QFile::decodeName(event->name);
            at += sizeof(inotify_event) + event->len;
        }
    }
    ::close(watch);
    EXPECT_TRUE(opened.contains(u"a.par"_s));
    EXPECT_TRUE(opened.filter(u"later"_s).isEmpty()) << opened.join(u", "_s).toStdString();
#endif
}

TEST_F(EditorTest, PropertySetSavedAndLoadedIntoAnotherGrid)
{
    const QString a = Doc("gsf_v3.ole", u"a.par"_s);
    const QString b = Doc("gsf_v3.ole", u"b.par"_s);
    const QString c = Doc("gsf_v3.ole", u"c.par"_s);
    const QByteArray original = testfiles::ReadBytes(a);
    const QString set = dir.filePath(u"values.props"_s);
    desktop.AnswerFileDialogs([&](const FileDialogRequest& r) {
        EXPECT_EQ(r.title, r.save ? u"Save properties"_s : u"Load properties"_s);
        EXPECT_EQ(r.filters, QStringList{u"Props file (*.props)"_s});
        return QStringList{set};
    });
    Edit({a, b}, [&](TfrmChangeCustomProp* f) {
        ClickHeader(f, 1);
        ChangeValue(f, u"M;1;2"_s);
        Grid(f)->SetSelection(2, 2, 2, 2);
        ChangeValue(f, u"blue"_s);
        Child<QPushButton>(f, u"btnSaveProps"_s)->click();
        Child<QPushButton>(f, u"btnCancel"_s)->click(); // nothing is written
    });
    EXPECT_EQ(testfiles::ReadBytes(a), original);
    const QString text = QString::fromUtf8(testfiles::ReadBytes(set));
    EXPECT_TRUE(text.contains(u"[file2]\r\nCustomPropMaterial=Material;M;1;2\r\nCustomPropFinish=Finish;blue\r\n"_s)) << text.toStdString();

    Edit({b, c, a}, [&](TfrmChangeCustomProp* f) {
        Child<QPushButton>(f, u"btnLoadProps"_s)->click();
        const TarCells& cells = Grid(f)->CellsObject();
        EXPECT_EQ(cells.GetText(1, 3), u"M;1;2"_s);
        EXPECT_EQ(cells.GetText(2, 1), u"blue"_s);
        Child<QPushButton>(f, u"btnFillDrafts"_s)->click();
    });
    // Every value of the set counts as a change, so the rows are written whole, as text.
    EXPECT_EQ(Shown(a).mid(3, 2), (QStringList{u"Material (Text) = M;1;2"_s, u"Finish (Text) =  "_s}));
    EXPECT_EQ(Shown(b).mid(3, 2), (QStringList{u"Material (Text) = M;1;2"_s, u"Finish (Text) = blue"_s}));
    EXPECT_EQ(testfiles::ReadBytes(c), original);
}

TEST_F(EditorTest, MouseAndShortcuts)
{
    const QString a = Doc("gsf_v3.ole", u"a.par"_s);
    Edit({a, a}, [&](TfrmChangeCustomProp* f) {
        const struct {
            QAction* action;
            QKeySequence key;
        } shortcuts[] = {{Child<QAction>(f, u"actChangeValue"_s), Qt::Key_F3}, {Child<QAction>(f, u"actChangePropLookup"_s), Qt::Key_F4},
                         {Child<QAction>(f, u"actDeleteSelected"_s), QKeySequence(Qt::CTRL | Qt::Key_Delete)},
                         {Child<QAction>(f, u"actOptimalColWidths"_s), Qt::Key_F8},
                         {Child<QAction>(f, u"actUndo"_s), QKeySequence(Qt::CTRL | Qt::Key_Z)},
                         {Child<QAction>(f, u"actRedo"_s), QKeySequence(Qt::CTRL | Qt::Key_Y)},
                         {Child<QAction>(f, u"actCopy"_s), QKeySequence(Qt::CTRL | Qt::Key_C)},
                         {Child<QAction>(f, u"actPaste"_s), QKeySequence(Qt::CTRL | Qt::Key_V)},
                         {Child<QAction>(f, u"actFind"_s), QKeySequence(Qt::CTRL | Qt::Key_F)},
                         {Child<QAction>(f, u"actReplace"_s), QKeySequence(Qt::CTRL | Qt::Key_H)}};
        for (const auto& s : shortcuts) {
            EXPECT_EQ(s.action->shortcut(), s.key) << s.action->objectName().toStdString();
            EXPECT_TRUE(f->actions().contains(s.action)) << s.action->objectName().toStdString();
        }
        EXPECT_TRUE(Child<QAction>(f, u"actRedo"_s)->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)));

        // A right click on a data cell opens the menu and keeps the selection; on a header it does not.
        Grid(f)->SetSelection(1, 1, 2, 2);
        QWidget* cells = Grid(f)->viewport();
        const QPoint cell(Grid(f)->columnViewportPosition(1) + 5, Grid(f)->rowViewportPosition(1) + 5);
        QTest::mouseClick(cells, Qt::RightButton, {}, cell);
        EXPECT_EQ(f->ClickCol(), 2);
        EXPECT_EQ(f->ClickRow(), 2);
        EXPECT_TRUE(Child<QMenu>(f, u"pmPopupMenu"_s)->isVisible());
        if (qEnvironmentVariableIsSet("KRDL_SCREENSHOTS")) {
            QPixmap shot = f->grab();
            QPainter painter(&shot);
            painter.drawPixmap(f->mapFromGlobal(Child<QMenu>(f, u"pmPopupMenu"_s)->pos()), Child<QMenu>(f, u"pmPopupMenu"_s)->grab());
            painter.end();
            shot.save(qEnvironmentVariable("KRDL_SCREENSHOTS") + u"/editor-menu.png"_s);
        }
        Child<QMenu>(f, u"pmPopupMenu"_s)->hide();
        EXPECT_EQ(Grid(f)->Selection(), QRect(QPoint(1, 1), QPoint(2, 2)));
        ClickHeader(f, 2);
        EXPECT_EQ(f->ClickRow(), 0);
        EXPECT_EQ(Grid(f)->Selection(), QRect(QPoint(2, 1), QPoint(2, 2)));
        // Ctrl+C on the grid reaches the editor's copy, with the header of a whole column. The
        // popup menu took the activation, which the offscreen platform does not give back.
        QApplication::setActiveWindow(f);
        ClickHeader(f, 1);
        QTest::keyClick(Grid(f), Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QApplication::clipboard()->text(), u"Material\r\nS235\r\nS235\r\n"_s);
        // Pasted past the last column: what fits goes in, the rest is named in the status line.
        QApplication::clipboard()->setText(u"p\tq\tr\ts"_s);
        Grid(f)->SetSelection(3, 1, 3, 1);
        QTest::keyClick(Grid(f), Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(Grid(f)->CellsObject().GetText(4, Grid(f)->GridRow(1)), u"q"_s);
        EXPECT_EQ(Child<QStatusBar>(f, u"StatusBar"_s)->currentMessage(),
                  u"2 cell(s) pasted. 2 cell(s) of the pasted block lay past the edge of the grid and were left out."_s);

        // Deleting empties the cells without marking anything changed.
        Grid(f)->SetSelection(1, 1, 4, 1);
        Child<QAction>(f, u"actDeleteSelected"_s)->trigger();
        EXPECT_EQ(Grid(f)->CellsObject().GetText(1, 1), QString());
        EXPECT_EQ(Grid(f)->CellsObject().GetText(1, 2), u"S235"_s);
    });
}

TEST_F(EditorTest, LookupPickerWithNothingPickedEmptiesTheCells)
{
    const QString a = Doc("gsf_v3.ole", u"a.par"_s);
    Edit({a}, [&](TfrmChangeCustomProp* f) {
        Grid(f)->SetSelection(1, 1, 2, 1);
        WhenShown<TfrmGridLookupValues>([](TfrmGridLookupValues* d) {
            // The left column's lookup values serve the whole selection: Material has none.
            EXPECT_EQ(d->windowTitle(), u"Lookup values (Material)"_s);
            EXPECT_EQ(Child<QListWidget>(d, u"lbLookupItems"_s)->count(), 0);
            Child<QPushButton>(d, u"btnOk"_s)->click();
        });
        Child<QAction>(f, u"actChangePropLookup"_s)->trigger();
        TarCell* cell = nullptr;
        ASSERT_TRUE(Grid(f)->CellsObject().Find(1, 1, cell));
        EXPECT_TRUE(cell->text.isEmpty() && cell->changed);
        Grid(f)->SetSelection(2, 1, 2, 1);
        if (qEnvironmentVariableIsSet("KRDL_SCREENSHOTS")) {
            WhenShown<TfrmGridLookupValues>([f](TfrmGridLookupValues* d) {
                Child<QListWidget>(d, u"lbLookupItems"_s)->setCurrentRow(1);
                d->move(f->mapToGlobal(QPoint(200, 40)));
                QPixmap shot = f->grab();
                QPainter painter(&shot);
                painter.drawPixmap(200, 40, d->grab());
                painter.end();
                shot.save(qEnvironmentVariable("KRDL_SCREENSHOTS") + u"/editor-lookup.png"_s);
                Child<QPushButton>(d, u"btnClose"_s)->click();
            });
            Child<QAction>(f, u"actChangePropLookup"_s)->trigger();
        }
    });
}

TEST_F(EditorTest, ReadingCanBeCancelled)
{
    // One document many times over: a list may name a file twice.
    const QStringList paths(20000, Doc("gsf_v3.ole", u"a.par"_s));
    PropertyDefinitions definitions;
    ParsePropertySeed(QString::fromLatin1(kSeed), definitions);
    TfrmChangeCustomProp form(desktop);
    form.SetProgressDelayMs(0);
    WhenShown<QProgressDialog>([](QProgressDialog* p) {
        auto* cancel = p->findChild<QPushButton*>();
        ASSERT_TRUE(cancel);
        EXPECT_EQ(cancel->text(), u"Cancel"_s);
        cancel->click();
    });
    EXPECT_FALSE(form.Load(paths, definitions));
}

TEST_F(EditorTest, CsvExportedEditedInASpreadsheetAndImported)
{
    const QString a = Doc("gsf_v3.ole", u"a.par"_s);
    const QString b = Doc("gsf_v3.ole", u"b.par"_s);
    const QString csv = dir.filePath(u"grid.csv"_s);
    desktop.AnswerFileDialogs([&](const FileDialogRequest& r) {
        EXPECT_EQ(r.title, r.save ? u"Export CSV"_s : u"Import CSV"_s);
        return QStringList{csv};
    });
    Edit({a, b}, [&](TfrmChangeCustomProp* f) {
        auto* exportCsv = f->findChild<QAction*>(u"actExportCsv"_s);
        auto* importCsv = f->findChild<QAction*>(u"actImportCsv"_s);
        ASSERT_TRUE(exportCsv && importCsv);
        ASSERT_TRUE(f->findChild<QPushButton*>(u"btnExportCsv"_s) && f->findChild<QPushButton*>(u"btnImportCsv"_s));
        exportCsv->trigger();
        // The grid's date, 10:30 UTC, in the local time of this process.
        const QString released = QDateTime(QDate(2024, 5, 17), QTime(10, 30), Qt::UTC)
                                     .toLocalTime()
                                     .toString(u"yyyy-MM-dd HH:mm:ss"_s);
        const QString row = u",S235,,"_s + released + u",42\r\n"_s;
        EXPECT_EQ(testfiles::ReadBytes(csv), (u"\uFEFFPath,Material,Finish,Released,Quantity\r\n"_s + a + row + b + row).toUtf8())
            << testfiles::ReadBytes(csv).toStdString();
        // "c,r" of every Changed cell.
        const TarCells& cells = Grid(f)->CellsObject();
        const auto changed = [&] {
            QStringList list;
            cells.ForEachInRange(0, 0, Grid(f)->ColCount() - 1, Grid(f)->RowCount() - 1, [&](const TarCell& c) {
                if (c.changed)
                    list << u"%1,%2"_s.arg(c.col).arg(c.row);
            });
            return list;
        };
        // The export imported as it is changes nothing, so a save keeps the date and the number typed.
        importCsv->trigger();
        EXPECT_EQ(changed(), QStringList());

        // As a spreadsheet in a ";" locale saves it back: row b edited (its Material as it was), a
        // row and a column added.
        testfiles::WriteBytes(csv, (u"Path;Quantity;Colour;Finish;Material\r\n"_s + b.toUpper()
                                    + u";7;red;\"x;y\";S235\r\n/nowhere.par;1;;;\r\n"_s).toUtf8());
        importCsv->trigger();
        EXPECT_EQ((QStringList{cells.GetText(4, 2), cells.GetText(2, 2), cells.GetText(4, 1)}),
                  (QStringList{u"7"_s, u"x;y"_s, u"42"_s}));
        if (qEnvironmentVariableIsSet("KRDL_SCREENSHOTS"))
            f->grab().save(qEnvironmentVariable("KRDL_SCREENSHOTS") + u"/editor-csv-imported.png"_s);
        EXPECT_EQ(changed(), (QStringList{u"2,2"_s, u"4,2"_s}));
        EXPECT_EQ(Boxes(), QStringList{u"Import CSV: 3 values were imported. Not imported:\\n\\nRows of files that are "
                                       "not in the grid:\\n/nowhere.par\\n\\nColumns that are not properties of the "
                                       "grid:\\nColour"_s});

        // A malformed file sets nothing and says where it is wrong.
        testfiles::WriteBytes(csv, (u"Path,Quantity\r\n"_s + a + u",\"8\r\n"_s).toUtf8());
        importCsv->trigger();
        EXPECT_EQ(cells.GetText(4, 1), u"42"_s);
        EXPECT_EQ(Boxes().value(1), u"Velmar Solid Edge Utils: Cannot read file \""_s + QDir::toNativeSeparators(csv).replace(u"\\"_s, u"\\\\"_s)
                                        + u"\": line 2: a quoted field that starts here has no closing quote"_s);
    });
}

TEST_F(EditorTest, PropertySetWithDamagedTextLoadsNothingAndSaysWhere)
{
    const QString a = Doc("gsf_v3.ole", u"a.par"_s);
    const QString set = dir.filePath(u"damaged.props"_s);
    // UTF-8 but for one Windows-1250 "č" (E8) on line 4.
    testfiles::WriteBytes(set, (u"[Files]\r\nfile1="_s + a + u"\r\n[file1]\r\nCustomPropMaterial=Material;"_s).toUtf8()
                                   + "\xC4\x8C\xC4\x87\xC5\xA1\xC4\x91\xE8\r\n");
    desktop.AnswerFileDialogs([&](const FileDialogRequest&) { return QStringList{set}; });
    Edit({a}, [&](TfrmChangeCustomProp* f) {
        f->findChild<QAction*>(u"actLoadProperties"_s)->trigger();
        EXPECT_EQ(Grid(f)->CellsObject().GetText(1, 1), u"S235"_s);
        EXPECT_EQ(Boxes(), QStringList{u"Velmar Solid Edge Utils: Cannot open file \""_s
                                       + QDir::toNativeSeparators(set).replace(u"\\"_s, u"\\\\"_s)
                                       + u"\": line 4: bytes that are not UTF-8 in a file that is otherwise UTF-8; "
                                         "the file is damaged and is not read"_s});
    });
}

// The document's own properties after the custom columns: a custom "Title" and the document's
// Title are two columns; a read-only cell refuses typing and deleting with a word in the status
// line; an edited Title and a deleted Company are saved with the custom values.
TEST_F(EditorTest, TheDocumentsOwnPropertiesFollowTheCustomColumns)
{
    testfiles::WriteBytes(dir.filePath(u"seed.txt"_s), "Begin Define Custom\nDefine Title; Text\nEnd Define Custom\n"
                                                       "Begin Define System\nDefine Title\nDefine company\n"
                                                       "Define Status\nEnd Define System\n");
    const cfbtest::Bytes bytes = cfbtest::SolidEdgeDocument();
    const QString a = dir.filePath(u"a.par"_s);
    testfiles::WriteBytes(a, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
    Edit({a}, [&](TfrmChangeCustomProp* f) {
        TarGrid* grid = Grid(f);
        const TarCells& cells = grid->CellsObject();
        ASSERT_EQ(grid->ColCount(), 5);
        EXPECT_EQ((QStringList{cells.GetText(1, 0), cells.GetText(2, 0), cells.GetText(3, 0), cells.GetText(4, 0)}),
                  (QStringList{u"Title"_s, u"System.Title"_s, u"System.Company"_s, u"System.Status"_s}));
        EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString(),
                  u"The document's own property Title, from its summary information set"_s);
        EXPECT_EQ((QStringList{cells.GetText(2, 1), cells.GetText(3, 1), cells.GetText(4, 1)}),
                  (QStringList{u"Bracket"_s, u"Krdl d.o.o."_s, u"1"_s}));
        const QString refused = u"System.Status (the document's status set) is shown only and cannot be changed here."_s;
        QStatusBar* status = Child<QStatusBar>(f, u"StatusBar"_s);
        grid->SetSelection(4, 1, 4, 1);
        QTest::keyClick(grid, 'x');
        EXPECT_EQ(status->currentMessage(), refused);
        grid->SetSelection(2, 1, 4, 1);
        Child<QAction>(f, u"actDeleteSelected"_s)->trigger();
        EXPECT_EQ(status->currentMessage(), u"1 read-only cell(s) left as they are. "_s + refused);
        EXPECT_EQ(cells.GetText(4, 1), u"1"_s);
        if (qEnvironmentVariableIsSet("KRDL_SCREENSHOTS")) {
            f->resize(900, 200);
            grid->SetSelection(1, 1, 1, 1);
            f->grab().save(qEnvironmentVariable("KRDL_SCREENSHOTS") + u"/editor-own-properties.png"_s);
        }
        Type(f, 2, 1, u"Plate"_s);
        Child<QPushButton>(f, u"btnFillDrafts"_s)->click();
    });
    EXPECT_EQ(Boxes(), QStringList());
    TOleDocumentProperties document;
    document.Open(a, true);
    EXPECT_EQ(document.SystemValue(u"Title"_s).toString(), u"Plate"_s);
    EXPECT_FALSE(document.SystemValue(u"Company"_s).isValid());
    EXPECT_EQ(document.SystemValue(u"Status"_s).toInt(), 1);
}

namespace {

// Every cell of the editor's grid with its flag: "c,r=text" and "*" for a changed cell.
QStringList GridState(TfrmChangeCustomProp* f)
{
    QStringList state;
    Grid(f)->CellsObject().ForEachInRange(1, 1, Grid(f)->ColCount() - 1, Grid(f)->RowCount() - 1, [&](const TarCell& c) {
        state << u"%1,%2=%3%4"_s.arg(c.col).arg(c.row).arg(c.text, c.changed ? u"*"_s : QString());
    });
    return state;
}

void Trigger(TfrmChangeCustomProp* f, const QString& action)
{
    Child<QAction>(f, action)->trigger();
}

} // namespace

// Each kind of change is one step of Ctrl+Z; undoing them all leaves nothing changed, so that
// saving writes no document, and redoing them gets every cell back.
TEST_F(EditorTest, EveryKindOfChangeIsOneUndoStepBackToNothingToSave)
{
    const QString a = Doc("gsf_v3.ole", u"a.par"_s);
    const QString b = Doc("gsf_v3.ole", u"b.psm"_s);
    const QByteArray aBytes = testfiles::ReadBytes(a);
    const QString csv = dir.filePath(u"grid.csv"_s);
    const QString set = dir.filePath(u"grid.props"_s);
    desktop.AnswerFileDialogs([&](const FileDialogRequest& r) { return QStringList{r.title.contains(u"CSV"_s) ? csv : set}; });
    Edit({a, b}, [&](TfrmChangeCustomProp* f) {
        TarGrid* grid = Grid(f);
        QLabel* changes = Child<QLabel>(f, u"lblChanges"_s);
        EXPECT_EQ(changes->text(), u"No changes"_s);
        // A CSV file and a property set each holding one edit, made and undone before the steps.
        Type(f, 2, 2, u"from file"_s);
        Trigger(f, u"actExportCsv"_s);
        Trigger(f, u"actSaveProps"_s);
        Trigger(f, u"actUndo"_s);
        const QStringList loaded = GridState(f);
        EXPECT_EQ(grid->History().StepCount(), 1u);

        const std::pair<const char*, std::function<void()>> steps[] = {
            {"typing", [&] { Type(f, 1, 1, u"T1"_s); grid->CommitEdit(); }},
            {"change values", [&] { grid->SetSelection(1, 1, 1, 2); ChangeValue(f, u"S355"_s); }},
            {"lookup", [&] { grid->SetSelection(2, 1, 2, 2); PickLookup(f, u"painted"_s); }},
            {"delete", [&] { grid->SetSelection(4, 1, 4, 2); Trigger(f, u"actDeleteSelected"_s); }},
            {"paste", [&] {
                 // As a spreadsheet puts it: a quoted cell with a tab and a line break, CR LF, and
                 // the last row ended too.
                 QApplication::clipboard()->setText(u"\"two\tlines\r\nx\"\tB\r\nC\t\"say \"\"hi\"\"\"\r\n"_s);
                 grid->SetSelection(1, 1, 1, 1);
                 Trigger(f, u"actPaste"_s);
                 EXPECT_EQ((QStringList{grid->CellsObject().GetText(1, 1), grid->CellsObject().GetText(2, 1),
                                        grid->CellsObject().GetText(1, 2), grid->CellsObject().GetText(2, 2)}),
                           (QStringList{u"two\tlines\r\nx"_s, u"B"_s, u"C"_s, u"say \"hi\""_s}));
             }},
            {"replace", [&] {
                 grid->SetSelection(1, 1, 1, 1);
                 Trigger(f, u"actReplace"_s);
                 auto* dialog = Child<FindReplaceDialog>(f, u"FindReplaceDialog"_s);
                 Child<QLineEdit>(dialog, u"edFind"_s)->setText(u"(\\w)(\\w+)"_s);
                 Child<QLineEdit>(dialog, u"edReplace"_s)->setText(u"\\2\\1"_s);
                 Child<QCheckBox>(dialog, u"chkRegularExpression"_s)->setChecked(true);
                 Child<QPushButton>(dialog, u"btnReplaceAll"_s)->click();
                 EXPECT_EQ(grid->CellsObject().GetText(2, 2), u"ays \"ih\""_s);
                 EXPECT_EQ(Child<QLabel>(dialog, u"lblResult"_s)->text(), u"4 cell(s) changed."_s);
                 if (qEnvironmentVariableIsSet("KRDL_SCREENSHOTS"))
                     dialog->grab().save(qEnvironmentVariable("KRDL_SCREENSHOTS") + u"/editor-replace.png"_s);
                 dialog->close();
             }},
            {"fill", [&] {
                 grid->SetSelection(3, 1, 3, 2);
                 WhenShown<FillPatternDialog>([](FillPatternDialog* d) {
                     d->SetPatternText(u"{base}-{#:3:9:-4}"_s);
                     EXPECT_EQ(Child<QListWidget>(d, u"lstPreview"_s)->item(1)->text(), u"2. b.psm  →  b-005"_s);
                     if (qEnvironmentVariableIsSet("KRDL_SCREENSHOTS"))
                         d->grab().save(qEnvironmentVariable("KRDL_SCREENSHOTS") + u"/editor-fill.png"_s);
                     Child<QPushButton>(d, u"btnOk"_s)->click();
                 });
                 Trigger(f, u"actFillPattern"_s);
                 EXPECT_EQ(grid->CellsObject().GetText(3, 1), u"a-009"_s);
             }},
            {"import CSV", [&] { Trigger(f, u"actImportCsv"_s); }},
            {"load props", [&] { Trigger(f, u"actLoadProperties"_s); }},
        };
        std::vector<QStringList> after;
        for (const auto& [name, step] : steps) {
            step();
            after.push_back(GridState(f));
            EXPECT_EQ(grid->History().StepCount(), after.size()) << name;
            EXPECT_NE(after.back(), after.size() > 1 ? after[after.size() - 2] : loaded) << name;
        }
        EXPECT_EQ(changes->text(), u"8 cell(s) in 2 document(s) changed"_s);
        // The offscreen platform gives no window back its activation when a dialog closes.
        QApplication::setActiveWindow(f);
        for (std::size_t i = after.size(); i-- > 0;) {
            EXPECT_EQ(GridState(f), after[i]) << steps[i].first;
            QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
        }
        EXPECT_EQ(GridState(f), loaded);
        EXPECT_EQ(changes->text(), u"No changes"_s);
        EXPECT_FALSE(Child<QAction>(f, u"actUndo"_s)->isEnabled());
        for (const QStringList& state : after) {
            QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            EXPECT_EQ(GridState(f), state);
        }
        for (std::size_t i = 0; i < after.size(); ++i)
            Trigger(f, u"actUndo"_s);
        Child<QPushButton>(f, u"btnFillDrafts"_s)->click();
    });
    EXPECT_EQ(testfiles::ReadBytes(a), aBytes) << "nothing was left to save";
}

// A filter and a sort only change what the view shows: typing reaches the row's own document,
// row labels keep their numbers, and saving writes the changed rows the filter hides.
TEST_F(EditorTest, FilterAndSortKeepRowsWithTheirDocumentsAndSaveHiddenRows)
{
    const QString a = Doc("gsf_v3.ole", u"a.par"_s);
    const QString b = Doc("gsf_v3.ole", u"b.psm"_s);
    const QString d = Doc("gsf_v3.ole", u"d.dft"_s);
    Edit({a, b, d}, [&](TfrmChangeCustomProp* f) {
        TarGrid* grid = Grid(f);
        Type(f, 1, 2, u"Zinc"_s); // b
        grid->CommitEdit();
        Type(f, 1, 3, u"Aluminium"_s); // d
        grid->CommitEdit();
        ClickHeader(f, 1); // Material ascending: d, a, b
        ClickHeader(f, 1); // descending: b, a, d
        const auto labels = [grid] {
            QStringList list;
            for (int r = 0; r < grid->ShownRowCount(); ++r)
                list << grid->model()->headerData(r, Qt::Vertical).toString();
            return list;
        };
        EXPECT_EQ(labels(), (QStringList{u"2. b.psm"_s, u"1. a.par"_s, u"3. d.dft"_s}));
        Type(f, 2, 2, u"brushed"_s); // the second row shown: a's
        grid->CommitEdit();
        EXPECT_EQ(grid->CellsObject().GetText(2, 1), u"brushed"_s);
        if (qEnvironmentVariableIsSet("KRDL_SCREENSHOTS")) {
            f->resize(900, 260);
            grid->SetSelection(2, 1, 2, 1);
            f->grab().save(qEnvironmentVariable("KRDL_SCREENSHOTS") + u"/editor-sorted-changed.png"_s);
        }

        auto* filter = Child<QLineEdit>(f, u"edFilter"_s);
        filter->setText(u"d.dft"_s);
        QTest::keyClick(filter, Qt::Key_Return);
        EXPECT_EQ(labels(), QStringList{u"3. d.dft"_s});
        EXPECT_EQ(Child<QLabel>(f, u"lblShowing"_s)->text(), u"showing 1 of 3"_s);
        Child<QPushButton>(f, u"btnFillDrafts"_s)->click();
    });
    EXPECT_TRUE(Shown(a).contains(u"Finish (Text) = brushed"_s)) << Shown(a).join(u'\n').toStdString();
    EXPECT_TRUE(Shown(b).contains(u"Material (Text) = Zinc"_s));
    EXPECT_TRUE(Shown(d).contains(u"Material (Text) = Aluminium"_s));
}
