// main() of the view test programs: GoogleTest on top of a QApplication (a QGuiApplication in
// the test programs of a gui layer, built with KRDL_TEST_GUI_ONLY).
#ifdef KRDL_TEST_GUI_ONLY
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#else
#include <QApplication>
using TestApplication = QApplication;
#endif
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // No person answers message boxes in a test run: every box closes itself after a second.
    if (qEnvironmentVariableIsEmpty("KRDL_MSGBOX_TIMEOUT"))
        qputenv("KRDL_MSGBOX_TIMEOUT", "1");
    // Windows store their positions in the per-user configuration folder when they go: a test
    // run keeps away from the real one, also where a test sets and clears KRDL_CONFIG_HOME.
    const QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    qputenv("APPDATA", QDir::toNativeSeparators(config.path()).toUtf8()); // the same on Windows
    // Renames run by the tests are recorded in the undo journal of the per-user data folder.
    const QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    qputenv("LOCALAPPDATA", QDir::toNativeSeparators(data.path()).toUtf8());
    ::testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
