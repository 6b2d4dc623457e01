// What the window asks of the system: message boxes, icons and the
// notification area, showing and hiding, clipboard, save dialog, shell and atoms.

#include <windows.h>

#include <commdlg.h>
#include <shellapi.h>
#include <cstring>
#include <utility>

#include "HauptWin32.h"
#include "LateLibraryWin32.h"
#include "TextWin32.h"

namespace ui {

using platform::LateLibrary;

namespace {

// The buttons of a question box carry the window's own German texts, whatever
// the system's language.
thread_local HHOOK boxHook = nullptr;

LRESULT CALLBACK BoxTexts(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wp);
        if (GetDlgItem(box, IDYES)) SetDlgItemTextW(box, IDYES, L"&Ja");
        if (GetDlgItem(box, IDNO)) SetDlgItemTextW(box, IDNO, L"&Nein");
        if (GetDlgItem(box, IDOK)) SetDlgItemTextW(box, IDOK, L"OK");
    }
    return CallNextHookEx(boxHook, code, wp, lp);
}

struct HookOwner {
    HHOOK previous = boxHook;
    HookOwner() { boxHook = SetWindowsHookExW(WH_CBT, BoxTexts, nullptr, GetCurrentThreadId()); }
    ~HookOwner() {
        if (boxHook) UnhookWindowsHookEx(boxHook);
        boxHook = previous;
    }
};

void NotifyShell(DWORD message, NOTIFYICONDATAW& data) {
    if (auto* notify = platform::LateEntry<LateLibrary::Shell32, decltype(Shell_NotifyIconW)>(
            "Shell_NotifyIconW"))
        notify(message, &data);
}

struct ClipboardOpen {
    bool open;
    explicit ClipboardOpen(HWND owner) : open(OpenClipboard(owner) != FALSE) {}
    ~ClipboardOpen() {
        if (open) CloseClipboard();
    }
};

}  // namespace

Answer HauptWin32::ShowBox(BoxKind kind, const std::string& text, Buttons buttons) {
    UINT type = buttons == Buttons::YesNo ? MB_YESNO : MB_OK;
    std::string caption = kAppTitle;
    switch (kind) {
        case BoxKind::Plain:
            break;
        case BoxKind::Warning:
            caption = "Warnung";
            type |= MB_ICONWARNING;
            break;
        case BoxKind::Error:
            caption = "Fehler";
            type |= MB_ICONERROR;
            break;
        case BoxKind::AppError:
            type |= MB_ICONERROR;
            break;
    }
    HookOwner hook;
    HWND owner = hwnd_ && IsWindowVisible(hwnd_) ? hwnd_ : nullptr;
    const int answer =
        MessageBoxW(owner, platform::Widen(text).c_str(), platform::Widen(caption).c_str(), type);
    if (answer == IDYES) return Answer::Yes;
    if (answer == IDNO) return Answer::No;
    return Answer::Ok;
}

HICON HauptWin32::StateIcon(int state, bool small) const {
    static const wchar_t* const kNames[] = {L"OFF", L"GRUEN", L"GELB", L"ROT"};
    const wchar_t* name = state == -1                ? L"MAINICON"
                          : state >= 0 && state <= 3 ? kNames[state]
                                                     : nullptr;
    if (!name) return nullptr;
    const int cx = GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON);
    const int cy = GetSystemMetrics(small ? SM_CYSMICON : SM_CYICON);
    // Shared icons belong to the system's cache: nothing to destroy.
    return static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), name, IMAGE_ICON, cx, cy, LR_SHARED));
}

void HauptWin32::SetIconState(int state) {
    iconState_ = state;
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, LPARAM(StateIcon(state, false)));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, LPARAM(StateIcon(state, true)));
}

void HauptWin32::NotifyIcon(TrayOp op, const std::string& tip) {
    // The shell answers the adding only after a round trip to its own
    // process: the icon waits until the window is up, and what changes it
    // meanwhile goes into its first appearance.
    if (!trayReady_) {
        if (op == TrayOp::Delete)
            trayAdd_.reset();
        else if (op == TrayOp::Add || trayAdd_)
            trayAdd_ = tip;
        return;
    }
    // The record's first version: a tip of 64 characters.
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = hwnd_;
    data.uID = 0;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayCallbackMessage;
    data.hIcon = StateIcon(iconState_, true);
    lstrcpynW(data.szTip, platform::Widen(tip).c_str(), 64);
    const DWORD message = op == TrayOp::Add      ? NIM_ADD
                          : op == TrayOp::Modify ? NIM_MODIFY
                                                 : NIM_DELETE;
    NotifyShell(message, data);
}

void HauptWin32::ShowTrayIcon() {
    trayReady_ = true;
    if (trayAdd_) NotifyIcon(TrayOp::Add, *std::exchange(trayAdd_, std::nullopt));
}

void HauptWin32::ShowBalloon(const std::string& text, bool failure) {
    // A balloon needs its icon.
    if (!trayReady_) ShowTrayIcon();
    // Balloons came with the record's second version.
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V2_SIZE;
    data.hWnd = hwnd_;
    data.uID = 0;
    data.uFlags = NIF_INFO;
    lstrcpynW(data.szInfo, platform::Widen(text).c_str(), int(std::size(data.szInfo)));
    lstrcpynW(data.szInfoTitle, platform::Widen(kAppTitle).c_str(),
              int(std::size(data.szInfoTitle)));
    data.dwInfoFlags = failure ? NIIF_WARNING : NIIF_INFO;
    NotifyShell(NIM_MODIFY, data);
}

