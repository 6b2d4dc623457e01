// Export to file and clipboard, the default addresses and the web look-up.

#include <filesystem>
#include <fstream>
#include <sstream>

#include "HauptFixture.h"
#include "PenExport.h"
#include "ViewText.h"

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
        std::filesystem::create_directories(folder_);
    }
    ~Export() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path Temp(const std::string& name) const { return folder_ / name; }
    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(Temp(name), std::ios::binary) << content;
    }
    std::string Read(const std::string& name) const {
        std::stringstream content;
        content << std::ifstream(Temp(name), std::ios::binary).rdbuf();
        return content.str();
    }
    // "Speichern" into the named file; its bytes.
    std::string SaveToFile(const std::string& name) {
        view.saveAnswer = Temp(name).string();
        form->Command(Ctl::BSave, Notify::Click);
        return Read(name);
    }
    const FakeView::BoxShown& OnlyBox() {
        EXPECT_EQ(view.boxes.size(), 1u);
        return view.boxes.back();
    }

  private:
    std::filesystem::path folder_ =
        std::filesystem::temp_directory_path() /
        (std::string("stylorix-export-") +
         ::testing::UnitTest::GetInstance()->current_test_info()->name());
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
    // A NUL byte cuts nothing short: the clipboard and the list show its symbol.
    Codes[1].Code = std::string("A\0B", 3);
    EXPECT_TRUE(form->CodeClip());
    EXPECT_EQ(view.clipboard, "A\u2400B\r\nABC\r\n");
    form->ShowCodes();
    EXPECT_EQ(view.rows[0][0], "A\u2400B");
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

// "Laden" takes back what "Speichern" wrote, in each format, and saving it
// again gives the same bytes. Files without symbologies give codes without a
// type name.
TEST_F(Export, LoadRoundTripsEveryFormat) {
    Codes[3] = {0x43, "x;y"};
    Codes[4] = {0x44, "\xE4\xFF"};
    CodeCount = 4;
    const Texts names = {"UPC-A, UPC-E, UPC-E1, EAN-8, EAN-13", "Code 39, Code 32", "Codabar",
                         "Code 128 or ISBT 128"};
    for (std::uint8_t format = 0; format < 4; ++format) {
        SCOPED_TRACE(int(format));
        Einstell.ExpFormat = format;
        const std::string first = SaveToFile("first");
        Codes.Clear();
        CodeCount = 0;
        view.rows.clear();
        view.openAnswer = Temp("first").string();
        form->Command(Ctl::BLoad, Notify::Click);
        ASSERT_EQ(CodeCount, 4);
        EXPECT_EQ(view.page, Page::Barcodes);
        ASSERT_EQ(view.rows.size(), 4u);
        const bool typed = !(format & kExpCodeOnly);
        EXPECT_EQ(view.rows[2],
                  (Texts{"x;y", typed ? "0x43" : "0x00", typed ? names[2] : "", "OK", ""}));
        EXPECT_EQ(view.rows[3][0], "äÿ");
        EXPECT_EQ(SaveToFile("second"), first);
        view.boxes.clear();
    }
    ASSERT_EQ(view.openRequests.size(), 4u);
    EXPECT_EQ(view.openRequests[0].FilterName, "Textdatei (*.csv)");
    EXPECT_EQ(view.openRequests[0].DefaultExt, "csv");
}

// An archive is known by its time stamps whatever the format; the list keeps
// 200 codes: an export file's first, an archive's newest.
TEST_F(Export, LoadKeepsTwoHundredCodes) {
    std::string archive, exported;
    for (int i = 1; i <= 205; ++i) {
        archive += "2026-12-10 19:20:31;PEN;7;65;" + std::to_string(i) + "\r\n";
        exported += "66;" + std::to_string(i) + "\n";
    }
    struct Case {
        std::string content;
        std::string first, last;
        const char* box;
    } cases[] = {
        {archive + "\r\n\r\n", "6", "205",
         "Die neuesten 200 Barcodes wurden geladen, 5 weitere ausgelassen."},
        {exported, "1", "200", "Die ersten 200 Barcodes wurden geladen, 5 weitere ausgelassen."},
    };
    Einstell.ExpFormat = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        view.boxes.clear();
        Write("load", c.content);
        view.openAnswer = Temp("load").string();
        form->Command(Ctl::BLoad, Notify::Click);
        ASSERT_EQ(CodeCount, 200);
        EXPECT_EQ(Codes[1].Code, c.first);
        EXPECT_EQ(Codes[200].Code, c.last);
        EXPECT_EQ(view.rows.size(), 200u);
        EXPECT_EQ(OnlyBox().text, c.box);
    }
}

