// The exit question of the main window: every way of closing asks it, "No" keeps the window
// and its list as they were, "Yes" or a question closed without an answer lets it close.
#include "app/ui/TfrmMain.h"
#include "MainWindowChildren.h"
#include "filelist/ui/FileListModel.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "support/ConfigSandbox.h"
#include "support/FakeDesktop.h"
#include "support/MessageBoxProbe.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace {


void press(QDialog* box, int index)
{
    box->findChild<QPushButton*>(QStringLiteral("btn%1").arg(index))->click();
}

class MainExitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        savedTimeout = qgetenv("KRDL_MSGBOX_TIMEOUT");
        qunsetenv("KRDL_MSGBOX_TIMEOUT");
        qputenv("KRDL_MSGBOX_LOG", dir.filePath(u"boxes.log"_s).toUtf8());
        window = std::make_unique<TfrmMain>(desktop);
        window->FileList()->AppendEntries({{true, u"a.dft"_s, u"C:\\Work"_s}, {false, u"b.par"_s, u"C:\\Work"_s}});
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override
    {
        window.reset();
        qunsetenv("KRDL_MSGBOX_LOG");
        if (!savedTimeout.isEmpty())
            qputenv("KRDL_MSGBOX_TIMEOUT", savedTimeout);
    }
    QStringList logLines() const
    {
        QFile f(dir.filePath(u"boxes.log"_s));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    testfiles::ConfigSandbox dir;
    testfiles::FakeDesktop desktop{dir.filePath(u"KRDL"_s)};
    QByteArray savedTimeout;
    std::unique_ptr<TfrmMain> window;
};

const char kQuestion[] =
    "caption=Confirmation\ttext=Exit from application?\tbuttons=Yes|No\tresult=";

} // namespace

TEST_F(MainExitTest, NoKeepsTheWindowAndTheList)
{
    testfiles::WhenMessageBoxShown([](QDialog* box) { press(box, 1); });
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->FileList()->rowCount(), 2);
    EXPECT_EQ(window->CheckedCount(), 1);
    ASSERT_EQ(logLines().size(), 1);
    EXPECT_EQ(logLines()[0], QString::fromLatin1(kQuestion) + u"1\tclosed=button"_s);
}

TEST_F(MainExitTest, ExitActionAsksTooAndYesCloses)
{
    testfiles::WhenMessageBoxShown([](QDialog* box) { press(box, 1); });
    Action(window.get(), u"actExit"_s)->trigger();
    EXPECT_TRUE(window->isVisible());

    testfiles::WhenMessageBoxShown([](QDialog* box) { press(box, 0); });
    Action(window.get(), u"actExit"_s)->trigger();
    EXPECT_FALSE(window->isVisible());
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1], QString::fromLatin1(kQuestion) + u"0\tclosed=button"_s);
}

TEST_F(MainExitTest, QuestionClosedWithoutAnAnswerLetsTheWindowClose)
{
    testfiles::WhenMessageBoxShown([](QDialog* box) { box->close(); });
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(logLines().value(0), QString::fromLatin1(kQuestion) + u"0\tclosed=window"_s);
}
