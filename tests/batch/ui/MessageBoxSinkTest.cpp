// The copy run's destination checks shown as message boxes, before any log window.
#include "batch/TarCopyFiles.h"
#include "batch/ui/TarFrmProgressDialog.h"
#include "batch/ui/MessageBoxSink.h"

#include "support/TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(MessageBoxSink, DestinationChecksShowInformationBoxesWithoutALogWindow)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString log = tmp.filePath(u"boxes.log"_s);
    qputenv("KRDL_MSGBOX_LOG", log.toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("KRDL_MSGBOX_TIMEOUT"))
        qputenv("KRDL_MSGBOX_TIMEOUT", "0.05");
    const QString a = tmp.filePath(u"a.dft"_s);
    testfiles::WriteBytes(a, "A");

    ProgressDialogFactory factory;
    MessageBoxSink messages;
    TarCopyFiles unset(factory, messages);
    unset.sourceFiles = {a};
    unset.Execute();
    TarCopyFiles uncreatable(factory, messages);
    uncreatable.sourceFiles = {a};
    uncreatable.destinationDir = tmp.filePath(u"no/such"_s);
    uncreatable.Execute();
    qunsetenv("KRDL_MSGBOX_LOG");

    EXPECT_EQ(factory.Last(), nullptr);
    const QStringList lines = QString::fromUtf8(testfiles::ReadBytes(log)).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(u"caption=Information\ttext=Destination directory is not set!\tbuttons=Ok\t"_s))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith(u"caption=Information\ttext=Cannot create directory!\tbuttons=Ok\t"_s))
        << lines[1].toStdString();
}
