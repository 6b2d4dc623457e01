// The watch: hidden in the notification area with the automatic download,
// the window looks for a pen at every tick and reads one that was put in,
// once a docking, telling the user through the icon, its tip and a balloon
// and never through a box.

#include "PenStation.h"

using namespace ui;

namespace {

using Texts = std::vector<std::string>;
using Balloon = FakeView::Balloon;

}  // namespace

namespace ui {
void PrintTo(const FakeView::Balloon& b, std::ostream* os) {
    *os << "{\"" << b.text << "\", " << (b.failure ? "failure" : "ok") << "}";
}
}  // namespace ui

namespace {

const Texts kRead = {"wake", "codes", "params 1-16", "params 17-30", "sleep"};
const Texts kReadDeleting = {"wake", "codes", "params 1-16", "params 17-30", "delete", "sleep"};
const Texts kStays = {"wake", "sleep"};  // still docked: looked at, sent back to sleep

Texts Cat(std::initializer_list<Texts> parts) {
    Texts all;
    for (const Texts& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

class Watch : public StationFixture {
  protected:
    // Minimised to the notification area with the automatic download: the
    // watch begins.
    void Hide() {
        Einstell.TrayMin = true;
        Einstell.TrayAuto = true;
        form->WMSysCommand(kScMinimize);
        ASSERT_TRUE(form->Watching());
        ASSERT_EQ(view.timerMs, kWatchPaceMs);
    }
    std::size_t ArchivedLines() const {
        const std::string text = ArchiveContent();
        return std::size_t(std::count(text.begin(), text.end(), '\n'));
    }
};

TEST_F(Watch, Dockings) {
    using Step = std::function<void(StationPen&, FakeCommDriver&)>;
    const Step none = [](StationPen&, FakeCommDriver&) {};
    const Step out = [](StationPen& p, FakeCommDriver&) { p.present = false; };
    const Step in = [](StationPen& p, FakeCommDriver&) { p.present = true; };
    const Step noPort = [](StationPen&, FakeCommDriver& d) { d.Fail("Open", 2, -1); };
    const Step portBack = [](StationPen&, FakeCommDriver& d) { d.Fail("Open", 0, 0); };
    const std::string gone =
        "Die Verbindung zur Lesestation (COM7) ist abgebrochen: Auslesen fehlgeschlagen.\n"
        "Der Pen wurde nicht gelöscht.";
    struct Case {
        const char* what;
        std::vector<Step> ticks;  // a change to the station, then a tick
        Texts commands;
        std::vector<Balloon> balloons;
        std::vector<int> icons;  // after hiding (green): what the notification area showed
        std::size_t archived = 3;
        std::size_t left = 3;  // codes still in the pen
        int codes = 3;
        bool del = false;
        std::int32_t mode = 0;
        std::uint8_t status = 0, proto = 0x31;
        bool badCheck = false;
        const char* pullAt = nullptr;    // the pen taken out when this command comes
        const char* unplugAt = nullptr;  // the station's adapter pulled out then
        std::size_t rows = 3;            // the list: the last read
    } cases[] = {
        {.what = "put in",
         .ticks = {none},
         .commands = kRead,
         .balloons = {{"3 Barcodes gelesen.", false}},
         .icons = {1, 2, 1}},
        {.what = "stays",
         .ticks = {none, none, none},
         .commands = Cat({kRead, kStays, kStays}),
         .balloons = {{"3 Barcodes gelesen.", false}},
         .icons = {1, 2, 1}},
        {.what = "taken out and put back",
         .ticks = {none, out, in},
         .commands = Cat({kRead, {"wake"}, {"codes", "params 1-16", "params 17-30", "sleep"}}),
         .balloons = {{"3 Barcodes gelesen.", false}, {"3 Barcodes gelesen.", false}},
         .icons = {1, 2, 1, 2, 1},
         .archived = 6},
        {.what = "taken out while read, put back",
         .ticks = {none, none, in},
         .commands = Cat({{"wake", "codes", "wake"},
                          {"codes", "params 1-16", "params 17-30"},
                          {"delete", "sleep"}}),
         .balloons = {{"Die Barcodes konnten nicht gelesen werden.\nDer Pen wurde nicht gelöscht.",
                       true},
                      {"3 Barcodes gelesen.\nDer Pen wurde gelöscht.", false}},
         .icons = {1, 2, 3, 2, 1},
         .left = 0,
         .del = true,
         .pullAt = "codes"},
        {.what = "no port, then back",
         .ticks = {noPort, none, portBack},
         .commands = kRead,
         .balloons = {{"3 Barcodes gelesen.", false}},
         .icons = {1, 2, 1}},
        {.what = "station unplugged while read",
         .ticks = {none, noPort},
         .commands = {"wake", "codes"},
         .balloons = {{gone, true}},
         .icons = {1, 2, 3},
         .archived = 0,
         .del = true,
         .unplugAt = "codes",
         .rows = 0},
        {.what = "wrong check byte, stays",
         .ticks = {none, none},
         .commands = Cat({{"wake", "codes"}, kStays}),
         .balloons = {{"Die Barcodes konnten nicht gelesen werden.\nDer Pen wurde nicht gelöscht.",
                       true}},
         .icons = {1, 2, 3},
         .archived = 0,
         .del = true,
         .badCheck = true,
         .rows = 0},
        {.what = "battery status",
         .ticks = {none},
         .commands = kRead,
         .balloons = {{"3 Barcodes gelesen.\nPen-Status fehlerhaft, möglicherweise Batterie leer! "
                       "(0x05)",
                       false}},
         .icons = {1, 2, 1},
         .status = 0x05},
        {.what = "protocol refused",
         .ticks = {none},
         .commands = {"wake"},
         .balloons = {{"Falsche Protokollversion! (0x32)\nAuslesen wird abgebrochen.", true}},
         .icons = {1, 2, 3},
         .archived = 0,
         .proto = 0x32,
         .rows = 0},
        {.what = "parameters only",
         .ticks = {none},
         .commands = {"wake", "params 1-16", "params 17-30", "sleep"},
         .balloons = {{"Parameter gelesen.", false}},
         .icons = {1, 2, 1},
         .archived = 0,
         .del = true,
         .mode = 2,
         .rows = 0},
        {.what = "delete after a full read",
         .ticks = {none},
         .commands = kReadDeleting,
         .balloons = {{"3 Barcodes gelesen.\nDer Pen wurde gelöscht.", false}},
         .icons = {1, 2, 1},
         .left = 0,
         .del = true},
        {.what = "delete with codes left",
         .ticks = {none},
         .commands = kRead,
         .balloons = {{"200 Barcodes gelesen.\nDer Pen wurde nicht gelöscht: 1 Code blieb "
                       "ungelesen im Pen.",
                       false}},
         .icons = {1, 2, 1},
         .archived = 200,
         .left = 201,
         .codes = 201,
         .del = true,
         .rows = 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        station = StationPen{};
        station.codes = SomeCodes(c.codes);
        station.status = c.status;
        station.proto = c.proto;
        station.badCheck = c.badCheck;
        NewForm();
        FreshView();
        Einstell.DownDel = c.del;
        Einstell.Download = c.mode;
        std::filesystem::remove_all(archive);
        CodeCount = 0;
        clock->commands.clear();
        // Once: the pen put back, or the station plugged in again, stays.
        clock->onCommand = [&, pulled = false](const std::string& command) mutable {
            if (pulled) return;
            pulled = (c.pullAt && command == c.pullAt) || (c.unplugAt && command == c.unplugAt);
            if (pulled && c.pullAt) station.present = false;
            if (pulled && c.unplugAt) fake->Fail("ClearCommError", 21, -1);
        };
        Hide();
        for (const Step& step : c.ticks) {
            step(station, *fake);
            form->WatchTick();
        }
        fake->Fail("ClearCommError", 0, 0);
        fake->Fail("Open", 0, 0);
        clock->onCommand = nullptr;

        EXPECT_EQ(clock->commands, c.commands);
        EXPECT_EQ(view.balloons, c.balloons);
        EXPECT_EQ(view.iconStates, c.icons);
        EXPECT_EQ(ArchivedLines(), c.archived);
        EXPECT_EQ(station.codes.size(), c.left);
        EXPECT_TRUE(view.boxes.empty());
        EXPECT_FALSE(fake->Open());
        EXPECT_EQ(view.rows.size(), c.rows);  // the list shows the last read
        form->TrayIconMessage(kMouseLeftDoubleClick);
        EXPECT_FALSE(form->Watching());
    }
}

// Brought back while it reads: the read goes on to its end and the list shows
// it, then the watch stops and the port is closed; closing meanwhile waits
// for the read the same way and writes the settings.
TEST_F(Watch, ShownOrClosedWhileReading) {
    for (bool close : {false, true}) {
        SCOPED_TRACE(close ? "closed" : "shown");
        station = StationPen{};
        station.codes = SomeCodes(3);
        NewForm();
        FreshView();
        Hide();
        clock->commands.clear();
        bool closes = true;
        clock->onCommand = [&](const std::string& command) {
            if (command != "codes") return;
            if (close)
                closes = form->FormCloseQuery();
            else
                form->TrayIconMessage(kMouseLeftDoubleClick);
        };
        form->WatchTick();
        clock->onCommand = nullptr;

        EXPECT_FALSE(form->Watching());
        EXPECT_EQ(view.timerMs, 0);
        EXPECT_FALSE(fake->Open());
        EXPECT_TRUE(view.boxes.empty());
        if (close) {
            EXPECT_FALSE(closes);
            EXPECT_EQ(clock->commands, (Texts{"wake", "codes"}));
            EXPECT_EQ(view.closeRequests, 1);
        } else {
            EXPECT_EQ(clock->commands, kRead);
            EXPECT_TRUE(view.visible);
            EXPECT_EQ(view.rows.size(), 3u);
            EXPECT_EQ(view.iconState, kIconOff);
        }
        form->WatchTick();  // a tick that was queued: nothing
        EXPECT_EQ(clock->commands.size(), close ? 2u : kRead.size());
    }
}

// The tip names the last result, or a station that cannot be reached; a
// station plugged back in is looked at at once.
TEST_F(Watch, TipAndDeviceChange) {
    station.codes = SomeCodes(2);
    fake->Fail("Open", 2, -1);
    Hide();
    form->WatchTick();
    EXPECT_EQ(view.tip, "Stylorix Control: Lesestation COM7 nicht erreichbar");
    EXPECT_TRUE(clock->commands.empty());
    fake->Fail("Open", 0, 0);
    form->DeviceChange();
    EXPECT_EQ(clock->commands, kRead);
    EXPECT_EQ(view.tip, "Stylorix Control: 2 Barcodes gelesen.");
    EXPECT_EQ(view.iconState, kIconGreen);
}

// "minimiert starten": hidden in the notification area with "in Tray
// minimieren" (watching with the automatic download), else minimised.
TEST_F(Watch, StartMinimised) {
    struct Case {
        bool startMin, trayMin, trayAuto;
        bool visible, minimised, watching;
        int icon;
    } cases[] = {
        {false, true, true, true, false, false, -1},
        {true, false, true, true, true, false, -1},
        {true, true, false, false, false, false, -1},
        {true, true, true, false, false, true, kIconGreen},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.startMin << c.trayMin << c.trayAuto);
        FakeView fresh;
        fresh.visible = false;  // a window not shown yet
        view = fresh;
        NewForm();
        Einstell.StartMin = c.startMin;
        Einstell.TrayMin = c.trayMin;
        Einstell.TrayAuto = c.trayAuto;
        form->FormShow();
        EXPECT_EQ(view.visible, c.visible);
        EXPECT_EQ(view.minimised, c.minimised);
        EXPECT_EQ(form->Watching(), c.watching);
        EXPECT_EQ(view.trayIconState, c.icon);
    }
}

// The notification menu shows the window too.
TEST_F(Watch, MenuShowsTheWindow) {
    Hide();
    view.trayChoice = TrayChoice::Show;
    form->TrayIconMessage(kMouseRightUp);
    EXPECT_TRUE(view.visible);
    EXPECT_FALSE(form->Watching());
    EXPECT_EQ(view.forceForegroundCalls, 1);
}

}  // namespace
