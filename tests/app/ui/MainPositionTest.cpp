// The main window reopens where, how large and in which state it was closed; the position goes
// to the user's configuration folder, never into the program INI file.
#include "app/ui/TfrmMain.h"
#include "settings/FormPosition.h"
#include "settings/IniFile.h"
#include "support/ConfigSandbox.h"
#include "support/FakeDesktop.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

TEST(MainPosition, TheWindowReopensAsItWasClosed)
{
    testfiles::ConfigSandbox dir;
    testfiles::FakeDesktop desktop(dir.filePath(u"bin/KRDL"_s));
    ASSERT_TRUE(dir.isValid());
    testfiles::WriteBytes(dir.filePath(u"bin/KRDL.ini"_s), "[SETTINGS]\r\n");

    auto window = std::make_unique<TfrmMain>(desktop);
    EXPECT_EQ(window->size(), QSize(758, 578)) << "a first start keeps the designed size";
    window->move(40, 50);
    window->resize(700, 500);
    window.reset();
    EXPECT_EQ(ReadFormPosition(true, u"KRDL.ini"_s, u"frmMain"_s), (FormPosition{40, 50, 700, 500, wsNormal}));
    EXPECT_EQ(testfiles::ReadBytes(dir.filePath(u"bin/KRDL.ini"_s)), "[SETTINGS]\r\n");

    window = std::make_unique<TfrmMain>(desktop);
    EXPECT_EQ(window->pos(), QPoint(40, 50));
    EXPECT_EQ(window->size(), QSize(700, 500));
    window->showMaximized();
    window.reset();

    window = std::make_unique<TfrmMain>(desktop);
    EXPECT_TRUE(window->windowState() & Qt::WindowMaximized);
    window.reset();
}
