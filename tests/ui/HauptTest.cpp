// Creation, settings binding and close of the main window, on the presenter.

#include "HauptFixture.h"
#include "Layout.h"

using namespace ui;
using platform::StoreValue;

namespace {

class Creation : public HauptFixture {};

TEST_F(Creation, ShowsTheWindowAsItOpens) {
    form->FormCreate();
    EXPECT_EQ(view.caption, "Stylorix Control - Version 0.0.1.43");
    EXPECT_EQ(view.page, Page::Barcodes);
    EXPECT_TRUE(view.checks[Ctl::RadioBBarcodes]);
    EXPECT_FALSE(view.checks[Ctl::RadioBHeader]);
    EXPECT_FALSE(view.waitVisible);
    EXPECT_EQ(view.trayOps, std::vector<TrayOp>{TrayOp::Add});
    EXPECT_EQ(view.log.front(), "NotifyIcon");  // the icon comes first
    EXPECT_EQ(view.texts[Ctl::ESearch1], kDefaultURL);
    EXPECT_EQ(view.texts[Ctl::SpinETimeout], "10");
    EXPECT_TRUE(view.checks[Ctl::RadioBDown1]);
    EXPECT_TRUE(view.rows.empty());
    EXPECT_EQ(view.lines[Ctl::Memo1], AboutText("0.0.1.43"));
    EXPECT_EQ(view.lines[Ctl::Memo1].at(1), "Version 0.0.1.43");
    EXPECT_TRUE(view.checks[Ctl::CheckBArchiv]);
    EXPECT_TRUE(view.boxes.empty());
}

TEST_F(Creation, StoredValuesShownAndNormalised) {
    struct Case {
        const char* name;
        std::uint32_t stored;
        Ctl shows;         // the control that is checked, or the spin field
        std::string text;  // the spin field's text
        std::int32_t timeout, download;
    } cases[] = {
        {"Download", 5, Ctl::RadioBDown3, "10", 10, 2},
        {"Download", 1, Ctl::RadioBDown2, "10", 10, 1},
        {"Timeout", 0, Ctl::RadioBDown1, "1", 1, 0},
        {"Timeout", 150, Ctl::RadioBDown1, "99", 99, 0},
        {"Timeout", 42, Ctl::RadioBDown1, "42", 42, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "=" + std::to_string(c.stored));
        ResetCPVars();
        view = FakeView{};
        store->Keys().clear();
        PutInt(c.name, c.stored);
        form->FormCreate();
        for (Ctl other : {Ctl::RadioBDown1, Ctl::RadioBDown2, Ctl::RadioBDown3})
            EXPECT_EQ(view.checks[other], other == c.shows);
        EXPECT_EQ(view.texts[Ctl::SpinETimeout], c.text);
        EXPECT_EQ(Einstell.Timeout, c.timeout);
        EXPECT_EQ(Einstell.Download, c.download);
    }
}

TEST_F(Creation, ExportFormatBitsThroughBothBoxes) {
    struct Case {
        std::uint32_t stored;
        bool number, codeOnly;
        Ctl clicked;
        bool checked;
        std::uint8_t after;
    } cases[] = {
        {3, true, true, Ctl::CheckBExpBNr, false, 2},
        {3, true, true, Ctl::CheckBExpBConly, false, 1},
        {0, false, false, Ctl::CheckBExpBConly, true, 2},
        {0x84, false, false, Ctl::CheckBExpBNr, true, 0x85},
        {0x84, false, false, Ctl::CheckBExpBConly, true, 0x86},
        {0xFF, true, true, Ctl::CheckBExpBNr, false, 0xFE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        ResetCPVars();
        PutInt("ExpFormat", c.stored);
        form->FormCreate();
        EXPECT_EQ(view.checks[Ctl::CheckBExpBNr], c.number);
        EXPECT_EQ(view.checks[Ctl::CheckBExpBConly], c.codeOnly);
        EXPECT_EQ(Einstell.ExpFormat, std::uint8_t(c.stored));
        Click(c.clicked, c.checked);
        EXPECT_EQ(Einstell.ExpFormat, c.after);
    }
}

TEST_F(Creation, SwitchesShownAndCopiedOnClick) {
    const std::pair<const char*, Ctl> boxes[] = {
        {"DownClip", Ctl::CheckBDownClip}, {"DownDel", Ctl::CheckBDownDel},
        {"TrayMin", Ctl::CheckBMinTray},   {"TrayAuto", Ctl::CheckBAutoDown},
        {"StartMin", Ctl::CheckBStartMin},
    };
    for (const auto& [name, box] : boxes) Put(name, StoreValue::String("1"));
    form->FormCreate();
    for (const auto& [name, box] : boxes) EXPECT_TRUE(view.checks[box]) << name;
    EXPECT_TRUE(Einstell.DownClip && Einstell.DownDel && Einstell.TrayMin && Einstell.TrayAuto &&
                Einstell.StartMin);
    for (const auto& [name, box] : boxes) Click(box, false);
    EXPECT_FALSE(Einstell.DownClip || Einstell.DownDel || Einstell.TrayMin || Einstell.TrayAuto ||
                 Einstell.StartMin);
    Click(Ctl::RadioBDown2, true);
    view.checks[Ctl::RadioBDown1] = false;
    form->Command(Ctl::RadioBDown2, Notify::Click);
    EXPECT_EQ(Einstell.Download, 1);
}

TEST_F(Creation, WrongTypedSettingShowsTheErrorAndTheWindowStillOpens) {
    PutInt("Comport", 3);  // a number where text belongs; later values are not read
    Put("ExpFormat", StoreValue::Integer(3));
    form->FormCreate();
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].kind, BoxKind::AppError);
    EXPECT_EQ(view.boxes[0].text, "Ungültiger Datentyp für 'Comport'");
    // Defaults for what was not read, and the rest of the creation done.
    EXPECT_EQ(Einstell.Comport, "COM1");
    EXPECT_EQ(Einstell.Timeout, 10);
    EXPECT_EQ(Einstell.ExpFormat, 0);
    EXPECT_EQ(view.texts[Ctl::ESearch1], kDefaultURL);
    EXPECT_EQ(view.page, Page::Barcodes);
}

