// The layout table: geometry that neither clips nor overlaps, and the
// captions, orders and sizes the window is known by.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "Haupt.h"
#include "Layout.h"

using namespace ui;

namespace {

Size ParentSize(Ctl parent) {
    if (parent == Ctl::None) return kClientSize;
    const Rect& r = Item(parent).rect;
    return {r.Width, r.Height};
}

bool Overlap(const Rect& a, const Rect& b) {
    return a.Left < b.Right() && b.Left < a.Right() && a.Top < b.Bottom() && b.Top < a.Bottom();
}

}  // namespace

TEST(Layout, IdsAreUniqueAndParentsComeFirst) {
    std::set<Ctl> seen;
    for (const LayoutItem& item : Layout()) {
        EXPECT_TRUE(item.parent == Ctl::None || seen.count(item.parent))
            << int(item.id) << " before its parent";
        EXPECT_TRUE(seen.insert(item.id).second) << int(item.id) << " twice";
    }
}

TEST(Layout, EveryControlLiesInsideItsParent) {
    for (const LayoutItem& item : Layout()) {
        const Size p = ParentSize(item.parent);
        const Rect& r = item.rect;
        SCOPED_TRACE(ShownCaption(item.caption) + " (" + std::to_string(int(item.id)) + ")");
        EXPECT_GE(r.Left, 0);
        EXPECT_GE(r.Top, 0);
        EXPECT_LE(r.Right(), p.Width);
        EXPECT_LE(r.Bottom(), p.Height);
    }
}

TEST(Layout, NoTwoSiblingsOverlap) {
    const auto& all = Layout();
    for (std::size_t i = 0; i < all.size(); ++i)
        for (std::size_t j = i + 1; j < all.size(); ++j) {
            const LayoutItem &a = all[i], &b = all[j];
            if (a.parent != b.parent || (a.style | b.style) & Floating) continue;
            if (a.kind == Kind::Page && b.kind == Kind::Page) continue;  // one shows at a time
            EXPECT_FALSE(Overlap(a.rect, b.rect)) << int(a.id) << " and " << int(b.id);
        }
}

TEST(Layout, MainGeometry) {
    const std::map<Ctl, Rect> given = {
        {Ctl::GScanner, {8, 8, 137, 201}},
        {Ctl::GDaten, {8, 304, 137, 177}},
        {Ctl::PageControl1, {152, 8, 585, 473}},
        {Ctl::GLesestation, {8, 8, 561, 57}},
        {Ctl::GDownload, {8, 72, 561, 105}},
        {Ctl::GWWW, {8, 184, 561, 81}},
        {Ctl::GExport, {8, 272, 561, 57}},
        {Ctl::GHintergrund, {8, 336, 561, 105}},
        {Ctl::GInfo, {8, 8, 193, 177}},
        {Ctl::Memo2, {208, 12, 361, 171}},
        {Ctl::GEinstellungen, {8, 192, 561, 257}},
        {Ctl::StatusBar1, {0, 488, 745, 19}},
    };
    for (const auto& [id, rect] : given) EXPECT_EQ(Item(id).rect, rect) << int(id);
    EXPECT_EQ(Item(Ctl::ComboBPort).rect.Width, 313);
    EXPECT_EQ((Size{Item(Ctl::PInsert).rect.Width, Item(Ctl::PInsert).rect.Height}),
              (Size{185, 41}));
}

TEST(Layout, PagesInTheirOrder) {
    std::vector<std::string> pages;
    for (const LayoutItem& item : Layout())
        if (item.kind == Kind::Page) pages.push_back(item.caption);
    EXPECT_EQ(pages,
              (std::vector<std::string>{"Einstellungen", "Barcodes", "Parameter", "Über..."}));
}

TEST(Layout, CaptionsAsShown) {
    const std::map<Ctl, std::string> given = {
        {Ctl::GScanner, "Scanner Kommandos"},
        {Ctl::BDownload, "Download"},
        {Ctl::BUpload, "Upload Param."},
        {Ctl::BClear, "Scanner löschen"},
        {Ctl::RadioBHeader, "Parameter"},
        {Ctl::RadioBBarcodes, "Barcodes"},
        {Ctl::BLoad, "Laden"},
        {Ctl::BSave, "Speichern"},
        {Ctl::BClip, "in Zwischenabl."},
        {Ctl::LAnschluss, "Anschluß"},
        {Ctl::BComRefresh, "..."},
        {Ctl::LTimeout, "Timeout (sec)"},
        {Ctl::RadioBDown1, "Barcodes und Parameter"},
        {Ctl::RadioBDown2, "nur Barcodes"},
        {Ctl::RadioBDown3, "nur Parameter"},
        {Ctl::BSearchDef, "Voreinstellung"},
        {Ctl::GExport, "Barcode-Export (Datei und Zwischenablage)"},
        {Ctl::CheckBExpBNr, "laufende Nummer"},
        {Ctl::CheckBExpBConly, "keine Zusatz-Info"},
        {Ctl::CheckBArchiv, "Downloads im Archiv sichern"},
        {Ctl::BArchiv, "Archiv..."},
        {Ctl::CheckBMinTray, "in Tray minimieren"},
        {Ctl::CheckBStartMin, "minimiert starten"},
        {Ctl::CheckBAutoDown, "automatischer Barcode-Download, wenn im Tray"},
        {Ctl::LDevID, "Geräte-ID"},
        {Ctl::LCodes, "Codes im Speicher"},
        {Ctl::LLoud, "Lautstärke"},
        {Ctl::LX100ms, "x 100ms"},
    };
    for (const auto& [id, caption] : given) EXPECT_EQ(ShownCaption(Item(id).caption), caption);
    EXPECT_EQ(Item(Ctl::ESearch1).tip, "Enter URL here, use %s as placeholder for barcode!");
    EXPECT_EQ(Item(Ctl::ComboBox2).items,
              (std::vector<std::string>{"AUS", "250", "500", "750", "1000"}));
    EXPECT_EQ(ListColumns().size(), 5u);
    EXPECT_EQ(ListColumns()[0].caption, "Code");
    EXPECT_EQ(ListColumns()[2].caption, "Typ (alpha)");
}

TEST(Layout, MnemonicsAreUnique) {
    std::map<char, Ctl> seen;
    for (const LayoutItem& item : Layout()) {
        const auto amp = item.caption.find('&');
        if (amp == std::string::npos || amp + 1 >= item.caption.size()) continue;
        const char key = char(std::tolower(static_cast<unsigned char>(item.caption[amp + 1])));
        EXPECT_TRUE(seen.emplace(key, item.id).second)
            << "mnemonic " << key << " of " << int(item.id) << " also on " << int(seen[key]);
    }
}
