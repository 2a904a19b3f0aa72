// Program entry: the start-up sequence over the real application, settings store, instance
// lock, message box and main window.
#include "app/Startup.h"
#include "app/ui/ProgramEnvironment.h"
#include "automation/dispatch/AutomationServer.h"
#include "platform/Interrupt.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Solid Edge is called from this thread only, as a single-threaded apartment.
    AutomationApartment apartment;
    // A copy or save past the file size limit fails and is reported instead of ending the program.
    platform::KeepRunningPastFileSizeLimit();
    ProgramEnvironment env;
    return startup::RunProgram(env);
}
