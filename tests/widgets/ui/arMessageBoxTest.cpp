// The message box as a real dialog on the offscreen platform: buttons, keys, ways of closing,
// timeouts, geometry with the real fonts, and the log of shown boxes.
#include "widgets/ui/arMessageBox.h"
#include "widgets/ui/MessageBoxText.h"

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

using namespace Qt::StringLiterals;

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
        logPath = dir.filePath(u"boxes.log"_s);
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
        return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
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
    EXPECT_EQ(arMessageBox(u"Information"_s, u"File doesn't exists!"_s, {u"Ok"_s}, miInformation), 0);
    EXPECT_EQ(title, u"Information"_s);
    EXPECT_EQ(buttonRect.size(), QSize(75, 25));
    EXPECT_EQ(buttonRect.left(), (client.width() - 75) / 2);
    EXPECT_EQ(buttonRect.top() + 25 + 16, client.height());
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMinMaxButtonsHint);
    ASSERT_EQ(logLines().size(), 1);
    EXPECT_EQ(logLines()[0],
              u"caption=Information\ttext=File doesn't exists!\tbuttons=Ok\tresult=0\tclosed=button"_s);
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
    EXPECT_EQ(arMessageBox(u"Confirmation"_s, u"Exit from application?"_s, {u"Yes"_s, u"No"_s}, miQuestion), 1);
    EXPECT_EQ(focused, u"btn0"_s);
    EXPECT_TRUE(yesDefault);
    EXPECT_FALSE(noDefault);
    EXPECT_EQ(afterTab, u"btn1"_s);

    // Closing the window without a button gives the default index.
    testfiles::WhenMessageBoxShown([](QDialog* box) { box->close(); });
    EXPECT_EQ(arMessageBox(u"Confirmation"_s, u"Exit from application?"_s, {u"Yes"_s, u"No"_s}, miQuestion), 0);
    testfiles::WhenMessageBoxShown([](QDialog* box) { box->close(); });
    EXPECT_EQ(arMessageBox(u"Confirmation"_s, u"Exit from application?"_s, {u"Yes"_s, u"No"_s}, miQuestion, 1), 1);
    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].endsWith(u"buttons=Yes|No\tresult=0\tclosed=window"_s)) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith(u"result=1\tclosed=window"_s));
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
    EXPECT_EQ(arMessageBox(u"T"_s, u"x"_s, {u"A"_s, u"B"_s}, miNone, 5), 0);
    EXPECT_TRUE(firstDefault);
    EXPECT_FALSE(secondDefault);
    testfiles::WhenMessageBoxShown([](QDialog* box) { box->close(); });
    EXPECT_EQ(arMessageBox(u"T"_s, u"x"_s, {u"A"_s, u"B"_s}, miNone, -3), 0);
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
    EXPECT_EQ(arMessageBox(u"T"_s, u"Escape test"_s, {u"Yes"_s, u"No"_s, u"Maybe"_s}, miWarning, 2), 2);
    EXPECT_TRUE(openAfterEscape);
    EXPECT_TRUE(logLines().value(0).endsWith(u"result=2\tclosed=button"_s));

    // With the focus moved to another button, Enter presses that one.
    testfiles::WhenMessageBoxShown([](QDialog* box) {
        button(box, 1)->setFocus();
        QTest::keyClick(button(box, 1), Qt::Key_Return);
    });
    EXPECT_EQ(arMessageBox(u"T"_s, u"Enter test"_s, {u"Yes"_s, u"No"_s, u"Maybe"_s}, miWarning, 0), 1);
}

TEST_F(MessageBoxTest, TimeoutClosesWithTheDefaultResult)
{
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(arMessageBox(u"T"_s, u"closes itself"_s, {u"A"_s, u"B"_s}, miNone, 1, poMainFormCenter, false,
                           nullptr, nullptr, nullptr, 1),
              1);
    EXPECT_GE(t.elapsed(), 900);
    EXPECT_TRUE(logLines().value(0).endsWith(u"result=1\tclosed=timeout"_s));
}

