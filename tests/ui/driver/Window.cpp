// Finding the window, its controls and boxes, and reaching into its process.

#include <cstdio>
#include <cstdlib>

#include "Driver.h"
#include "Haupt.h"
#include "HauptView.h"

namespace uidriver {

void Fail(const std::string& what) {
    throw Failure{what};
}

std::wstring WindowText(HWND h) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length)) return {};
    std::wstring text(std::size_t(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(h, WM_GETTEXT, WPARAM(text.size()), LPARAM(text.data()), SMTO_NORMAL, 5000,
                        &copied);
    text.resize(std::size_t(copied));
    return text;
}

std::wstring ClassOf(HWND h) {
    wchar_t name[256];
    const int n = GetClassNameW(h, name, 256);
    return std::wstring(name, std::size_t(n > 0 ? n : 0));
}

void Print(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
}
void Print(const std::wstring& line) {
    Print(platform::Narrow(line));
}

std::vector<std::wstring> ComboItems(HWND combo) {
    std::vector<std::wstring> items;
    const int n = int(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        std::wstring t(std::size_t(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
        t.resize(std::size_t(SendMessageW(combo, CB_GETLBTEXT, i, LPARAM(t.data()))));
        items.push_back(t);
    }
    return items;
}

HWND WaitFor(const std::function<HWND()>& found, DWORD bound, const char* what) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND h = found()) return h;
        if (GetTickCount() - start > bound) Fail(std::string("timed out waiting for ") + what);
        Sleep(20);
    }
}

HWND FindMain() {
    HWND found = nullptr;
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            const std::string caption = platform::Narrow(WindowText(h));
            if (caption.rfind(ui::kCaptionPrefix, 0) == 0 && ClassOf(h) != L"#32770") {
                *reinterpret_cast<HWND*>(lp) = h;
                return FALSE;
            }
            return TRUE;
        },
        LPARAM(&found));
    return found;
}

HWND Main() {
    HWND h = FindMain();
    if (!h) Fail("no Stylorix window");
    return h;
}

HWND Control(int id) {
    // The window builds the controls of the pages it does not show first
    // just after it appears: one of them is waited for as the window is.
    const std::string what = "control " + std::to_string(id);
    return WaitFor(
        [id] {
            struct Search {
                int id;
                HWND found;
            } search{id, nullptr};
            EnumChildWindows(
                Main(),
                [](HWND h, LPARAM lp) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(lp);
                    if (GetDlgCtrlID(h) == s->id) {
                        s->found = h;
                        return FALSE;
                    }
                    return TRUE;
                },
                LPARAM(&search));
            return search.found;
        },
        kDefaultWait, what.c_str());
}

HWND FindBox() {
    HWND main = FindMain();
    if (!main) return nullptr;
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    struct Search {
        DWORD pid;
        HWND found;
    } search{pid, nullptr};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            if (owner == s->pid && ClassOf(h) == L"#32770" && IsWindowVisible(h)) {
                s->found = h;
                return FALSE;
            }
            return TRUE;
        },
        LPARAM(&search));
    return search.found;
}

void Sync() {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(Main(), WM_NULL, 0, 0, SMTO_NORMAL, kDefaultWait, &ignored);
}

const std::map<std::string, int>& ControlNames() {
    static const std::map<std::string, int> names = {
#define STYLORIX_CONTROL_NAME(name, id) {#name, id},
        STYLORIX_CONTROLS(STYLORIX_CONTROL_NAME)
#undef STYLORIX_CONTROL_NAME
    };
    return names;
}

int Number(const std::string& text) {
    if (auto it = ControlNames().find(text); it != ControlNames().end()) return it->second;
    return int(std::strtol(text.c_str(), nullptr, 0));
}

Remote::Remote(HWND window, std::size_t size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_.Reset(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    if (!process_) Fail("cannot open the window's process");
    memory_ = VirtualAllocEx(process_.Get(), nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    if (!memory_) Fail("cannot allocate in the window's process");
}

Remote::~Remote() {
    VirtualFreeEx(process_.Get(), memory_, 0, MEM_RELEASE);
}

void Remote::Write(std::size_t offset, const void* data, std::size_t n) {
    if (!WriteProcessMemory(process_.Get(), Address(offset), data, n, nullptr))
        Fail("remote write");
}

void Remote::Read(std::size_t offset, void* data, std::size_t n) const {
    if (!ReadProcessMemory(process_.Get(), Address(offset), data, n, nullptr)) Fail("remote read");
}

std::wstring Remote::ReadText(std::size_t offset, std::size_t chars) const {
    std::wstring text(chars, L'\0');
    Read(offset, text.data(), chars * sizeof(wchar_t));
    text.resize(wcsnlen(text.c_str(), chars));
    return text;
}

void Input(std::vector<INPUT> inputs) {
    if (SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size())
        Fail("input not taken");
}

DWORD Bound(const Args& a, std::size_t at) {
    return a.size() > at ? DWORD(Number(a[at])) : kDefaultWait;
}

}  // namespace uidriver
