#pragma once

// The main window's behaviour: every handler of the window, working on the
// settings and pen records and talking to the screen only through HauptView.
// Portable, so it is tested natively with a fake view.
//
// Split by concern: Haupt.cpp (creation, settings binding, close),
// HauptTray.cpp (notification icon and the application messages),
// HauptDownload.cpp (download and clear), HauptList.cpp (barcode list and
// parameter view), HauptExport.cpp (export, clipboard, look-up).

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "HauptView.h"
#include "ParamSheet.h"
#include "unitportdetect.h"

class TDMPen;

namespace ui {

// The window's texts and numbers that other programs and the view rely on.
inline constexpr const char* kAppTitle = "Stylorix Control";
inline constexpr const char* kCaptionPrefix = "Stylorix Control - Version ";
inline constexpr std::uint32_t kTrayCallbackMessage = 0x0400 + 1;  // WM_USER + 1
inline constexpr std::uint32_t kWmAppIdentify = 0x8000 + 101;      // WM_APP + 101
inline constexpr std::uint32_t kWmAppActivate = 0x8000 + 102;
inline constexpr std::uint32_t kWmAppHandOver = 0x8000 + 103;
inline constexpr std::intptr_t kIdentifyAnswer = 26057201;  // 0x018D99F1
inline constexpr std::uint32_t kScMinimize = 0xF020;
inline constexpr std::uint32_t kMouseLeftDoubleClick = 0x0203;
inline constexpr std::uint32_t kMouseRightUp = 0x0205;
inline constexpr Rgb kOddRowColour{204, 255, 204};
// How often the watch looks for a pen in the station.
inline constexpr std::int32_t kWatchPaceMs = 3000;
// The notification icon's states.
inline constexpr std::uint8_t kIconOff = 0, kIconGreen = 1, kIconYellow = 2, kIconRed = 3;

// What a control reports to the presenter.
enum class Notify { Click, Change };

class TFHaupt {
  public:
    // Fills a table of kChooserPorts entries with the machine's ports.
    using PortDetector = std::function<void(std::span<portdetect::TDetectedPort>)>;

    // The detector defaults to the platform's port discovery.
    TFHaupt(TDMPen& pen, HauptView& view, PortDetector detect = {});
    TFHaupt(const TFHaupt&) = delete;
    TFHaupt& operator=(const TFHaupt&) = delete;

    // Routes a control's notification to its handler.
    void Command(Ctl id, Notify what);
    // The one top-level handler: runs a handler and shows whatever it raises
    // in the application's error box. Nothing escapes.
    void Safely(const std::function<void()>& handler) noexcept;

    // --- creation, settings binding, close (Haupt.cpp)
    void FormCreate();
    // Once the window is up and has painted: what its start put off. The port
    // chooser is filled here, because the port discovery asks slow sources.
    void FormStarted();
    // True when the window may close.
    bool FormCloseQuery();
    void FormDestroy();
    void ComboBPortChange();
    void BComRefreshClick();
    void SpinETimeoutChange();
    void RadioBDown1Click();
    void ShowWait(std::uint8_t mode);
    void CheckBDownClipClick();
    void CheckBDownDelClick();
    void CheckBExpBNrClick();
    void CheckBExpBConlyClick();
    void CheckBMinTrayClick();
    void CheckBStartMinClick();
    void CheckBAutoDownClick();
    void CheckBArchivClick();
    // A serial device came or went: the chooser follows, Comport stays.
    void DeviceChange();
    // Windows ends (log-off, shut-down): whether the window agrees, and then
    // the close steps, which must be done before the handler returns; a
    // running exchange stops at its next look, the port is closed at once.
    bool QueryEndSession();
    void EndSession();

    // --- notification icon and application messages (HauptTray.cpp)
    void IconAendern(std::uint8_t state);
    void ShowMe();
    bool HandleParams(const std::string& text, int number);
    // WM_SYSCOMMAND: true when handled here, false for the default handling.
    bool WMSysCommand(std::uint32_t command);
    // The notification icon's callback with the mouse message from lParam.
    void TrayIconMessage(std::uint32_t mouseMessage);
    void PMACloseClick();
    std::intptr_t WMAppIdentify();
    void WMAppActivate();
    void WMAppHandOver(std::uintptr_t atom);
    // The shell's task bar was created anew: the icon is gone with it.
    void TaskbarCreated();

    // --- download and clear (HauptDownload.cpp)
    void BDownloadClick();
    void BClearClick();

    // --- barcode list and parameter view (HauptList.cpp)
    void ShowCodes();
    void ShowParam(std::uint8_t mode);
    void BUploadClick();
    // Background of list row `item` (from 0): nothing for the window colour.
    static std::optional<Rgb> ListView1CustomDrawItem(int item);