void HauptWin32::StartTimer(std::int32_t ms) {
    SetTimer(hwnd_, kWatchTimer, UINT(ms), nullptr);
}

void HauptWin32::StopTimer() {
    KillTimer(hwnd_, kWatchTimer);
}

TrayChoice HauptWin32::TrayMenu() {
    platform::OwnedMenu menu(CreatePopupMenu());
    constexpr UINT kShow = 1, kClose = 2;
    AppendMenuW(menu.Get(), MF_STRING, kShow, L"&Anzeigen");
    SetMenuDefaultItem(menu.Get(), kShow, FALSE);
    AppendMenuW(menu.Get(), MF_STRING, kClose, L"&Beenden");
    POINT at{};
    GetCursorPos(&at);
    const UINT chosen = UINT(
        TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr));
    // Lets the menu close when the user clicks elsewhere next time.
    PostMessageW(hwnd_, WM_NULL, 0, 0);
    return chosen == kShow    ? TrayChoice::Show
           : chosen == kClose ? TrayChoice::Close
                              : TrayChoice::None;
}

void HauptWin32::Hide() {
    ShowWindow(hwnd_, SW_HIDE);
}

void HauptWin32::ShowNormal() {
    ShowWindow(hwnd_, SW_RESTORE);
    if (!IsWindowVisible(hwnd_)) ShowWindow(hwnd_, SW_SHOW);
}

void HauptWin32::MinimiseApp() {
    ShowWindow(hwnd_, SW_MINIMIZE);
}

bool HauptWin32::AppMinimised() {
    return IsIconic(hwnd_) != FALSE;
}

bool HauptWin32::Visible() {
    return IsWindowVisible(hwnd_) != FALSE;
}

void HauptWin32::RestoreApp() {
    ShowWindow(hwnd_, SW_RESTORE);
}

void HauptWin32::SetForeground() {
    SetForegroundWindow(hwnd_);
}

void HauptWin32::ForceForeground() {
    const DWORD foreground = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    const DWORD self = GetCurrentThreadId();
    const bool attached = foreground != self && AttachThreadInput(foreground, self, TRUE);
    SetForegroundWindow(hwnd_);
    if (attached) AttachThreadInput(foreground, self, FALSE);
}

void HauptWin32::RequestClose() {
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

bool HauptWin32::PutClipboardText(const std::string& text) {
    const std::wstring wide = platform::Widen(text);
    const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    platform::OwnedGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory) return false;
    void* target = GlobalLock(memory.Get());
    if (!target) return false;
    std::memcpy(target, wide.c_str(), bytes);
    GlobalUnlock(memory.Get());
    ClipboardOpen clipboard(hwnd_);
    if (!clipboard.open || !EmptyClipboard()) return false;
    if (!SetClipboardData(CF_UNICODETEXT, memory.Get())) return false;
    memory.Release();  // the clipboard owns it now
    return true;
}

std::optional<std::string> HauptWin32::SaveDialog(const FileRequest& request) {
    return FileDialog(request, true);
}

std::optional<std::string> HauptWin32::OpenDialog(const FileRequest& request) {
    return FileDialog(request, false);
}

std::optional<std::string> HauptWin32::FileDialog(const FileRequest& request, bool save) {
    std::wstring filter = platform::Widen(request.FilterName);
    filter += L'\0';
    filter += platform::Widen(request.FilterPattern);
    filter += L'\0';
    const std::wstring dir = platform::Widen(request.InitialDir);
    const std::wstring ext = platform::Widen(request.DefaultExt);
    std::wstring file(MAX_PATH * 4, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd_;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = DWORD(file.size());
    ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
    ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
    ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER;
    if (!save) ofn.Flags |= OFN_FILEMUSTEXIST;
    auto* run = platform::LateEntry<LateLibrary::Comdlg32, decltype(GetSaveFileNameW)>(
        save ? "GetSaveFileNameW" : "GetOpenFileNameW");
    if (!run || !run(&ofn)) return std::nullopt;
    file.resize(wcslen(file.c_str()));
    return platform::Narrow(file);
}

void HauptWin32::ShellOpen(const std::string& address) {
    if (auto* open =
            platform::LateEntry<LateLibrary::Shell32, decltype(ShellExecuteW)>("ShellExecuteW"))
        open(hwnd_, L"open", platform::Widen(address).c_str(), nullptr, nullptr, SW_SHOW);
}

AtomText HauptWin32::GlobalAtomName(std::uint16_t atom) {
    wchar_t buffer[260];
    SetLastError(0);
    const UINT n = GlobalGetAtomNameW(atom, buffer, 260);
    if (n == 0) {
        const DWORD error = GetLastError();
        return {false, {}, error, platform::SystemMessage(error)};
    }
    return {true, platform::Narrow(std::wstring_view(buffer, n)), 0, {}};
}

}  // namespace ui
