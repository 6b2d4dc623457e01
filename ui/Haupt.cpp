// Creation, settings binding and close of the main window.

#include "Haupt.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <vector>

#include "DevicePath.h"
#include "Layout.h"
#include "Pen.h"
#include "PenExport.h"

namespace ui {

namespace {

std::uint8_t WithBit(std::uint8_t format, std::uint8_t bit, bool on) {
    return static_cast<std::uint8_t>(on ? format | bit : format & ~bit);
}

}  // namespace

int PortIndex(const std::vector<std::string>& entries, const std::string& port) {
    if (entries.empty()) return -1;
    // A blank left over from a console run's option line is no part of the name.
    const std::string name = comm::TrimTrailingBlanks(port);
    if (!name.empty()) {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::string& e = entries[i];
            if (e == name || e.find("(" + name + ")") != std::string::npos) return int(i);
        }
    }
    return 0;
}

std::string PortOfEntry(const std::string& entry) {
    const std::size_t close = entry.rfind(')');
    if (close != std::string::npos) {
        // The port in the last parentheses, even when "COM" also occurs in the
        // device's own name ("USB-COM Adapter (COM5)").
        std::size_t from = entry.rfind("(COM", close);
        if (from != std::string::npos) return entry.substr(from + 1, close - from - 1);
        from = entry.find("COM");
        if (from != std::string::npos && from < close) return entry.substr(from, close - from);
    }
    // A bare name such as "COM3" is the port itself.
    return entry;
}

int SpinValue(const std::string& text, int minimum) {
    int value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last || first == last) return minimum;
    return value;
}

Point CentredWait(Size outer, Size panel) {
    return {outer.Width / 2 - panel.Width / 2, outer.Height / 2 - panel.Height / 2};
}

TFHaupt::TFHaupt(TDMPen& pen, HauptView& view, PortDetector detect)
    : pen_(pen), view_(view), detect_(std::move(detect)) {
    if (!detect_)
        detect_ = [](std::span<portdetect::TDetectedPort> t) { portdetect::DetectComPorts(t); };
}

void TFHaupt::Command(Ctl id, Notify what) {
    if (what == Notify::Change) {
        switch (id) {
            case Ctl::ComboBPort:
                return ComboBPortChange();
            case Ctl::SpinETimeout:
                return SpinETimeoutChange();
            default:
                return;
        }
    }
    switch (id) {
        case Ctl::BDownload:
            return BDownloadClick();
        case Ctl::BUpload:
            return BUploadClick();
        case Ctl::BClear:
            return BClearClick();
        case Ctl::BLoad:
            return BLoadClick();
        case Ctl::BSave:
            return BSaveClick();
        case Ctl::BClip:
            return BClipClick();
        case Ctl::BComRefresh:
            return BComRefreshClick();
        case Ctl::BSearchDef:
            return BSearchDefClick();
        case Ctl::BArchiv:
            return BArchivClick();
        case Ctl::RadioBDown1:
        case Ctl::RadioBDown2:
        case Ctl::RadioBDown3:
            return RadioBDown1Click();
        case Ctl::CheckBDownClip:
            return CheckBDownClipClick();
        case Ctl::CheckBDownDel:
            return CheckBDownDelClick();
        case Ctl::CheckBExpBNr:
            return CheckBExpBNrClick();
        case Ctl::CheckBExpBConly:
            return CheckBExpBConlyClick();
        case Ctl::CheckBMinTray:
            return CheckBMinTrayClick();
        case Ctl::CheckBStartMin:
            return CheckBStartMinClick();
        case Ctl::CheckBAutoDown:
            return CheckBAutoDownClick();
        case Ctl::CheckBArchiv:
            return CheckBArchivClick();
        default:
            return;
    }
}

void TFHaupt::Safely(const std::function<void()>& handler) noexcept {
    try {
        handler();
    } catch (const std::exception& e) {
        try {
            view_.ShowBox(BoxKind::AppError, e.what(), Buttons::Ok);
        } catch (...) {
        }
    } catch (...) {
        try {
            view_.ShowBox(BoxKind::AppError, "Unbekannter Fehler", Buttons::Ok);
        } catch (...) {
        }
    }
}

void TFHaupt::Box(BoxKind kind, const std::string& text) {
    view_.ShowBox(kind, text, Buttons::Ok);
}

