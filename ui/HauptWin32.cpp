// The main window's frame: class, creation, DPI, keyboard and the window
// procedure that hands every notification to the presenter.

#include <windows.h>

#include "HauptWin32.h"

#include <commctrl.h>
#include <dbt.h>

#include <algorithm>
#include <iterator>
#include <string_view>
#include <utility>

#include "MainThread.h"
#include "TextWin32.h"

namespace ui {

namespace {

constexpr UINT kWmHandOver = WM_APP + 1;     // the worker queued a hand-over
constexpr UINT kWmFinishStart = WM_APP + 2;  // a step of what the start put off
constexpr UINT kWmDpiChanged = 0x02E0;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

// Functions newer than the oldest system the program runs on.
template <typename Fn>
Fn* User32(const char* name) {
    return platform::ProcEntry<Fn>(GetModuleHandleW(L"user32.dll"), name);
}

UINT DpiOf(HWND hwnd) {
    static const auto getDpiForWindow = User32<UINT WINAPI(HWND)>("GetDpiForWindow");
    if (getDpiForWindow && hwnd) {
        if (UINT dpi = getDpiForWindow(hwnd)) return dpi;
    }
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? UINT(dpi) : 96;
}

RECT OuterRect(SIZE client, UINT dpi) {
    RECT r{0, 0, client.cx, client.cy};
    static const auto adjustForDpi =
        User32<BOOL WINAPI(LPRECT, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    if (adjustForDpi)
        adjustForDpi(&r, kStyle, FALSE, kExStyle, dpi);
    else
        AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
    return r;
}

}  // namespace

HauptWin32::HauptWin32() = default;

HauptWin32::~HauptWin32() {
    // The presenter may be gone already: the window goes without its handlers.
    form_ = nullptr;
    if (hwnd_) DestroyWindow(hwnd_);
}

bool HauptWin32::Create(TFHaupt& form) {
    form_ = &form;
    HINSTANCE inst = GetModuleHandleW(nullptr);
    StartCommonControls();

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpfnWndProc = WindowProc;
    wc.lpszClassName = kWindowClass;
    wc.hIcon = StateIcon(-1, false);
    wc.hIconSm = StateIcon(-1, true);
    RegisterClassExW(&wc);
    wc.lpfnWndProc = PageProc;
    wc.lpszClassName = kPageClass;
    wc.hIcon = wc.hIconSm = nullptr;
    RegisterClassExW(&wc);

    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");

    // Made in its place for the system's DPI: moving it once it holds its
    // controls costs a few milliseconds under Wine. Should the window get
    // another DPI, it is sized again.
    dpi_ = DpiOf(nullptr);
    RECT place = Placement();
    hwnd_ = CreateWindowExW(kExStyle, kWindowClass, platform::Widen(kAppTitle).c_str(), kStyle,
                            place.left, place.top, place.right - place.left,
                            place.bottom - place.top, nullptr, nullptr, inst, this);
    if (!hwnd_) return false;
    const UINT created = dpi_;
    dpi_ = DpiOf(hwnd_);
    MakeFonts();
    CreateControls();
    if (dpi_ != created) {
        place = Placement();
        SetWindowPos(hwnd_, nullptr, place.left, place.top, place.right - place.left,
                     place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    platform::SetWakeHook([hwnd = hwnd_] { PostMessageW(hwnd, kWmHandOver, 0, 0); });
    form_->Safely([this] { form_->FormCreate(); });
    // The presenter picks the page; should it not have, the tab's own.
    if (!std::any_of(Layout().begin(), Layout().end(), [this](const LayoutItem& item) {
            return item.kind == Kind::Page && Hwnd(item.id);
        }))
        ShowPage(int(ActivePage()));
    SetFocus(Hwnd(Ctl::BDownload));
    // Shown, minimised or hidden in the notification area, as the settings say.
    // No UpdateWindow: the paint follows as soon as the queue is empty, and a
    // program that asked something of the new window meanwhile gets its answer
    // first.
    form_->Safely([this] { form_->FormShow(); });
    SetTimer(hwnd_, kStartTimer, kStartDelayMs, nullptr);
    return true;
}

// Centred on the work area, at the window's size for its DPI.
RECT HauptWin32::Placement() const {
    const RECT outer = OuterRect({Scale(kClientSize.Width), Scale(kClientSize.Height)}, dpi_);
    const int w = outer.right - outer.left, h = outer.bottom - outer.top;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int left = work.left + (work.right - work.left - w) / 2;
    const int top = work.top + (work.bottom - work.top - h) / 2;
    return {left, top, left + w, top + h};
}

HWND HauptWin32::FindRunning() {
    struct Search {
        HWND found = nullptr;
        std::wstring prefix = platform::Widen(kCaptionPrefix);
    } search;
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(lp);
            wchar_t name[64] = {};
            GetClassNameW(hwnd, name, int(std::size(name)));
            if (std::wstring_view(name) != kWindowClass) return TRUE;
            wchar_t caption[256] = {};
            GetWindowTextW(hwnd, caption, int(std::size(caption)));
            if (std::wstring_view(caption).substr(0, s.prefix.size()) != s.prefix) return TRUE;
            s.found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool HauptWin32::PreTranslate(MSG& msg) {
    if (!hwnd_ || (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd))) return false;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && GetKeyState(VK_CONTROL) < 0) {
        const int count = int(SendMessageW(Hwnd(Ctl::PageControl1), TCM_GETITEMCOUNT, 0, 0));
        const int step = GetKeyState(VK_SHIFT) < 0 ? count - 1 : 1;
        ShowPage((int(ActivePage()) + step) % count);
        return true;
    }
    return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

LRESULT CALLBACK HauptWin32::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<HauptWin32*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<HauptWin32*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self || !self->form_) return DefWindowProcW(hwnd, msg, wp, lp);
    return self->Handle(msg, wp, lp);
}

// Pages hold controls; their notifications belong to the window.
LRESULT CALLBACK HauptWin32::PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_HSCROLL:
        case WM_VSCROLL:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return SendMessageW(GetAncestor(hwnd, GA_ROOT), msg, wp, lp);
        default:
            return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

LRESULT HauptWin32::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    TFHaupt& form = *form_;
    if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
        form.Safely([&] { form.TaskbarCreated(); });
        return 0;
    }
    switch (msg) {
        case WM_COMMAND:
            OnCommand(LOWORD(wp), HIWORD(wp));
            return 0;
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<const NMHDR*>(lp));
        case WM_ACTIVATE:
            // The focus comes back to the control that had it, as in a dialog.
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(hwnd_, focus)) focus_ = focus;
            } else if (focus_ && IsWindow(focus_)) {
                SetFocus(focus_);
                return 0;
            }
            break;
        case WM_SIZE:
            // The status bar keeps itself along the bottom edge.
            SendMessageW(Hwnd(Ctl::StatusBar1), WM_SIZE, 0, 0);
            return 0;
        case WM_CTLCOLORSTATIC:
            if (std::find(yellowControls_.begin(), yellowControls_.end(),
                          reinterpret_cast<HWND>(lp)) != yellowControls_.end()) {
                HDC dc = reinterpret_cast<HDC>(wp);
                SetBkColor(dc, kYellow);
                SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
                return reinterpret_cast<LRESULT>(yellow_.Get());
            }
            break;
        case WM_SYSCOMMAND: {
            bool handled = false;
            form.Safely([&] { handled = form.WMSysCommand(std::uint32_t(wp)); });
            if (handled) return 0;
            break;
        }
        case kTrayCallbackMessage:
            form.Safely([&] { form.TrayIconMessage(std::uint32_t(lp)); });
            return 0;
        case kWmAppIdentify: {
            std::intptr_t answer = 0;
            form.Safely([&] { answer = form.WMAppIdentify(); });
            return answer;
        }
        case kWmAppActivate:
            form.Safely([&] { form.WMAppActivate(); });
            return 0;
        case kWmAppHandOver:
            form.Safely([&] { form.WMAppHandOver(std::uintptr_t(wp)); });
            return 0;
        case kWmHandOver:
            platform::RunPendingHandOvers();
            return 0;
        case kWmFinishStart:
            if (FinishStartStep()) PostMessageW(hwnd_, kWmFinishStart, 0, 0);
            return 0;
        case WM_TIMER:
            if (wp == kWatchTimer) form.Safely([&] { form.WatchTick(); });
            if (wp == kStartTimer) {
                KillTimer(hwnd_, kStartTimer);
                PostMessageW(hwnd_, kWmFinishStart, 0, 0);
            }
            return 0;
        case WM_DEVICECHANGE:
            if ((wp == DBT_DEVICEARRIVAL || wp == DBT_DEVICEREMOVECOMPLETE) && lp &&
                reinterpret_cast<const DEV_BROADCAST_HDR*>(lp)->dbch_devicetype == DBT_DEVTYP_PORT)
                form.Safely([&] { form.DeviceChange(); });
            return TRUE;
        case kWmDpiChanged: {
            dpi_ = HIWORD(wp);
            MakeFonts();
            ApplyLayout();
            const RECT* r = reinterpret_cast<const RECT*>(lp);
            SetWindowPos(hwnd_, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_CLOSE:
            form.Safely([&] {
                if (form.FormCloseQuery()) DestroyWindow(hwnd_);
            });
            return 0;
        case WM_QUERYENDSESSION: {
            bool agrees = true;
            form.Safely([&] { agrees = form.QueryEndSession(); });
            return agrees;
        }
        case WM_ENDSESSION:
            // Windows may end the process once this returns: the close steps
            // run now, and the window goes unless an exchange must unwind first.
            if (wp) {
                form.Safely([&] { form.EndSession(); });
                if (!form.Busy()) DestroyWindow(hwnd_);
            }
            return 0;
        case WM_DESTROY:
            form.Safely([&] { form.FormDestroy(); });
            platform::SetWakeHook({});
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY: {
            HWND gone = std::exchange(hwnd_, nullptr);
            SetWindowLongPtrW(gone, GWLP_USERDATA, 0);
            return DefWindowProcW(gone, msg, wp, lp);
        }
        default:
            break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

void HauptWin32::OnCommand(int id, int code) {
    if (quiet_ > 0) return;
    const Ctl ctl = Ctl(id);
    TFHaupt& form = *form_;
    if (code == BN_CLICKED) {
        form.Safely([&] { form.Command(ctl, Notify::Click); });
    } else if (code == EN_CHANGE || code == CBN_SELCHANGE) {
        form.Safely([&] { form.Command(ctl, Notify::Change); });
    }
}

LRESULT HauptWin32::OnNotify(const NMHDR& hdr) {
    if (hdr.hwndFrom == Hwnd(Ctl::PageControl1) && hdr.code == TCN_SELCHANGE) {
        ShowPage(int(SendMessageW(hdr.hwndFrom, TCM_GETCURSEL, 0, 0)));
        return 0;
    }
    if (hdr.hwndFrom == Hwnd(Ctl::ListView1)) return ListNotify(hdr);
    return 0;
}

}  // namespace ui
