// Export to file and clipboard, the default addresses and the web look-up.

#include <filesystem>
#include <fstream>
#include <sstream>

#include "HauptFixture.h"

using namespace ui;

namespace {

using Texts = std::vector<std::string>;

class Export : public HauptFixture {
  protected:
    Export() {
        form->FormCreate();
        view = FakeView{};
        view.checks[Ctl::RadioBBarcodes] = true;
        Codes[1] = {0x41, "123"};
        Codes[2] = {0x42, "ABC"};
        CodeCount = 2;
    }
    const FakeView::BoxShown& OnlyBox() {
        EXPECT_EQ(view.boxes.size(), 1u);
        return view.boxes.back();
    }
};

TEST_F(Export, ClipboardInTheExportFormat) {
    struct Case {
        std::uint8_t format;
        const char* text;
    } cases[] = {
        {0, "65;123\r\n66;ABC\r\n"},
        {1, "1;65;123\r\n2;66;ABC\r\n"},
        {2, "123\r\nABC\r\n"},
        {3, "1;123\r\n2;ABC\r\n"},
    };
    for (const Case& c : cases) {
        view.boxes.clear();
        Einstell.ExpFormat = c.format;
        form->Command(Ctl::BClip, Notify::Click);
        EXPECT_EQ(view.clipboard, c.text);
        EXPECT_EQ(OnlyBox().text, "Die Barcodes wurden in die Zwischenablage kopiert.");
    }
    Codes[1].Code = "\xE4";
    Einstell.ExpFormat = 2;
    EXPECT_TRUE(form->CodeClip());
    EXPECT_EQ(view.clipboard, "ä\r\nABC\r\n");
    CodeCount = 0;
    EXPECT_TRUE(form->CodeClip());
    EXPECT_EQ(view.clipboard, "");
}

TEST_F(Export, NothingToExport) {
    CodeCount = 0;
    form->Command(Ctl::BClip, Notify::Click);
    form->Command(Ctl::BSave, Notify::Click);
    ASSERT_EQ(view.boxes.size(), 2u);
    EXPECT_EQ(view.boxes[0].text, "Keine Barcodes zum Übertragen vorhanden!");
    EXPECT_EQ(view.boxes[1].text, "Keine Barcodes zum Speichern vorhanden!");
    EXPECT_TRUE(view.saveRequests.empty());
    EXPECT_EQ(view.clipboard, "");
}

TEST_F(Export, ParametersAndLoadingAreNotOfferedYet) {
    view.checks[Ctl::RadioBBarcodes] = false;
    view.checks[Ctl::RadioBHeader] = true;
    for (Ctl id : {Ctl::BSave, Ctl::BClip, Ctl::BLoad}) form->Command(id, Notify::Click);
    view.checks[Ctl::RadioBHeader] = false;
    form->Command(Ctl::BLoad, Notify::Click);
    ASSERT_EQ(view.boxes.size(), 4u);
    for (const auto& box : view.boxes) {
        EXPECT_EQ(box.kind, BoxKind::Plain);
        EXPECT_EQ(box.text, "In Arbeit...");
    }
    EXPECT_TRUE(view.saveRequests.empty());
    EXPECT_EQ(view.clipboard, "");
}

TEST_F(Export, ClipboardThatCannotBeFilledIsReported) {
    view.clipboardFails = true;
    form->Command(Ctl::BClip, Notify::Click);
    EXPECT_EQ(OnlyBox().kind, BoxKind::Error);
    EXPECT_EQ(OnlyBox().text, "Fehler beim Kopieren in die Zwischenablage!");
}

TEST_F(Export, SaveThroughTheDialog) {
    AppPath = "/opt/stylorix/";
    form->Command(Ctl::BSave, Notify::Click);  // cancelled
    ASSERT_EQ(view.saveRequests.size(), 1u);
    const SaveRequest& r = view.saveRequests[0];
    EXPECT_EQ(r.InitialDir, "/opt/stylorix/");
    EXPECT_EQ(r.DefaultExt, "csv");
    EXPECT_EQ(r.FilterName, "Textdatei (*.csv)");
    EXPECT_EQ(r.FilterPattern, "*.csv");
    EXPECT_TRUE(view.boxes.empty());

    const auto path = std::filesystem::temp_directory_path() /
                      ("stylorix-save-" +
                       std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".csv");
    view.saveAnswer = path.string();
    Einstell.ExpFormat = 1;
    form->Command(Ctl::BSave, Notify::Click);
    EXPECT_EQ(OnlyBox().text, "Barcodes gespeichert.");
    std::stringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    EXPECT_EQ(content.str(), "1;65;123\r\n2;66;ABC\r\n");
    std::filesystem::remove(path);
}

TEST_F(Export, DefaultAddresses) {
    form->Command(Ctl::BSearchDef, Notify::Click);
    EXPECT_EQ(view.texts[Ctl::ESearch1], "https://www.google.com/search?q=%s");
    const std::string url2 = view.texts[Ctl::ESearch2];
    EXPECT_EQ(url2.rfind("https://", 0), 0u);
    EXPECT_EQ(url2.substr(url2.size() - 6), "/de/%s");
}

// The code is data from outside: it can change nothing in the address but
// its own place, and the template is read by the program's own rules.
TEST_F(Export, LookUpAddress) {
    const std::string bad =
        "Format 'https://www.example.com/search?' "
        "ungültig oder nicht kompatibel mit Argument";
    struct Case {
        std::string url;
        std::string code;
        std::string opened;  // empty: nothing opened
        BoxKind kind = BoxKind::Plain;
        std::string box{};  // empty: no box
    } cases[] = {
        {"https://s.example/search?q=%s", "123", "https://s.example/search?q=123"},
        {"https://s.example/search?q=%s", "A&B", "https://s.example/search?q=A%26B"},
        {"https://s.example/search?q=%s", "12 34", "https://s.example/search?q=12%2034"},
        {"https://s.example/search?q=%s", "#1", "https://s.example/search?q=%231"},
        {"https://s.example/search?q=%s", "ä", "https://s.example/search?q=%C3%A4"},
        {"https://s.example/search?q=%s", "a-b._~/", "https://s.example/search?q=a-b._~%2F"},
        {"https://s.example/%%/%s?p=100%%", "9", "https://s.example/%/9?p=100%"},
        {"https://s.example/search?q=", "123", "", BoxKind::Error,
         "Websuche nicht möglich, falsches URL-Format!"},
        {"https://www.example.com/search?q=%s&n=%d", "1", "", BoxKind::AppError, bad},
        {"https://www.example.com/search?q=%s%", "1", "", BoxKind::AppError, bad},
        {"https://www.example.com/search?q=%s&r=%s", "1", "", BoxKind::AppError,
         "Kein Argument für Format 'https://www.example.com/search?'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url + " " + c.code);
        view = FakeView{};
        view.rows = {{"other", "0x41", "", "OK", ""}, {c.code, "0x41", "", "OK", ""}};
        view.rowAtCursor = 1;
        view.texts[Ctl::ESearch1] = c.url;
        form->ListView1DblClick();
        EXPECT_EQ(view.opened, c.opened.empty() ? Texts{} : Texts{c.opened});
        if (c.box.empty()) {
            EXPECT_TRUE(view.boxes.empty());
        } else {
            ASSERT_EQ(view.boxes.size(), 1u);
            EXPECT_EQ(view.boxes[0].kind, c.kind);
            EXPECT_EQ(view.boxes[0].text, c.box);
        }
    }
}

TEST_F(Export, LookUpOnlyForAnItemMarkedForIt) {
    view.texts[Ctl::ESearch1] = "https://s.example/?q=%s";
    view.rows = {{"123", "0x41", "", "OK", ""}, {"456", "0x41", "", "", ""}};
    view.rowAtCursor = std::nullopt;  // beside the rows
    form->ListView1DblClick();
    view.rowAtCursor = 1;  // not marked for look-up
    form->ListView1DblClick();
    EXPECT_TRUE(view.opened.empty());
    EXPECT_TRUE(view.boxes.empty());
}

TEST_F(Export, CopySelectedRows) {
    Codes[3] = {0x43, "xyz"};
    CodeCount = 3;
    Einstell.ExpFormat = 1;
    view.selected = {0, 2};
    form->ListView1CopySelection();
    EXPECT_EQ(view.clipboard, "1;65;123\r\n3;67;xyz\r\n");
    EXPECT_TRUE(view.boxes.empty());
}

}  // namespace
