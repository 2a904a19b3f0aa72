// The log window of a batch run in each of its states, on the offscreen platform.
#include "batch/TarCopyFiles.h"
#include "batch/TarRenameFiles.h"
#include "batch/ui/TarFrmProgressDialog.h"

#include "support/TestFiles.h"

#include <QAction>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Runs the deferred deletions that a closed window has asked for.
void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

class NoMessages : public TarMessageSink {
public:
    void Information(const QString& caption, const QString& text) override
    {
        ADD_FAILURE() << caption.toStdString() << ": " << text.toStdString();
    }
};

bool cancelEnabled(const TarFrmProgressDialog* d) { return d->actCancel->isEnabled() && d->btnCancel->isEnabled(); }
bool closeEnabled(const TarFrmProgressDialog* d) { return d->actClose->isEnabled() && d->btnClose->isEnabled(); }

} // namespace

TEST(ProgressDialog, StartsRunningOnTopAndModeless)
{
    auto* d = new TarFrmProgressDialog;
    QPointer<TarFrmProgressDialog> guard(d);
    EXPECT_EQ(d->windowTitle(), "Progress dialog");
    EXPECT_EQ(d->size(), QSize(392, 345));
    EXPECT_TRUE(d->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(d->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(d->windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_EQ(d->windowModality(), Qt::NonModal);
    EXPECT_TRUE(d->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_FALSE(d->Stopped());
    EXPECT_TRUE(cancelEnabled(d));
    EXPECT_FALSE(closeEnabled(d));
    EXPECT_EQ(d->btnCancel->text(), "Cancel");
    EXPECT_EQ(d->btnClose->text(), "&Close");
    EXPECT_FALSE(d->mProgressText->isReadOnly());

    d->SetCaption("Copy files");
    d->Show();
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->windowTitle(), "Copy files");
    d->AddLine("Start copying files...");
    d->AddLine(" ");
    d->AddLine("End copying files!");
    EXPECT_EQ(d->Lines(), QStringList({"Start copying files...", " ", "End copying files!"}));
    d->Finish();
    d->close();
    flushDeletes();
    EXPECT_TRUE(guard.isNull());
}

TEST(ProgressDialog, CancelAndEscapeStopTheRunButKeepTheWindow)
{
    for (bool byKey : {false, true}) {
        auto* d = new TarFrmProgressDialog;
        QPointer<TarFrmProgressDialog> guard(d);
        d->Show();
        QCoreApplication::processEvents();
        if (byKey)
            QTest::keyClick(d->mProgressText, Qt::Key_Escape);
        else
            QTest::mouseClick(d->btnCancel, Qt::LeftButton);
        EXPECT_TRUE(d->Stopped()) << byKey;
        EXPECT_FALSE(d->Finished());
        EXPECT_FALSE(cancelEnabled(d));
        EXPECT_TRUE(closeEnabled(d));
        flushDeletes();
        ASSERT_FALSE(guard.isNull());
        EXPECT_TRUE(d->isVisible());
        d->Finish();
        d->close();
        flushDeletes();
        EXPECT_TRUE(guard.isNull());
    }
}

TEST(ProgressDialog, CloseBeforeFinishIsHeldUntilFinish)
{
    auto* d = new TarFrmProgressDialog;
    QPointer<TarFrmProgressDialog> guard(d);
    d->Show();
    // A keyboard close while the run goes on: it acts as Cancel and the window stays.
    EXPECT_FALSE(d->close());
    flushDeletes();
    ASSERT_FALSE(guard.isNull());
    EXPECT_TRUE(d->Stopped());
    EXPECT_TRUE(d->isVisible());
    // Close pressed while cancelling: still held.
    QTest::mouseClick(d->btnClose, Qt::LeftButton);
    flushDeletes();
    ASSERT_FALSE(guard.isNull());
    d->AddLine("User cancel operation!"); // the run can still write
    d->Finish();
    flushDeletes();
    EXPECT_TRUE(guard.isNull());
}

TEST(ProgressDialog, FinishedWindowIgnoresEscapeAndClosesWithClose)
{
    auto* d = new TarFrmProgressDialog;
    QPointer<TarFrmProgressDialog> guard(d);
    d->Show();
    d->Finish();
    EXPECT_TRUE(d->Stopped());
    EXPECT_FALSE(cancelEnabled(d));
    EXPECT_TRUE(closeEnabled(d));
    QTest::keyClick(d->mProgressText, Qt::Key_Escape);
    flushDeletes();
    ASSERT_FALSE(guard.isNull());
    EXPECT_TRUE(d->isVisible());
    QTest::mouseClick(d->btnClose, Qt::LeftButton);
    flushDeletes();
    EXPECT_TRUE(guard.isNull());
}

TEST(ProgressDialog, RealRunsEachGetTheirOwnWindow)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString a = tmp.filePath("src/a.dft");
    testfiles::WriteBytes(a, "A");
    TarProgressDialogFactory factory;
    NoMessages messages;

    TarCopyFiles copy(factory, messages);
    copy.SourceFiles = {a};
    copy.DestinationDir = tmp.filePath("dest");
    copy.Execute();
    QPointer<TarFrmProgressDialog> first = factory.Last();
    ASSERT_FALSE(first.isNull());

    TarRenameFiles rename(factory);
    rename.SourceFiles = {a};
    rename.OldText = "a";
    rename.NewText = "b";
    rename.Execute();
    QPointer<TarFrmProgressDialog> second = factory.Last();
    ASSERT_FALSE(second.isNull());
    ASSERT_NE(first, second);

    flushDeletes();
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(first->isVisible() && second->isVisible());
    EXPECT_EQ(first->windowTitle(), "Copy files");
    EXPECT_EQ(second->windowTitle(), "Rename files");
    EXPECT_TRUE(first->Finished() && second->Finished());
    EXPECT_EQ(first->Lines(), QStringList({"Start copying files...", " ",
                                           "1/1 " + a + " copy to " + tmp.filePath("dest/a.dft") + ".",
                                           "Success!", " ", "End copying files!"}));
    EXPECT_EQ(second->Lines().last(), "End renameing files!");
    EXPECT_TRUE(closeEnabled(first) && !cancelEnabled(first));
    first->close();
    second->close();
    flushDeletes();
    EXPECT_TRUE(first.isNull() && second.isNull());
}

TEST(ProgressDialog, CancelClickSeenAtTheRunsNextCheck)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    QStringList sources;
    for (const char* n : {"a.dft", "b.dft", "c.dft"}) {
        sources << tmp.filePath(QString("src/") + n);
        testfiles::WriteBytes(sources.back(), "x");
    }
    TarProgressDialogFactory factory;
    NoMessages messages;
    // The click waits in the event queue; the run lets it through before its first file.
    QTimer::singleShot(0, [&factory] {
        if (TarFrmProgressDialog* d = factory.Last())
            QTest::mouseClick(d->btnCancel, Qt::LeftButton);
    });
    TarCopyFiles copy(factory, messages);
    copy.SourceFiles = sources;
    copy.DestinationDir = tmp.filePath("dest");
    copy.Execute();
    QPointer<TarFrmProgressDialog> d = factory.Last();
    ASSERT_FALSE(d.isNull());
    EXPECT_EQ(d->Lines(),
              QStringList({"Start copying files...", "User cancel operation!", " ", "End copying files!"}));
    EXPECT_TRUE(copy.DestinationFiles.isEmpty());
    EXPECT_TRUE(closeEnabled(d));
    d->close();
    flushDeletes();
    EXPECT_TRUE(d.isNull());
}