TEST_F(Export, LoadRefusesAFileThatDoesNotFit) {
    Einstell.ExpFormat = 1;  // running number, symbology, code
    view.rows = {{"123", "0x41", "", "OK", ""}};
    struct Case {
        std::string content;
        std::string box;  // after the file's name
    } cases[] = {
        {"1;65;123\r\n2;66\r\n3;67;x\r\n", "\rZeile 2: 2;66"},
        {"65;123\r\n", "\rZeile 1: 65;123"},
        {"1;300;1\r\n", "\rZeile 1: 1;300;1"},
        {"1;65;1\r\n\r\n2;65;2\r\n", "\rZeile 2"},
        {"2026-12-10 19:20:31;PEN;7;65;1\r\n1;65;2\r\n", "\rZeile 2: 1;65;2"},
        {"1;65;" + std::string(255, 'x') + "\r\n",
         "\rZeile 1: 1;65;" + std::string(55, 'x') + "..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        view.boxes.clear();
        Write("bad", c.content);
        view.openAnswer = Temp("bad").string();
        form->Command(Ctl::BLoad, Notify::Click);
        EXPECT_EQ(OnlyBox().kind, BoxKind::Error);
        EXPECT_EQ(OnlyBox().text,
                  "Die Datei \"" + Temp("bad").string() + "\" passt nicht:" + c.box);
        EXPECT_EQ(CodeCount, 2);
        EXPECT_EQ(view.rows.size(), 1u);
    }
    view.boxes.clear();
    view.openAnswer = Temp("missing").string();
    form->Command(Ctl::BLoad, Notify::Click);
    EXPECT_EQ(OnlyBox().text,
              "Die Datei \"" + Temp("missing").string() + "\" kann nicht gelesen werden.");
}

// With "Parameter" checked the data buttons work on the parameter page: its
// text saved, copied and loaded back into the page.
TEST_F(Export, ParameterPageSavedCopiedAndLoaded) {
    view.checks[Ctl::RadioBBarcodes] = false;
    view.checks[Ctl::RadioBHeader] = true;
    form->Command(Ctl::BSave, Notify::Click);
    form->Command(Ctl::BClip, Notify::Click);
    ASSERT_EQ(view.boxes.size(), 2u);
    EXPECT_EQ(view.boxes[0].text, "Keine Parameter zum Speichern vorhanden!");
    EXPECT_EQ(view.boxes[1].text, "Keine Parameter zum Übertragen vorhanden!");

    PenData = {0x31, 0x05, "00 01 02 03 04 05 06 AB", "FW 2.10 ", "PEN\xC4", 9};
    PenParam.Param02 = 7;
    ParamTexts[1] = "03 01 AB CD";
    CodeCount = 2;
    form->ShowParam(1);
    Texts expected = {"Protokoll-Version: 0x31",
                      "Status: 0x05",
                      "Firmware-Version: FW 2.10 ",
                      "Geräte-ID: PENÄ",
                      "Uploads: 9",
                      "Codes im Speicher: 2",
                      "User Data: 00 01 02 03 04 05 06 AB",
                      "Lautstärke: 3",
                      "Parameter:",
                      "0x01 : 03 01 AB CD"};
    for (int nr = 2; nr <= 30; ++nr) expected.push_back("0x" + HexByte(std::uint8_t(nr)) + " : ");
    std::string text;
    for (const std::string& line : expected) text += line + "\r\n";

    view.boxes.clear();
    view.saveAnswer = Temp("params").string();
    form->Command(Ctl::BSave, Notify::Click);
    EXPECT_EQ(OnlyBox().text, "Parameter gespeichert.");
    EXPECT_EQ(view.saveRequests.back().FilterName, "Textdatei (*.txt)");
    EXPECT_EQ(Read("params"), text);
    view.boxes.clear();
    form->Command(Ctl::BClip, Notify::Click);
    EXPECT_EQ(view.clipboard, text);
    EXPECT_EQ(OnlyBox().text, "Die Parameter wurden in die Zwischenablage kopiert.");

    const FakeView shown = view;
    form->ShowParam(0);
    view.openAnswer = Temp("params").string();
    form->Command(Ctl::BLoad, Notify::Click);
    EXPECT_EQ(view.page, Page::Parameter);
    EXPECT_EQ(view.texts, shown.texts);
    EXPECT_EQ(view.positions[Ctl::TrackBLoud], 3);
    EXPECT_EQ(view.lines[Ctl::Memo2], shown.lines.at(Ctl::Memo2));
    EXPECT_EQ(CodeCount, 2);  // the codes stay as they were

    // A file that does not fit leaves the page as it is.
    Write("params", "Protokoll-Version: 0x31\r\nParameter:\r\n0x01 : 3 01\r\n");
    view.boxes.clear();
    form->Command(Ctl::BLoad, Notify::Click);
    EXPECT_EQ(OnlyBox().text,
              "Die Datei \"" + Temp("params").string() + "\" passt nicht:\rZeile 3: 0x01 : 3 01");
    EXPECT_EQ(view.texts, shown.texts);
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
    const FileRequest& r = view.saveRequests[0];
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

// "Archiv..." opens the archive's folder, made first if a new user has none.
TEST_F(Export, ArchiveFolderOpened) {
    pen->SetArchiveFolder(Temp("archive").string());
    form->Command(Ctl::BArchiv, Notify::Click);
    EXPECT_EQ(view.opened, Texts{Temp("archive").string()});
    EXPECT_TRUE(std::filesystem::is_directory(Temp("archive")));
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
        {"HTTP://s.example/%s", "1", "HTTP://s.example/1"},
        // Only web addresses: the shell would start a program of that name.
        {"%s", "notepad", "", BoxKind::Error, "Websuche nicht möglich, falsches URL-Format!"},
        {"file:///c:/%s", "x.exe", "", BoxKind::Error,
         "Websuche nicht möglich, falsches URL-Format!"},
        {"%shttps://x/", "1", "", BoxKind::Error, "Websuche nicht möglich, falsches URL-Format!"},
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
