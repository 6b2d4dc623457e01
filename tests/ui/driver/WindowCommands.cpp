// Commands on the window and its controls: waiting for it, reading and
// setting controls, pages, status bar, messages, DPI, focus and keys.

#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

#include "Driver.h"
#include "Haupt.h"
#include "HauptView.h"

namespace uidriver {

namespace {

// A rectangle as the scripts read it: left, top, width, height.
std::string RectLine(const RECT& r) {
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top);
}

// The control with the keyboard focus in the window's thread.
HWND Focus() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(Main(), nullptr), &info) || !info.hwndFocus)
        Fail("nothing has the focus");
    return info.hwndFocus;
}

WORD KeyCode(const std::string& name) {
    static const std::map<std::string, WORD> keys = {
        {"tab", VK_TAB},     {"down", VK_DOWN},     {"up", VK_UP},       {"left", VK_LEFT},
        {"right", VK_RIGHT}, {"return", VK_RETURN}, {"space", VK_SPACE}, {"ctrl", VK_CONTROL},
        {"shift", VK_SHIFT}, {"alt", VK_MENU}};
    if (auto it = keys.find(name); it != keys.end()) return it->second;
    if (name.size() == 1) return WORD(std::toupper(static_cast<unsigned char>(name[0])));
    Fail("no key " + name);
}

INPUT Key(WORD vk, DWORD flags) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = flags;
    return in;
}

HWND StatusBar() {
    return Control(int(ui::Ctl::StatusBar1));
}

// Handles of a process from the system's handle table: Wine answers
// GetProcessHandleCount with 0, but keeps this table.
std::optional<std::uint64_t> HandlesOf(DWORD pid) {
    struct Entry {
        ULONG ownerPid;
        BYTE objectType, flags;
        USHORT value;
        PVOID object;
        ULONG access;
    };
    struct Table {
        ULONG count;
        Entry entries[1];
    };
    auto* const query = platform::ProcEntry<LONG WINAPI(ULONG, PVOID, ULONG, PULONG)>(
        GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation");
    if (!query) return std::nullopt;
    constexpr ULONG kSystemHandleInformation = 16;
    constexpr LONG kLengthMismatch = LONG(0xC0000004);
    std::vector<std::uint8_t> buffer(1 << 16);
    for (;;) {
        ULONG needed = 0;
        const LONG status =
            query(kSystemHandleInformation, buffer.data(), ULONG(buffer.size()), &needed);
        if (status == kLengthMismatch) {
            buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed));
            continue;
        }
        if (status < 0) return std::nullopt;
        const auto* table = reinterpret_cast<const Table*>(buffer.data());
        std::uint64_t n = 0;
        for (ULONG i = 0; i < table->count; ++i)
            if (table->entries[i].ownerPid == pid) ++n;
        return n;
    }
}

// The process's windows, top-level and children: its USER objects as far as
// they can be seen from outside.
std::uint64_t WindowsOf(DWORD pid) {
    struct Count {
        DWORD pid;
        std::uint64_t n = 0;
    } count{pid};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto& c = *reinterpret_cast<Count*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            if (owner != c.pid) return TRUE;
            ++c.n;
            EnumChildWindows(
                h,
                [](HWND, LPARAM lp) -> BOOL {
                    ++*reinterpret_cast<std::uint64_t*>(lp);
                    return TRUE;
                },
                LPARAM(&c.n));
            return TRUE;
        },
        LPARAM(&count));
    return count.n;
}

// The start bench's watcher. It is started before the program, so that its
// own start does not compete with the one timed, and it learns of the window
// from the system instead of looking for it: Wine tells other processes of a
// window's creation (though not of its showing). The hook goes as soon as the
// window is made: there is nothing more to learn, and each further event would
// wake the watcher while the program is still making its controls.
struct Watch {
    static inline std::wstring cls;
    static inline HWND made = nullptr;
    static inline HWINEVENTHOOK hook = nullptr;
    static void CALLBACK Created(HWINEVENTHOOK, DWORD, HWND h, LONG object, LONG, DWORD, DWORD) {
        if (made || object != OBJID_WINDOW || !h || GetAncestor(h, GA_PARENT) != GetDesktopWindow())
            return;
        if (ClassOf(h) != cls) return;
        made = h;
        Unhook();
    }
    static void Unhook() {
        if (hook) UnhookWinEvent(std::exchange(hook, nullptr));
    }
};

