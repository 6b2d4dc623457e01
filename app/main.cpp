// Program entry of both modes: without arguments the window, with arguments
// one console run. Framework errors end up in the one handler of each mode.

#include <exception>
#include <string>
#include <vector>

#include "ConsoleMode.h"
#include "FSSystem.h"
#include "MainThread.h"
#include "Pen.h"
#include "Program.h"
#include "WindowMode.h"

int main(int argc, char** argv) {
    platform::MarkMainThread();
    FSSystemStartup();
    const std::vector<std::string> args = platform::ProgramArguments(argc, argv);
    const bool consoleMode = !args.empty();

    int exitCode = 0;
    try {
        const std::string programPath = platform::ProgramPath(argc > 0 ? argv[0] : nullptr);
        TDMPen pen;
        DMPen = &pen;
        pen.OnConsoleMode = [&](TDMPen& p) { exitCode = RunConsoleMode(p, args); };
        if (consoleMode) {
            pen.DataModuleCreate(programPath, true);
        } else {
            try {
                pen.DataModuleCreate(programPath, false);
            } catch (const std::exception&) {
                // A setting of the wrong type: the window reads the settings
                // again, reports the error once and opens all the same, so the
                // user can mend the setting there.
            }
            exitCode = RunWindowMode(pen);
        }
        DMPen = nullptr;
    } catch (const std::exception& e) {
        DMPen = nullptr;
        // The data module is gone by now, so the port of an interrupted
        // exchange has been released.
        if (consoleMode) {
            // A console run never opens a window, and a failure is no success.
            ErrWriteLn(std::string("stylorix: ") + e.what());
            return kExitFrameworkError;
        }
        ShowFatalError(e.what());
    }
    return exitCode;
}
