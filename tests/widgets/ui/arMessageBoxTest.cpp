// The message box as a real dialog on the offscreen platform: buttons, keys, ways of closing,
// timeouts, geometry with the real fonts, and the log of shown boxes.
#include "widgets/ui/arMessageBox.h"
#include "widgets/ui/arMessageBoxText.h"

#include "support/MessageBoxProbe.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

QPushButton* button(QDialog* box, int i)
{
    return box->findChild<QPushButton*>(QStringLiteral("btn%1").arg(i));
}


class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedTimeout = qgetenv("KRDL_MSGBOX_TIMEOUT");
        qunsetenv("KRDL_MSGBOX_TIMEOUT");
        ASSERT_TRUE(dir.isValid());
        logPath = dir.filePath("boxes.log");
        qputenv("KRDL_MSGBOX_LOG", logPath.toUtf8());
    }
    void TearDown() override
    {
        qunsetenv("KRDL_MSGBOX_LOG");
        if (savedTimeout.isEmpty())
            qunsetenv("KRDL_MSGBOX_TIMEOUT");
        else
            qputenv("KRDL_MSGBOX_TIMEOUT", savedTimeout);
    }
    QStringList logLines() const
    {
        QFile f(logPath);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    QByteArray savedTimeout;
    QTemporaryDir dir;
    QString logPath;
};

} // namespace

TEST_F(MessageBoxTest, OneOkButtonIsTheSmallestButtonCentredAndReturnsZero)
{
    QRect buttonRect;
    QSize client;
    QString title;
    Qt::WindowFlags flags;
    testfiles::WhenMessageBoxShown([&](QDialog* box) {
        buttonRect = button(box, 0)->geometry();
        client = box->size();
        title = box->windowTitle();
        flags = box->windowFlags();
        button(box, 0)->click();
    });
    EXPECT_EQ(arMessageBox("Information", "File doesn't exists!", {"Ok"}, miInformation), 0);
    EXPECT_EQ(title, "Information");
    EXPECT_EQ(buttonRect.size(), QSize(75, 25));
    EXPECT_EQ(buttonRect.left(), (client.width() - 75) / 2);
    EXPECT_EQ(buttonRect.top() + 25 + 16, client.height());
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMinMaxButtonsHint);
    ASSERT_EQ(logLines().size(), 1);
    EXPECT_EQ(logLines()[0],
              "caption=Information\ttext=File doesn't exists!\tbuttons=Ok\tresult=0\tclosed=button");
}

TEST_F(MessageBoxTest, YesNoFocusTabOrderAndResults)
{
    QString focused;
    bool yesDefault = false;
    bool noDefault = true;
    QString afterTab;
    testfiles::WhenMessageBoxShown([&](QDialog* box) {
        focused = box->focusWidget() ? box->focusWidget()->objectName() : QString();
        yesDefault = button(box, 0)->isDefault();
        noDefault = button(box, 1)->isDefault();
        afterTab = button(box, 0)->nextInFocusChain()->objectName();
        button(box, 1)->click();
    });
    EXPECT_EQ(arMessageBox("Confirmation", "Exit from application?", {"Yes", "No"}, miQuestion), 1);
    EXPECT_EQ(focused, "btn0");
    EXPECT_TRUE(yesDefault);
    EXPECT_FALSE(noDefault);
    EXPECT_EQ(afterTab, "btn1");

    // Closing the window without a button gives the default index.
    testfiles::WhenMessageBoxShown([](QDialog* box) { box->close(); });
    EXPECT_EQ(arMessageBox("Confirmation", "Exit from application?", {"Yes", "No"}, miQuestion), 0);
    testfiles::WhenMessageBoxShown([](QDialog* box) { box->close(); });
    EXPECT_EQ(arMessageBox("Confirmation", "Exit from application?", {"Yes", "No"}, miQuestion, 1), 1);
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].endsWith("buttons=Yes|No\tresult=0\tclosed=window")) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith("result=1\tclosed=window"));
}

TEST_F(MessageBoxTest, DefaultOutOfRangeFallsBackToTheFirstButton)
{
    bool firstDefault = false;
    bool secondDefault = true;
    testfiles::WhenMessageBoxShown([&](QDialog* box) {
        firstDefault = button(box, 0)->isDefault();
        secondDefault = button(box, 1)->isDefault();
        box->close();
    });
    EXPECT_EQ(arMessageBox("T", "x", {"A", "B"}, miNone, 5), 0);
    EXPECT_TRUE(firstDefault);
    EXPECT_FALSE(secondDefault);
    testfiles::WhenMessageBoxShown([](QDialog* box) { box->close(); });
    EXPECT_EQ(arMessageBox("T", "x", {"A", "B"}, miNone, -3), 0);
}