std::uint64_t StampWhenShown(const std::string& cls, DWORD bound) {
    Watch::cls = platform::Widen(cls);
    Watch::hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, Watch::Created,
                                  0, 0, WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    if (!Watch::hook) Fail("no window events");
    Print("ready");
    std::fflush(stdout);
    const DWORD start = GetTickCount();
    const auto late = [&] { return GetTickCount() - start > bound; };
    while (!Watch::made && !late()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    Watch::Unhook();
    // A window still being made answers once its thread is back in its loop.
    for (;;) {
        if (!Watch::made || late()) Fail("timed out waiting for " + cls);
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(Watch::made, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer);
        if (IsWindowVisible(Watch::made)) break;
        Sleep(1);
    }
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const std::uint64_t ticks =
        (std::uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;  // 100 ns since 1601
    return (ticks - 116444736000000000ull) / 10;
}

}  // namespace

Commands WindowCommands() {
    return {
        {"wait",
         {0, "[ms]: until the window is visible; prints its caption",
          [](const Args& a) {
              HWND h = WaitFor(
                  [] {
                      HWND w = FindMain();
                      return w && IsWindowVisible(w) ? w : nullptr;
                  },
                  Bound(a, 0), "the window");
              Print(WindowText(h));
          }}},
        {"wait-stamp",
         {1,
          "CLASS [ms]: says ready, then waits until a window of the class is visible and "
          "answers; prints that moment in microseconds since 1970 (the start bench)",
          [](const Args& a) { Print(std::to_string(StampWhenShown(a[0], Bound(a, 1)))); }}},
        {"wait-made",
         {0, "[ms]: until the window exists, shown or hidden; prints its caption",
          [](const Args& a) { Print(WindowText(WaitFor(FindMain, Bound(a, 0), "the window"))); }}},
        {"wait-gone",
         {0, "[ms]: until the window no longer exists",
          [](const Args& a) {
              WaitFor([] { return FindMain() ? nullptr : GetDesktopWindow(); }, Bound(a, 0),
                      "the window to go");
          }}},
        {"windows",
         {0, ": how many Stylorix windows exist, shown or hidden",
          [](const Args&) {
              int n = 0;
              EnumWindows(
                  [](HWND h, LPARAM lp) -> BOOL {
                      // As FindMain tells them: by the caption, boxes aside.
                      *reinterpret_cast<int*>(lp) +=
                          platform::Narrow(WindowText(h)).rfind(ui::kCaptionPrefix, 0) == 0 &&
                          ClassOf(h) != L"#32770";
                      return TRUE;
                  },
                  LPARAM(&n));
              Print(std::to_string(n));
          }}},
        {"caption", {0, ": the window's caption", [](const Args&) { Print(WindowText(Main())); }}},
        {"client",
         {0, ": client size WxH in pixels",
          [](const Args&) {
              RECT r{};
              GetClientRect(Main(), &r);
              Print(std::to_string(r.right) + "x" + std::to_string(r.bottom));
          }}},
        {"frame",
         {0, ": the frame's style words",
          [](const Args&) {
              const LONG s = GetWindowLongW(Main(), GWL_STYLE);
              std::string words;
              const std::pair<LONG, const char*> bits[] = {{WS_CAPTION, "caption"},
                                                           {WS_SYSMENU, "sysmenu"},
                                                           {WS_MINIMIZEBOX, "minimize"},
                                                           {WS_MAXIMIZEBOX, "maximize"},
                                                           {WS_THICKFRAME, "sizable"}};
              for (const auto& [bit, word] : bits)
                  if ((s & bit) == bit) words += std::string(words.empty() ? "" : " ") + word;
              Print(words);
          }}},
        {"outer",
         {0, ": the window's rectangle on the screen, L T W H",
          [](const Args&) {
              RECT r{};
              GetWindowRect(Main(), &r);
              Print(RectLine(r));
          }}},
        {"state",
         {0, ": shown, hidden or minimised",
          [](const Args&) {
              HWND h = Main();
              Print(!IsWindowVisible(h) ? "hidden" : IsIconic(h) ? "minimised" : "shown");
          }}},
        {"text",
         {1, "ID: a control's text",
          [](const Args& a) { Print(WindowText(Control(Number(a[0])))); }}},
        {"settext",
         {2, "ID TEXT: types a text into an edit",
          [](const Args& a) {
              SendMessageW(Control(Number(a[0])), WM_SETTEXT, 0,
                           LPARAM(platform::Widen(a[1]).c_str()));
          }}},
        {"checked",
         {1, "ID: 1 when checked, else 0",
          [](const Args& a) {
              Print(SendMessageW(Control(Number(a[0])), BM_GETCHECK, 0, 0) == BST_CHECKED ? "1"
                                                                                          : "0");
          }}},
        {"click",
         {1, "ID: clicks a button, check box or radio button",
          [](const Args& a) {
              PostMessageW(Control(Number(a[0])), BM_CLICK, 0, 0);
              Sync();
          }}},
        {"visible",
         {1, "ID: 1 when the control is visible",
          [](const Args& a) { Print(IsWindowVisible(Control(Number(a[0]))) ? "1" : "0"); }}},
        {"enabled",
         {1, "ID: 1 when the control is enabled",
          [](const Args& a) { Print(IsWindowEnabled(Control(Number(a[0]))) ? "1" : "0"); }}},
        {"rect",
         {1, "ID: the control's rectangle in the window's client area, L T W H",
          [](const Args& a) {
              RECT r{};
              GetWindowRect(Control(Number(a[0])), &r);
              MapWindowPoints(nullptr, Main(), reinterpret_cast<POINT*>(&r), 2);
              Print(RectLine(r));
          }}},
        {"position",
         {1, "ID: a track bar's position",
          [](const Args& a) {
              Print(std::to_string(SendMessageW(Control(Number(a[0])), TBM_GETPOS, 0, 0)));
          }}},
        {"items",
         {1, "ID: a drop-down's entries, one a line",
          [](const Args& a) {
              for (const std::wstring& item : ComboItems(Control(Number(a[0])))) Print(item);
          }}},
        {"selection",
         {1, "ID: a drop-down's selected index (-1: none)",
          [](const Args& a) {
              Print(std::to_string(SendMessageW(Control(Number(a[0])), CB_GETCURSEL, 0, 0)));
          }}},
        {"select",
         {2, "ID INDEX: picks a drop-down entry as a user would",
          [](const Args& a) {
              HWND h = Control(Number(a[0]));
              SendMessageW(h, CB_SETCURSEL, WPARAM(Number(a[1])), 0);
              SendMessageW(GetParent(h), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), CBN_SELCHANGE),
                           LPARAM(h));
          }}},
        {"tabs",
         {1, "ID: the page control's tabs, one a line, the active one marked *",
          [](const Args& a) {
              HWND h = Control(Number(a[0]));
              Remote remote(h, sizeof(TCITEMW) + 512);
              const int n = int(SendMessageW(h, TCM_GETITEMCOUNT, 0, 0));
              const int active = int(SendMessageW(h, TCM_GETCURSEL, 0, 0));
              for (int i = 0; i < n; ++i) {
                  TCITEMW item{};
                  item.mask = TCIF_TEXT;
                  Print((i == active ? "*" : "") +
                        ItemText(remote, h, TCM_GETITEMW, WPARAM(i), item, 255));
              }
          }}},
        {"tab",
         {2, "ID INDEX: changes to a page as a user would",
          [](const Args& a) {
              SendMessageW(Control(Number(a[0])), TCM_SETCURFOCUS, WPARAM(Number(a[1])), 0);
              Sync();
          }}},
        {"status",
         {1, "N: the status bar's panel N",
          [](const Args& a) {
              HWND h = StatusBar();
              Remote remote(h, 2048);
              SendMessageW(h, SB_GETTEXTW, WPARAM(Number(a[0])), LPARAM(remote.Address()));
              Print(remote.ReadText(0, 1000));
          }}},
        {"parts",
         {0, ": the status bar's panel right edges",
          [](const Args&) {
              HWND h = StatusBar();
              Remote remote(h, 64);
              const int n = int(SendMessageW(h, SB_GETPARTS, 8, LPARAM(remote.Address())));
              int edges[8] = {};
              remote.Read(0, edges, sizeof edges);
              std::string line;
              for (int i = 0; i < n; ++i) line += (i ? " " : "") + std::to_string(edges[i]);
              Print(line);
          }}},
        {"send",
         {3, "MSG WPARAM LPARAM: sends a message to the window, prints the result",
          [](const Args& a) {
              DWORD_PTR result = 0;
              if (!SendMessageTimeoutW(Main(), UINT(Number(a[0])), WPARAM(Number(a[1])),
                                       LPARAM(Number(a[2])), SMTO_NORMAL, kDefaultWait, &result))
                  Fail("no answer");
              Print(std::to_string(LONG_PTR(result)));
          }}},
        {"post",
         {3, "MSG WPARAM LPARAM: posts a message to the window",
          [](const Args& a) {
              PostMessageW(Main(), UINT(Number(a[0])), WPARAM(Number(a[1])), LPARAM(Number(a[2])));
          }}},
        {"dpi-change",
         {1, "DPI: tells the window it moved to a monitor of that DPI",
          [](const Args& a) {
              HWND h = Main();
              RECT r{};
              GetWindowRect(h, &r);  // the suggested place: where it is
              Remote remote(h, sizeof r);
              remote.Write(0, &r, sizeof r);
              const WORD dpi = WORD(Number(a[0]));
              DWORD_PTR ignored = 0;
              SendMessageTimeoutW(h, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi),
                                  LPARAM(remote.Address()), SMTO_NORMAL, kDefaultWait, &ignored);
          }}},
        {"focus",
         {0, ": the control with the keyboard focus, by name",
          [](const Args&) {
              const int id = GetDlgCtrlID(Focus());
              for (const auto& [name, n] : ControlNames())
                  if (n == id) return Print(name);
              Print(std::to_string(id));
          }}},
        {"keys",
         {1, "KEY[+KEY...]: types a key combination (e.g. tab, shift+tab, ctrl+tab, alt+p)",
          [](const Args& a) {
              SetForegroundWindow(Main());
              std::vector<WORD> codes;
              for (std::size_t from = 0;;) {
                  const std::size_t plus = a[0].find('+', from);
                  codes.push_back(KeyCode(a[0].substr(from, plus - from)));
                  if (plus == std::string::npos) break;
                  from = plus + 1;
              }
              // Down in the order given, up in the reverse.
              std::vector<INPUT> input;
              for (WORD vk : codes) input.push_back(Key(vk, 0));
              for (auto it = codes.rbegin(); it != codes.rend(); ++it)
                  input.push_back(Key(*it, KEYEVENTF_KEYUP));
              Input(input);
              Sleep(100);
              Sync();
          }}},
        {"resources",
         {0,
          ": the window's process: handles, GDI and USER objects, working set and its peak "
          "in KB, a line each (n/a: the system does not tell); windows: its windows, top-level and "
          "children",
          [](const Args&) {
              DWORD pid = 0;
              GetWindowThreadProcessId(Main(), &pid);
              const platform::OwnedProcess process(
                  OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
              if (!process) Fail("cannot open the window's process");
              auto line = [](const char* name, bool told, std::uint64_t value) {
                  Print(std::string(name) + " " + (told ? std::to_string(value) : "n/a"));
              };
              DWORD handles = 0;
              if (GetProcessHandleCount(process.Get(), &handles) && handles != 0)
                  line("handles", true, handles);
              else if (const auto n = HandlesOf(pid))
                  line("handles", true, *n);
              else
                  line("handles", false, 0);
              for (const auto& [name, kind] :
                   {std::pair{"gdi", GR_GDIOBJECTS}, std::pair{"user", GR_USEROBJECTS}}) {
                  SetLastError(ERROR_SUCCESS);
                  const DWORD n = GetGuiResources(process.Get(), kind);
                  line(name, n != 0 || GetLastError() == ERROR_SUCCESS, n);
              }
              line("windows", true, WindowsOf(pid));
              PROCESS_MEMORY_COUNTERS memory{};
              const bool told = GetProcessMemoryInfo(process.Get(), &memory, sizeof memory);
              line("working-set-kb", told, memory.WorkingSetSize / 1024);
              line("peak-working-set-kb", told, memory.PeakWorkingSetSize / 1024);
          }}},
        {"atom",
         {1, "TEXT: adds a global atom, prints its number",
          [](const Args& a) {
              Print(std::to_string(GlobalAddAtomW(platform::Widen(a[0]).c_str())));
          }}},
    };
}

}  // namespace uidriver
