// The modal dialog of "Rename file".
#include "batch/ui/TfrmRenameFile.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(RenameDialog, Layout)
{
    TfrmRenameFile dlg;
    EXPECT_EQ(dlg.windowTitle(), u"Rename file"_s);
    EXPECT_EQ(dlg.size(), QSize(318, 116));
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());
    EXPECT_FALSE(dlg.edOldName->isEnabled());
    EXPECT_TRUE(dlg.edNewName->text().isEmpty());
    EXPECT_TRUE(dlg.btnRename->isDefault());
    EXPECT_EQ(dlg.btnRename->text(), u"Rename"_s);
    EXPECT_EQ(dlg.btnCancel->text(), u"Cancel"_s);
    EXPECT_EQ(dlg.edOldName->parentWidget(), dlg.gbRenameFile);
    EXPECT_EQ(dlg.edNewName->parentWidget(), dlg.gbRenameFile);
}

TEST(RenameDialog, EnterAcceptsWithTheTypedNameAndEscapeCancels)
{
    for (bool accept : {true, false}) {
        TfrmRenameFile dlg;
        dlg.edOldName->setText(u"a.dft"_s);
        bool focused = false;
        bool modal = false;
        QTimer::singleShot(0, &dlg, [&] {
            // The dialog's focus child: the offscreen platform may not activate the window.
            QWidget* target = dlg.focusWidget();
            focused = target == dlg.edNewName;
            modal = dlg.isModal();
            if (!target)
                target = &dlg;
            QTest::keyClicks(target, u"b.dft"_s);
            QTest::keyClick(target, accept ? Qt::Key_Return : Qt::Key_Escape);
        });
        const int result = dlg.exec();
        EXPECT_TRUE(focused);
        EXPECT_EQ(result, accept ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(dlg.edNewName->text(), u"b.dft"_s);
        EXPECT_TRUE(modal);
    }
}
