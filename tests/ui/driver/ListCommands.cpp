// Commands on the barcode list: its rows and selection, clicks on rows with
// the mouse, and a row's colour on the screen.

#include <windows.h>

#include <commctrl.h>

#include "Driver.h"

namespace uidriver {

namespace {

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

POINT Centre(const RECT& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

int Columns(HWND list) {
    HWND header = HWND(SendMessageW(list, LVM_GETHEADER, 0, 0));
    return int(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
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
    MoveCursor(Centre(CellOnScreen(list, row, column)));
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

}  // namespace

Commands ListCommands() {
    return {
        {"rows",
         {1, "ID: a list view's rows, cells separated by |",
          [](const Args& a) {
              HWND h = Control(Number(a[0]));
              const int columns = Columns(h);
              const int rows = int(SendMessageW(h, LVM_GETITEMCOUNT, 0, 0));
              Remote remote(h, sizeof(LVITEMW) + 2048);
              for (int r = 0; r < rows; ++r) {
                  std::string line;
                  for (int c = 0; c < columns; ++c) {
                      LVITEMW item{};
                      item.iSubItem = c;
                      line += (c ? "|" : "") +
                              ItemText(remote, h, LVM_GETITEMTEXTW, WPARAM(r), item, 1000);
                  }
                  Print(line);
              }
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
                  at = Centre(CellOnScreen(list, Number(a[1]), 0));
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
              const POINT at = Centre(CellOnScreen(list, Number(a[1]), Columns(list) - 1));
              Sync();
              HDC screen = GetDC(nullptr);
              const COLORREF c = GetPixel(screen, at.x, at.y);
              ReleaseDC(nullptr, screen);
              Print(std::to_string(GetRValue(c)) + " " + std::to_string(GetGValue(c)) + " " +
                    std::to_string(GetBValue(c)));
          }}},
    };
}

}  // namespace uidriver
