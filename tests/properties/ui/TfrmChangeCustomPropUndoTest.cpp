// "Undo last property save" in the property editor: the last save taken back, its log window,
// and the grid showing what the documents hold again.

#include "batch/ui/TarFrmProgressDialog.h"
#include "compound/CfbBuilder.h"
#include "properties/CustomProperties.h"
#include "properties/DocumentChanges.h"
#include "properties/ui/TfrmChangeCustomProp.h"
#include "support/Child.h"
#include "support/FakeDesktop.h"
#include "support/MessageBoxProbe.h"
#include "support/ScopedEnv.h"
#include "support/TestFiles.h"
#include "widgets/ui/TarGrid.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace cfbtest;

namespace {

TarGrid* Grid(const QObject* editor)
{
    return Child<TarGrid>(editor, u"ArGrid"_s);
}

// Two documents with Material "S235" and Mass 2.5 / 3.5, then saved with Material "S355" and
// "Delete other properties".
QStringList SavedDocuments(const QTemporaryDir& dir)
{
    QStringList paths;
    for (int i = 0; i < 2; ++i) {
        const Bytes user = Section({{1, I2(1252)}, {0, Dictionary({{2, u"Material"}, {3, u"Mass"}}, false)},
                                    {2, Lpstr("S235")}, {3, R8(2.5 + i)}});
        const Bytes doc = BuildCompound(
            {{kDsiName, PropertyStream({{kDocSummaryFmtid, Section({{1, I2(1252)}})}, {kUserFmtid, user}})}});
        paths << dir.filePath(u"part%1.par"_s.arg(i));
        testfiles::WriteBytes(paths.back(), QByteArray(reinterpret_cast<const char*>(doc.data()), qsizetype(doc.size())));
    }
    std::vector<DocumentChanges> changes(2);
    for (std::size_t i = 0; i < 2; ++i) {
        changes[i].path = paths[qsizetype(i)];
        changes[i].changed = true;
        changes[i].properties.Add(u"Material"_s, u"S355"_s);
    }
    ApplyOptions deleteOthers;
    deleteOthers.deleteOthers = true;
    EXPECT_EQ(ApplyDocumentChanges(changes, deleteOthers).written, 2);
    return paths;
}

PropertyDefinitions MaterialAndMass()
{
    PropertyDefinitions definitions;
    definitions.Add()->name = u"Material"_s;
    definitions.Add()->name = u"Mass"_s;
    return definitions;
}

TarFrmProgressDialog* LogWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<TarFrmProgressDialog*>(w); d && d->isVisible())
            return d;
    return nullptr;
}

} // namespace

TEST(TfrmChangeCustomPropUndo, TakesTheLastSaveBackAndShowsTheValuesAgain)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const testfiles::ScopedEnv dataHome{"KRDL_DATA_HOME", dir.filePath(u"data"_s).toStdString()};
    const QStringList paths = SavedDocuments(dir);

    testfiles::FakeDesktop desktop(dir.filePath(u"KRDL"_s));
    TfrmChangeCustomProp form(desktop);
    ASSERT_TRUE(form.Load(paths, MaterialAndMass()));
    form.show();
    const TarCells& cells = Grid(&form)->CellsObject();
    ASSERT_EQ(cells.GetText(1, 2), u"S355"_s);
    ASSERT_EQ(cells.GetText(2, 2), QString());

    Child<QPushButton>(&form, u"btnUndoPropertySave"_s)->click();
    EXPECT_EQ(cells.GetText(1, 1), u"S235"_s);
    EXPECT_EQ(cells.GetText(2, 2), u"3.5"_s);
    TarFrmProgressDialog* log = LogWindow();
    ASSERT_TRUE(log);
    EXPECT_EQ(log->windowTitle(), u"Undo last property save"_s);
    EXPECT_EQ(log->Lines().count(u"Success!"_s), 2) << log->Lines().join(u'\n').toStdString();
    if (qEnvironmentVariableIsSet("KRDL_SCREENSHOTS")) {
        QPixmap shot = form.grab();
        QPainter painter(&shot);
        painter.drawPixmap(120, 60, log->grab());
        painter.end();
        shot.save(qEnvironmentVariable("KRDL_SCREENSHOTS") + u"/editor-undo.png"_s);
    }
    log->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(TfrmChangeCustomPropUndo, AsksBeforeDroppingEditsAndNoKeepsThem)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const testfiles::ScopedEnv dataHome{"KRDL_DATA_HOME", dir.filePath(u"data"_s).toStdString()};
    const testfiles::ScopedEnv boxes{"KRDL_MSGBOX_LOG", dir.filePath(u"boxes.log"_s).toStdString()};
    const QStringList paths = SavedDocuments(dir);
    testfiles::FakeDesktop desktop(dir.filePath(u"KRDL"_s));
    TfrmChangeCustomProp form(desktop);
    ASSERT_TRUE(form.Load(paths, MaterialAndMass()));
    form.show();
    TarCells& cells = Grid(&form)->CellsObject();
    cells.GetCell(1, 1)->SetText(u"edited"_s);
    const QByteArray saved = testfiles::ReadBytes(paths[0]);

    // btn0 is "Yes", btn1 "No".
    for (const int answer : {1, 0}) {
        testfiles::WhenMessageBoxShown(
            [answer](QDialog* box) {
                if (qEnvironmentVariableIsSet("KRDL_SCREENSHOTS"))
                    box->grab().save(qEnvironmentVariable("KRDL_SCREENSHOTS") + u"/editor-undo-question.png"_s);
                box->findChild<QPushButton*>(u"btn%1"_s.arg(answer))->click();
            });
        Child<QPushButton>(&form, u"btnUndoPropertySave"_s)->click();
        if (answer == 1) {
            EXPECT_EQ(cells.GetText(1, 1), u"edited"_s);
            EXPECT_EQ(testfiles::ReadBytes(paths[0]), saved);
            EXPECT_EQ(LogWindow(), nullptr);
        }
    }
    EXPECT_EQ(cells.GetText(1, 1), u"S235"_s);
    QFile log(dir.filePath(u"boxes.log"_s));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(u"caption=Confirmation\ttext=The grid has changes that are not saved."_s)) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(u"\tbuttons=Yes|No\tresult=1\tclosed=button"_s)) << lines[0].toStdString();
    if (TarFrmProgressDialog* window = LogWindow())
        window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
