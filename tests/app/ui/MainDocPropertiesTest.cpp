// "Edit list" on the main window's "Document properties" page: the editor over the checked files
// in list order, or the seed file's message when there is none.
#include "app/ui/TfrmMain.h"
#include "MainWindowChildren.h"
#include "properties/ui/TfrmChangeCustomProp.h"
#include "settings/Settings.h"
#include "support/FakeDesktop.h"
#include "support/MessageBoxProbe.h"
#include "support/TestFiles.h"
#include "widgets/ui/TarGrid.h"

#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TarGrid* Grid(const QObject* editor)
{
    return Child<TarGrid>(editor, u"ArGrid"_s);
}

} // namespace

TEST(MainDocPropertiesTest, EditListOpensTheEditorOverTheCheckedFiles)
{
    QTemporaryDir dir;
    testfiles::FakeDesktop desktop(dir.filePath(u"KRDL"_s));
    qputenv("KRDL_MSGBOX_TIMEOUT", "0.05");
    const QString log = dir.filePath(u"boxes.log"_s);
    qputenv("KRDL_MSGBOX_LOG", log.toUtf8());
    const QByteArray document = testfiles::ReadBytes(QStringLiteral(KRDL_SOURCE_DIR "/tests/data/compound/gsf_v3.ole"));
    const QStringList paths = {dir.filePath(u"b.par"_s), dir.filePath(u"a.dft"_s), dir.filePath(u"c.asm"_s)};
    for (const QString& p : paths)
        testfiles::WriteBytes(p, document);
    {
        TfrmMain window(desktop);
        desktop.AnswerFileDialogs([&](const FileDialogRequest&) { return paths; });
        Action(&window, u"actAddFiles"_s)->trigger();
        // Untick the second file in display order (the list sorts by name: a, b, c).
        QAbstractItemModel* model = Child<QTableView>(&window, u"lvFiles"_s)->model();
        model->setData(model->index(1, 0), Qt::Unchecked, Qt::CheckStateRole);
        window.ActionManagerUpdate();

        // No seed file yet: the message, and no editor.
        Action(&window, u"actDocPropEdit"_s)->trigger();
        EXPECT_EQ(QString::fromUtf8(testfiles::ReadBytes(log)).section(u'\t', 0, 1),
                  u"caption=Information\ttext=Cannot find \"\" !"_s);

        IniWriteString(dir.filePath(u"KRDL.ini"_s), u"Settings"_s, u"PropseedFN"_s, u"\\seed.txt"_s);
        testfiles::WriteBytes(dir.filePath(u"seed.txt"_s), "Begin Define Custom\nDefine Material; Text\nEnd Define Custom\n");
        QStringList rows;
        testfiles::WhenShown<TfrmChangeCustomProp>([&](TfrmChangeCustomProp* f) {
            for (int r = 1; r < Grid(f)->RowCount(); ++r)
                rows << Grid(f)->CellsObject().GetText(0, r) + u' ' + Grid(f)->CellsObject().GetText(1, r);
            Child<QPushButton>(f, u"btnCancel"_s)->click();
        });
        Action(&window, u"actDocPropEdit"_s)->trigger();
        EXPECT_EQ(rows, (QStringList{u"1. a.dft S235"_s, u"2. c.asm S235"_s}));
    }
    qputenv("KRDL_MSGBOX_TIMEOUT", "1");
    qunsetenv("KRDL_MSGBOX_LOG");
}
