// The print and update-drafts runs against the scripted Solid Edge, shown in the real log
// window: every line reaches the window, which ends finished. With KRDL_SCREENSHOT_DIR set the
// windows are also saved as pictures there.
#include "automation/BatchPrint.h"
#include "automation/FakeSolidEdge.h"
#include "automation/UpdateDrafts.h"
#include "batch/ui/TarFrmProgressDialog.h"

#include <QPixmap>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

void Check(ProgressDialogFactory& progress, const QString& caption, int lines, const QString& picture)
{
    TarFrmProgressDialog* dialog = progress.Last();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), caption);
    EXPECT_TRUE(dialog->Finished());
    EXPECT_EQ(dialog->Lines().size(), lines);
    EXPECT_EQ(dialog->Lines().last(), u"Successfuly disconnected from Solid Edge!"_s);
    const QString folder = qEnvironmentVariable("KRDL_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        EXPECT_TRUE(dialog->grab().save(folder + u'/' + picture));
    }
    dialog->close();
}

TEST(AutomationLogTest, RunsAgainstTheFakeFillTheLogWindow)
{
    auto world = std::make_shared<FakeWorld>();
    world->documents = {{"C:\\Work\\Načrt 1.dft", {{0, "C:\\Work\\Gred.par"}, {1, "C:\\Work\\Sklop.asm"}}},
                        {"C:\\Work\\Gred.par", {}},
                        {"C:\\Work\\Sklop.asm", {}},
                        {"C:\\Work\\Ohišje.dft", {{2, "C:\\Work\\Okvir.pwd"}}}};
    world->failing = {"link(C:\\Work\\Ohišje.dft#1).UpdateViews"};
    FakeServer server(world);
    const QStringList files = {u"C:\\Work\\Načrt 1.dft"_s, u"C:\\Work\\Gred.par"_s, u"C:\\Work\\Manjka.dft"_s,
                               u"C:\\Work\\Ohišje.dft"_s};
    {
        ProgressDialogFactory progress;
        BatchPrint print(server, progress);
        print.files = files;
        print.printerName = u"Laser"_s;
        print.Execute();
        Check(progress, u"Print files"_s, 16, u"print-run.png"_s);
    }
    {
        ProgressDialogFactory progress;
        UpdateDrafts update(server, progress);
        update.files = files;
        update.Execute();
        Check(progress, u"Update drafts"_s, 24, u"update-drafts-run.png"_s);
    }
}

} // namespace
