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

// The lines the download's closing box adds, each after a line break: what
// stayed in the pen and why, and what failed beside the read.
std::string DownloadNotes(const PenClearCheck& check, bool deleteAsked, bool deleteFailed,
                          bool clipped) {
    std::string notes;
    auto line = [&notes](const std::string& text) { notes += "\r" + text; };
    if (!check.archiveError.empty())
        line("Die Barcodes konnten nicht im Archiv gesichert werden (" + check.archiveError + ").");
    const std::string notCleared = deleteAsked ? "Der Pen wurde nicht gelöscht: " : "";
    if (check.reason == PenClearCheck::kCodesLeft) {
        const std::int32_t left = check.held - check.read;
        line(notCleared + (left == 1 ? "1 Code blieb" : std::to_string(left) + " Codes blieben") +
             " ungelesen im Pen.");
    } else if (deleteAsked && check.reason == PenClearCheck::kReadFailed) {
        line("Der Pen wurde nicht gelöscht.");
    } else if (deleteAsked && !check.archiveError.empty()) {
        line(notCleared + "die Barcodes sind nicht im Archiv.");
    }
    if (deleteFailed) line("Der Pen hat das Löschen nicht bestätigt.");
    if (!clipped) line("Die Barcodes konnten nicht in die Zwischenablage kopiert werden.");
    return notes;
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
    penCleared_ = false;
    pen_.ResumeCommands();
    EnableCommands(false);
    pen_.OnReceiveProgress = [this](std::int32_t received) {
        view_.SetStatusText(1, ReceivedText(received));
    };
    // The one clean-up of every exchange, however it ended: the port is
    // never left open.
    auto end = [this] {
        ShowWait(0);
        pen_.CloseCom();
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
        end();
        throw;
    }
    end();
}

void TFHaupt::Status(const std::string& text) {
    view_.SetStatusText(0, text);
}

bool TFHaupt::Ended() {
    // The window is closing: no further command, no box.
    if (pen_.CommandsStopped()) return true;
    if (!pen_.PortLost()) return false;
    Status("Lesestation nicht erreichbar");
    ShowWait(0);
    Tell(BoxKind::Error, "Die Verbindung zur Lesestation (" + Einstell.Comport +
                             ") ist abgebrochen: " + activity_ + " fehlgeschlagen." +
                             (penCleared_ ? "" : "\rDer Pen wurde nicht gelöscht."));
    return true;
}

void TFHaupt::Finish(const std::string& status, BoxKind kind, const std::string& text) {
    if (Ended()) return;
    Status(status);
    ShowWait(0);
    if (!text.empty()) Tell(kind, text);
}

void TFHaupt::Tell(BoxKind kind, const std::string& text) {
    if (!automatic_) return Box(kind, text);
    toldKind_ = kind;
    told_ = text;
}

bool TFHaupt::OpenStation() {
    if (!pen_.StartCom()) {
        Status("COM-Port Fehler!");
        Box(BoxKind::Error, "Kann COM-Port nicht öffnen.");
        return false;
    }
    pen_.Delay(kSettleMs);
    return !Ended();
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
    const DownloadChoice choice{Einstell.Download, Einstell.DownClip, Einstell.DownDel};
    activity_ = "Auslesen";
    view_.ClearRows();
    ShowParam(0);
    if (!OpenStation()) return;
    Status("Warte auf Scanner");
    ShowWait(1);
    if (!pen_.WakeUpPen())
        return Finish("Scanner nicht erkannt", BoxKind::Plain, "Kein Download erfolgt.");
    ReadAwakePen(choice);
}