    // --- export, clipboard, look-up (HauptExport.cpp)
    void BSaveClick();
    void BClipClick();
    // False when the clipboard could not be filled.
    bool CodeClip();
    void BLoadClick();
    void BSearchDefClick();
    // Opens the archive's folder with the shell.
    void BArchivClick();
    void ListView1DblClick();
    // Ctrl+C in the list: the selected rows' export lines to the clipboard.
    void ListView1CopySelection();

    // --- start-up and the watch (HauptWatch.cpp)
    // How the window first appears, after FormCreate: shown, or with
    // "minimiert starten" hidden in the notification area (with "in Tray
    // minimieren") or minimised on the task bar.
    void FormShow();
    // The watch's timer: looks for a pen in the station and reads one that
    // was put in, once a docking.
    void WatchTick();
    // Hidden in the notification area with "automatischer Barcode-Download".
    bool Watching() const { return watching_; }

    // An exchange with the pen is running (its waits keep the window alive).
    bool Busy() const { return busy_; }

  private:
    // Sets a check box or radio button and runs its click handling, as a
    // user's click would.
    void SetCheckedAndClick(Ctl id, bool checked);
    void FillPortChooser();
    void Box(BoxKind kind, const std::string& text);
    // One exchange with the pen (HauptDownload.cpp): only one at a time, the
    // commands greyed and the receive progress shown meanwhile, the port
    // closed however it ends, and a close asked for meanwhile done after it.
    void RunExchange(void (TFHaupt::*exchange)());
    // The download's settings, taken when it starts.
    struct DownloadChoice {
        std::int32_t mode;
        bool toClipboard;
        bool deleteAsked;
    };
    void Download();
    // The download after the pen answered its wake-up.
    void ReadAwakePen(const DownloadChoice& choice);
    void Clear();
    // The battery question; false when the user says no. The watch asks
    // nobody: it goes on and notes it.
    bool AskBattery();
    // What an exchange has to say at its end: a box from a button, noted for
    // the balloon in the watch.
    void Tell(BoxKind kind, const std::string& text);
    // HauptWatch.cpp
    void HideToTray();
    void ShowFromTray();
    void WatchStart();
    void WatchStop();
    void Look();
    void SetTip(const std::string& text);
    // Opens the station's port and lets its lines settle; false, with the
    // failure shown, when it does not open or the exchange ended meanwhile.
    bool OpenStation();
    // True when the exchange must end now: the window closes (silently), or
    // the port went away (said in the status and a box).
    bool Ended();
    // The end of an exchange: its status, the wait panel hidden, its box;
    // what Ended says instead when it ended otherwise.
    void Finish(const std::string& status, BoxKind kind = BoxKind::Plain,
                const std::string& text = {});
    // HauptExport.cpp: the file parts of the two targets.
    void SaveParams();
    // The chosen file's content into the list or the parameter page.
    void LoadCodes(const std::string& path, const std::string& content);
    void LoadParams(const std::string& path, const std::string& content);
    FileRequest CodeFiles() const;
    FileRequest ParamFiles() const;
    // HauptList.cpp: the parameter page as sheet_ holds it.
    void ShowSheet();
    void Status(const std::string& text);  // the status bar's first panel
    void EnableCommands(bool enabled);

    TDMPen& pen_;
    HauptView& view_;
    PortDetector detect_;
    std::vector<std::string> portEntries_;  // the chooser's entries, in its order
    bool busy_ = false;
    bool closePending_ = false;  // closing waits until the running exchange ends
    bool sessionEnded_ = false;  // Windows is ending: the close steps ran already
    bool penCleared_ = false;    // the running exchange's delete was confirmed
    std::string activity_;       // what the running exchange does, for its failure
    bool codesUntyped_ = false;  // the codes came from a file without symbologies
    ParamSheet sheet_;           // what the parameter page shows
    // The watch.
    bool watching_ = false;
    bool automatic_ = false;   // the running exchange is the watch's: no boxes
    bool docked_ = false;      // the pen in the station was read in this docking
    bool reading_ = false;     // the watch's look found a new pen and read it
    bool failedRead_ = false;  // the watch's last read failed: red until a good one
    BoxKind toldKind_ = BoxKind::Plain;
    std::string told_;         // what the watch's read had to say
    std::string batteryNote_;  // the pen status the watch went on despite
    std::string tip_;          // the notification icon's tip
    std::string lastRead_;     // the first line of what the watch's last read said
};

// The port chooser's rules, free of the view.
// Index of the entry to select for the stored port: the first that equals it
// or contains it in parentheses; else 0; -1 for an empty list.
int PortIndex(const std::vector<std::string>& entries, const std::string& port);
// The port an entry names: from the first "COM" to just before the last ")",
// or a bare entry's whole text.
std::string PortOfEntry(const std::string& entry);
// The value a spin field's text stands for: the number typed, or the minimum.
int SpinValue(const std::string& text, int minimum);
// Top left corner of a panel centred on a window of the outer size given.
Point CentredWait(Size outer, Size panel);

}  // namespace ui
