// One read cycle of the pen on the console: open the port, wake the pen,
// read its codes, list them or write them to a file, clear the pen when asked,
// send it to sleep, close the port and store the settings.

#include <string>

#include "ConsoleMode.h"
#include "DevicePath.h"
#include "FSSystem.h"
#include "Pen.h"
#include "PenExport.h"
#include "Utf.h"

namespace {

const std::string kEmptyLine = "\r\n";

// Closes the port when a framework error ends the cycle early.
class PortGuard {
  public:
    explicit PortGuard(TDMPen& pen) : pen_(pen) {}
    ~PortGuard() {
        if (open_) pen_.CloseCom();
    }
    void Close() {
        pen_.CloseCom();
        open_ = false;
    }

  private:
    TDMPen& pen_;
    bool open_ = true;
};

void Warn(const std::string& text) {
    ErrWriteLn("stylorix: " + text);
}

}  // namespace

int RunReadCycle(TDMPen& pen, const ConsoleOptions& options) {
    const bool listing = options.ListingMode();
    if (options.Port) Einstell.Comport = comm::TrimTrailingBlanks(options.PortText);

    if (!pen.StartCom()) {
        if (!listing) return 0;
        ConWriteLn("Error open COM-Port (" + Einstell.Comport + ")!");
        ConWriteLn(kEmptyLine);
        ConWriteLn("Press enter to continue...");
        return 2;
    }
    PortGuard port(pen);

    if (listing) {
        ConWriteLn(kEmptyLine);
        ConWriteLn("Insert pen!");
        ConWriteLn(kEmptyLine);
    }

    int exitCode = 0;
    if (pen.WakeUpPen()) {
        const bool read = pen.ReadPenCodes();
        TDMPen::ExtractCodes();
        // On disk before anything else, and before the pen may be cleared.
        const PenClearCheck clear = pen.SecureCodes(read);
        if (listing) {
            if (CodeCount == 0) ConWriteLn("No codes in pen!");
            // The code's bytes as the user reads them; the export file keeps them raw.
            for (std::int32_t n = 1; n <= CodeCount; ++n)
                ConWriteLn(platform::AnsiToUtf8(ExportLine(n, Codes[n], 0)));
            ConWriteLn(kEmptyLine);
        }
        const std::string kept = options.Delete ? "; the pen was not cleared" : "";
        if (clear.reason == PenClearCheck::kReadFailed) {
            Warn("the pen's codes could not be read completely" + kept);
        } else if (clear.reason == PenClearCheck::kCodesLeft) {
            Warn("the pen holds " + std::to_string(clear.held) + " codes; only the first " +
                 std::to_string(clear.read) + " were read" + kept);
        }
        if (!clear.archiveError.empty()) {
            Warn("the codes were not archived (" + clear.archiveError + ")" + kept);
            exitCode = kExitFrameworkError;
        }
        if (options.Export) {
            // A failed read has nothing to export: the last export stays.
            if (clear.reason == PenClearCheck::kReadFailed) {
                Warn("the export file " + comm::TrimTrailingBlanks(options.ExportFile) +
                     " was not written");
            } else {
                WriteExportFile(options.ExportFile, 0);
            }
        }
        if (options.Delete && clear.Safe() && !pen.DeletePenCodes() && !pen.PortLost())
            Warn("the pen did not confirm the delete; its codes may still be in it");
        pen.SleepPen();
    }
    if (pen.PortLost())
        Warn("the port " + Einstell.Comport + " went away; the pen was read no further");

    port.Close();
    pen.IniSchreib();
    if (listing) ConWriteLn("Press enter to continue...");
    return exitCode;
}
