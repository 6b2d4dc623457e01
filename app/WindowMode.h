#pragma once

#include <string>

class TDMPen;

// Window mode: shows the main window and runs its message loop. Returns the
// exit code.
int RunWindowMode(TDMPen& pen);

// The window mode's handler for framework errors.
void ShowFatalError(const std::string& text);