void TFHaupt::SetCheckedAndClick(Ctl id, bool checked) {
    // Radio buttons of one group box exclude each other, also when set from code.
    const LayoutItem& item = Item(id);
    if (checked && item.kind == Kind::Radio)
        for (const LayoutItem& other : Layout())
            if (other.kind == Kind::Radio && other.parent == item.parent && other.id != id)
                view_.SetChecked(other.id, false);
    view_.SetChecked(id, checked);
    Command(id, Notify::Click);
}

void TFHaupt::FormCreate() {
    tip_ = kAppTitle;
    view_.NotifyIcon(TrayOp::Add, tip_);
    const std::string version = pen_.VersionResource1->VersionInfo().FileVersion();
    view_.SetCaption(kCaptionPrefix + version);
    view_.SetText(Ctl::Memo1, "");
    view_.AppendLines(Ctl::Memo1, AboutText(version));
    SetCheckedAndClick(Ctl::RadioBBarcodes, true);
    ShowWait(0);

    // A value of the wrong type stops the reading there. The window still
    // opens, with what was read and defaults for the rest, so the user can
    // mend the setting from here.
    const std::string url2 = Einstell.URL2;
    Einstell = DefaultEinstell();
    Einstell.URL2 = url2;
    Safely([this] { pen_.IniLes(); });

    view_.SetActivePage(Page::Barcodes);

    // The range the field's up-down offers.
    const LayoutItem& timeout = Item(Ctl::SpinETimeout);
    view_.SetText(Ctl::SpinETimeout,
                  std::to_string(std::clamp(Einstell.Timeout, timeout.low, timeout.high)));
    SpinETimeoutChange();

    const Ctl down = Einstell.Download == 0   ? Ctl::RadioBDown1
                     : Einstell.Download == 1 ? Ctl::RadioBDown2
                                              : Ctl::RadioBDown3;
    SetCheckedAndClick(down, true);

    SetCheckedAndClick(Ctl::CheckBDownClip, Einstell.DownClip);
    SetCheckedAndClick(Ctl::CheckBDownDel, Einstell.DownDel);
    view_.SetText(Ctl::ESearch1, Einstell.URL);
    view_.SetText(Ctl::ESearch2, Einstell.URL2);
    const std::uint8_t format = Einstell.ExpFormat;
    SetCheckedAndClick(Ctl::CheckBExpBNr, (format & kExpRunningNumber) != 0);
    SetCheckedAndClick(Ctl::CheckBExpBConly, (format & kExpCodeOnly) != 0);
    SetCheckedAndClick(Ctl::CheckBArchiv, Einstell.Archiv);
    const bool trayMin = Einstell.TrayMin, trayAuto = Einstell.TrayAuto;
    const bool startMin = Einstell.StartMin;
    SetCheckedAndClick(Ctl::CheckBMinTray, trayMin);
    SetCheckedAndClick(Ctl::CheckBAutoDown, trayAuto);
    SetCheckedAndClick(Ctl::CheckBStartMin, startMin);

    view_.ClearRows();
    ShowParam(0);  // empties Memo2 too
    CodeCount = 0;
}

bool TFHaupt::FormCloseQuery() {
    WatchStop();
    if (busy_) {
        // The exchange holds the port; it stops at its next look and the
        // window closes when it is done.
        closePending_ = true;
        pen_.StopCommands();
        return false;
    }
    if (sessionEnded_) return true;
    SpinETimeoutChange();
    Einstell.URL = view_.Text(Ctl::ESearch1);
    Einstell.URL2 = view_.Text(Ctl::ESearch2);
    try {
        pen_.IniSchreib();
    } catch (const std::exception& e) {
        // A store that cannot be written must not keep the window open for
        // ever: the user decides.
        const bool close =
            view_.ShowBox(BoxKind::Error,
                          std::string("Die Einstellungen konnten nicht gespeichert werden:\r") +
                              e.what() + "\rTrotzdem beenden?",
                          Buttons::YesNo) == Answer::Yes;
        // Staying in the notification area, the window goes on watching.
        if (!close && !view_.Visible() && Einstell.TrayAuto) WatchStart();
        return close;
    }
    return true;
}

bool TFHaupt::QueryEndSession() {
    return true;
}

