#include "ConsoleMode.h"

#include "FSSystem.h"

int RunConsoleMode(TDMPen& pen, const std::vector<std::string>& args) {
    ConsoleOptions options = ParseOptions(args);
    if (options.Help) {
        for (const auto& line : UsageLines()) ConWriteLn(line);
        return 1;
    }
    return RunReadCycle(pen, options);
}
