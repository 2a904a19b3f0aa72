// The log window of a batch run in each of its states, on the offscreen platform.
#include "batch/TarCopyFiles.h"
#include "batch/TarRenameFiles.h"
#include "batch/ui/TarFrmProgressDialog.h"

#include "support/Child.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Runs the deferred deletions that a closed window has asked for.
void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

class NoMessages : public MessageSink {
public:
    void Information(const QString& caption, const QString& text) override
    {
        ADD_FAILURE() << caption.toStdString() << ": " << text.toStdString();
    }
};

// The action and the button bound to it agree.
bool enabled(const TarFrmProgressDialog* d, const QString& action, const QString& button)
{
    return Child<QAction>(d, action)->isEnabled() && Child<QPushButton>(d, button)->isEnabled();
}
bool cancelEnabled(const TarFrmProgressDialog* d) { return enabled(d, u"actCancel"_s, u"btnCancel"_s); }
bool closeEnabled(const TarFrmProgressDialog* d) { return enabled(d, u"actClose"_s, u"btnClose"_s); }

} // namespace

TEST(ProgressDialog, StartsRunningOnTopAndModeless)
{
    auto* d = new TarFrmProgressDialog;
    QPointer<TarFrmProgressDialog> guard(d);
    EXPECT_EQ(d->windowTitle(), u"Progress dialog"_s);
    EXPECT_EQ(d->size(), QSize(392, 345));
    EXPECT_TRUE(d->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(d->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(d->windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_EQ(d->windowModality(), Qt::NonModal);
    EXPECT_TRUE(d->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_FALSE(d->Stopped());
    EXPECT_TRUE(cancelEnabled(d));
    EXPECT_FALSE(closeEnabled(d));
    EXPECT_EQ(Child<QPushButton>(d, u"btnCancel"_s)->text(), u"Cancel"_s);
    EXPECT_EQ(Child<QPushButton>(d, u"btnClose"_s)->text(), u"&Close"_s);
    EXPECT_FALSE(Child<QPlainTextEdit>(d, u"mProgressText"_s)->isReadOnly());

    d->SetCaption(u"Copy files"_s);
    d->Show();
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->windowTitle(), u"Copy files"_s);
    d->AddLine(u"Start copying files..."_s);
    d->AddLine(u" "_s);
    d->AddLine(u"End copying files!"_s);
    EXPECT_EQ(d->Lines(), QStringList({u"Start copying files..."_s, u" "_s, u"End copying files!"_s}));
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
            QTest::keyClick(Child<QPlainTextEdit>(d, u"mProgressText"_s), Qt::Key_Escape);
        else
            QTest::mouseClick(Child<QPushButton>(d, u"btnCancel"_s), Qt::LeftButton);
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
    QTest::mouseClick(Child<QPushButton>(d, u"btnClose"_s), Qt::LeftButton);
    flushDeletes();
    ASSERT_FALSE(guard.isNull());
    d->AddLine(u"User cancel operation!"_s); // the run can still write
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
    QTest::keyClick(Child<QPlainTextEdit>(d, u"mProgressText"_s), Qt::Key_Escape);
    flushDeletes();
    ASSERT_FALSE(guard.isNull());
    EXPECT_TRUE(d->isVisible());
    QTest::mouseClick(Child<QPushButton>(d, u"btnClose"_s), Qt::LeftButton);
    flushDeletes();
    EXPECT_TRUE(guard.isNull());
}

TEST(ProgressDialog, RealRunsEachGetTheirOwnWindow)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString a = tmp.filePath(u"src/a.dft"_s);
    testfiles::WriteBytes(a, "A");
    ProgressDialogFactory factory;
    NoMessages messages;

    TarCopyFiles copy(factory, messages);
    copy.sourceFiles = {a};
    copy.destinationDir = tmp.filePath(u"dest"_s);
    copy.Execute();
    QPointer<TarFrmProgressDialog> first = factory.Last();
    ASSERT_FALSE(first.isNull());

    TarRenameFiles rename(factory);
    rename.sourceFiles = {a};
    rename.oldText = u"a"_s;
    rename.newText = u"b"_s;
    rename.Execute();
    QPointer<TarFrmProgressDialog> second = factory.Last();
    ASSERT_FALSE(second.isNull());
    ASSERT_NE(first, second);

    flushDeletes();
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(first->isVisible() && second->isVisible());
    EXPECT_EQ(first->windowTitle(), u"Copy files"_s);
    EXPECT_EQ(second->windowTitle(), u"Rename files"_s);
    EXPECT_TRUE(first->Finished() && second->Finished());
    EXPECT_EQ(first->Lines(), QStringList({u"Start copying files..."_s, u" "_s,
                                           u"1/1 "_s + a + u" copy to "_s + tmp.filePath(u"dest/a.dft"_s) + u"."_s,
                                           u"Success!"_s, u" "_s, u"End copying files!"_s}));
    EXPECT_EQ(second->Lines().last(), u"End renameing files!"_s);
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
    for (const QString& n : {u"a.dft"_s, u"b.dft"_s, u"c.dft"_s}) {
        sources << tmp.filePath(QString(u"src/"_s) + n);
        testfiles::WriteBytes(sources.back(), "x");
    }
    ProgressDialogFactory factory;
    NoMessages messages;
    // The click waits in the event queue; the run lets it through before its first file.
    QTimer::singleShot(0, [&factory] {
        if (TarFrmProgressDialog* d = factory.Last())
            QTest::mouseClick(Child<QPushButton>(d, u"btnCancel"_s), Qt::LeftButton);
    });
    TarCopyFiles copy(factory, messages);
    copy.sourceFiles = sources;
    copy.destinationDir = tmp.filePath(u"dest"_s);
    copy.Execute();
    QPointer<TarFrmProgressDialog> d = factory.Last();
    ASSERT_FALSE(d.isNull());
    EXPECT_EQ(d->Lines(),
              QStringList({u"Start copying files..."_s, u"User cancel operation!"_s, u" "_s, u"End copying files!"_s}));
    EXPECT_TRUE(copy.destinationFiles.isEmpty());
    EXPECT_EQ(Child<QProgressBar>(d, u"pbProgress"_s)->text(), u"0/3"_s);
    EXPECT_TRUE(closeEnabled(d));
    d->close();
    flushDeletes();
    EXPECT_TRUE(d.isNull());
}

TEST(ProgressDialog, BarShowsFilesDoneOfAllWithElapsedAndRemainingTime)
{
    auto* d = new TarFrmProgressDialog;
    QPointer<TarFrmProgressDialog> guard(d);
    d->Show();
    const QProgressBar* bar = Child<QProgressBar>(d, u"pbProgress"_s);
    const QLabel* time = Child<QLabel>(d, u"lblProgressTime"_s);
    // Before the file loop (a run still connecting) there is nothing to show.
    EXPECT_FALSE(bar->isVisible());
    d->SetProgress(0, 4);
    EXPECT_TRUE(bar->isVisible() && time->isVisible());
    EXPECT_EQ(bar->text(), u"0/4"_s);
    EXPECT_EQ(time->text(), u"Elapsed 0:00"_s);
    QTest::qWait(20);
    d->SetProgress(1, 4);
    EXPECT_EQ(bar->text(), u"1/4"_s);
    EXPECT_TRUE(time->text().startsWith(u"Elapsed 0:00, remaining 0:0"_s)) << time->text().toStdString();
    d->AddLine(u"User cancel operation!"_s);
    d->Finish();
    // A run that ended early keeps its count and drops the estimate.
    EXPECT_EQ(bar->text(), u"1/4"_s);
    EXPECT_EQ(time->text(), u"Elapsed 0:00"_s);
    EXPECT_EQ(d->Lines(), QStringList{u"User cancel operation!"_s});
    d->close();
    flushDeletes();
    EXPECT_TRUE(guard.isNull());
}
