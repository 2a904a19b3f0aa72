// main() of the view test programs: GoogleTest on top of a QApplication.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // No person answers message boxes in a test run: every box closes itself after a second.
    if (qEnvironmentVariableIsEmpty("KRDL_MSGBOX_TIMEOUT"))
        qputenv("KRDL_MSGBOX_TIMEOUT", "1");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