TEST_F(MessageBoxTest, EscapeDoesNotCloseEnterPressesTheFocusedButton)
{
    bool openAfterEscape = false;
    testfiles::WhenMessageBoxShown([&](QDialog* box) {
        QTest::keyClick(box->focusWidget(), Qt::Key_Escape);
        QTest::keyClick(box, Qt::Key_Escape);
        openAfterEscape = box->isVisible();
        QTest::keyClick(box->focusWidget(), Qt::Key_Return);
    });
    EXPECT_EQ(arMessageBox("T", "Escape test", {"Yes", "No", "Maybe"}, miWarning, 2), 2);
    EXPECT_TRUE(openAfterEscape);
    EXPECT_TRUE(logLines().value(0).endsWith("result=2\tclosed=button"));

    // With the focus moved to another button, Enter presses that one.
    testfiles::WhenMessageBoxShown([](QDialog* box) {
        button(box, 1)->setFocus();
        QTest::keyClick(button(box, 1), Qt::Key_Return);
    });
    EXPECT_EQ(arMessageBox("T", "Enter test", {"Yes", "No", "Maybe"}, miWarning, 0), 1);
}

TEST_F(MessageBoxTest, TimeoutClosesWithTheDefaultResult)
{
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(arMessageBox("T", "closes itself", {"A", "B"}, miNone, 1, poMainFormCenter, false,
                           nullptr, nullptr, nullptr, 1),
              1);
    EXPECT_GE(t.elapsed(), 900);
    EXPECT_TRUE(logLines().value(0).endsWith("result=1\tclosed=timeout"));
}

TEST_F(MessageBoxTest, NoTimeoutStaysOpenUnlessTheEnvironmentSetsOne)
{
    bool stillOpen = false;
    testfiles::WhenMessageBoxShown([&](QDialog* box) {
        QTest::qWait(1300);
        stillOpen = box->isVisible();
        button(box, 0)->click();
    });
    EXPECT_EQ(arMessageBox("T", "waits", {"A", "B"}, miNone, 1), 0);
    EXPECT_TRUE(stillOpen);

    qputenv("KRDL_MSGBOX_TIMEOUT", "0.2");
    EXPECT_EQ(arMessageBox("T", "unattended", {"A", "B"}, miNone, 1), 1);
    // A box with a timeout of its own keeps it.
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(arMessageBox("T", "own", {"A"}, miNone, 0, poMainFormCenter, false, nullptr,
                           nullptr, nullptr, 1),
              0);
    EXPECT_GE(t.elapsed(), 900);
    // Nonsense in the variable means no timeout.
    qputenv("KRDL_MSGBOX_TIMEOUT", "soon");
    bool openWithNonsense = false;
    testfiles::WhenMessageBoxShown([&](QDialog* box) {
        QTest::qWait(300);
        openWithNonsense = box->isVisible();
        button(box, 0)->click();
    });
    EXPECT_EQ(arMessageBox("T", "nonsense", {"A"}), 0);
    EXPECT_TRUE(openWithNonsense);
}

TEST_F(MessageBoxTest, EmptyButtonListShowsNothing)
{
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(arMessageBox("T", "never shown", {}, miError), -1);
    EXPECT_LT(t.elapsed(), 500);
    EXPECT_TRUE(logLines().isEmpty());
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_NE(w->objectName(), "TarMessageBoxForm");
}

TEST_F(MessageBoxTest, ShortTextWithIconPutsTheButtons72BelowTheTop)
{
    QRect icon, label, first;
    bool hasPixmap = false;
    testfiles::WhenMessageBoxShown([&](QDialog* box) {
        auto* img = box->findChild<QLabel*>("imgIcon");
        ASSERT_NE(img, nullptr);
        icon = img->geometry();
        hasPixmap = !img->pixmap().isNull();
        label = box->findChild<TarMessageText*>("lblText")->geometry();
        first = button(box, 0)->geometry();
        box->close();
    });
    arMessageBox("Confirmation", "Exit from application?", {"Yes", "No"}, miQuestion);
    EXPECT_EQ(icon, QRect(16, 16, 32, 32));
    EXPECT_TRUE(hasPixmap);
    EXPECT_EQ(label.top(), 16);
    EXPECT_EQ(label.height(), 32);
    EXPECT_EQ(label.left(), 48 + 17);
    EXPECT_EQ(first.top(), 72);

    bool iconWithoutKind = true;
    testfiles::WhenMessageBoxShown([&](QDialog* box) {
        iconWithoutKind = box->findChild<QLabel*>("imgIcon") != nullptr;
        box->close();
    });
    arMessageBox("T", "plain", {"Ok"}, miNone);
    EXPECT_FALSE(iconWithoutKind);
}

