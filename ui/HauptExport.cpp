// Export to file and clipboard, default addresses and the web look-up.

#include "Haupt.h"
#include "LookUp.h"
#include "Pen.h"
#include "PenExport.h"
#include "ViewText.h"

namespace ui {

namespace {
constexpr int kLinkColumn = 3;  // "Link 1": "OK" when the row may be looked up
}  // namespace

void TFHaupt::BSaveClick() {
    if (busy_) return;
    if (view_.Checked(Ctl::RadioBHeader)) return Box(BoxKind::Plain, "In Arbeit...");
    if (CodeCount == 0) return Box(BoxKind::Plain, "Keine Barcodes zum Speichern vorhanden!");
    const std::optional<std::string> path =
        view_.SaveDialog({AppPath, "csv", "Textdatei (*.csv)", "*.csv"});
    if (!path) return;
    if (TDMPen::SaveCodes(*path))
        Box(BoxKind::Plain, "Barcodes gespeichert.");
    else
        Box(BoxKind::Error, "Fehler beim Speichern!");
}

void TFHaupt::BClipClick() {
    if (busy_) return;
    if (view_.Checked(Ctl::RadioBHeader)) return Box(BoxKind::Plain, "In Arbeit...");
    if (CodeCount == 0) return Box(BoxKind::Plain, "Keine Barcodes zum Übertragen vorhanden!");
    if (CodeClip())
        Box(BoxKind::Plain, "Die Barcodes wurden in die Zwischenablage kopiert.");
    else
        Box(BoxKind::Error, "Fehler beim Kopieren in die Zwischenablage!");
}

bool TFHaupt::CodeClip() {
    return view_.PutClipboardText(ByteText(ExportText(Einstell.ExpFormat)));
}

void TFHaupt::BLoadClick() {
    if (busy_) return;
    Box(BoxKind::Plain, "In Arbeit...");
}

void TFHaupt::BSearchDefClick() {
    view_.SetText(Ctl::ESearch1, kDefaultURL);
    view_.SetText(Ctl::ESearch2, kDefaultURL2);
}

void TFHaupt::ListView1DblClick() {
    // Only a double-click on an item looks it up, not one beside the rows.
    const std::optional<int> row = view_.RowAtCursor();
    if (!row) return;
    const std::string url = view_.Text(Ctl::ESearch1);
    if (url.find("%s") == std::string::npos)
        return Box(BoxKind::Error, "Websuche nicht möglich, falsches URL-Format!");
    const LookUpAddress lookUp = FormatLookUp(url, view_.RowText(*row, 0));
    if (!lookUp.error.empty()) return Box(BoxKind::AppError, lookUp.error);
    if (view_.RowText(*row, kLinkColumn) == "OK") view_.ShellOpen(lookUp.address);
}

void TFHaupt::ListView1CopySelection() {
    std::string text;
    for (int row : view_.SelectedRows()) {
        // Row i shows entry i + 1 of the codes, whatever was edited in it.
        if (row < 0 || row >= CodeCount) continue;
        text += ExportLine(row + 1, Codes[row + 1], Einstell.ExpFormat) + "\r\n";
    }
    if (!text.empty()) view_.PutClipboardText(ByteText(text));
}

}  // namespace ui
