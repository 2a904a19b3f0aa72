// The window position store on a real window: read at load, write when the window goes, the
// events, the pull-back on the offscreen screen, and a write that fails while the window is
// destroyed. The maximized state is tested on the main window.
#include "settings/FormPosition.h"
#include "settings/Settings.h"
#include "settings/ui/TarFormPosSave.h"
#include "support/ConfigSandbox.h"
#include "support/MessageBoxProbe.h"
#include "support/TestFiles.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A window whose destructor runs the store's destroy handler, as the main window's does.
class HookedWindow : public QWidget {
public:
    ~HookedWindow() override { findChild<TarFormPosSave*>()->FormDestroy(); }
};

class FormPosSave : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
    }
    // A main window as the program builds it: the store is its child, loaded after the build.
    std::unique_ptr<QWidget> window(bool useIniFile = true, const QString& nameKey = u"KRDL.ini"_s)
    {
        auto w = std::make_unique<QWidget>();
        w->setObjectName(u"frmMain"_s);
        w->resize(400, 300);
        store = new TarFormPosSave(w.get());
        store->nameKey = nameKey;
        store->useIniFile = useIniFile;
        return w;
    }
    testfiles::ConfigSandbox dir;
    TarFormPosSave* store = nullptr;
};

} // namespace

TEST_F(FormPosSave, TheWindowReopensWhereItWasClosedAndAFirstStartKeepsItsPlace)
{
    for (const bool ini : {true, false}) {
        const QString key = ini ? u"KRDL.ini"_s : QString();
        auto w = window(ini, key);
        const QRect created = w->geometry();
        store->Loaded();
        EXPECT_EQ(w->geometry(), created) << "nothing stored yet";
        w->move(30, 40);
        w->resize(320, 210);
        w.reset();

        w = window(ini, key);
        store->Loaded();
        EXPECT_EQ(w->pos(), QPoint(30, 40)) << ini;
        EXPECT_EQ(w->size(), QSize(320, 210)) << ini;
        EXPECT_FALSE(w->isMaximized());
    }
    // An empty name key in registry mode is the running program's name, without its extension.
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    EXPECT_EQ(RegReadString(program + u"\\frmMain"_s, u"Left"_s), u"30"_s);
}

TEST_F(FormPosSave, StoredBoundsArePulledBackOntoThePrimaryScreen)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    auto w = window();
    struct Case {
        QRect stored;
        QRect applied;
    } cases[] = {
        {{screen.width() - 100, 20, 300, 200}, {screen.width() - 300, 20, 300, 200}},
        {{20, screen.height() - 50, 300, 200}, {20, screen.height() - 200, 300, 200}},
        {{-200, 20, 300, 200}, {-200, 20, 300, 200}},
        {{5000, 3000, 300, 200}, {screen.width() - 300, screen.height() - 200, 300, 200}},
        {{-4000, 20, 300, 200}, {0, 0, 300, 200}},
        {{10, 10, screen.width() + 900, screen.height() + 50}, {0, 0, screen.width(), screen.height()}},
    };
    for (const Case& c : cases) {
        store->ApplyPosition(wsNormal, c.stored.x(), c.stored.y(), c.stored.width(), c.stored.height());
        EXPECT_EQ(QRect(w->pos(), w->size()), c.applied);
    }
    // A width or height that is missing keeps the window's own.
    store->ApplyPosition(wsNormal, 0, 0, 300, 200);
    store->ApplyPosition(wsNormal, 15, 25, -1, 0);
    EXPECT_EQ(QRect(w->pos(), w->size()), QRect(15, 25, 300, 200));
}

TEST_F(FormPosSave, TheEventsSeeAndChangeTheValues)
{
    auto w = window();
    store->onWriteIni = [](int& left, int& top, int& width, int& height, int& state) {
        EXPECT_EQ(state, wsNormal);
        left += 1;
        top += 2;
        width += 3;
        height += 4;
    };
    w->move(10, 10);
    w->resize(200, 100);
    w.reset();
    EXPECT_EQ(ReadFormPosition(true, u"KRDL.ini"_s, u"frmMain"_s), (FormPosition{11, 12, 203, 104, wsNormal}));

    w = window();
    int seenLeft = 0;
    store->onReadIni = [&](int& left, int& top, int&, int&, int&) {
        seenLeft = left;
        top = 77;
    };
    store->Loaded();
    EXPECT_EQ(seenLeft, 11);
    EXPECT_EQ(w->pos(), QPoint(11, 77));
}

TEST_F(FormPosSave, AFailedWriteAtDestroyIsShownAndTheProgramGoesOn)
{
    auto w = std::make_unique<HookedWindow>();
    w->setObjectName(u"frmMain"_s);
    (new TarFormPosSave(w.get()))->useIniFile = true;
    testfiles::WriteBytes(dir.filePath(u"config"_s), "a file where the folder should be");
    const QString log = dir.filePath(u"boxes.log"_s);
    qputenv("KRDL_MSGBOX_LOG", log.toUtf8());
    testfiles::WhenMessageBoxShown([](QDialog* box) { box->reject(); });
    w.reset();
    qunsetenv("KRDL_MSGBOX_LOG");
    EXPECT_TRUE(QString::fromUtf8(testfiles::ReadBytes(log)).contains(u"text=Unable to write to "_s));
}
