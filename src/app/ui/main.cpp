// Program entry: the start-up sequence over the real application, settings store, instance
// lock, message box and main window, with the files named on the command line
// (`KRDL FILE...`, as a file manager's "Open with" starts it).
#include "app/Startup.h"
#include "app/ui/ProgramEnvironment.h"
#include "automation/dispatch/AutomationServer.h"
#include "common/FsPath.h"
#include "platform/Interrupt.h"
#include "settings/ui/SystemDesktop.h"

#include <QApplication>

#include <filesystem>
#include <system_error>

namespace {

// Absolute, against this start's working folder: a running instance that takes them has
// another one.
QStringList AbsolutePaths(const QStringList& args)
{
    QStringList paths;
    for (const QString& arg : args) {
        std::error_code ec;
        const auto absolute = std::filesystem::absolute(ToFsPath(arg), ec);
        if (!arg.isEmpty() && !ec)
            paths << FromFsPath(absolute.lexically_normal());
    }
    return paths;
}

} // namespace

int main(int argc, char** argv)
{
    // Takes its own options (-style, -platform, ...) out of the arguments.
    QApplication app(argc, argv);
    // Solid Edge is called from this thread only, as a single-threaded apartment.
    AutomationApartment apartment;
    // Ties the windows to the installed desktop entry (krdl.desktop): its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("krdl"));
    // A copy or save past the file size limit fails and is reported instead of ending the program.
    platform::KeepRunningPastFileSizeLimit();
    SystemDesktop desktop;
    ProgramEnvironment env(desktop);
    return startup::RunProgram(env, AbsolutePaths(CommandLineArguments(argc, argv)));
}
