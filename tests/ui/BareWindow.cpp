// The least a window program can do: register a class, create a window with
// the main window's client size, show it. tests/ui/wine/bench.sh times it
// beside Stylorix.exe, so the program's start is weighed against what any
// window costs on the same machine. Its caption starts as the main window's
// does, so the driver's wait and close find it. With the argument "thread" it
// first starts a thread and waits for its end, as the program starts its
// serial worker before its window: under Wine that alone slows the window.

#include <windows.h>

#include <cstring>
#include <string>
#include <thread>

#include "Haupt.h"
#include "Layout.h"

namespace {

LRESULT CALLBACK BareProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR args, int show) {
    if (std::strcmp(args, "thread") == 0) std::thread([] {}).join();
    constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpfnWndProc = BareProc;
    wc.lpszClassName = L"StylorixBareWindow";
    if (!RegisterClassExW(&wc)) return 1;

    RECT r{0, 0, ui::kClientSize.Width, ui::kClientSize.Height};
    AdjustWindowRectEx(&r, kStyle, FALSE, 0);
    // Nothing of the program's libraries is linked in: the prefix is plain ASCII.
    const char* prefix = ui::kCaptionPrefix;
    const std::wstring caption =
        std::wstring(prefix, prefix + std::strlen(prefix)) + L"bare window";
    HWND hwnd =
        CreateWindowExW(0, wc.lpszClassName, caption.c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                        r.right - r.left, r.bottom - r.top, nullptr, nullptr, inst, nullptr);
    if (!hwnd) return 1;
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
