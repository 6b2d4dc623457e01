#pragma once

// The main window as its presenter sees it: a passive surface that shows what
// it is told and answers what it is asked. The Win32 view builds it from the
// layout table; tests use a fake that records every call.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ui {

// Every control of the window, the window's pages and groups included. The
// numbers are the controls' window ids (the test driver addresses them too).
enum class Ctl : int {
    None = 0,
    // left column
    GScanner = 100,
    BDownload,
    BUpload,
    BClear,
    GDaten,
    RadioBHeader,
    RadioBBarcodes,
    BLoad,
    BSave,
    BClip,
    // page control and its pages
    PageControl1 = 200,
    TSSettings,
    TSBarcodes,
    TSHeader,
    TabSAbout,
    // "Einstellungen"
    GLesestation = 300,
    LAnschluss,
    ComboBPort,
    BComRefresh,
    LTimeout,
    SpinETimeout,
    GDownload,
    RadioBDown1,
    RadioBDown2,
    RadioBDown3,
    CheckBDownClip,
    CheckBDownDel,
    GWWW,
    LURL1,
    ESearch1,
    BSearchDef,
    LURL2,
    ESearch2,
    GExport,
    CheckBExpBNr,
    CheckBExpBConly,
    GHintergrund,
    CheckBMinTray,
    CheckBStartMin,
    CheckBAutoDown,
    // "Barcodes"
    ListView1 = 400,
    // "Parameter"
    GInfo = 500,
    LProto,
    LPProto,
    LStatus,
    LPStatus,
    LFirmware,
    LPFirmware,
    LDevID,
    LPDevID,
    LUploads,
    LPUploads,
    LCodes,
    LPCodes,
    Memo2,
    GEinstellungen,
    LUserData,
    EPUserData,
    LLoud,
    TrackBLoud,
    LBaud,
    ComboBox1,
    LScannerOn,
    SpinEdit1,
    LX100ms,
    LGreenLed,
    ComboBox2,
    // "Über..."
    Memo1 = 600,
    // window-wide
    PInsert = 700,
    StatusBar1,
};

enum class Page { Einstellungen = 0, Barcodes = 1, Parameter = 2, About = 3 };

// Sizes and positions in 96-DPI pixels; the view scales them.
struct Size {
    int Width = 0;
    int Height = 0;
    bool operator==(const Size&) const = default;
};
struct Point {
    int X = 0;
    int Y = 0;
    bool operator==(const Point&) const = default;
};

struct Rgb {
    std::uint8_t R = 0, G = 0, B = 0;
    bool operator==(const Rgb&) const = default;
};

// Plain: no icon, the application's title. Warning: "Warnung". Error: "Fehler".
// AppError: the general error box, the application's title with the error icon.
enum class BoxKind { Plain, Warning, Error, AppError };
enum class Buttons { Ok, YesNo };  // "OK", or "&Ja" and "&Nein"
enum class Answer { Ok, Yes, No };

enum class TrayOp { Add, Modify, Delete };

// What reading a global atom gave: its text, or the system's error.
struct AtomText {
    bool Ok = false;
    std::string Text;
    std::uint32_t Error = 0;  // the system's error code when not Ok
    std::string ErrorText;    // the system's text for it
};

struct SaveRequest {
    std::string InitialDir;
    std::string DefaultExt;
    std::string FilterName;     // e.g. "Textdatei (*.csv)"
    std::string FilterPattern;  // e.g. "*.csv"
};

class HauptView {
  public:
    virtual ~HauptView() = default;

    // --- controls by id. Setting a state never calls back into the presenter.
    virtual void SetText(Ctl id, const std::string& text) = 0;
    virtual std::string Text(Ctl id) = 0;
    virtual void SetChecked(Ctl id, bool checked) = 0;
    virtual bool Checked(Ctl id) = 0;
    virtual void SetEnabled(Ctl id, bool enabled) = 0;
    // Track bars and spin fields.
    virtual void SetPosition(Ctl id, int position) = 0;
    // Drop-down lists: items and the selected index (-1: none).
    virtual void SetItems(Ctl id, const std::vector<std::string>& items) = 0;
    virtual void SetSelection(Ctl id, int index) = 0;
    virtual int Selection(Ctl id) = 0;
    // Multi-line texts: lines added at the end.
    virtual void AppendLines(Ctl id, const std::vector<std::string>& lines) = 0;

    // --- the window
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetActivePage(Page page) = 0;
    virtual Page ActivePage() = 0;
    // The status bar's panels 0, 1, 2.
    virtual void SetStatusText(int panel, const std::string& text) = 0;
    // The wait panel: shown or hidden, and where its top left corner lies in
    // the client area.
    virtual void SetWaitVisible(bool visible) = 0;
    virtual void MoveWait(Point topLeft) = 0;
    // The window's outer size including its frame.
    virtual Size OuterSize() = 0;

    virtual Answer ShowBox(BoxKind kind, const std::string& text, Buttons buttons) = 0;

    // --- icons and the notification area
    // Loads the state's icon (0 "OFF", 1 "GRUEN", 2 "GELB", 3 "ROT", else an
    // empty one) and gives it to the application and the window.
    virtual void SetIconState(int state) = 0;
    // The notification icon with the window's current icon and the tip.
    virtual void NotifyIcon(TrayOp op) = 0;
    // Opens the notification menu at the cursor; true when "&Beenden" was chosen.
    virtual bool TrayMenu() = 0;

    // --- showing and hiding
    virtual void Hide() = 0;
    // Normal state, visible, the owner with the task-bar button shown too.
    virtual void ShowNormal() = 0;
    virtual void MinimiseApp() = 0;
    virtual bool AppMinimised() = 0;
    virtual void RestoreApp() = 0;
    virtual void SetForeground() = 0;
    // Brings the application to the front even when another thread has the
    // foreground (input attached only for the change, always detached).
    virtual void ForceForeground() = 0;
    // Asks the window to close; the close steps run from the message loop.
    virtual void RequestClose() = 0;

    // --- the barcode list
    virtual void ClearRows() = 0;
    virtual void AddRow(const std::vector<std::string>& cells) = 0;  // five cells
    virtual int RowCount() = 0;
    virtual std::string RowText(int row, int column) = 0;
    // The row whose icon, label or state icon lies under the mouse cursor.
    virtual std::optional<int> RowAtCursor() = 0;
    virtual std::vector<int> SelectedRows() = 0;

    // --- the system
    // False when the clipboard could not be opened or filled.
    virtual bool PutClipboardText(const std::string& text) = 0;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> SaveDialog(const SaveRequest& request) = 0;
    virtual void ShellOpen(const std::string& address) = 0;
    virtual AtomText GlobalAtomName(std::uint16_t atom) = 0;
};

}  // namespace ui
