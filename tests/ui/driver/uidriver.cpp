// Works the running Stylorix window from outside, the way another program or
// a user on the same desktop would: finds it by its caption and reads and
// works its controls through window messages. One command per run; results
// go to standard output, one line each; exit code 0 on success, 1 on failure
// (with the reason on standard error), 2 on a usage error.
//
//   uidriver COMMAND [ARGS...]     see Commands() below for the list
//
// A control is given by its name (e.g. ESearch1) or its window id.

#include <windows.h>

#include <commctrl.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "HauptView.h"
#include "TextWin32.h"

namespace {

constexpr wchar_t kCaptionPrefix[] = L"Stylorix Control - Version ";
constexpr DWORD kDefaultWait = 10000;

struct Failure {
    std::string what;
};

[[noreturn]] void Fail(const std::string& what) {
    throw Failure{what};
}

// Asks the control itself: across processes GetWindowText would give only
// the text a window was created with.
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

// Waits until found() gives a window, or fails after the bound.
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
            const std::wstring caption = WindowText(h);
            if (caption.rfind(kCaptionPrefix, 0) == 0 && ClassOf(h) != L"#32770") {
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
    if (!search.found) Fail("no control " + std::to_string(id));
    return search.found;
}

// Memory in the window's process for messages that pass pointers.
class Remote {
  public:
    explicit Remote(HWND window, std::size_t size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process_ =
            OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (!process_) Fail("cannot open the window's process");
        memory_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
        if (!memory_) Fail("cannot allocate in the window's process");
    }
    ~Remote() {
        VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
        CloseHandle(process_);
    }
    Remote(const Remote&) = delete;
    Remote& operator=(const Remote&) = delete;

    char* Address(std::size_t offset = 0) const { return static_cast<char*>(memory_) + offset; }
    void Write(std::size_t offset, const void* data, std::size_t n) {
        if (!WriteProcessMemory(process_, Address(offset), data, n, nullptr)) Fail("remote write");
    }
    void Read(std::size_t offset, void* data, std::size_t n) const {
        if (!ReadProcessMemory(process_, Address(offset), data, n, nullptr)) Fail("remote read");
    }
    std::wstring ReadText(std::size_t offset, std::size_t chars) const {
        std::wstring text(chars, L'\0');
        Read(offset, text.data(), chars * sizeof(wchar_t));
        text.resize(wcsnlen(text.c_str(), chars));
        return text;
    }
    std::size_t Size() const { return size_; }

