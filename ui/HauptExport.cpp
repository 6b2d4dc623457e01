// Export to file and clipboard, loading, default addresses, the archive's
// folder and the web look-up.

#include <filesystem>
#include <system_error>

#include "Haupt.h"
#include "LookUp.h"
#include "Pen.h"
#include "PenExport.h"
#include "PenImport.h"
#include "Utf.h"
#include "ViewText.h"

namespace ui {

namespace {

constexpr int kLinkColumn = 3;  // "Link 1": "OK" when the row may be looked up
// Files beyond this are none of ours: a month's archive of a busy station is
// a few megabytes.
constexpr std::uintmax_t kMaxLoad = 64u << 20;
// How much of a line that does not fit the error box shows.
constexpr std::size_t kShownLine = 60;

// Only a web address goes to the shell, which would start whatever else it names.
bool WebAddress(const std::string& address) {
    std::string head = address.substr(0, 8);
    for (char& c : head) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return head.rfind("http://", 0) == 0 || head.rfind("https://", 0) == 0;
}

// The box for a file whose line does not fit; shown is that line as text.
std::string NotFitting(const std::string& path, int line, const std::string& text) {
    std::string shown = text.substr(0, kShownLine);
    if (text.size() > kShownLine) shown += "...";
    return "Die Datei \"" + path + "\" passt nicht:\rZeile " + std::to_string(line) +
           (text.empty() ? "" : ": " + shown);
}

}  // namespace

FileRequest TFHaupt::CodeFiles() const {
    return {AppPath, "csv", "Textdatei (*.csv)", "*.csv"};
}

FileRequest TFHaupt::ParamFiles() const {
    return {AppPath, "txt", "Textdatei (*.txt)", "*.txt"};
}

void TFHaupt::BSaveClick() {
    if (busy_) return;
    if (view_.Checked(Ctl::RadioBHeader)) return SaveParams();
    if (CodeCount == 0) return Box(BoxKind::Plain, "Keine Barcodes zum Speichern vorhanden!");
    const std::optional<std::string> path = view_.SaveDialog(CodeFiles());
    if (!path) return;
    if (TDMPen::SaveCodes(*path))
        Box(BoxKind::Plain, "Barcodes gespeichert.");
    else
        Box(BoxKind::Error, "Fehler beim Speichern!");
}

void TFHaupt::SaveParams() {
    if (sheet_.Empty()) return Box(BoxKind::Plain, "Keine Parameter zum Speichern vorhanden!");
    const std::optional<std::string> path = view_.SaveDialog(ParamFiles());
    if (!path) return;
    ReplaceFileContent(*path, FormatParamSheet(sheet_));
    Box(BoxKind::Plain, "Parameter gespeichert.");
}

void TFHaupt::BClipClick() {
    if (busy_) return;
    const bool params = view_.Checked(Ctl::RadioBHeader);
    if (params ? sheet_.Empty() : CodeCount == 0)
        return Box(BoxKind::Plain, params ? "Keine Parameter zum Übertragen vorhanden!"
                                          : "Keine Barcodes zum Übertragen vorhanden!");
    if (!(params ? view_.PutClipboardText(FormatParamSheet(sheet_)) : CodeClip()))
        return Box(BoxKind::Error, "Fehler beim Kopieren in die Zwischenablage!");
    Box(BoxKind::Plain, params ? "Die Parameter wurden in die Zwischenablage kopiert."
                               : "Die Barcodes wurden in die Zwischenablage kopiert.");
}

bool TFHaupt::CodeClip() {
    return view_.PutClipboardText(ByteText(ExportText(Einstell.ExpFormat)));
}

void TFHaupt::BLoadClick() {
    if (busy_) return;
    const bool params = view_.Checked(Ctl::RadioBHeader);
    const std::optional<std::string> path = view_.OpenDialog(params ? ParamFiles() : CodeFiles());
    if (!path) return;
    const std::optional<std::string> content = ReadWholeFile(*path, kMaxLoad);
    if (!content)
        return Box(BoxKind::Error, "Die Datei \"" + *path + "\" kann nicht gelesen werden.");
    if (params) return LoadParams(*path, *content);
    LoadCodes(*path, *content);
}

void TFHaupt::LoadCodes(const std::string& path, const std::string& content) {
    // An export file is read in the layout the current format writes.
    const CodeFileContent file = ParseCodeFile(content, Einstell.ExpFormat);
    // A code file holds the pen's bytes.
    if (file.badLine)
        return Box(BoxKind::Error, NotFitting(path, file.badLine, ByteText(file.badText)));

    Codes.Clear();
    CodeCount = 0;
    CodesNotRead = 0;
    for (const TCodes& code : file.codes) Codes[++CodeCount] = code;
    codesUntyped_ = !file.typed;
    view_.ClearRows();
    ShowCodes();
    view_.SetActivePage(Page::Barcodes);
    if (file.leftOut > 0)
        Box(BoxKind::Plain, std::string(file.archive ? "Die neuesten " : "Die ersten ") +
                                std::to_string(kMaxCodes) + " Barcodes wurden geladen, " +
                                std::to_string(file.leftOut) + " weitere ausgelassen.");
}

void TFHaupt::LoadParams(const std::string& path, const std::string& content) {
    ParsedSheet parsed = ParseParamSheet(content);
    if (!parsed.sheet) return Box(BoxKind::Error, NotFitting(path, parsed.badLine, parsed.badText));
    sheet_ = std::move(*parsed.sheet);
    ShowSheet();
    view_.SetActivePage(Page::Parameter);
}

void TFHaupt::BSearchDefClick() {
    view_.SetText(Ctl::ESearch1, kDefaultURL);
    view_.SetText(Ctl::ESearch2, kDefaultURL2);
}

void TFHaupt::BArchivClick() {
    // The shell opens a folder that exists; a new user's has none yet.
    const std::string folder = pen_.ArchiveFolder();
    std::error_code ec;
    std::filesystem::create_directories(platform::Utf8Path(folder), ec);
    view_.ShellOpen(folder);
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
    if (!WebAddress(lookUp.address))
        return Box(BoxKind::Error, "Websuche nicht möglich, falsches URL-Format!");
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