TEST_F(MessageBoxTest, LongTextBlockIsOddWideAndHoldsTheWholeText)
{
    QString text;
    for (int i = 0; i < 60; ++i)
        text += QStringLiteral("word%1 ").arg(i);
    text += "/a/very/long/path/without/any/blank/that/must/still/be/readable/KRDL.ini";
    QRect label;
    QFont font;
    QSize client;
    testfiles::WhenMessageBoxShown([&](QDialog* box) {
        auto* l = box->findChild<TarMessageText*>("lblText");
        label = l->geometry();
        font = l->font();
        client = box->size();
        box->close();
    });
    arMessageBox("Error", text, {"Ok"}, miError);
    EXPECT_EQ(label.width() % 2, 1);
    EXPECT_EQ(client.width(), label.width() + 32 + 48);
    // The block is close to four times as wide as high, and exactly as high as its text.
    EXPECT_GT(double(label.width()) / label.height(), 2.0);
    EXPECT_LT(double(label.width()) / label.height(), 8.0);
    EXPECT_EQ(label.height(), TarMessageText::wrappedHeight(font, text, label.width()));
}

TEST_F(MessageBoxTest, TextMeasureBreaksLongWordsAndKeepsLineBreaks)
{
    QFont font;
    const int line = QFontMetrics(font).height();
    EXPECT_EQ(TarMessageText::wrappedHeight(font, "", 100), 0);
    const int one = TarMessageText::wrappedHeight(font, "short", 500);
    EXPECT_GE(one, line - 1);
    EXPECT_LE(one, line + 1);
    EXPECT_GE(TarMessageText::wrappedHeight(font, "one\ntwo\r\nthree", 500), 3 * one);
    // A word far wider than the block takes several lines instead of running off its edge.
    EXPECT_GE(TarMessageText::wrappedHeight(font, QString(80, 'W'), 60), 5 * one);
}

TEST_F(MessageBoxTest, FontsAreCopiedIntoTextAndButtons)
{
    QFont big;
    big.setPointSize(30);
    QFont textFont;
    textFont.setPointSize(20);
    QRect b0, b1;
    QFont seenButton, seenText;
    testfiles::WhenMessageBoxShown([&](QDialog* box) {
        b0 = button(box, 0)->geometry();
        b1 = button(box, 1)->geometry();
        seenButton = button(box, 1)->font();
        seenText = box->findChild<TarMessageText*>("lblText")->font();
        box->close();
    });
    arMessageBox("T", "fonts", {"A", "A much longer caption"}, miNone, 0, poMainFormCenter, false,
                 nullptr, &textFont, &big);
    EXPECT_EQ(seenButton.pointSize(), 30);
    EXPECT_EQ(seenText.pointSize(), 20);
    const QFontMetrics fm(big);
    EXPECT_GE(b0.height(), fm.height() + 8);
    EXPECT_EQ(b0.height() % 2, 1);
    EXPECT_EQ(b0.width() % 2, 1);
    EXPECT_GE(b0.width(), fm.horizontalAdvance("A much longer caption") + 16);
    EXPECT_EQ(b0.size(), b1.size());
    EXPECT_EQ(b1.left(), b0.left() + b0.width() + 8);
}

TEST_F(MessageBoxTest, PlacementCentresOnTheMainWindowOrTheScreen)
{
    QMainWindow main;
    main.setGeometry(40, 60, 600, 400);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    const QPoint mainCentre = main.frameGeometry().center();

    for (int position : {int(poMainFormCenter), 99}) {
        QPoint centre;
        testfiles::WhenMessageBoxShown([&](QDialog* box) {
            centre = box->frameGeometry().center();
            box->close();
        });
        arMessageBox("T", "centred", {"Ok"}, miNone, 0, position);
        EXPECT_LE((centre - mainCentre).manhattanLength(), 4) << "position " << position;
    }

    QPoint centre;
    testfiles::WhenMessageBoxShown([&](QDialog* box) {
        centre = box->frameGeometry().center();
        box->close();
    });
    arMessageBox("T", "centred", {"Ok"}, miNone, 0, poScreenCenter);
    const QPoint screenCentre = QGuiApplication::primaryScreen()->geometry().center();
    EXPECT_LE((centre - screenCentre).manhattanLength(), 4);
}

TEST_F(MessageBoxTest, OwnerGoingAwayClosesTheBoxWithTheDefault)
{
    auto* owner = new QWidget;
    owner->show();
    testfiles::WhenMessageBoxShown([owner](QDialog*) { delete owner; });
    EXPECT_EQ(arMessageBox("T", "owned", {"A", "B"}, miNone, 1, poOwnerFormCenter, false, owner), 1);
    EXPECT_TRUE(logLines().value(0).endsWith("closed=owner"));
}

TEST_F(MessageBoxTest, LogEscapesLineBreaksTabsAndSeparators)
{
    testfiles::WhenMessageBoxShown([](QDialog* box) { box->close(); });
    arMessageBox("Cap", "line1\nline2\tend\\", {"A|B", "C"});
    EXPECT_EQ(logLines().value(0),
              "caption=Cap\ttext=line1\\nline2\\tend\\\\\tbuttons=A\\|B|C\tresult=0\tclosed=window");
}
