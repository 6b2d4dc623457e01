// The controls: created from the layout table, placed for the window's DPI,
// and read and set by id.

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "HauptWin32.h"
#include "TextWin32.h"

namespace ui {

namespace {

constexpr int kSpinButtonOffset = 0x1000;  // window id of a spin field's up-down

struct ClassAndStyle {
    const wchar_t* cls;
    DWORD style;
    DWORD exStyle;
};

ClassAndStyle Win32Kind(const LayoutItem& item) {
    const bool ro = item.style & ReadOnly;
    switch (item.kind) {
        case Kind::Group:
            return {L"BUTTON", BS_GROUPBOX, 0};
        case Kind::Button:
            return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
        case Kind::Radio:
            return {L"BUTTON", BS_AUTORADIOBUTTON | WS_TABSTOP, 0};
        case Kind::Check:
            return {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0};
        case Kind::Label:
            return {L"STATIC", SS_LEFT | SS_NOPREFIX, 0};
        case Kind::Edit:
            return {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP | (ro ? DWORD(ES_READONLY) : 0u),
                    WS_EX_CLIENTEDGE};
        case Kind::Spin:
            return {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
        case Kind::Combo:
            return {L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0};
        case Kind::Tabs:
            // Holds its pages: Tab goes from the tabs into the shown page.
            return {WC_TABCONTROLW, WS_TABSTOP | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
        case Kind::Page:
            return {kPageClass, 0, WS_EX_CONTROLPARENT};
        case Kind::List:
            return {WC_LISTVIEWW, LVS_REPORT | LVS_SHOWSELALWAYS | LVS_EDITLABELS | WS_TABSTOP,
                    WS_EX_CLIENTEDGE};
        case Kind::Memo:
            return {L"EDIT",
                    ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP |
                        (ro ? DWORD(ES_READONLY) : 0u),
                    WS_EX_CLIENTEDGE};
        case Kind::TrackBar:
            return {TRACKBAR_CLASSW,
                    TBS_AUTOTICKS | WS_TABSTOP | (item.style & TicksBoth ? DWORD(TBS_BOTH) : 0u),
                    0};
        case Kind::Panel:
            return {L"STATIC",
                    (item.style & Centered ? DWORD(SS_CENTER) : DWORD(SS_LEFT)) | SS_CENTERIMAGE |
                        WS_BORDER,
                    0};
        case Kind::StatusBar:
            return {STATUSCLASSNAMEW, 0, 0};
    }
    return {L"STATIC", 0, 0};
}

// Only digits and a sign in a spin field, as many as its range needs.
LRESULT CALLBACK SpinEditProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_CHAR && wp >= L' ' && !(wp >= L'0' && wp <= L'9') && wp != L'-' && wp != L'+') {
        MessageBeep(MB_OK);
        return 0;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

HFONT MakeFont(const wchar_t* face, int height, int weight,
               BYTE family = DEFAULT_PITCH | FF_SWISS) {
    LOGFONTW lf{};
    lf.lfPitchAndFamily = family;
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectW(&lf);
}

}  // namespace

void HauptWin32::MakeFonts() {
    // The TrueType twin of the classic dialog font: sharp at every DPI.
    const int eightPoint = -MulDiv(8, int(dpi_), 72);
    font_.Reset(MakeFont(L"Microsoft Sans Serif", eightPoint, FW_NORMAL));
    bold_.Reset(MakeFont(L"Microsoft Sans Serif", eightPoint, FW_BOLD));
    large_.Reset(MakeFont(L"Microsoft Sans Serif", -Scale(19), FW_NORMAL));
    panelFont_.Reset(MakeFont(L"Microsoft Sans Serif", -Scale(16), FW_BOLD));
    fixed_.Reset(
        MakeFont(L"Courier New", -MulDiv(9, int(dpi_), 72), FW_NORMAL, FIXED_PITCH | FF_MODERN));
    if (!yellow_) yellow_.Reset(CreateSolidBrush(kYellow));
}

HFONT HauptWin32::FontFor(const LayoutItem& item) const {
    if (item.kind == Kind::Panel) return panelFont_.Get();
    if (item.style & FixedPitch) return fixed_.Get();
    if (item.style & Large) return large_.Get();
    if (item.style & Bold) return bold_.Get();
    return font_.Get();
}

HWND HauptWin32::Hwnd(Ctl id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

// The window holds controls, the page control its pages, a page its controls;
// groups only frame theirs.
HWND HauptWin32::Container(Ctl parent) const {
    while (parent != Ctl::None) {
        const LayoutItem& p = Item(parent);
        if (p.kind == Kind::Page || p.kind == Kind::Tabs) return Hwnd(parent);
        parent = p.parent;
    }
    return hwnd_;
}

Rect HauptWin32::Absolute(const LayoutItem& item) const {
    Rect r = item.rect;
    if (item.kind == Kind::Page) return r;
    for (Ctl p = item.parent; p != Ctl::None; p = Item(p).parent) {
        const LayoutItem& parent = Item(p);
        if (parent.kind == Kind::Page) break;
        r.Left += parent.rect.Left;
        r.Top += parent.rect.Top;
    }
    return r;
}

namespace {

// The page a control lies on; Ctl::None for the window's own controls and
// the pages themselves.
Ctl PageOf(const LayoutItem& item) {
    for (Ctl p = item.parent; p != Ctl::None; p = Item(p).parent)
        if (Item(p).kind == Kind::Page) return p;
    return Ctl::None;
}

}  // namespace

void HauptWin32::CreateControls() {
    // Under Wine every control costs the window server about a millisecond:
    // only what is seen at once is made now. The pages (the one shown comes
    // with ShowPage) and the hidden wait panel wait.
    int pageIndex = 0;
    const std::vector<LayoutItem>& layout = Layout();
    for (std::size_t i = 0; i < layout.size(); ++i) {
        const LayoutItem& item = layout[i];
        if (item.kind == Kind::Page) {
            TCITEMW tab{};
            tab.mask = TCIF_TEXT;
            std::wstring text = platform::Widen(item.caption);
            tab.pszText = text.data();
            SendMessageW(Hwnd(Ctl::PageControl1), TCM_INSERTITEMW, WPARAM(pageIndex++),
                         LPARAM(&tab));
        }
        if (PageOf(item) != Ctl::None || item.kind == Kind::Page || (item.style & Hidden)) {
            Held& held = held_[item.id];
            if (item.kind != Kind::Combo) held.text = platform::Widen(item.caption);
            for (const std::string& entry : item.items)
                held.items.push_back(platform::Widen(entry));
            continue;
        }
        MakeControl(i);
    }
}

HWND HauptWin32::MakeControl(std::size_t index) {
    const std::vector<LayoutItem>& layout = Layout();
    const LayoutItem& item = layout[index];
    auto found = held_.find(item.id);
    Held* held = found == held_.end() ? nullptr : &found->second;
    HINSTANCE inst = GetModuleHandleW(nullptr);
    ++quiet_;

    ClassAndStyle k = Win32Kind(item);
    DWORD style = WS_CHILD | k.style;
    // A page is shown by ShowPage.
    if (!(item.style & Hidden) && item.kind != Kind::Page) style |= WS_VISIBLE;
    // Radio buttons of one group box form one group for the arrow keys.
    const LayoutItem* previous = index > 0 ? &layout[index - 1] : nullptr;
    const bool continuesRadioGroup = item.kind == Kind::Radio && previous &&
                                     previous->kind == Kind::Radio &&
                                     previous->parent == item.parent;
    if (!continuesRadioGroup) style |= WS_GROUP;
    std::wstring caption;
    if (item.kind != Kind::Page && item.kind != Kind::Combo)
        caption = held ? held->text : platform::Widen(item.caption);
    // Placed at once: moving it afterwards would cost as much again.
    const Rect r = Absolute(item);
    int x = Scale(r.Left), y = Scale(r.Top), w = Scale(r.Width), h = Scale(r.Height);
    // A drop-down's height includes its open list.
    if (item.kind == Kind::Combo) h = Scale(r.Height + 160);
    // The status bar places itself along the bottom edge.
    if (item.kind == Kind::StatusBar) x = y = w = h = 0;
    HWND hwnd = CreateWindowExW(
        k.exStyle, k.cls, caption.c_str(), style, x, y, w, h, Container(item.parent),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)), inst, nullptr);
    controls_[item.id] = hwnd;
    SendMessageW(hwnd, WM_SETFONT, WPARAM(FontFor(item)), FALSE);
    if (item.style & Yellow) yellowControls_.push_back(hwnd);

    switch (item.kind) {
        case Kind::Combo:
            if (!held) {
                SetItems(item.id, item.items);
                break;
            }
            for (const std::wstring& entry : held->items)
                SendMessageW(hwnd, CB_ADDSTRING, 0, LPARAM(entry.c_str()));
            SendMessageW(hwnd, CB_SETCURSEL, WPARAM(held->selection), 0);
            break;
        case Kind::Spin: {
            HWND ud = CreateWindowExW(
                0, UPDOWN_CLASSW, nullptr,
                WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS |
                    UDS_NOTHOUSANDS,
                0, 0, 0, 0, Container(item.parent),
                reinterpret_cast<HMENU>(static_cast<INT_PTR>(int(item.id) + kSpinButtonOffset)),
                inst, nullptr);
            spinButtons_[item.id] = ud;
            SendMessageW(ud, UDM_SETRANGE32, WPARAM(item.low), LPARAM(item.high));
            SendMessageW(hwnd, EM_LIMITTEXT, std::to_wstring(item.high).size(), 0);
            SetWindowSubclass(hwnd, SpinEditProc, 1, 0);
            SendMessageW(ud, UDM_SETBUDDY, WPARAM(hwnd), 0);
            break;
        }
        case Kind::TrackBar:
            SendMessageW(hwnd, TBM_SETRANGE, FALSE, MAKELPARAM(item.low, item.high));
            if (held) SendMessageW(hwnd, TBM_SETPOS, TRUE, held->position);
            break;
        case Kind::List:
            SetUpList();
            break;
        case Kind::StatusBar: {
            int edges[std::size(kStatusPanels)];
            int right = 0;
            for (std::size_t i = 0; i < std::size(kStatusPanels); ++i)
                edges[i] = right += Scale(kStatusPanels[i]);
            SendMessageW(hwnd, SB_SETPARTS, std::size(edges), LPARAM(edges));
            SendMessageW(hwnd, WM_SIZE, 0, 0);
            break;
        }
        default:
            break;
    }
    if (held) {
        if (held->checked) SendMessageW(hwnd, BM_SETCHECK, BST_CHECKED, 0);
        if (!held->enabled) EnableWindow(hwnd, FALSE);
        if (held->caretAtEnd) {
            const int end = GetWindowTextLengthW(hwnd);
            SendMessageW(hwnd, EM_SETSEL, WPARAM(end), LPARAM(end));
            SendMessageW(hwnd, EM_SCROLLCARET, 0, 0);
        }
        held_.erase(found);
    }
    if (tooltip_) AddTip(item, hwnd);
    --quiet_;
    return hwnd;
}

void HauptWin32::BuildPage(Ctl page) {
    // The held item of this id (the page itself, first in the table), then
    // what lies on it.
    const std::vector<LayoutItem>& layout = Layout();
    for (std::size_t i = 0; i < layout.size(); ++i)
        if (held_.count(layout[i].id) && (layout[i].id == page || PageOf(layout[i]) == page))
            MakeControl(i);
}

void HauptWin32::AddTip(const LayoutItem& item, HWND h) {
    if (item.tip.empty()) return;
    std::wstring tip = platform::Widen(item.tip);
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = hwnd_;
    ti.uId = reinterpret_cast<UINT_PTR>(h);
    ti.lpszText = tip.data();
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, LPARAM(&ti));
}

bool HauptWin32::FinishStartStep() {
    if (!hwnd_) return false;
    if (!tooltip_) {
        tooltip_ =
            CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
        for (const LayoutItem& item : Layout())
            if (HWND h = Hwnd(item.id)) AddTip(item, h);
        ShowTrayIcon();
        return true;
    }
    if (!started_) {
        started_ = true;
        form_->Safely([this] { form_->FormStarted(); });
        return !held_.empty();
    }
    // A few milliseconds a step.
    constexpr int kControlsAStep = 8;
    const std::vector<LayoutItem>& layout = Layout();
    int made = 0;
    for (std::size_t i = 0; i < layout.size() && made < kControlsAStep; ++i)
        if (held_.count(layout[i].id)) {
            MakeControl(i);
            ++made;
        }
    return !held_.empty();
}

HauptWin32::Held* HauptWin32::HeldFor(Ctl id) {
    auto it = held_.find(id);
    return it == held_.end() ? nullptr : &it->second;
}

HWND HauptWin32::Built(Ctl id) {
    // A control of a page comes with its page; a held one of the window's own
    // (the wait panel) or a page itself is what BuildPage makes for its id.
    if (held_.count(id)) {
        const Ctl page = PageOf(Item(id));
        BuildPage(page != Ctl::None ? page : id);
    }
    return Hwnd(id);
}

void HauptWin32::ApplyLayout() {
    ++quiet_;
    for (const LayoutItem& item : Layout()) {
        HWND h = Hwnd(item.id);
        if (!h) continue;  // its page is built later, for the DPI of then
        SendMessageW(h, WM_SETFONT, WPARAM(FontFor(item)), FALSE);
        if (item.kind == Kind::StatusBar) {
            int edges[std::size(kStatusPanels)];
            int right = 0;
            for (std::size_t i = 0; i < std::size(kStatusPanels); ++i)
                edges[i] = right += Scale(kStatusPanels[i]);
            SendMessageW(h, SB_SETPARTS, std::size(edges), LPARAM(edges));
            SendMessageW(h, WM_SIZE, 0, 0);
            continue;
        }
        const Rect r = Absolute(item);
        // A drop-down's height includes its open list.
        const int height = item.kind == Kind::Combo ? Scale(r.Height + 160) : Scale(r.Height);
        SetWindowPos(h, nullptr, Scale(r.Left), Scale(r.Top), Scale(r.Width), height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        if (item.kind == Kind::Spin) {
            SendMessageW(spinButtons_[item.id], UDM_SETBUDDY, WPARAM(h), 0);
        }
        if (item.kind == Kind::List) {
            int column = 0;
            for (const ListColumn& c : ListColumns())
                SendMessageW(h, LVM_SETCOLUMNWIDTH, WPARAM(column++), Scale(c.width));
        }
    }
    // Floating controls (the wait panel) lie above their siblings.
    for (const LayoutItem& item : Layout())
        if ((item.style & Floating) && Hwnd(item.id))
            SetWindowPos(Hwnd(item.id), HWND_TOP, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    --quiet_;
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void HauptWin32::ShowPage(int index) {
    SendMessageW(Hwnd(Ctl::PageControl1), TCM_SETCURSEL, WPARAM(index), 0);
    int i = 0;
    for (const LayoutItem& item : Layout()) {
        if (item.kind != Kind::Page) continue;
        if (i == index) BuildPage(item.id);
        if (HWND h = Hwnd(item.id)) ShowWindow(h, i == index ? SW_SHOW : SW_HIDE);
        ++i;
    }
}

void HauptWin32::SetActivePage(Page page) {
    ShowPage(int(page));
}

Page HauptWin32::ActivePage() {
    return Page(SendMessageW(Hwnd(Ctl::PageControl1), TCM_GETCURSEL, 0, 0));
}

void HauptWin32::SetText(Ctl id, const std::string& text) {
    std::string shown = text;
    if (Item(id).kind == Kind::Memo) {
        // Lines end in CR LF in a multi-line edit.
        shown.clear();
        for (char c : text) {
            if (c == '\n' && (shown.empty() || shown.back() != '\r')) shown += '\r';
            shown += c;
        }
    }
    if (Held* held = HeldFor(id)) {
        held->text = platform::Widen(shown);
        held->caretAtEnd = false;
        return;
    }
    ++quiet_;
    SetWindowTextW(Hwnd(id), platform::Widen(shown).c_str());
    --quiet_;
}

std::string HauptWin32::Text(Ctl id) {
    if (const Held* held = HeldFor(id)) {
        // A drop-down list's text is its selected entry.
        if (Item(id).kind != Kind::Combo) return platform::Narrow(held->text);
        const auto selected = std::size_t(held->selection);
        return held->selection < 0 ? std::string() : platform::Narrow(held->items[selected]);
    }
    HWND h = Hwnd(id);
    std::wstring text(std::size_t(GetWindowTextLengthW(h)) + 1, L'\0');
    text.resize(std::size_t(GetWindowTextW(h, text.data(), int(text.size()))));
    return platform::Narrow(text);
}

void HauptWin32::SetChecked(Ctl id, bool checked) {
    if (Held* held = HeldFor(id)) {
        held->checked = checked;
        return;
    }
    ++quiet_;
    SendMessageW(Hwnd(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    --quiet_;
}

bool HauptWin32::Checked(Ctl id) {
    if (const Held* held = HeldFor(id)) return held->checked;
    return SendMessageW(Hwnd(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void HauptWin32::SetEnabled(Ctl id, bool enabled) {
    if (Held* held = HeldFor(id)) {
        held->enabled = enabled;
        return;
    }
    EnableWindow(Hwnd(id), enabled);
}

void HauptWin32::SetPosition(Ctl id, int position) {
    if (Held* held = HeldFor(id)) {
        // A track bar keeps its position within its range.
        const LayoutItem& item = Item(id);
        if (item.kind == Kind::TrackBar)
            held->position = std::clamp(position, item.low, item.high);
        else
            held->text = std::to_wstring(position);
        return;
    }
    ++quiet_;
    if (Item(id).kind == Kind::TrackBar)
        SendMessageW(Hwnd(id), TBM_SETPOS, TRUE, position);
    else
        SetWindowTextW(Hwnd(id), std::to_wstring(position).c_str());
    --quiet_;
}

void HauptWin32::SetItems(Ctl id, const std::vector<std::string>& items) {
    if (Held* held = HeldFor(id)) {
        held->items.clear();
        for (const std::string& entry : items) held->items.push_back(platform::Widen(entry));
        held->selection = -1;
        return;
    }
    ++quiet_;
    HWND h = Hwnd(id);
    SendMessageW(h, CB_RESETCONTENT, 0, 0);
    for (const std::string& entry : items)
        SendMessageW(h, CB_ADDSTRING, 0, LPARAM(platform::Widen(entry).c_str()));
    --quiet_;
}

void HauptWin32::SetSelection(Ctl id, int index) {
    if (Held* held = HeldFor(id)) {
        // An index off the list selects nothing.
        held->selection = index >= 0 && std::size_t(index) < held->items.size() ? index : -1;
        return;
    }
    ++quiet_;
    SendMessageW(Hwnd(id), CB_SETCURSEL, WPARAM(index), 0);
    --quiet_;
}

int HauptWin32::Selection(Ctl id) {
    if (const Held* held = HeldFor(id)) return held->selection;
    return int(SendMessageW(Hwnd(id), CB_GETCURSEL, 0, 0));
}

void HauptWin32::AppendLines(Ctl id, const std::vector<std::string>& lines) {
    Held* held = HeldFor(id);
    HWND h = Hwnd(id);
    std::string add;
    const bool empty = held ? held->text.empty() : GetWindowTextLengthW(h) == 0;
    for (const std::string& line : lines) {
        if (!(empty && add.empty())) add += "\r\n";
        add += line;
    }
    if (held) {
        held->text += platform::Widen(add);
        held->caretAtEnd = true;
        return;
    }
    ++quiet_;
    const int end = GetWindowTextLengthW(h);
    SendMessageW(h, EM_SETSEL, WPARAM(end), LPARAM(end));
    SendMessageW(h, EM_REPLACESEL, FALSE, LPARAM(platform::Widen(add).c_str()));
    --quiet_;
}

void HauptWin32::SetCaption(const std::string& caption) {
    SetWindowTextW(hwnd_, platform::Widen(caption).c_str());
}

void HauptWin32::SetStatusText(int panel, const std::string& text) {
    SendMessageW(Hwnd(Ctl::StatusBar1), SB_SETTEXTW, WPARAM(panel),
                 LPARAM(platform::Widen(text).c_str()));
}

void HauptWin32::SetWaitVisible(bool visible) {
    if (!visible && HeldFor(Ctl::PInsert)) return;  // never shown yet
    HWND h = Built(Ctl::PInsert);
    if (visible) SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(h, visible ? SW_SHOWNA : SW_HIDE);
    UpdateWindow(h);
}

void HauptWin32::MoveWait(Point topLeft) {
    SetWindowPos(Built(Ctl::PInsert), nullptr, Scale(topLeft.X), Scale(topLeft.Y), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Size HauptWin32::OuterSize() {
    // The restored window's size: a minimised or hidden window's own rectangle
    // is the task bar button's or nothing, and the wait panel would be placed
    // off the window that comes back.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    RECT r{};
    if (GetWindowPlacement(hwnd_, &placement))
        r = placement.rcNormalPosition;
    else
        GetWindowRect(hwnd_, &r);
    return {Unscale(r.right - r.left), Unscale(r.bottom - r.top)};
}

}  // namespace ui