void TFHaupt::EndSession() {
    if (sessionEnded_) return;
    sessionEnded_ = true;
    WatchStop();
    // The process may end as soon as this returns, so nothing waits for the
    // running exchange: it stops at its next look, and its port closes now.
    if (busy_) {
        closePending_ = true;
        pen_.StopCommands();
    }
    pen_.CloseCom();
    SpinETimeoutChange();
    Einstell.URL = view_.Text(Ctl::ESearch1);
    Einstell.URL2 = view_.Text(Ctl::ESearch2);
    try {
        pen_.IniSchreib();
    } catch (const std::exception&) {
        // Nobody is left to answer a box.
    }
    view_.NotifyIcon(TrayOp::Delete, tip_);
}

void TFHaupt::FormStarted() {
    FillPortChooser();
}

void TFHaupt::FormDestroy() {
    WatchStop();
    if (!sessionEnded_) view_.NotifyIcon(TrayOp::Delete, tip_);
}

void TFHaupt::FillPortChooser() {
    std::vector<portdetect::TDetectedPort> table(portdetect::kChooserPorts);
    detect_(table);
    std::vector<std::string> entries;
    for (const auto& port : table)
        if (!port.Name.empty()) entries.push_back(port.Name);
    view_.SetItems(Ctl::ComboBPort, entries);
    view_.SetSelection(Ctl::ComboBPort, PortIndex(entries, Einstell.Comport));
    portEntries_ = std::move(entries);
}

void TFHaupt::ComboBPortChange() {
    const int index = view_.Selection(Ctl::ComboBPort);
    if (index < 0 || index >= int(portEntries_.size())) return;
    Einstell.Comport = PortOfEntry(portEntries_[std::size_t(index)]);
}

void TFHaupt::BComRefreshClick() {
    FillPortChooser();
}

void TFHaupt::DeviceChange() {
    FillPortChooser();
    // A station plugged back in is looked at now, not at the next tick.
    WatchTick();
}

void TFHaupt::SpinETimeoutChange() {
    Einstell.Timeout = SpinValue(view_.Text(Ctl::SpinETimeout), Item(Ctl::SpinETimeout).low);
}

void TFHaupt::RadioBDown1Click() {
    Einstell.Download = view_.Checked(Ctl::RadioBDown1)   ? 0
                        : view_.Checked(Ctl::RadioBDown2) ? 1
                                                          : 2;
}

void TFHaupt::ShowWait(std::uint8_t mode) {
    if (mode != 0) {
        const Rect& panel = Item(Ctl::PInsert).rect;
        view_.MoveWait(CentredWait(view_.OuterSize(), {panel.Width, panel.Height}));
        if (mode == 1) view_.SetText(Ctl::PInsert, "Pen einsetzen!");
        if (mode == 2) view_.SetText(Ctl::PInsert, "Bitte warten!");
    }
    view_.SetWaitVisible(mode != 0);
}

void TFHaupt::CheckBDownClipClick() {
    Einstell.DownClip = view_.Checked(Ctl::CheckBDownClip);
}
void TFHaupt::CheckBDownDelClick() {
    Einstell.DownDel = view_.Checked(Ctl::CheckBDownDel);
}
void TFHaupt::CheckBExpBNrClick() {
    Einstell.ExpFormat =
        WithBit(Einstell.ExpFormat, kExpRunningNumber, view_.Checked(Ctl::CheckBExpBNr));
}
void TFHaupt::CheckBExpBConlyClick() {
    Einstell.ExpFormat =
        WithBit(Einstell.ExpFormat, kExpCodeOnly, view_.Checked(Ctl::CheckBExpBConly));
}
void TFHaupt::CheckBMinTrayClick() {
    Einstell.TrayMin = view_.Checked(Ctl::CheckBMinTray);
}
void TFHaupt::CheckBStartMinClick() {
    Einstell.StartMin = view_.Checked(Ctl::CheckBStartMin);
}
void TFHaupt::CheckBAutoDownClick() {
    Einstell.TrayAuto = view_.Checked(Ctl::CheckBAutoDown);
}
void TFHaupt::CheckBArchivClick() {
    Einstell.Archiv = view_.Checked(Ctl::CheckBArchiv);
}

}  // namespace ui
