#include "FSSystem.h"
#include "OptionLine.h"
#include "WindowMode.h"

// There is no window outside Windows: say how to use the console run instead.
int RunWindowMode(TDMPen&) {
    ErrWriteLn("stylorix: the window exists only in the Windows program; use the console options:");
    for (const auto& line : UsageLines()) ConWriteLn(line);
    return 1;
}

void ShowFatalError(const std::string& text) {
    ErrWriteLn("stylorix: " + text);
}
