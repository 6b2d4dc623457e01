// Download and clear: one exchange with the pen each.

#include "Errors.h"
#include "Haupt.h"
#include "Pen.h"
#include "ViewText.h"

namespace ui {

namespace {

constexpr std::int32_t kSettleMs = 500;  // the station's lines settle after opening

// The commands that talk to the pen or change the code list.
constexpr Ctl kCommands[] = {Ctl::BDownload, Ctl::BUpload, Ctl::BClear,
                             Ctl::BLoad,     Ctl::BSave,   Ctl::BClip};

// What the success box adds when codes stayed in the pen.
std::string KeptNote(const PenClearCheck& check, bool deleteAsked) {
    const std::string notCleared = deleteAsked ? "Der Pen wurde nicht gelöscht: " : "";
    if (check.reason == PenClearCheck::kCodesLeft) {
        const std::int32_t left = check.held - check.read;
        const std::string codes =
            left == 1 ? "1 Code blieb" : std::to_string(left) + " Codes blieben";
        return "\r" + notCleared + codes + " ungelesen im Pen.";
    }
    if (check.reason == PenClearCheck::kReadFailed && deleteAsked)
        return "\r" + notCleared + "die Codes wurden nicht vollständig gelesen.";
    return "";
}

}  // namespace

void TFHaupt::EnableCommands(bool enabled) {
    for (Ctl id : kCommands) view_.SetEnabled(id, enabled);
}

void TFHaupt::RunExchange(void (TFHaupt::*exchange)()) {
    // The pen's waits handle window messages, so a second click or a close
    // can arrive in the middle of an exchange.
    if (busy_) return;
    busy_ = true;
    pen_.ResumeCommands();
    EnableCommands(false);
    pen_.OnReceiveProgress = [this](std::int32_t received) {
        view_.SetStatusText(1, ReceivedText(received));
    };
    auto end = [this] {
        pen_.OnReceiveProgress = nullptr;
        view_.SetStatusText(1, "");
        EnableCommands(true);
        busy_ = false;
        pen_.ResumeCommands();
        if (closePending_) {
            closePending_ = false;
            view_.RequestClose();
        }
    };
    try {
        (this->*exchange)();
    } catch (...) {
        // Whatever broke off the exchange, the port is not left open.
        pen_.CloseCom();
        ShowWait(0);
        end();
        throw;
    }
    end();
}

void TFHaupt::Status(const std::string& text) {
    view_.SetStatusText(0, text);
}

bool TFHaupt::OpenStation() {
    if (!pen_.StartCom()) {
        pen_.CloseCom();
        Status("COM-Port Fehler!");
        Box(BoxKind::Error, "Kann COM-Port nicht öffnen.");
        return false;
    }
    pen_.Delay(kSettleMs);
    return true;
}

void TFHaupt::BDownloadClick() {
    RunExchange(&TFHaupt::Download);
}

void TFHaupt::BClearClick() {
    RunExchange(&TFHaupt::Clear);
}

void TFHaupt::Download() {
    // The settings as they were when the button was pressed, whatever the
    // user changes while the pen is read.
    const std::int32_t mode = Einstell.Download;
    const bool toClipboard = Einstell.DownClip;
    const bool deleteAsked = Einstell.DownDel;
    // The window is closing: no further command, no box.
    auto stopped = [this] {
        if (!pen_.CommandsStopped()) return false;
        ShowWait(0);
        pen_.CloseCom();
        return true;
    };

    view_.ClearRows();
    ShowParam(0);
    if (!OpenStation() || stopped()) return;
    Status("Warte auf Scanner");
    ShowWait(1);
    if (!pen_.WakeUpPen()) {
        if (stopped()) return;
        Status("Scanner nicht erkannt");
        ShowWait(0);
        Box(BoxKind::Plain, "Kein Download erfolgt.");
        pen_.CloseCom();
        return;
    }
    TDMPen::ExtractPenData();
    if (PenData.ProtoVersion != 0x31) {
        Box(BoxKind::Warning, "Falsche Protokollversion! (0x" + HexByte(PenData.ProtoVersion) +
                                  ")\rAuslesen wird abgebrochen.");
        ShowWait(0);
        pen_.CloseCom();
        Status("Auslesen abgebrochen.");
        return;
    }
    if (PenData.Status != 0) {
        const Answer answer =
            view_.ShowBox(BoxKind::Warning,
                          "Pen-Status fehlerhaft, möglicherweise Batterie leer! (0x" +
                              HexByte(PenData.Status) + ")\rTrotzdem auslesen?",
                          Buttons::YesNo);
        if (stopped()) return;
        if (answer == Answer::No) {
            ShowWait(0);
            pen_.CloseCom();
            Status("Auslesen abgebrochen.");
            return;
        }
    }
    ShowWait(2);

    bool codesRead = false;
    if (mode != 2) {
        Status("Code-Download aktiv");
        codesRead = pen_.ReadPenCodes();
        TDMPen::ExtractCodes();
        if (stopped()) return;
    }
    if (toClipboard) CodeClip();
    if (mode != 1) {
        Status("Parameter-Download aktiv");
        pen_.ReadPenParamMulti(1, 16);
        TDMPen::ExtractPenParamMulti();
        pen_.ReadPenParamMulti(17, 30);
        TDMPen::ExtractPenParamMulti();
        if (stopped()) return;
        try {
            TDMPen::PenParamToRec();
        } catch (const platform::ConvertError& e) {
            // The codes were read all the same: the pen goes to sleep
            // uncleared, the port is closed, and the user sees the codes.
            Box(BoxKind::AppError, e.what());
            pen_.SleepPen();
            pen_.CloseCom();
            ShowWait(0);
            Status("Auslesen abgebrochen.");
            ShowCodes();
            return;
        }
    }

    // Clearing drops whatever was not read, so only a complete read may clear.
    // Reading parameters only reads no codes, and clears nothing.
    const PenClearCheck check = CheckPenClear(codesRead);
    std::string note;
    if (mode != 2) {
        if (deleteAsked && check.Safe()) pen_.DeletePenCodes();
        note = KeptNote(check, deleteAsked);
    }
    pen_.SleepPen();
    if (stopped()) return;
    Status("Download komplett");
    ShowWait(0);
    ShowCodes();
    if (mode == 2) {
        ShowParam(2);
        Box(BoxKind::Plain, "Parameter-Download erfolgt.");
    } else {
        ShowParam(1);
        Box(BoxKind::Plain,
            "Download erfolgt, " + std::to_string(CodeCount) + " Codes im Pen." + note);
    }
    pen_.CloseCom();
}

void TFHaupt::Clear() {
    view_.ClearRows();
    if (!OpenStation()) return;
    Status("Warte auf Scanner");
    ShowWait(1);
    if (pen_.WakeUpPen()) {
        ShowWait(2);
        pen_.DeletePenCodes();
        pen_.SleepPen();
        if (!pen_.CommandsStopped()) {
            Status("Codes gelöscht");
            ShowWait(0);
            Box(BoxKind::Plain, "Barcodes gelöscht.");
        }
    } else if (!pen_.CommandsStopped()) {
        Status("Scanner nicht erkannt");
        ShowWait(0);
        Box(BoxKind::Plain, "Kein Scanner gefunden.");
    }
    if (pen_.CommandsStopped()) ShowWait(0);
    pen_.CloseCom();
}

}  // namespace ui
