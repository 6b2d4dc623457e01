// Start-up and the watch: while the window is hidden in the notification area
// with "automatischer Barcode-Download", the station is looked at every few
// seconds, and a pen put into it is read as by "Download", once a docking,
// without a box: the icon (yellow while reading, green while watching, red
// after a failure), its tip and a balloon tell the user.

#include "Haupt.h"
#include "Pen.h"

namespace ui {

namespace {

// The lines settle after opening; shorter than the button's, for the port is
// opened at every look and a pen answers a look at once.
constexpr std::int32_t kSettleMs = 250;
constexpr std::size_t kTipChars = 63;  // what the notification record holds

// The first line of a box text, for the tip.
std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\r'));
}

}  // namespace

void TFHaupt::FormShow() {
    if (!Einstell.StartMin) return view_.ShowNormal();
    if (Einstell.TrayMin) return HideToTray();
    view_.MinimiseApp();
}

void TFHaupt::HideToTray() {
    view_.Hide();
    if (!Einstell.TrayAuto) return;
    IconAendern(failedRead_ ? kIconRed : kIconGreen);
    WatchStart();
}

void TFHaupt::ShowFromTray() {
    // A running read goes on to its end; then the port is closed as always.
    WatchStop();
    view_.ShowNormal();
    if (Einstell.TrayAuto) IconAendern(kIconOff);
}

void TFHaupt::WatchStart() {
    watching_ = true;
    // A pen already in the station is read at the first look.
    docked_ = false;
    view_.StartTimer(kWatchPaceMs);
}

void TFHaupt::WatchStop() {
    if (!watching_) return;
    watching_ = false;
    view_.StopTimer();
}

void TFHaupt::SetTip(const std::string& text) {
    std::string tip = text.empty() ? kAppTitle : std::string(kAppTitle) + ": " + text;
    // Whole characters only.
    std::size_t end = 0, chars = 0;
    while (end < tip.size() && chars < kTipChars) {
        ++end;
        while (end < tip.size() && (static_cast<unsigned char>(tip[end]) & 0xC0) == 0x80) ++end;
        ++chars;
    }
    tip.resize(end);
    if (tip == tip_) return;
    tip_ = tip;
    view_.NotifyIcon(TrayOp::Modify, tip_);
}

void TFHaupt::WatchTick() {
    // A look never overlaps an exchange, nor a look that runs already.
    if (!watching_ || busy_) return;
    reading_ = false;
    told_.clear();
    automatic_ = true;
    struct Manual {
        bool& automatic;
        ~Manual() { automatic = false; }
    } manual{automatic_};
    RunExchange(&TFHaupt::Look);
    if (!reading_) return;
    failedRead_ = toldKind_ != BoxKind::Plain;
    lastRead_ = FirstLine(told_);
    SetTip(lastRead_);
    if (watching_) IconAendern(failedRead_ ? kIconRed : kIconGreen);
    std::string text = told_;
    for (char& c : text)
        if (c == '\r') c = '\n';
    view_.ShowBalloon(text, failedRead_);
}

void TFHaupt::Look() {
    activity_ = "Auslesen";
    // A missing station (its adapter pulled out) or one another program
    // holds: looked at again at the next tick.
    if (!pen_.StartCom()) {
        docked_ = false;
        return SetTip("Lesestation " + Einstell.Comport + " nicht erreichbar");
    }
    SetTip(lastRead_);
    pen_.Delay(kSettleMs);
    if (pen_.CommandsStopped() || pen_.PortLost() || !pen_.LookForPen()) {
        docked_ = false;
        return;
    }
    // A pen that stays in the station is not read again: back to sleep.
    if (docked_) {
        pen_.SleepPen();
        return;
    }
    docked_ = true;
    reading_ = true;
    IconAendern(kIconYellow);
    view_.ClearRows();
    ShowParam(0);
    ReadAwakePen({Einstell.Download, Einstell.DownClip, Einstell.DownDel});
}

}  // namespace ui