void TFHaupt::ReadAwakePen(const DownloadChoice& choice) {
    const auto [mode, toClipboard, deleteAsked] = choice;
    batteryNote_.clear();
    TDMPen::ExtractPenData();
    if (PenData.ProtoVersion != 0x31)
        return Finish("Auslesen abgebrochen.", BoxKind::Warning,
                      "Falsche Protokollversion! (0x" + HexByte(PenData.ProtoVersion) +
                          ")\rAuslesen wird abgebrochen.");
    if (PenData.Status != 0 && !AskBattery()) return Finish("Auslesen abgebrochen.");
    ShowWait(2);

    // Parameters only: no codes read, nothing to clear.
    PenClearCheck check;
    if (mode != 2) {
        Status("Code-Download aktiv");
        const bool read = pen_.ReadPenCodes();
        TDMPen::ExtractCodes();
        codesUntyped_ = false;
        // On disk before anything may clear the pen.
        check = pen_.SecureCodes(read);
        if (Ended()) return ShowCodes();
        // The watch does not wait out a pen that was taken out again: the
        // next look finds out, and sends a pen that stayed back to sleep.
        if (automatic_ && check.reason == PenClearCheck::kReadFailed)
            return Finish("Barcodes nicht gelesen", BoxKind::Warning,
                          "Die Barcodes konnten nicht gelesen werden." +
                              DownloadNotes(check, deleteAsked, false, true));
    }
    const bool clipped = !toClipboard || CodeClip();
    bool paramsRead = true;
    if (mode != 1) {
        Status("Parameter-Download aktiv");
        paramsRead = pen_.ReadPenParamMulti(1, 16) && TDMPen::ExtractPenParamMulti();
        paramsRead = pen_.ReadPenParamMulti(17, 30) && TDMPen::ExtractPenParamMulti() && paramsRead;
        if (Ended()) return ShowCodes();
        try {
            // Parameters that did not come are not converted: what the
            // records hold is an earlier pen's, or nothing.
            if (paramsRead) TDMPen::PenParamToRec();
        } catch (const platform::ConvertError& e) {
            // The codes were read all the same: the pen goes to sleep
            // uncleared, and the user sees the codes.
            Tell(BoxKind::AppError, e.what());
            pen_.SleepPen();
            Status("Auslesen abgebrochen.");
            return ShowCodes();
        }
    }

    // Clearing drops whatever was not read, so only a complete, archived read
    // may clear.
    bool deleteFailed = false;
    if (mode != 2 && deleteAsked && check.Safe()) {
        penCleared_ = pen_.DeletePenCodes();
        deleteFailed = !penCleared_;
    }
    pen_.SleepPen();
    if (Ended()) return ShowCodes();
    // The watch's balloon also says that the pen was cleared, and what it
    // went on despite.
    std::string notes =
        mode == 2 ? std::string() : DownloadNotes(check, deleteAsked, deleteFailed, clipped);
    if (automatic_ && penCleared_) notes = "\rDer Pen wurde gelöscht." + notes;
    if (!paramsRead) notes += "\rDie Parameter konnten nicht gelesen werden.";
    notes += batteryNote_;
    ShowCodes();
    ShowParam(mode == 2 ? 2 : 1);
    if (mode == 2) {
        Finish("Download komplett", BoxKind::Plain,
               (automatic_ ? "Parameter gelesen." : "Parameter-Download erfolgt.") + notes);
    } else if (check.reason == PenClearCheck::kReadFailed) {
        Finish("Barcodes nicht gelesen", BoxKind::Warning,
               "Die Barcodes konnten nicht gelesen werden." + notes);
    } else {
        Finish("Download komplett", BoxKind::Plain,
               (automatic_ ? std::to_string(CodeCount) + " Barcodes gelesen."
                           : "Download erfolgt, " + std::to_string(CodeCount) + " Codes im Pen.") +
                   notes);
    }
}

bool TFHaupt::AskBattery() {
    if (automatic_) {
        batteryNote_ = "\rPen-Status fehlerhaft, möglicherweise Batterie leer! (0x" +
                       HexByte(PenData.Status) + ")";
        return true;
    }
    const Answer answer = view_.ShowBox(BoxKind::Warning,
                                        "Pen-Status fehlerhaft, möglicherweise Batterie leer! (0x" +
                                            HexByte(PenData.Status) + ")\rTrotzdem auslesen?",
                                        Buttons::YesNo);
    // A close that came meanwhile ends the exchange too, without a word.
    return answer != Answer::No && !pen_.CommandsStopped();
}

void TFHaupt::Clear() {
    activity_ = "Löschen";
    view_.ClearRows();
    if (!OpenStation()) return;
    Status("Warte auf Scanner");
    ShowWait(1);
    if (!pen_.WakeUpPen())
        return Finish("Scanner nicht erkannt", BoxKind::Plain, "Kein Scanner gefunden.");
    ShowWait(2);
    penCleared_ = pen_.DeletePenCodes();
    pen_.SleepPen();
    if (!penCleared_)
        return Finish("Pen nicht gelöscht", BoxKind::Warning,
                      "Der Pen hat das Löschen nicht bestätigt:\rdie Barcodes sind womöglich "
                      "noch im Pen.");
    Finish("Codes gelöscht", BoxKind::Plain, "Barcodes gelöscht.");
}

}  // namespace ui
