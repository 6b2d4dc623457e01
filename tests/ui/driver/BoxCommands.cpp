// Commands on what the window opens beside itself: message boxes, the
// notification icon and its pop-up menu, the file dialog, and the clipboard.

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "Driver.h"

namespace uidriver {

namespace {

// A file dialog's file name field: the combo box (cmb13), or the old dialog's
// edit (edt1).
HWND FileNameField(HWND dialog) {
    HWND field = GetDlgItem(dialog, 0x47C);
    return field ? field : GetDlgItem(dialog, 0x480);
}

// The program's own file dialog (a dialog with a file name field).
HWND FindFileDialog() {
    HWND box = FindBox();
    return box && FileNameField(box) ? box : nullptr;
}

std::vector<HWND> Buttons(HWND box) {
    std::vector<HWND> buttons;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (ClassOf(c) == L"Button" && IsWindowVisible(c)) buttons.push_back(c);
    return buttons;
}

// Waits until a window that was there has gone.
void WaitGone(HWND window, const char* what) {
    WaitFor([window] { return IsWindow(window) ? nullptr : window; }, kDefaultWait, what);
}

// Types the path into the file dialog's name field and confirms, as a user
// would in the open and in the save dialog alike.
void ChooseFile(const std::string& path) {
    HWND dialog = WaitFor(FindFileDialog, kDefaultWait, "the file dialog");
    SendMessageW(FileNameField(dialog), WM_SETTEXT, 0, LPARAM(platform::Widen(path).c_str()));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 LPARAM(GetDlgItem(dialog, IDOK)));
    WaitGone(dialog, "the file dialog to close");
}

// A screen rectangle's pixels, row by row, as 0xRRGGBB.
std::vector<std::uint32_t> ScreenPixels(const RECT& r) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied = bits && BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    std::vector<std::uint32_t> pixels;
    if (copied) {
        const auto* p = static_cast<const std::uint32_t*>(bits);
        pixels.assign(p, p + std::size_t(w) * std::size_t(h));
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied) Fail("cannot read the screen");
    for (std::uint32_t& p : pixels) p &= 0xFFFFFF;
    return pixels;
}

// A digest of pixels: equal digests, equal pictures.
std::string Digest(const std::vector<std::uint32_t>& pixels) {
    std::uint64_t digest = 1469598103934665603u;  // FNV-1a
    for (std::uint32_t p : pixels)
        for (int shift = 0; shift < 32; shift += 8)
            digest = (digest ^ ((p >> shift) & 0xFF)) * 1099511628211u;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(digest));
    return text;
}

// The notification area's first icon as the screen shows it now.
std::vector<std::uint32_t> TrayIconPixels() {
    // The task bar draws its icons from the right; the square at its right
    // end holds the first one added.
    HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!tray) Fail("no notification area");
    // Painted now, with the icon it holds now.
    RedrawWindow(tray, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT r{};
    GetClientRect(tray, &r);
    r.left = r.right - (r.bottom - r.top);
    MapWindowPoints(tray, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return ScreenPixels(r);
}

// The tool tips of the notification area's process: the icons' tips, and the
// balloon while one shows.
std::vector<HWND> TrayTips() {
    HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!tray) Fail("no notification area");
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{0, {}};
    GetWindowThreadProcessId(tray, &search.pid);
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            if (owner == s->pid && ClassOf(h) == TOOLTIPS_CLASSW) s->found.push_back(h);
            return TRUE;
        },
        LPARAM(&search));
    return search.found;
}

bool IsBalloon(HWND tip) {
    return (GetWindowLongW(tip, GWL_STYLE) & TTS_BALLOON) != 0;
}

// A tool tip's texts, a tool each; the control copies them into the record's
// buffer in its own process.
std::vector<std::wstring> TipTexts(HWND tip) {
    constexpr int kChars = 1024;
    Remote remote(tip, sizeof(TTTOOLINFOW) + kChars * sizeof(wchar_t));
    std::vector<std::wstring> texts;
    const int n = int(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.lpszText = reinterpret_cast<wchar_t*>(remote.Address(sizeof tool));
        remote.Write(0, &tool, sizeof tool);
        remote.Write(sizeof tool, L"", sizeof(wchar_t));
        if (!SendMessageW(tip, TTM_ENUMTOOLSW, WPARAM(i), LPARAM(remote.Address()))) continue;
        remote.Read(0, &tool, sizeof tool);
        // A callback or resource text stays a marker instead of a copy.
        if (tool.lpszText == reinterpret_cast<wchar_t*>(remote.Address(sizeof tool)))
            texts.push_back(remote.ReadText(sizeof tool, kChars));
    }
    return texts;
}

}  // namespace

Commands BoxCommands() {
    return {
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
                      WaitGone(box, "the box to close");
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
        {"trayicon",
         {0, ": a digest of the notification area's first icon as the screen shows it",
          [](const Args&) { Print(Digest(TrayIconPixels())); }}},
        {"traylamp",
         {0,
          ": the colour of that icon's lamp (the state icons' fill): green, yellow, red or "
          "none",
          [](const Args&) {
              // The fills are pure colours that nothing else in the icon has.
              const std::pair<std::uint32_t, const char*> lamps[] = {
                  {0x00FF00, "green"}, {0xFFFF00, "yellow"}, {0xFF0000, "red"}};
              std::size_t most = 0;
              std::string name = "none";
              const std::vector<std::uint32_t> pixels = TrayIconPixels();
              for (const auto& [colour, lamp] : lamps) {
                  const auto n = std::size_t(std::count(pixels.begin(), pixels.end(), colour));
                  if (n > most) {
                      most = n;
                      name = lamp;
                  }
              }
              Print(name);
          }}},
        {"tip",
         {0, ": the notification icons' tips, one a line",
          [](const Args&) {
              for (HWND tip : TrayTips())
                  if (!IsBalloon(tip))
                      for (const std::wstring& text : TipTexts(tip))
                          if (!text.empty()) Print(text);
          }}},
        {"balloon",
         {0, "[ms]: waits for a balloon of the notification area; prints its text",
          [](const Args& a) {
              HWND balloon = WaitFor(
                  [] {
                      for (HWND tip : TrayTips())
                          if (IsBalloon(tip) && IsWindowVisible(tip)) return tip;
                      return HWND{};
                  },
                  Bound(a, 0), "a balloon");
              for (const std::wstring& text : TipTexts(balloon)) Print(text);
          }}},
        {"savefile",
         {1, "PATH: types the path into the open save dialog and saves",
          [](const Args& a) { ChooseFile(a[0]); }}},
        {"openfile",
         {1, "PATH: types the path into the open file dialog and opens",
          [](const Args& a) { ChooseFile(a[0]); }}},
        {"filedialog",
         {0, ": waits for the file dialog; prints the folder it shows, then its file types",
          [](const Args&) {
              HWND dialog = WaitFor(FindFileDialog, kDefaultWait, "the file dialog");
              // The folder comes back in a buffer of the dialog's process.
              constexpr int kChars = MAX_PATH * 4;
              Remote remote(dialog, kChars * sizeof(wchar_t));
              if (SendMessageW(dialog, CDM_GETFOLDERPATH, kChars, LPARAM(remote.Address())) < 0)
                  Fail("the dialog tells no folder");
              Print(remote.ReadText(0, kChars));
              for (const std::wstring& type : ComboItems(GetDlgItem(dialog, 0x470 /* cmb1 */)))
                  Print(type);
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
    };
}

}  // namespace uidriver
