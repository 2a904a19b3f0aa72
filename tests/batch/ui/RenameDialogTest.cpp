// The modal dialog of "Rename file".
#include "batch/ui/TfrmRenameFile.h"
#include "support/Child.h"

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
    EXPECT_FALSE(Child<QLineEdit>(&dlg, u"edOldName"_s)->isEnabled());
    EXPECT_TRUE(Child<QLineEdit>(&dlg, u"edNewName"_s)->text().isEmpty());
    EXPECT_TRUE(Child<QPushButton>(&dlg, u"btnRename"_s)->isDefault());
    EXPECT_EQ(Child<QPushButton>(&dlg, u"btnRename"_s)->text(), u"Rename"_s);
    EXPECT_EQ(Child<QPushButton>(&dlg, u"btnCancel"_s)->text(), u"Cancel"_s);
    EXPECT_EQ(Child<QLineEdit>(&dlg, u"edOldName"_s)->parentWidget(), Child<QGroupBox>(&dlg, u"gbRenameFile"_s));
    EXPECT_EQ(Child<QLineEdit>(&dlg, u"edNewName"_s)->parentWidget(), Child<QGroupBox>(&dlg, u"gbRenameFile"_s));
}

TEST(RenameDialog, EnterAcceptsWithTheTypedNameAndEscapeCancels)
{
    for (bool accept : {true, false}) {
        TfrmRenameFile dlg;
        Child<QLineEdit>(&dlg, u"edOldName"_s)->setText(u"a.dft"_s);
        bool focused = false;
        bool modal = false;
        QTimer::singleShot(0, &dlg, [&] {
            // The dialog's focus child: the offscreen platform may not activate the window.
            QWidget* target = dlg.focusWidget();
            focused = target == Child<QLineEdit>(&dlg, u"edNewName"_s);
            modal = dlg.isModal();
            if (!target)
                target = &dlg;
            QTest::keyClicks(target, u"b.dft"_s);
            QTest::keyClick(target, accept ? Qt::Key_Return : Qt::Key_Escape);
        });
        const int result = dlg.exec();
        EXPECT_TRUE(focused);
        EXPECT_EQ(result, accept ? QDialog::Accepted : QDialog::Rejected);
        EXPECT_EQ(Child<QLineEdit>(&dlg, u"edNewName"_s)->text(), u"b.dft"_s);
        EXPECT_TRUE(modal);
    }
}
