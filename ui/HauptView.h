#pragma once

// The main window as its presenter sees it: a passive surface that shows what
// it is told and answers what it is asked. The Win32 view builds it from the
// layout table; tests use a fake that records every call.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ui {

// Every control of the window, the window's pages and groups included, with
// its window id (the test driver addresses them by name or number).
#define STYLORIX_CONTROLS(X)         \
    X(None, 0)                       \
    /* left column */                \
    X(GScanner, 100)                 \
    X(BDownload, 101)                \
    X(BUpload, 102)                  \
    X(BClear, 103)                   \
    X(GDaten, 104)                   \
    X(RadioBHeader, 105)             \
    X(RadioBBarcodes, 106)           \
    X(BLoad, 107)                    \
    X(BSave, 108)                    \
    X(BClip, 109)                    \
    /* page control and its pages */ \
    X(PageControl1, 200)             \
    X(TSSettings, 201)               \
    X(TSBarcodes, 202)               \
    X(TSHeader, 203)                 \
    X(TabSAbout, 204)                \
    /* "Einstellungen" */            \
    X(GLesestation, 300)             \
    X(LAnschluss, 301)               \
    X(ComboBPort, 302)               \
    X(BComRefresh, 303)              \
    X(LTimeout, 304)                 \
    X(SpinETimeout, 305)             \
    X(GDownload, 306)                \
    X(RadioBDown1, 307)              \
    X(RadioBDown2, 308)              \
    X(RadioBDown3, 309)              \
    X(CheckBDownClip, 310)           \
    X(CheckBDownDel, 311)            \
    X(GWWW, 312)                     \
    X(LURL1, 313)                    \
    X(ESearch1, 314)                 \
    X(BSearchDef, 315)               \
    X(LURL2, 316)                    \
    X(ESearch2, 317)                 \
    X(GExport, 318)                  \
    X(CheckBExpBNr, 319)             \
    X(CheckBExpBConly, 320)          \
    X(CheckBArchiv, 325)             \
    X(BArchiv, 326)                  \
    X(GHintergrund, 321)             \
    X(CheckBMinTray, 322)            \
    X(CheckBStartMin, 323)           \
    X(CheckBAutoDown, 324)           \
    /* "Barcodes" */                 \
    X(ListView1, 400)                \
    /* "Parameter" */                \
    X(GInfo, 500)                    \
    X(LProto, 501)                   \
    X(LPProto, 502)                  \
    X(LStatus, 503)                  \
    X(LPStatus, 504)                 \
    X(LFirmware, 505)                \
    X(LPFirmware, 506)               \
    X(LDevID, 507)                   \
    X(LPDevID, 508)                  \
    X(LUploads, 509)                 \
    X(LPUploads, 510)                \
    X(LCodes, 511)                   \
    X(LPCodes, 512)                  \
    X(Memo2, 513)                    \
    X(GEinstellungen, 514)           \
    X(LUserData, 515)                \
    X(EPUserData, 516)               \
    X(LLoud, 517)                    \
    X(TrackBLoud, 518)               \
    X(LBaud, 519)                    \
    X(ComboBox1, 520)                \
    X(LScannerOn, 521)               \
    X(SpinEdit1, 522)                \
    X(LX100ms, 523)                  \
    X(LGreenLed, 524)                \
    X(ComboBox2, 525)                \
    /* "Über..." */                 \
    X(Memo1, 600)                    \
    /* window-wide */                \
    X(PInsert, 700)                  \
    X(StatusBar1, 701)

enum class Ctl : int {
#define STYLORIX_CONTROL_ENUM(name, id) name = id,
    STYLORIX_CONTROLS(STYLORIX_CONTROL_ENUM)
#undef STYLORIX_CONTROL_ENUM
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
// What was chosen from the notification icon's menu.
enum class TrayChoice { None, Show, Close };

// What reading a global atom gave: its text, or the system's error.
struct AtomText {
    bool Ok = false;
    std::string Text;
    std::uint32_t Error = 0;  // the system's error code when not Ok
    std::string ErrorText;    // the system's text for it
};

struct FileRequest {
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
    virtual void NotifyIcon(TrayOp op, const std::string& tip) = 0;
    // Opens the notification menu at the cursor.
    virtual TrayChoice TrayMenu() = 0;
    // A notification balloon of the icon, with the application's title.
    virtual void ShowBalloon(const std::string& text, bool failure) = 0;
    // The watch's timer: Tick every ms milliseconds until stopped.
    virtual void StartTimer(std::int32_t ms) = 0;
    virtual void StopTimer() = 0;

    // --- showing and hiding
    virtual void Hide() = 0;
    // Normal state, visible, the owner with the task-bar button shown too.
    virtual void ShowNormal() = 0;
    virtual void MinimiseApp() = 0;
    virtual bool AppMinimised() = 0;
    // False while the window is hidden in the notification area.
    virtual bool Visible() = 0;
    virtual void RestoreApp() = 0;
    virtual void SetForeground() = 0;
    // Brings the application to the front even when another thread has the
    // foreground (input attached only for the change, always detached).
    virtual void ForceForeground() = 0;
    // Asks the window to close; the close steps run from the message loop.
    virtual void RequestClose() = 0;

    // --- the barcode list
    virtual void ClearRows() = 0;
    // Rows of five cells at the end; a view may draw the list once, after the last.
    virtual void AddRows(const std::vector<std::vector<std::string>>& rows) = 0;
    virtual std::string RowText(int row, int column) = 0;
    // The row whose icon, label or state icon lies under the mouse cursor.
    virtual std::optional<int> RowAtCursor() = 0;
    virtual std::vector<int> SelectedRows() = 0;

    // --- the system
    // False when the clipboard could not be opened or filled.
    virtual bool PutClipboardText(const std::string& text) = 0;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> SaveDialog(const FileRequest& request) = 0;
    virtual std::optional<std::string> OpenDialog(const FileRequest& request) = 0;
    virtual void ShellOpen(const std::string& address) = 0;
    virtual AtomText GlobalAtomName(std::uint16_t atom) = 0;
};

}  // namespace ui
