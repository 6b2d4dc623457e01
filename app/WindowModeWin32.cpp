#include <windows.h>

#include <chrono>

#include "Haupt.h"
#include "HauptWin32.h"
#include "MainThread.h"
#include "TextWin32.h"
#include "WindowMode.h"

// Creates the main window and runs its message loop until it is closed. The
// loop also runs the worker's hand-overs while it waits.
int RunWindowMode(TDMPen& pen) {
    // One window: a second start brings the first forward (also out of the
    // notification area) and ends.
    if (HWND running = ui::HauptWin32::FindRunning()) {
        DWORD owner = 0;
        GetWindowThreadProcessId(running, &owner);
        // Started by the user, this process may hand the foreground on.
        AllowSetForegroundWindow(owner);
        DWORD_PTR result = 0;
        SendMessageTimeoutW(running, ui::kWmAppActivate, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
        return 0;
    }
    ui::HauptWin32 view;
    ui::TFHaupt form(pen, view);
    if (!view.Create(form)) return 1;
    platform::SetMessageFilter(
        [&view](void* msg) { return view.PreTranslate(*static_cast<MSG*>(msg)); });
    for (;;) {
        // The same pump as the pen's waits; it leaves the quit request queued.
        platform::ProcessMessages();
        MSG quit;
        if (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
            platform::SetMessageFilter({});
            return static_cast<int>(quit.wParam);
        }
        platform::WaitForMessages(std::chrono::milliseconds(INFINITE));
    }
}

void ShowFatalError(const std::string& text) {
    MessageBoxW(nullptr, platform::Widen(text).c_str(), platform::Widen(ui::kAppTitle).c_str(),
                MB_OK | MB_ICONERROR);
}