TEST_F(Creation, WrongTypedSettingKeepsWhatWasReadBeforeIt) {
    PutInt("Timeout", 7);
    Put("URL", StoreValue::Integer(1));
    form->FormCreate();
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(Einstell.Timeout, 7);
    EXPECT_EQ(Einstell.URL, kDefaultURL);
}

class PortChooser : public HauptFixture {};

TEST_F(PortChooser, SelectsTheStoredPort) {
    struct Case {
        std::string stored;
        std::vector<std::pair<int, std::string>> ports;
        int selected;
        std::string comportAfterPick;  // Comport once the user takes the selection
    } cases[] = {
        {"COM11", {{0, "Port (COM1)"}, {10, "Port (COM11)"}}, 1, "COM11"},
        {"COM1", {{10, "Port (COM11)"}}, 0, "COM11"},
        {"COM5", {{0, "Port (COM1)"}, {2, "Port (COM3)"}}, 0, "COM1"},
        {"COM3", {{0, "COM1"}, {2, "COM3"}}, 1, "COM3"},
        {"COM3 ", {{0, "COM1"}, {2, "Kommunikationsanschluss (COM3)"}}, 1, "COM3"},
        {"COM5", {{4, "USB-COM Adapter (COM5)"}}, 0, "COM5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        ResetCPVars();
        ports = c.ports;
        Put("Comport", StoreValue::String(c.stored));
        form->FormCreate();
        form->FormStarted();
        EXPECT_EQ(view.items[Ctl::ComboBPort].size(), c.ports.size());
        EXPECT_EQ(view.selection[Ctl::ComboBPort], c.selected);
        EXPECT_EQ(Einstell.Comport, c.stored);  // selecting changes nothing
        form->Command(Ctl::ComboBPort, Notify::Change);
        EXPECT_EQ(Einstell.Comport, c.comportAfterPick);
    }
}

TEST_F(PortChooser, NamesInTableOrderAndNoneForAnEmptyList) {
    ports = {{9, "B (COM10)"}, {1, "A (COM2)"}};
    form->FormCreate();
    EXPECT_TRUE(view.items[Ctl::ComboBPort].empty());  // the discovery waits for the window
    EXPECT_EQ(detections, 0);
    form->FormStarted();
    EXPECT_EQ(view.items[Ctl::ComboBPort], (std::vector<std::string>{"A (COM2)", "B (COM10)"}));

    ports.clear();
    form->BComRefreshClick();
    EXPECT_TRUE(view.items[Ctl::ComboBPort].empty());
    EXPECT_EQ(view.selection[Ctl::ComboBPort], -1);
    form->Command(Ctl::ComboBPort, Notify::Change);
    EXPECT_EQ(Einstell.Comport, "COM1");
}

TEST_F(PortChooser, RefreshAndDeviceChangeReselectWithoutChangingThePort) {
    Put("Comport", StoreValue::String("COM4"));
    ports = {{0, "P (COM1)"}, {3, "P (COM4)"}};
    form->FormCreate();
    form->FormStarted();
    ports = {{0, "P (COM1)"}, {2, "P (COM3)"}, {3, "P (COM4)"}};
    form->DeviceChange();
    EXPECT_EQ(view.selection[Ctl::ComboBPort], 2);
    ports = {{0, "P (COM1)"}};
    form->BComRefreshClick();
    EXPECT_EQ(view.selection[Ctl::ComboBPort], 0);
    EXPECT_EQ(Einstell.Comport, "COM4");
    EXPECT_EQ(detections, 3);
}

TEST(PortEntries, PortOfEntry) {
    const std::pair<const char*, const char*> cases[] = {
        {"Kommunikationsanschluss (COM3)", "COM3"},
        {"COM7", "COM7"},
        {"USB-COM Adapter (COM12)", "COM12"},
        {"Port (COM2) extra", "COM2"},
    };
    for (const auto& [entry, port] : cases) EXPECT_EQ(PortOfEntry(entry), port) << entry;
}

TEST_F(Creation, TypedTimeoutTakenAsIs) {
    form->FormCreate();
    const std::pair<const char*, std::int32_t> typed[] = {{"0", 0}, {"5", 5}, {"-3", -3},
                                                          {"", 1},  {"x", 1}, {"99", 99}};
    for (const auto& [text, timeout] : typed) {
        view.texts[Ctl::SpinETimeout] = text;
        form->Command(Ctl::SpinETimeout, Notify::Change);
        EXPECT_EQ(Einstell.Timeout, timeout) << text;
    }
}

class Closing : public HauptFixture {};

TEST_F(Closing, WritesEveryValueTheUrlsIncluded) {
    form->FormCreate();
    view.texts[Ctl::SpinETimeout] = "7";
    view.texts[Ctl::ESearch1] = "https://example.org/?q=%s";
    view.texts[Ctl::ESearch2] = "https://example.net/%s";
    Click(Ctl::CheckBMinTray, true);
    Click(Ctl::CheckBExpBConly, true);
    Click(Ctl::CheckBArchiv, false);
    Einstell.Comport = "COM9";
    ASSERT_TRUE(form->FormCloseQuery());
    EXPECT_EQ(Stored("Comport"), StoreValue::String("COM9"));
    EXPECT_EQ(Stored("Timeout"), StoreValue::Integer(7));
    EXPECT_EQ(Stored("Download"), StoreValue::Integer(0));
    EXPECT_EQ(Stored("URL"), StoreValue::String("https://example.org/?q=%s"));
    EXPECT_EQ(Stored("TrayMin"), StoreValue::String("1"));
    EXPECT_EQ(Stored("ExpFormat"), StoreValue::Integer(2));
    for (const char* name : {"DownClip", "DownDel", "TrayAuto", "StartMin", "Archiv"})
        EXPECT_EQ(Stored(name), StoreValue::String("0")) << name;
    EXPECT_EQ(Einstell.URL2, "https://example.net/%s");
    EXPECT_FALSE(Stored("URL2"));

    // A restart: the second address is gone.
    ResetCPVars();
    FakeView second;
    TFHaupt again(*pen, second, [](auto) {});
    again.FormCreate();
    EXPECT_EQ(second.texts[Ctl::ESearch1], "https://example.org/?q=%s");
    EXPECT_EQ(second.texts[Ctl::ESearch2], "");
    EXPECT_EQ(second.texts[Ctl::SpinETimeout], "7");
}

// Settings that cannot be written must not hold the window open for ever:
// the user is asked, and decides.
TEST_F(Closing, FailedWriteAsksWhetherToCloseAnyway) {
    struct FailingStore : platform::MemoryStore {
        bool WriteValue(const std::string&, const std::string&, const StoreValue&) override {
            return false;
        }
    };
    TDMPen broken(std::make_unique<FailingStore>());
    TFHaupt win(broken, view, [](auto) {});
    win.FormCreate();
    for (Answer answer : {Answer::No, Answer::Yes}) {
        view.boxes.clear();
        view.answers = {answer};
        bool closes = !(answer == Answer::Yes);
        win.Safely([&] { closes = win.FormCloseQuery(); });
        EXPECT_EQ(closes, answer == Answer::Yes);
        ASSERT_EQ(view.boxes.size(), 1u);
        EXPECT_EQ(view.boxes[0].kind, BoxKind::Error);
        EXPECT_EQ(view.boxes[0].buttons, Buttons::YesNo);
        EXPECT_EQ(view.boxes[0].text,
                  "Die Einstellungen konnten nicht gespeichert werden:\rFehler beim Setzen der "
                  "Daten für 'Comport'\rTrotzdem beenden?");
    }
}

// Log-off and shut-down: Windows asks, then the close steps run at once, for
// the process may end when the handler returns; a hidden window loses nothing.
TEST_F(Closing, EndOfTheSessionRunsTheCloseSteps) {
    Put("TrayMin", StoreValue::String("1"));
    form->FormCreate();
    form->WMSysCommand(kScMinimize);
    ASSERT_FALSE(view.visible);
    view.texts[Ctl::ESearch1] = "https://example.org/?q=%s";
    Einstell.Comport = "COM4";

    EXPECT_TRUE(form->QueryEndSession());
    EXPECT_FALSE(Stored("Comport"));
    form->EndSession();
    EXPECT_EQ(Stored("Comport"), StoreValue::String("COM4"));
    EXPECT_EQ(Stored("URL"), StoreValue::String("https://example.org/?q=%s"));
    EXPECT_EQ(view.trayOps, (std::vector<TrayOp>{TrayOp::Add, TrayOp::Delete}));

    // The window's own close and destruction afterwards repeat nothing.
    store->Keys().clear();
    EXPECT_TRUE(form->FormCloseQuery());
    form->FormDestroy();
    EXPECT_FALSE(Stored("Comport"));
    EXPECT_EQ(view.trayOps.size(), 2u);
    EXPECT_TRUE(view.boxes.empty());
}

TEST(ShowWait, CentresAndCaptions) {
    struct Case {
        std::uint8_t mode;
        bool visible;
        const char* caption;
        bool moved;
    } cases[] = {
        {0, false, "before", false},
        {1, true, "Pen einsetzen!", true},
        {2, true, "Bitte warten!", true},
        {7, true, "before", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.mode));
        TDMPen pen(std::make_unique<platform::MemoryStore>());
        FakeView view;
        view.outer = {761, 545};
        view.texts[Ctl::PInsert] = "before";
        view.waitAt = {-1, -1};
        TFHaupt form(pen, view, [](auto) {});
        form.ShowWait(c.mode);
        EXPECT_EQ(view.waitVisible, c.visible);
        EXPECT_EQ(view.texts[Ctl::PInsert], c.caption);
        // Halves of outer and panel, each rounded down: 380 - 92, 272 - 20.
        EXPECT_EQ(view.waitAt, (c.moved ? Point{288, 252} : Point{-1, -1}));
    }
}

}  // namespace
