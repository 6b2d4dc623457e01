// The notification-area icon, hiding to it, and the three application
// messages another program may send.

#include <stdexcept>

#include "Haupt.h"
#include "Pen.h"

namespace ui {

namespace {
// The system's error as the general error box shows it.
std::runtime_error SystemError(std::uint32_t code, const std::string& text) {
    return std::runtime_error("Systemfehler.  Code: " + std::to_string(code) + ".\r\n" + text);
}
}  // namespace

void TFHaupt::IconAendern(std::uint8_t state) {
    view_.SetIconState(state);
    view_.NotifyIcon(TrayOp::Modify, tip_);
}

void TFHaupt::ShowMe() {
    view_.ForceForeground();
}

bool TFHaupt::HandleParams(const std::string&, int) {
    return false;
}

bool TFHaupt::WMSysCommand(std::uint32_t command) {
    if ((command & 0xFFF0u) != kScMinimize) return false;
    if (Einstell.TrayMin)
        HideToTray();
    else
        view_.MinimiseApp();
    return true;
}

void TFHaupt::TrayIconMessage(std::uint32_t mouseMessage) {
    if (mouseMessage == kMouseLeftDoubleClick) {
        ShowFromTray();
    } else if (mouseMessage == kMouseRightUp) {
        view_.SetForeground();
        const TrayChoice choice = view_.TrayMenu();
        if (choice == TrayChoice::Show) {
            ShowFromTray();
            ShowMe();
        } else if (choice == TrayChoice::Close) {
            PMACloseClick();
        }
    }
}

void TFHaupt::PMACloseClick() {
    view_.RequestClose();
}

std::intptr_t TFHaupt::WMAppIdentify() {
    return kIdentifyAnswer;
}

void TFHaupt::WMAppActivate() {
    // A window hidden in the notification area comes back as by the icon.
    if (!view_.Visible())
        ShowFromTray();
    else if (view_.AppMinimised())
        view_.RestoreApp();
    ShowMe();
}

void TFHaupt::WMAppHandOver(std::uintptr_t atom) {
    const AtomText read = view_.GlobalAtomName(static_cast<std::uint16_t>(atom));
    if (!read.Ok) throw SystemError(read.Error, read.ErrorText);
    HandleParams(read.Text, 3);
}

void TFHaupt::TaskbarCreated() {
    // The new task bar has no icon of ours: without it a window hidden to the
    // notification area could never be shown again.
    view_.NotifyIcon(TrayOp::Add, tip_);
}

}  // namespace ui