TEST_F(MessageBoxTest, NoTimeoutStaysOpenUnlessTheEnvironmentSetsOne)
{
    bool stillOpen = false;
    testfiles::WhenMessageBoxShown([&](QDialog* box) {
        QTest::qWait(1300);
        stillOpen = box->isVisible();
        button(box, 0)->click();
    });
    EXPECT_EQ(arMessageBox(u"T"_s, u"waits"_s, {u"A"_s, u"B"_s}, miNone, 1), 0);
    EXPECT_TRUE(stillOpen);

    qputenv("KRDL_MSGBOX_TIMEOUT", "0.2");
    EXPECT_EQ(arMessageBox(u"T"_s, u"unattended"_s, {u"A"_s, u"B"_s}, miNone, 1), 1);
    // A box with a timeout of its own keeps it.
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(arMessageBox(u"T"_s, u"own"_s, {u"A"_s}, miNone, 0, poMainFormCenter, false, nullptr,
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
    EXPECT_EQ(arMessageBox(u"T"_s, u"nonsense"_s, {u"A"_s}), 0);
    EXPECT_TRUE(openWithNonsense);
}

TEST_F(MessageBoxTest, EmptyButtonListShowsNothing)
{
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(arMessageBox(u"T"_s, u"never shown"_s, {}, miError), -1);
    EXPECT_LT(t.elapsed(), 500);
    EXPECT_TRUE(logLines().isEmpty());
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_NE(w->objectName(), u"TarMessageBoxForm"_s);
}

TEST_F(MessageBoxTest, ShortTextWithIconPutsTheButtons72BelowTheTop)
{
    QRect icon, label, first;
    bool hasPixmap = false;
    testfiles::WhenMessageBoxShown([&](QDialog* box) {
        auto* img = box->findChild<QLabel*>(u"imgIcon"_s);
        ASSERT_NE(img, nullptr);
        icon = img->geometry();
        hasPixmap = !img->pixmap().isNull();
        label = box->findChild<MessageBoxText*>(u"lblText"_s)->geometry();
        first = button(box, 0)->geometry();
        box->close();
    });
    arMessageBox(u"Confirmation"_s, u"Exit from application?"_s, {u"Yes"_s, u"No"_s}, miQuestion);
    EXPECT_EQ(icon, QRect(16, 16, 32, 32));
    EXPECT_TRUE(hasPixmap);
    EXPECT_EQ(label.top(), 16);
    EXPECT_EQ(label.height(), 32);
    EXPECT_EQ(label.left(), 48 + 17);
    EXPECT_EQ(first.top(), 72);

    bool iconWithoutKind = true;
    testfiles::WhenMessageBoxShown([&](QDialog* box) {
        iconWithoutKind = box->findChild<QLabel*>(u"imgIcon"_s) != nullptr;
        box->close();
    });
    arMessageBox(u"T"_s, u"plain"_s, {u"Ok"_s}, miNone);
    EXPECT_FALSE(iconWithoutKind);
}

TEST_F(MessageBoxTest, LongTextBlockIsOddWideAndHoldsTheWholeText)
{
    QString text;
    for (int i = 0; i < 60; ++i)
        text += QStringLiteral("word%1 ").arg(i);
    text += u"/a/very/long/path/without/any/blank/that/must/still/be/readable/KRDL.ini"_s;
    QRect label;
    QFont font;
    QSize client;
    testfiles::WhenMessageBoxShown([&](QDialog* box) {
        auto* l = box->findChild<MessageBoxText*>(u"lblText"_s);
        label = l->geometry();
        font = l->font();
        client = box->size();
        box->close();
    });
    arMessageBox(u"Error"_s, text, {u"Ok"_s}, miError);
    EXPECT_EQ(label.width() % 2, 1);
    EXPECT_EQ(client.width(), label.width() + 32 + 48);
    // The block is close to four times as wide as high, and exactly as high as its text.
    EXPECT_GT(double(label.width()) / label.height(), 2.0);
    EXPECT_LT(double(label.width()) / label.height(), 8.0);
    EXPECT_EQ(label.height(), MessageBoxText::WrappedHeight(font, text, label.width()));
}

TEST_F(MessageBoxTest, TextMeasureBreaksLongWordsAndKeepsLineBreaks)
{
    QFont font;
    const int line = QFontMetrics(font).height();
    EXPECT_EQ(MessageBoxText::WrappedHeight(font, u""_s, 100), 0);
    const int one = MessageBoxText::WrappedHeight(font, u"short"_s, 500);
    EXPECT_GE(one, line - 1);
    EXPECT_LE(one, line + 1);
    EXPECT_GE(MessageBoxText::WrappedHeight(font, u"one\ntwo\r\nthree"_s, 500), 3 * one);
    // A word far wider than the block takes several lines instead of running off its edge.
    EXPECT_GE(MessageBoxText::WrappedHeight(font, QString(80, u'W'), 60), 5 * one);
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
        seenText = box->findChild<MessageBoxText*>(u"lblText"_s)->font();
        box->close();
    });
    arMessageBox(u"T"_s, u"fonts"_s, {u"A"_s, u"A much longer caption"_s}, miNone, 0, poMainFormCenter, false,
                 nullptr, &textFont, &big);
    EXPECT_EQ(seenButton.pointSize(), 30);
    EXPECT_EQ(seenText.pointSize(), 20);
    const QFontMetrics fm(big);
    EXPECT_GE(b0.height(), fm.height() + 8);
    EXPECT_EQ(b0.height() % 2, 1);
    EXPECT_EQ(b0.width() % 2, 1);
    EXPECT_GE(b0.width(), fm.horizontalAdvance(u"A much longer caption"_s) + 16);
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
        arMessageBox(u"T"_s, u"centred"_s, {u"Ok"_s}, miNone, 0, position);
        EXPECT_LE((centre - mainCentre).manhattanLength(), 4) << "position " << position;
    }

    QPoint centre;
    testfiles::WhenMessageBoxShown([&](QDialog* box) {
        centre = box->frameGeometry().center();
        box->close();
    });
    arMessageBox(u"T"_s, u"centred"_s, {u"Ok"_s}, miNone, 0, poScreenCenter);
    const QPoint screenCentre = QGuiApplication::primaryScreen()->geometry().center();
    EXPECT_LE((centre - screenCentre).manhattanLength(), 4);
}

TEST_F(MessageBoxTest, OwnerGoingAwayClosesTheBoxWithTheDefault)
{
    auto* owner = new QWidget;
    owner->show();
    testfiles::WhenMessageBoxShown([owner](QDialog*) { delete owner; });
    EXPECT_EQ(arMessageBox(u"T"_s, u"owned"_s, {u"A"_s, u"B"_s}, miNone, 1, poOwnerFormCenter, false, owner), 1);
    EXPECT_TRUE(logLines().value(0).endsWith(u"closed=owner"_s));
}

TEST_F(MessageBoxTest, LogEscapesLineBreaksTabsAndSeparators)
{
    testfiles::WhenMessageBoxShown([](QDialog* box) { box->close(); });
    arMessageBox(u"Cap"_s, u"line1\nline2\tend\\"_s, {u"A|B"_s, u"C"_s});
    EXPECT_EQ(logLines().value(0),
              u"caption=Cap\ttext=line1\\nline2\\tend\\\\\tbuttons=A\\|B|C\tresult=0\tclosed=window"_s);
}
