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
    ui::HauptWin32 view;
    ui::TFHaupt form(pen, view);
    if (!view.Create(form)) return 1;
    platform::SetMessageFilter(
        [&view](void* msg) { return view.PreTranslate(*static_cast<MSG*>(msg)); });
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                platform::SetMessageFilter({});
                return static_cast<int>(msg.wParam);
            }
            if (platform::FilterMessage(&msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        platform::RunPendingHandOvers();
        platform::WaitForMessages(std::chrono::milliseconds(INFINITE));
    }
}

void ShowFatalError(const std::string& text) {
    MessageBoxW(nullptr, platform::Widen(text).c_str(), platform::Widen(ui::kAppTitle).c_str(),
                MB_OK | MB_ICONERROR);
}
