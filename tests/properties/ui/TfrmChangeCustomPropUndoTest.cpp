// "Undo last property save" in the property editor: the last save taken back, its log window,
// and the grid showing what the documents hold again.

#include "batch/ui/TarFrmProgressDialog.h"
#include "compound/CfbBuilder.h"
#include "properties/CustomPropertie.h"
#include "properties/DocumentChanges.h"
#include "properties/ui/TfrmChangeCustomProp.h"
#include "support/ScopedEnv.h"
#include "support/TestFiles.h"
#include "widgets/ui/TarGrid.h"

#include <QApplication>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace cfbtest;

TEST(TfrmChangeCustomPropUndo, TakesTheLastSaveBackAndShowsTheValuesAgain)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const testfiles::ScopedEnv dataHome{"KRDL_DATA_HOME", dir.filePath(u"data"_s).toStdString()};
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
        changes[i].properties.Add(u"Material"_s, u"S355"_s, ptText, 0);
    }
    ApplyOptions deleteOthers;
    deleteOthers.deleteOthers = true;
    ASSERT_EQ(ApplyDocumentChanges(changes, deleteOthers).written, 2);

    TfrmChangeCustomProp form;
    PropertyDefinitions definitions;
    definitions.Add()->Name = u"Material"_s;
    definitions.Add()->Name = u"Mass"_s;
    ASSERT_TRUE(form.Load(paths, definitions));
    form.show();
    const TarCells& cells = form.ArGrid->CellsObject();
    ASSERT_EQ(cells.GetText(1, 2), u"S355"_s);
    ASSERT_EQ(cells.GetText(2, 2), QString());

    form.findChild<QPushButton*>(u"btnUndoPropertySave"_s)->click();
    EXPECT_EQ(cells.GetText(1, 1), u"S235"_s);
    EXPECT_EQ(cells.GetText(2, 2), u"3.5"_s);
    TarFrmProgressDialog* log = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = qobject_cast<TarFrmProgressDialog*>(w))
            log = d;
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
