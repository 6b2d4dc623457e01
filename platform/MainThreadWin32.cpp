#include <windows.h>

#include "HandlesWin32.h"
#include "MainThread.h"

namespace platform {
namespace {

// Set when a hand-over is queued, so a wait for window messages wakes for it
// too. Auto-reset: each wake-up consumes it.
HANDLE TheEvent() {
    static const OwnedEvent event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    return event.Get();
}

}  // namespace

void detail::NotifyMainThread() {
    SetEvent(TheEvent());
}

void WaitForMessages(std::chrono::milliseconds timeout) {
    HANDLE event = TheEvent();
    // MWMO_INPUTAVAILABLE: messages already in the queue end the wait too.
    MsgWaitForMultipleObjectsEx(1, &event, static_cast<DWORD>(timeout.count()), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE | MWMO_ALERTABLE);
}

void ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Keep the quit request for the window's own loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (FilterMessage(&msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    RunPendingHandOvers();
}

}  // namespace platform
