#pragma once

// The main window on Win32: creates its controls from the layout table,
// scaled to the window's DPI, forwards every notification to the presenter
// and shows what the presenter tells it. No behaviour lives here.

#include <windows.h>

#include <commctrl.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "HandlesWin32.h"
#include "Haupt.h"
#include "HauptView.h"
#include "Layout.h"

namespace ui {

// Registers the common controls the window makes; the start bench's bare
// window with common controls calls it too.
inline void StartCommonControls() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES |
                                             ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&icc);
}

// The main window's class, by which a second start finds the first.
inline constexpr wchar_t kWindowClass[] = L"TFHaupt";
// The watch's timer.
inline constexpr UINT_PTR kWatchTimer = 1;
// What the start put off begins this long after the window appeared, so that
// the window first paints and answers other programs without a wait.
inline constexpr UINT_PTR kStartTimer = 2;
inline constexpr UINT kStartDelayMs = 200;
// The window class of the page control's pages.
inline constexpr wchar_t kPageClass[] = L"StylorixPage";
// The background of controls of the Yellow style.
inline constexpr COLORREF kYellow = RGB(255, 255, 0);

class HauptWin32 : public HauptView {
  public:
    HauptWin32();
    ~HauptWin32() override;
    HauptWin32(const HauptWin32&) = delete;
    HauptWin32& operator=(const HauptWin32&) = delete;

    // Creates the window and its controls, runs the presenter's creation and
    // shows the window; what is not seen at once follows on the first idle.
    // False when the window could not be created.
    bool Create(TFHaupt& form);
    // The main window of a program already running for this user, if any.
    static HWND FindRunning();
    HWND Handle() const { return hwnd_; }

    // For every message loop of the main thread: keyboard navigation (Tab,
    // mnemonics, Ctrl+Tab between pages). True when the message was used.
    bool PreTranslate(MSG& msg);

    // --- HauptView
    void SetText(Ctl id, const std::string& text) override;
    std::string Text(Ctl id) override;
    void SetChecked(Ctl id, bool checked) override;
    bool Checked(Ctl id) override;
    void SetEnabled(Ctl id, bool enabled) override;
    void SetPosition(Ctl id, int position) override;
    void SetItems(Ctl id, const std::vector<std::string>& items) override;
    void SetSelection(Ctl id, int index) override;
    int Selection(Ctl id) override;
    void AppendLines(Ctl id, const std::vector<std::string>& lines) override;
    void SetCaption(const std::string& caption) override;
    void SetActivePage(Page page) override;
    void SetStatusText(int panel, const std::string& text) override;
    void SetWaitVisible(bool visible) override;
    void MoveWait(Point topLeft) override;
    Size OuterSize() override;
    Answer ShowBox(BoxKind kind, const std::string& text, Buttons buttons) override;
    void SetIconState(int state) override;
    void NotifyIcon(TrayOp op, const std::string& tip) override;
    TrayChoice TrayMenu() override;
    void ShowBalloon(const std::string& text, bool failure) override;
    void StartTimer(std::int32_t ms) override;
    void StopTimer() override;
    void Hide() override;
    void ShowNormal() override;
    void MinimiseApp() override;
    bool AppMinimised() override;
    bool Visible() override;
    void RestoreApp() override;
    void SetForeground() override;
    void ForceForeground() override;
    void RequestClose() override;
    void ClearRows() override;
    void AddRows(const std::vector<std::vector<std::string>>& rows) override;
    std::string RowText(int row, int column) override;
    std::optional<int> RowAtCursor() override;
    std::vector<int> SelectedRows() override;
    bool PutClipboardText(const std::string& text) override;
    std::optional<std::string> SaveDialog(const FileRequest& request) override;
    std::optional<std::string> OpenDialog(const FileRequest& request) override;
    void ShellOpen(const std::string& address) override;
    AtomText GlobalAtomName(std::uint16_t atom) override;

  private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK PageProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnNotify(const NMHDR& hdr);
    // The file dialogs: save (true) or open.
    std::optional<std::string> FileDialog(const FileRequest& request, bool save);
    void OnCommand(int id, int code);

    // Controls (ControlsWin32.cpp)
    // The window's own controls; a page and its controls come with
    // BuildPage, when the page is shown first or in the start's later steps.
    void CreateControls();
    // Creates one control at its place for the current DPI, with its font
    // and, for a control of a page, what the view holds for it.
    HWND MakeControl(std::size_t index);
    void BuildPage(Ctl page);
    // What the window puts off until it is up, one step a message so that it
    // answers other programs meanwhile: first the tool tips and the
    // notification icon, then the presenter's FormStarted, then the pages'
    // controls a few at a time. True while steps are left.
    bool FinishStartStep();
    void AddTip(const LayoutItem& item, HWND h);
    // Lets the notification icon appear, with what was asked of it so far.
    void ShowTrayIcon();
    void ApplyLayout();  // positions and fonts for the current DPI
    void MakeFonts();
    RECT Placement() const;
    HWND Container(Ctl parent) const;
    Rect Absolute(const LayoutItem& item) const;  // in its container, 96-DPI pixels
    HFONT FontFor(const LayoutItem& item) const;
    HWND Hwnd(Ctl id) const;
    // The control, made first (with its page) if need be.
    HWND Built(Ctl id);
    void ShowPage(int index);
    Page ActivePage();

    // A control of a page not built yet: what the presenter set, as the
    // control would hold it.
    struct Held {
        std::wstring text;
        bool checked = false;
        bool enabled = true;
        int position = 0;
        std::vector<std::wstring> items;
        int selection = -1;
        bool caretAtEnd = false;  // lines were appended: the caret follows them
    };
    Held* HeldFor(Ctl id);

    // List view (ListWin32.cpp)
    void SetUpList();
    LRESULT ListNotify(const NMHDR& hdr);
    void AddRow(const std::vector<std::string>& cells);
    int RowCount();

    int Scale(int px) const { return MulDiv(px, int(dpi_), 96); }
    int Unscale(int px) const { return MulDiv(px, 96, int(dpi_)); }
    HICON StateIcon(int state, bool small) const;

    TFHaupt* form_ = nullptr;
    HWND hwnd_ = nullptr;
    UINT dpi_ = 96;
    UINT taskbarCreated_ = 0;
    std::map<Ctl, HWND> controls_;
    std::map<Ctl, HWND> spinButtons_;  // the up-down beside each spin field
    std::map<Ctl, Held> held_;         // the controls of the pages not built yet
    HWND tooltip_ = nullptr;
    bool started_ = false;    // the presenter has had its FormStarted
    bool trayReady_ = false;  // the window is up: the icon goes to the shell at once
    // The icon's tip while its adding waits for the window to be up.
    std::optional<std::string> trayAdd_;
    HWND focus_ = nullptr;  // the control that had the focus when the window went inactive
    int quiet_ = 0;         // >0 while the view changes a control itself
    int iconState_ = -1;
    platform::OwnedFont font_, bold_, large_, panelFont_, fixed_;
    platform::OwnedBrush yellow_;
    std::vector<HWND> yellowControls_;  // the controls of the Yellow style
};

}  // namespace ui
