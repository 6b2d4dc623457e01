// The barcode list: report view, odd rows coloured by the presenter's rule,
// the first column editable in place.

#include <windows.h>

#include <commctrl.h>

#include "HauptWin32.h"
#include "TextWin32.h"

namespace ui {

void HauptWin32::SetUpList() {
    HWND list = Hwnd(Ctl::ListView1);
    int index = 0;
    for (const ListColumn& c : ListColumns()) {
        std::wstring text = platform::Widen(c.caption);
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = text.data();
        col.cx = Scale(c.width);
        col.iSubItem = index;
        SendMessageW(list, LVM_INSERTCOLUMNW, WPARAM(index++), LPARAM(&col));
    }
}

LRESULT HauptWin32::ListNotify(const NMHDR& hdr) {
    TFHaupt& form = *form_;
    switch (hdr.code) {
        case NM_CUSTOMDRAW: {
            auto& cd = *reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&hdr));
            if (cd.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
            if (cd.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
                const auto colour = TFHaupt::ListView1CustomDrawItem(int(cd.nmcd.dwItemSpec));
                cd.clrTextBk =
                    colour ? RGB(colour->R, colour->G, colour->B) : GetSysColor(COLOR_WINDOW);
                return CDRF_DODEFAULT;
            }
            return CDRF_DODEFAULT;
        }
        case NM_DBLCLK:
            form.Safely([&] { form.ListView1DblClick(); });
            return 0;
        case LVN_KEYDOWN: {
            // Ctrl+A selects every row, Ctrl+C copies the selected ones.
            const auto& key = *reinterpret_cast<const NMLVKEYDOWN*>(&hdr);
            if (GetKeyState(VK_CONTROL) >= 0) return 0;
            if (key.wVKey == 'A') {
                LVITEMW all{};
                all.stateMask = LVIS_SELECTED;
                all.state = LVIS_SELECTED;
                SendMessageW(Hwnd(Ctl::ListView1), LVM_SETITEMSTATE, WPARAM(-1), LPARAM(&all));
            } else if (key.wVKey == 'C') {
                form.Safely([&] { form.ListView1CopySelection(); });
            }
            return 0;
        }
        case LVN_BEGINLABELEDITW:
            return FALSE;  // the first column may be edited
        case LVN_ENDLABELEDITW: {
            // Keep the edited text (null when the edit was cancelled).
            const auto& info = *reinterpret_cast<const NMLVDISPINFOW*>(&hdr);
            return info.item.pszText != nullptr;
        }
        default:
            return 0;
    }
}

void HauptWin32::ClearRows() {
    SendMessageW(Built(Ctl::ListView1), LVM_DELETEALLITEMS, 0, 0);
}

void HauptWin32::AddRow(const std::vector<std::string>& cells) {
    HWND list = Built(Ctl::ListView1);
    const int row = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (std::size_t column = 0; column < cells.size(); ++column) {
        std::wstring text = platform::Widen(cells[column]);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.iSubItem = int(column);
        item.pszText = text.data();
        SendMessageW(list, column == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW,
                     column == 0 ? 0 : WPARAM(row), LPARAM(&item));
    }
}

void HauptWin32::AddRows(const std::vector<std::vector<std::string>>& rows) {
    // Drawn once at the end: row by row, every insertion would redraw and
    // rescale the list.
    HWND list = Built(Ctl::ListView1);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_SETITEMCOUNT, WPARAM(RowCount() + int(rows.size())), 0);
    for (const auto& cells : rows) AddRow(cells);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

int HauptWin32::RowCount() {
    return int(SendMessageW(Built(Ctl::ListView1), LVM_GETITEMCOUNT, 0, 0));
}

std::string HauptWin32::RowText(int row, int column) {
    std::wstring buffer(1024, L'\0');
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = int(buffer.size());
    const auto n =
        SendMessageW(Built(Ctl::ListView1), LVM_GETITEMTEXTW, WPARAM(row), LPARAM(&item));
    buffer.resize(std::size_t(n));
    return platform::Narrow(buffer);
}

std::optional<int> HauptWin32::RowAtCursor() {
    HWND list = Built(Ctl::ListView1);
    LVHITTESTINFO hit{};
    GetCursorPos(&hit.pt);
    ScreenToClient(list, &hit.pt);
    const int row = int(SendMessageW(list, LVM_HITTEST, 0, LPARAM(&hit)));
    if (row < 0 || !(hit.flags & LVHT_ONITEM)) return std::nullopt;
    return row;
}

std::vector<int> HauptWin32::SelectedRows() {
    HWND list = Built(Ctl::ListView1);
    std::vector<int> rows;
    for (int i = -1; (i = int(SendMessageW(list, LVM_GETNEXTITEM, WPARAM(i), LVNI_SELECTED))) >= 0;)
        rows.push_back(i);
    return rows;
}

}  // namespace ui