  private:
    HANDLE process_ = nullptr;
    void* memory_ = nullptr;
    std::size_t size_;
};

// Waits until the window has handled everything posted to it so far.
void Sync() {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(Main(), WM_NULL, 0, 0, SMTO_NORMAL, kDefaultWait, &ignored);
}

// A message box of the program: a dialog window of the window's process.
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

// A list view row's cell rectangle, on the screen.
RECT CellOnScreen(HWND list, int row, int column) {
    Remote remote(list, sizeof(RECT));
    RECT r{};
    r.top = column;
    // The first column's bounds would be the whole row; its label is the cell.
    r.left = column == 0 ? LVIR_LABEL : LVIR_BOUNDS;
    remote.Write(0, &r, sizeof r);
    const UINT message = column == 0 ? LVM_GETITEMRECT : LVM_GETSUBITEMRECT;
    if (!SendMessageW(list, message, WPARAM(row), LPARAM(remote.Address())))
        Fail("no row " + std::to_string(row));
    remote.Read(0, &r, sizeof r);
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Real input, as a user's mouse and keyboard give it, to the window in front.
void Input(std::vector<INPUT> inputs) {
    if (SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size())
        Fail("input not taken");
}

INPUT Mouse(DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    return in;
}

// Moves the mouse cursor and waits until the system reports it there (under
// Wine the move goes through the X server first).
void MoveCursor(POINT to) {
    SetCursorPos(to.x, to.y);
    WaitFor(
        [to] {
            POINT now{};
            GetCursorPos(&now);
            return now.x == to.x && now.y == to.y ? GetDesktopWindow() : nullptr;
        },
        kDefaultWait, "the mouse cursor");
}

// Clicks once in the middle of a row's cell, the window in front.
void ClickCell(HWND list, int row, int column) {
    SetForegroundWindow(Main());
    Sync();
    const RECT r = CellOnScreen(list, row, column);
    MoveCursor({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    Input({Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)});
    Sync();
}

// A double-click as the list receives it, the cursor where the user's would
// be. (Telling a double-click from two clicks is the platform's; on a busy
// machine Wine sometimes takes the second click for the start of an edit.)
void DoubleClickAt(HWND list, POINT screen) {
    MoveCursor(screen);
    POINT client = screen;
    ScreenToClient(list, &client);
    PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(client.x, client.y));
    PostMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
    Sync();
}

// The program's own file dialog (a dialog with a file name field).
HWND FindFileDialog() {
    HWND box = FindBox();
    if (box && (GetDlgItem(box, 0x47C) || GetDlgItem(box, 0x480))) return box;
    return nullptr;
}

std::vector<HWND> Buttons(HWND box) {
    std::vector<HWND> buttons;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (ClassOf(c) == L"Button" && IsWindowVisible(c)) buttons.push_back(c);
    return buttons;
}

const std::map<std::string, int>& ControlNames() {
    static const std::map<std::string, int> names = {
#define STYLORIX_CONTROL_NAME(name, id) {#name, id},
        STYLORIX_CONTROLS(STYLORIX_CONTROL_NAME)
#undef STYLORIX_CONTROL_NAME
    };
    return names;
}

// A number, or a control's name (ui/HauptView.h) for its id.
int Number(const std::string& text) {
    if (auto it = ControlNames().find(text); it != ControlNames().end()) return it->second;
    return int(std::strtol(text.c_str(), nullptr, 0));
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

using Args = std::vector<std::string>;
struct Command {
    int args;  // arguments needed (at least)
    const char* usage;
    std::function<void(const Args&)> run;
};

DWORD Bound(const Args& a, std::size_t at) {
    return a.size() > at ? DWORD(Number(a[at])) : kDefaultWait;
}

const std::map<std::string, Command>& Commands() {
    static const std::map<std::string, Command> commands = {
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
        {"wait-gone",
         {0, "[ms]: until the window no longer exists",
          [](const Args& a) {
              WaitFor([] { return FindMain() ? nullptr : GetDesktopWindow(); }, Bound(a, 0),
                      "the window to go");
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
              Print(std::to_string(r.left) + " " + std::to_string(r.top) + " " +
                    std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top));
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
              Print(std::to_string(r.left) + " " + std::to_string(r.top) + " " +
                    std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top));
          }}},
        {"items",
         {1, "ID: a drop-down's entries, one a line",
          [](const Args& a) {
              HWND h = Control(Number(a[0]));
              const int n = int(SendMessageW(h, CB_GETCOUNT, 0, 0));
              for (int i = 0; i < n; ++i) {
                  std::wstring t(std::size_t(SendMessageW(h, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
                  t.resize(std::size_t(SendMessageW(h, CB_GETLBTEXT, i, LPARAM(t.data()))));
                  Print(t);
              }
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
                  item.pszText = reinterpret_cast<wchar_t*>(remote.Address(sizeof item));
                  item.cchTextMax = 255;
                  remote.Write(0, &item, sizeof item);
                  SendMessageW(h, TCM_GETITEMW, WPARAM(i), LPARAM(remote.Address()));
                  Print((i == active ? "*" : "") +
                        platform::Narrow(remote.ReadText(sizeof item, 255)));
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
              HWND h = Control(701);
              Remote remote(h, 2048);
              SendMessageW(h, SB_GETTEXTW, WPARAM(Number(a[0])), LPARAM(remote.Address()));
              Print(remote.ReadText(0, 1000));
          }}},
        {"parts",
         {0, ": the status bar's panel right edges",
          [](const Args&) {
              HWND h = Control(701);
              Remote remote(h, 64);
              const int n = int(SendMessageW(h, SB_GETPARTS, 8, LPARAM(remote.Address())));
              int edges[8] = {};
              remote.Read(0, edges, sizeof edges);
              std::string line;
              for (int i = 0; i < n; ++i) line += (i ? " " : "") + std::to_string(edges[i]);
              Print(line);
          }}},
        {"rows",
         {1, "ID: a list view's rows, cells separated by |",
          [](const Args& a) {
              HWND h = Control(Number(a[0]));
              HWND header = HWND(SendMessageW(h, LVM_GETHEADER, 0, 0));
              const int columns = int(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
              const int rows = int(SendMessageW(h, LVM_GETITEMCOUNT, 0, 0));
              Remote remote(h, sizeof(LVITEMW) + 2048);
              for (int r = 0; r < rows; ++r) {
                  std::string line;
                  for (int c = 0; c < columns; ++c) {
                      LVITEMW item{};
                      item.iSubItem = c;
                      item.pszText = reinterpret_cast<wchar_t*>(remote.Address(sizeof item));
                      item.cchTextMax = 1000;
                      remote.Write(0, &item, sizeof item);
                      SendMessageW(h, LVM_GETITEMTEXTW, WPARAM(r), LPARAM(remote.Address()));
                      line += (c ? "|" : "") + platform::Narrow(remote.ReadText(sizeof item, 1000));
                  }
                  Print(line);
              }
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
        {"box",
         {0, "[ms]: waits for a message box; prints caption, text and buttons, a line each",
          [](const Args& a) {
              HWND box = WaitFor(FindBox, Bound(a, 0), "a message box");
              Print(WindowText(box));
              Print(WindowText(GetDlgItem(box, 0xFFFF)));
              std::string line;
              for (HWND b : Buttons(box))
                  line += (line.empty() ? "" : " ") + platform::Narrow(WindowText(b));
              Print(line);
          }}},
        {"no-box",
         {0, ": fails when a message box is open",
          [](const Args&) {
              Sync();
              if (HWND box = FindBox()) Fail("a box is open: " + platform::Narrow(WindowText(box)));
          }}},
        {"press",
         {1, "BUTTON: presses a message box's button by its text (e.g. OK, &Ja)",
          [](const Args& a) {
              HWND box = WaitFor(FindBox, kDefaultWait, "a message box");
              for (HWND b : Buttons(box))
                  if (platform::Narrow(WindowText(b)) == a[0]) {
                      PostMessageW(b, BM_CLICK, 0, 0);
                      WaitFor([box] { return IsWindow(box) ? nullptr : box; }, kDefaultWait,
                              "the box to close");
                      return;
                  }
              Fail("no button " + a[0]);
          }}},
        {"menu",
         {1, "ITEM: chooses an item of the open pop-up menu by its mnemonic (&Beenden: B)",
          [](const Args& a) {
              // The menu's items cannot be read from another process;
              // the mnemonic reaches the item as a user's key would.
              const auto amp = a[0].find('&');
              if (amp == std::string::npos || amp + 1 >= a[0].size())
                  Fail("no mnemonic in " + a[0]);
              HWND menuWindow = WaitFor([] { return FindWindowW(L"#32768", nullptr); },
                                        kDefaultWait, "a pop-up menu");
              WaitFor([menuWindow] { return IsWindowVisible(menuWindow) ? menuWindow : nullptr; },
                      kDefaultWait, "the menu to show");
              const wchar_t key = platform::Widen(a[0].substr(amp + 1, 1))[0];
              PostMessageW(menuWindow, WM_CHAR, WPARAM(key), 0);
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
              // Real input, as a user's keyboard gives it, to the window in front.
              SetForegroundWindow(Main());
              std::vector<WORD> codes;
              for (std::size_t from = 0;;) {
                  const std::size_t plus = a[0].find('+', from);
                  codes.push_back(KeyCode(a[0].substr(from, plus - from)));
                  if (plus == std::string::npos) break;
                  from = plus + 1;
              }
              std::vector<INPUT> input;
              for (WORD vk : codes) {
                  INPUT i{};
                  i.type = INPUT_KEYBOARD;
                  i.ki.wVk = vk;
                  input.push_back(i);
              }
              for (auto it = codes.rbegin(); it != codes.rend(); ++it) {
                  INPUT i{};
                  i.type = INPUT_KEYBOARD;
                  i.ki.wVk = *it;
                  i.ki.dwFlags = KEYEVENTF_KEYUP;
                  input.push_back(i);
              }
              if (SendInput(UINT(input.size()), input.data(), sizeof(INPUT)) != input.size())
                  Fail("input refused");
              Sleep(100);
              Sync();
          }}},
        {"clipboard",
         {0, ": the clipboard's text; a CR shows as \\r",
          [](const Args&) {
              if (!OpenClipboard(nullptr)) Fail("clipboard busy");
              std::wstring text;
              if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
                  if (auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
                      text = p;
                      GlobalUnlock(data);
                  }
              }
              CloseClipboard();
              std::string shown;
              for (char c : platform::Narrow(text))
                  shown += c == '\r' ? std::string("\\r") : std::string(1, c);
              std::fputs(shown.c_str(), stdout);
          }}},
        {"clickrow",
         {2, "ID ROW: clicks a list row with the mouse",
          [](const Args& a) { ClickCell(Control(Number(a[0])), Number(a[1]), 0); }}},
        {"dblclick",
         {2, "ID ROW|below: double-clicks a list row, or the list's empty area below its rows",
          [](const Args& a) {
              HWND list = Control(Number(a[0]));
              POINT at{};
              if (a[1] == "below") {
                  RECT r{};
                  GetWindowRect(list, &r);
                  at = {(r.left + r.right) / 2, r.bottom - 30};
              } else {
                  const RECT r = CellOnScreen(list, Number(a[1]), 0);
                  at = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
              }
              DoubleClickAt(list, at);
          }}},
        {"selected",
         {1, "ID: a list's selected rows, one number a line",
          [](const Args& a) {
              HWND list = Control(Number(a[0]));
              for (int i = -1;
                   (i = int(SendMessageW(list, LVM_GETNEXTITEM, WPARAM(i), LVNI_SELECTED))) >= 0;)
                  Print(std::to_string(i));
          }}},
        {"rowcolour",
         {2, "ID ROW: the background on the screen of a row's last (empty) cell, R G B",
          [](const Args& a) {
              HWND list = Control(Number(a[0]));
              HWND header = HWND(SendMessageW(list, LVM_GETHEADER, 0, 0));
              const int last = int(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) - 1;
              const RECT r = CellOnScreen(list, Number(a[1]), last);
              Sync();
              HDC screen = GetDC(nullptr);
              const COLORREF c = GetPixel(screen, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
              ReleaseDC(nullptr, screen);
              Print(std::to_string(GetRValue(c)) + " " + std::to_string(GetGValue(c)) + " " +
                    std::to_string(GetBValue(c)));
          }}},
        {"savefile",
         {1, "PATH: types the path into the open file dialog and saves",
          [](const Args& a) {
              HWND dialog = WaitFor(FindFileDialog, kDefaultWait, "the file dialog");
              HWND name =
                  GetDlgItem(dialog, 0x47C) ? GetDlgItem(dialog, 0x47C) : GetDlgItem(dialog, 0x480);
              SendMessageW(name, WM_SETTEXT, 0, LPARAM(platform::Widen(a[0]).c_str()));
              PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                           LPARAM(GetDlgItem(dialog, IDOK)));
              WaitFor([dialog] { return IsWindow(dialog) ? nullptr : dialog; }, kDefaultWait,
                      "the file dialog to close");
          }}},
        {"atom",
         {1, "TEXT: adds a global atom, prints its number",
          [](const Args& a) {
              Print(std::to_string(GlobalAddAtomW(platform::Widen(a[0]).c_str())));
          }}},
    };
    return commands;
}

int Usage() {
    std::fputs("uidriver COMMAND [ARGS]\n", stderr);
    for (const auto& [name, c] : Commands())
        std::fprintf(stderr, "  %s %s\n", name.c_str(), c.usage);
    return 2;
}

}  // namespace

int main() {
    // Arguments as UTF-16 from the system, results as UTF-8 bytes.
    int argc = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> argv;
    for (int i = 0; i < argc; ++i) argv.push_back(platform::Narrow(wide[i]));
    LocalFree(wide);
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2) return Usage();
    auto it = Commands().find(argv[1]);
    if (it == Commands().end()) return Usage();
    const Args args(argv.begin() + 2, argv.end());
    if (int(args.size()) < it->second.args) return Usage();
    try {
        it->second.run(args);
    } catch (const Failure& f) {
        std::fprintf(stderr, "uidriver %s: %s\n", argv[1].c_str(), f.what.c_str());
        return 1;
    }
    std::fflush(stdout);
    return 0;
}
