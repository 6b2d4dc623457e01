// The one layout table of the main window.

#include "Layout.h"

#include <cstdlib>

namespace ui {
namespace {

using enum Kind;
using C = Ctl;

std::vector<LayoutItem> MakeLayout() {
    return {
        // Left column: the two command groups.
        {Group, C::GScanner, C::None, "Scanner Kommandos", {8, 8, 137, 201}, Bold},
        {Button, C::BDownload, C::GScanner, "&Download", {8, 24, 121, 73}, Large},
        {Button, C::BUpload, C::GScanner, "&Upload Param.", {8, 112, 121, 33}, Bold},
        {Button, C::BClear, C::GScanner, "Scanner l&öschen", {8, 156, 121, 33}},
        {Group, C::GDaten, C::None, "Daten Kommandos", {8, 304, 137, 177}, Bold},
        {Radio, C::RadioBHeader, C::GDaten, "&Parameter", {16, 24, 105, 17}},
        {Radio, C::RadioBBarcodes, C::GDaten, "&Barcodes", {16, 44, 105, 17}},
        {Button, C::BLoad, C::GDaten, "&Laden", {8, 72, 121, 29}},
        {Button, C::BSave, C::GDaten, "&Speichern", {8, 104, 121, 29}},
        {Button, C::BClip, C::GDaten, "in &Zwischenabl.", {8, 136, 121, 29}},

        // The page control and its pages, in tab order.
        {Tabs, C::PageControl1, C::None, "", {152, 8, 585, 473}},
        {Page, C::TSSettings, C::PageControl1, "Einstellungen", {2, 22, 581, 449}},
        {Page, C::TSBarcodes, C::PageControl1, "Barcodes", {2, 22, 581, 449}},
        {Page, C::TSHeader, C::PageControl1, "Parameter", {2, 22, 581, 449}},
        {Page, C::TabSAbout, C::PageControl1, "Über...", {2, 22, 581, 449}},

        // "Einstellungen"
        {Group, C::GLesestation, C::TSSettings, "Lesestation", {8, 8, 561, 57}},
        {Label, C::LAnschluss, C::GLesestation, "Anschluß", {16, 26, 57, 13}},
        {Combo, C::ComboBPort, C::GLesestation, "", {76, 22, 313, 21}},
        {Button, C::BComRefresh, C::GLesestation, "...", {396, 21, 25, 23}},
        {Label, C::LTimeout, C::GLesestation, "Timeout (sec)", {423, 26, 84, 13}},
        {Spin, C::SpinETimeout, C::GLesestation, "10", {509, 22, 44, 21}, Plain, "", {}, 1, 99},
        {Group, C::GDownload, C::TSSettings, "Download", {8, 72, 561, 105}},
        {Radio, C::RadioBDown1, C::GDownload, "Barcodes und Parameter", {16, 24, 161, 17}},
        {Radio, C::RadioBDown2, C::GDownload, "nur Barcodes", {184, 24, 121, 17}},
        {Radio, C::RadioBDown3, C::GDownload, "nur Parameter", {312, 24, 121, 17}},
        {Check,
         C::CheckBDownClip,
         C::GDownload,
         "Barcodes nach dem Auslesen in die Zwischenablage schreiben (ohne Meldung)",
         {16, 52, 537, 17}},
        {Check,
         C::CheckBDownDel,
         C::GDownload,
         "Barcodes nach dem Auslesen automatisch löschen (ohne Rückfrage!)",
         {16, 76, 537, 17}},
        {Group, C::GWWW, C::TSSettings, "WWW", {8, 184, 561, 81}},
        {Label, C::LURL1, C::GWWW, "URL 1", {16, 24, 41, 13}},
        {Edit,
         C::ESearch1,
         C::GWWW,
         "",
         {64, 20, 385, 21},
         Plain,
         "Enter URL here, use %s as placeholder for barcode!"},
        {Button, C::BSearchDef, C::GWWW, "&Voreinstellung", {456, 19, 97, 25}},
        {Label, C::LURL2, C::GWWW, "URL 2", {16, 52, 41, 13}},
        {Edit, C::ESearch2, C::GWWW, "", {64, 48, 385, 21}},
        {Group,
         C::GExport,
         C::TSSettings,
         "Barcode-Export (Datei und Zwischenablage)",
         {8, 272, 561, 57}},
        {Check, C::CheckBExpBNr, C::GExport, "laufende Nummer", {16, 26, 121, 17}},
        {Check, C::CheckBExpBConly, C::GExport, "keine Zusatz-Info", {144, 26, 113, 17}},
        {Check, C::CheckBArchiv, C::GExport, "Downloads im Archiv sichern", {264, 26, 185, 17}},
        {Button, C::BArchiv, C::GExport, "&Archiv...", {456, 21, 97, 25}},
        {Group, C::GHintergrund, C::TSSettings, "Hintergrundbetrieb", {8, 336, 561, 105}},
        {Check, C::CheckBMinTray, C::GHintergrund, "in Tray minimieren", {16, 24, 265, 17}},
        {Check, C::CheckBStartMin, C::GHintergrund, "minimiert starten", {16, 48, 265, 17}},
        {Check,
         C::CheckBAutoDown,
         C::GHintergrund,
         "automatischer Barcode-Download, wenn im Tray",
         {16, 72, 337, 17}},

        // "Barcodes"
        {List, C::ListView1, C::TSBarcodes, "", {0, 0, 581, 449}},

        // "Parameter"
        {Group, C::GInfo, C::TSHeader, "Info", {8, 8, 193, 177}},
        {Label, C::LProto, C::GInfo, "Protokoll-Version", {8, 24, 110, 13}},
        {Label, C::LPProto, C::GInfo, "", {120, 24, 65, 13}, Bold},
        {Label, C::LStatus, C::GInfo, "Status", {8, 48, 110, 13}},
        {Label, C::LPStatus, C::GInfo, "", {120, 48, 65, 13}, Bold},
        {Label, C::LFirmware, C::GInfo, "Firmware-Version", {8, 72, 110, 13}},
        {Label, C::LPFirmware, C::GInfo, "", {120, 72, 65, 13}, Bold},
        {Label, C::LDevID, C::GInfo, "Geräte-ID", {8, 96, 110, 13}},
        {Label, C::LPDevID, C::GInfo, "", {120, 96, 65, 13}, Bold},
        {Label, C::LUploads, C::GInfo, "Uploads", {8, 120, 110, 13}},
        {Label, C::LPUploads, C::GInfo, "", {120, 120, 65, 13}, Bold},
        {Label, C::LCodes, C::GInfo, "Codes im Speicher", {8, 144, 110, 13}},
        {Label, C::LPCodes, C::GInfo, "", {120, 144, 65, 13}, Bold},
        {Memo, C::Memo2, C::TSHeader, "", {208, 12, 361, 171}},
        {Group, C::GEinstellungen, C::TSHeader, "Einstellungen", {8, 192, 561, 257}},
        {Label, C::LUserData, C::GEinstellungen, "User Data", {16, 28, 81, 13}},
        {Edit, C::EPUserData, C::GEinstellungen, "", {104, 24, 185, 21}},
        {Label, C::LLoud, C::GEinstellungen, "Lautstärke", {16, 70, 81, 13}},
        {TrackBar,
         C::TrackBLoud,
         C::GEinstellungen,
         "",
         {104, 56, 150, 41},
         TicksBoth,
         "",
         {},
         0,
         3},
        {Label, C::LBaud, C::GEinstellungen, "Baud", {16, 116, 81, 13}},
        {Combo,
         C::ComboBox1,
         C::GEinstellungen,
         "",
         {104, 112, 97, 21},
         Plain,
         "",
         {"300", "600", "1200", "2400", "4800", "9600", "19200"}},
        {Label, C::LScannerOn, C::GEinstellungen, "Scanner On", {16, 150, 81, 13}},
        {Spin, C::SpinEdit1, C::GEinstellungen, "0", {104, 146, 57, 21}, Plain, "", {}, 0, 255},
        {Label, C::LX100ms, C::GEinstellungen, "x 100ms", {168, 150, 57, 13}},
        {Label, C::LGreenLed, C::GEinstellungen, "Green LED on", {16, 184, 81, 13}},
        {Combo,
         C::ComboBox2,
         C::GEinstellungen,
         "",
         {104, 180, 97, 21},
         Plain,
         "",
         {"AUS", "250", "500", "750", "1000"}},

        // "Über..."
        {Memo, C::Memo1, C::TabSAbout, "", {8, 8, 565, 433}, ReadOnly | FixedPitch},

        // Window-wide: the wait panel over everything, the status bar below.
        {Panel,
         C::PInsert,
         C::None,
         "Pen einsetzen!",
         {280, 233, 185, 41},
         Hidden | Floating | Yellow | Bold | Centered},
        {StatusBar, C::StatusBar1, C::None, "", {0, 488, 745, 19}},
    };
}

const ListColumn kColumns[] = {
    {"Code", 150}, {"Typ", 60}, {"Typ (alpha)", 250}, {"Link 1", 50}, {"Link 2", 50}};

}  // namespace

const std::vector<LayoutItem>& Layout() {
    static const std::vector<LayoutItem> table = MakeLayout();
    return table;
}

const LayoutItem& Item(Ctl id) {
    for (const LayoutItem& item : Layout())
        if (item.id == id) return item;
    std::abort();  // every id the program uses is in the table
}

std::span<const ListColumn> ListColumns() {
    return kColumns;
}

std::string ShownCaption(const std::string& caption) {
    std::string shown;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i;
        shown += caption[i];
    }
    return shown;
}

std::vector<std::string> AboutText(const std::string& version) {
    return {
        "Stylorix Control",
        "Version " + version,
        "",
        "Liest einen Barcode-Pen in seiner Lesestation an der seriellen",
        "Schnittstelle (COM-Port) aus:",
        "",
        "  - die gespeicherten Barcodes mit ihrer Symbologie,",
        "  - Kennung, Status, Firmware und Parameter des Pens.",
        "",
        "Die Barcodes lassen sich als Textdatei (*.csv) speichern, in die",
        "Zwischenablage kopieren und im Web nachschlagen; danach kann der",
        "Speicher des Pens gelöscht werden.",
        "",
        "Ohne Fenster: Stylorix.exe [/S] [/P:COMx] [/E:datei.csv] [/D]",
    };
}

}  // namespace ui
