// Download and clear against the simulated reading station.

#include "PenStation.h"

using namespace ui;

namespace {

struct Box {
    BoxKind kind;
    std::string text;
    bool operator==(const Box&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Box& b) {
    return os << "{" << int(b.kind) << ", \"" << b.text << "\"}";
}

using Texts = std::vector<std::string>;

const Texts kFull = {"wake", "codes", "params 1-16", "params 17-30", "sleep"};
const Texts kFullDeleting = {"wake", "codes", "params 1-16", "params 17-30", "delete", "sleep"};
const Texts kDownloading = {"Warte auf Scanner", "Code-Download aktiv", "Parameter-Download aktiv",
                            "Download komplett"};
const Texts kReadFailed = {"Warte auf Scanner", "Code-Download aktiv", "Parameter-Download aktiv",
                           "Barcodes nicht gelesen"};

class Exchange : public StationFixture {
  protected:
    std::vector<Box> Boxes() const {
        std::vector<Box> out;
        for (const auto& b : view.boxes) out.push_back({b.kind, b.text});
        return out;
    }

    // What every exchange leaves behind, however it ended.
    void ExpectEndedCleanly() {
        EXPECT_FALSE(pen->SerialPortNG1->Active());
        EXPECT_FALSE(fake->Open());
        EXPECT_FALSE(view.waitVisible);
        EXPECT_EQ(view.status[1], "");
        EXPECT_FALSE(form->Busy());
        for (Ctl id : {Ctl::BDownload, Ctl::BClear, Ctl::BSave, Ctl::BClip})
            EXPECT_TRUE(view.enabled[id]) << int(id);
    }
};

TEST_F(Exchange, Download) {
    struct Case {
        const char* what;
        int codes = 3;
        std::int32_t mode = 0;
        bool del = false;
        bool openFails = false;
        bool present = true;
        std::uint8_t proto = 0x31;
        std::uint8_t status = 0;
        Answer answer = Answer::Yes;
        bool codeReplyLost = false;
        bool badParameter = false;
        bool deleteRefused = false;
        bool paramsLost = false;
        bool clipboardFails = false;
        Texts statuses{};
        std::vector<Box> boxes{};
        Texts commands{};
        int rows = 0;
        std::size_t left = 3;  // codes still in the pen afterwards
    } cases[] = {
        {.what = "port cannot be opened",
         .openFails = true,
         .statuses = {"COM-Port Fehler!"},
         .boxes = {{BoxKind::Error, "Kann COM-Port nicht öffnen."}}},
        {.what = "no pen",
         .present = false,
         .statuses = {"Warte auf Scanner", "Scanner nicht erkannt"},
         .boxes = {{BoxKind::Plain, "Kein Download erfolgt."}},
         .commands = {"wake"}},
        {.what = "protocol 0x32",
         .proto = 0x32,
         .statuses = {"Warte auf Scanner", "Auslesen abgebrochen."},
         .boxes = {{BoxKind::Warning,
                    "Falsche Protokollversion! (0x32)\rAuslesen wird abgebrochen."}},
         .commands = {"wake"}},
        {.what = "battery answered yes",
         .status = 0x05,
         .statuses = kDownloading,
         .boxes = {{BoxKind::Warning,
                    "Pen-Status fehlerhaft, möglicherweise Batterie leer! "
                    "(0x05)\rTrotzdem auslesen?"},
                   {BoxKind::Plain, "Download erfolgt, 3 Codes im Pen."}},
         .commands = kFull,
         .rows = 3},
        {.what = "battery answered no",
         .status = 0x05,
         .answer = Answer::No,
         .statuses = {"Warte auf Scanner", "Auslesen abgebrochen."},
         .boxes = {{BoxKind::Warning,
                    "Pen-Status fehlerhaft, möglicherweise Batterie leer! "
                    "(0x05)\rTrotzdem auslesen?"}},
         .commands = {"wake"}},
        {.what = "codes only",
         .codes = 12,
         .mode = 1,
         .statuses = {"Warte auf Scanner", "Code-Download aktiv", "Download komplett"},
         .boxes = {{BoxKind::Plain, "Download erfolgt, 12 Codes im Pen."}},
         .commands = {"wake", "codes", "sleep"},
         .rows = 12,
         .left = 12},
        {.what = "parameters only, delete asked",
         .mode = 2,
         .del = true,
         .statuses = {"Warte auf Scanner", "Parameter-Download aktiv", "Download komplett"},
         .boxes = {{BoxKind::Plain, "Parameter-Download erfolgt."}},
         .commands = {"wake", "params 1-16", "params 17-30", "sleep"}},
        {.what = "delete after a complete read",
         .del = true,
         .statuses = kDownloading,
         .boxes = {{BoxKind::Plain, "Download erfolgt, 3 Codes im Pen."}},
         .commands = kFullDeleting,
         .rows = 3,
         .left = 0},
        {.what = "delete after a failed read",
         .del = true,
         .codeReplyLost = true,
         .statuses = kReadFailed,
         .boxes = {{BoxKind::Warning,
                    "Die Barcodes konnten nicht gelesen werden.\rDer Pen wurde nicht gelöscht."}},
         .commands = kFull},
        {.what = "failed read, no delete asked",
         .codeReplyLost = true,
         .statuses = kReadFailed,
         .boxes = {{BoxKind::Warning, "Die Barcodes konnten nicht gelesen werden."}},
         .commands = kFull},
        {.what = "parameters that do not come",
         .del = true,
         .paramsLost = true,
         .statuses = kDownloading,
         .boxes =
             {{BoxKind::Plain,
               "Download erfolgt, 3 Codes im Pen.\rDie Parameter konnten nicht gelesen werden."}},
         .commands = kFullDeleting,
         .rows = 3,
         .left = 0},
        {.what = "delete not confirmed",
         .del = true,
         .deleteRefused = true,
         .statuses = kDownloading,
         .boxes = {{BoxKind::Plain,
                    "Download erfolgt, 3 Codes im Pen.\rDer Pen hat das Löschen nicht bestätigt."}},
         .commands = kFullDeleting,
         .rows = 3},
        {.what = "clipboard that cannot be filled",
         .clipboardFails = true,
         .statuses = kDownloading,
         .boxes = {{BoxKind::Plain,
                    "Download erfolgt, 3 Codes im Pen.\rDie Barcodes konnten nicht in die "
                    "Zwischenablage kopiert werden."}},
         .commands = kFull,
         .rows = 3},
        {.what = "delete with 201 codes",
         .codes = 201,
         .del = true,
         .statuses = kDownloading,
         .boxes = {{BoxKind::Plain,
                    "Download erfolgt, 200 Codes im Pen.\rDer Pen wurde nicht "
                    "gelöscht: 1 Code blieb ungelesen im Pen."}},
         .commands = kFull,
         .rows = 200,
         .left = 201},
        {.what = "a parameter that does not convert",
         .del = true,
         .badParameter = true,
         .statuses = {"Warte auf Scanner", "Code-Download aktiv", "Parameter-Download aktiv",
                      "Auslesen abgebrochen."},
         .boxes = {{BoxKind::AppError, "'0x01 02' ist kein gültiger Integerwert"}},
         .commands = kFull,
         .rows = 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        station = StationPen{};
        station.codes = SomeCodes(c.codes);
        station.present = c.present;
        station.proto = c.proto;
        station.status = c.status;
        station.answersCodeRead = !c.codeReplyLost;
        station.badParameter = c.badParameter;
        station.confirmsDelete = !c.deleteRefused;
        station.answersParams = !c.paramsLost;
        ParamTexts.Clear();  // no earlier pen's parameters to fall back on
        clock->commands.clear();
        CodeCount = 0;
        FreshView();
        view.answers = {c.answer};
        view.clipboardFails = c.clipboardFails;
        Einstell.Download = c.mode;
        Einstell.DownDel = c.del;
        Einstell.DownClip = c.clipboardFails;
        if (c.openFails) fake->Fail("Open", 2);

        form->Command(Ctl::BDownload, Notify::Click);

        EXPECT_EQ(view.statusTexts[0], c.statuses);
        EXPECT_EQ(Boxes(), c.boxes);
        if (c.status != 0) {
            EXPECT_EQ(view.boxes.front().buttons, Buttons::YesNo);
        }
        EXPECT_EQ(clock->commands, c.commands);
        EXPECT_EQ(view.rows.size(), std::size_t(c.rows));
        EXPECT_EQ(station.codes.size(), c.left);
        ExpectEndedCleanly();
    }
}

TEST_F(Exchange, DownloadShowsThePenAndItsCodes) {
    station.codes = {{'A', "4006381333931"}, {'a', ""}, {'H', "X;1"}};
    station.loudness = 7;
    form->BDownloadClick();
    ASSERT_EQ(view.rows.size(), 3u);
    EXPECT_EQ(view.rows[0],
              (Texts{"4006381333931", "0x41", "UPC-A, UPC-E, UPC-E1, EAN-8, EAN-13", "OK", ""}));
    EXPECT_EQ(view.rows[1], (Texts{"", "0x61", "unknown", "OK", ""}));
    EXPECT_EQ(view.texts[Ctl::LPProto], "0x31");
    EXPECT_EQ(view.texts[Ctl::LPFirmware], "FW 2.10 ");
    EXPECT_EQ(view.texts[Ctl::LPDevID], "PEN0042");
    EXPECT_EQ(view.texts[Ctl::LPUploads], "3");
    EXPECT_EQ(view.texts[Ctl::LPCodes], "3");
    EXPECT_EQ(view.texts[Ctl::EPUserData], "00 01 02 03 04 05 06 AB");
    EXPECT_EQ(view.positions[Ctl::TrackBLoud], 3);
    ASSERT_EQ(view.lines[Ctl::Memo2].size(), 31u);
    EXPECT_EQ(view.lines[Ctl::Memo2][2], "0x02 : 02 02 07");
}

// The parameters alone leave the codes of the last read in place and show
// them again, without the counters that only a code read brings.
TEST_F(Exchange, ParametersOnlyAfterACodeRead) {
    station.codes = SomeCodes(7);
    Einstell.Download = 1;
    form->BDownloadClick();
    Einstell.Download = 2;
    form->BDownloadClick();
    EXPECT_EQ(view.rows.size(), 7u);
    EXPECT_EQ(view.texts[Ctl::LPUploads], "");
    EXPECT_EQ(view.texts[Ctl::LPCodes], "");
    EXPECT_EQ(view.texts[Ctl::LPProto], "0x31");
    EXPECT_EQ(view.boxes.back().text, "Parameter-Download erfolgt.");
}

TEST_F(Exchange, CodesOnTheClipboardBeforeTheParametersAreRead) {
    station.codes = SomeCodes(2);
    Einstell.DownClip = true;
    Einstell.ExpFormat = 1;
    std::string atParameters = "not yet";
    clock->onCommand = [&](const std::string& command) {
        if (command == "params 1-16") atParameters = view.clipboard;
    };
    form->BDownloadClick();
    EXPECT_EQ(atParameters, "1;66;4006381331001\r\n2;67;4006381331002\r\n");
    EXPECT_EQ(view.boxes.size(), 1u);  // the success box only
}

TEST_F(Exchange, LongReplyShowsItsProgress) {
    station.codes = SomeCodes(200);
    Einstell.Download = 1;
    form->BDownloadClick();
    const Texts& shown = view.statusTexts[1];
    // 14 header bytes, 200 blocks of 15, the closing 0x00 and the check byte.
    for (const char* text : {"1.000 Bytes", "2.000 Bytes", "3.016 Bytes"})
        EXPECT_NE(std::find(shown.begin(), shown.end(), text), shown.end()) << text;
    ExpectEndedCleanly();
}

TEST_F(Exchange, Clear) {
    struct Case {
        const char* what;
        bool present;
        Texts statuses;
        Box box;
        Texts commands;
        std::size_t left;
        bool confirms = true;
    } cases[] = {
        {"pen in the station",
         true,
         {"Warte auf Scanner", "Codes gelöscht"},
         {BoxKind::Plain, "Barcodes gelöscht."},
         {"wake", "delete", "sleep"},
         0},
        {"no pen",
         false,
         {"Warte auf Scanner", "Scanner nicht erkannt"},
         {BoxKind::Plain, "Kein Scanner gefunden."},
         {"wake"},
         4},
        {"delete not confirmed",
         true,
         {"Warte auf Scanner", "Pen nicht gelöscht"},
         {BoxKind::Warning,
          "Der Pen hat das Löschen nicht bestätigt:\rdie Barcodes sind womöglich noch im Pen."},
         {"wake", "delete", "sleep"},
         4,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        station = StationPen{};
        station.codes = SomeCodes(4);
        form->BDownloadClick();  // codes in memory and in the list
        station.present = c.present;
        station.confirmsDelete = c.confirms;
        clock->commands.clear();
        view.boxes.clear();
        view.statusTexts[0].clear();

        form->Command(Ctl::BClear, Notify::Click);

        EXPECT_EQ(view.statusTexts[0], c.statuses);
        EXPECT_EQ(Boxes(), std::vector<Box>{c.box});
        EXPECT_EQ(clock->commands, c.commands);
        EXPECT_EQ(station.codes.size(), c.left);
        EXPECT_TRUE(view.rows.empty());
        EXPECT_EQ(CodeCount, 4);  // still there to be saved or copied
        ExpectEndedCleanly();
    }
}

// The waits handle window messages: clicks that arrive meanwhile do nothing,
// and the commands show as disabled.
TEST_F(Exchange, SecondClickDuringAnExchangeDoesNothing) {
    station.codes = SomeCodes(3);
    bool greyed = false;
    clock->onCommand = [&](const std::string& command) {
        if (command != "codes") return;
        greyed = !view.enabled[Ctl::BDownload] && !view.enabled[Ctl::BClear] &&
                 !view.enabled[Ctl::BSave];
        for (Ctl id :
             {Ctl::BDownload, Ctl::BClear, Ctl::BSave, Ctl::BClip, Ctl::BLoad, Ctl::BUpload})
            form->Command(id, Notify::Click);
    };
    form->BDownloadClick();
    EXPECT_TRUE(greyed);
    EXPECT_EQ(clock->commands, kFull);
    EXPECT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.rows.size(), 3u);
    ExpectEndedCleanly();
}

// Closing in the middle stops the exchange at its next look: no further
// command, the port closed, and then the window closes by its normal steps.
TEST_F(Exchange, CloseDuringAnExchangeWaitsForTheLinkToBeReleased) {
    struct Case {
        const char* what;
        bool clear;
        const char* closeAt;
        Texts commands;
    } cases[] = {
        {"download, reading codes", false, "codes", {"wake", "codes"}},
        {"download, waking", false, "wake", {"wake"}},
        {"clear, deleting", true, "delete", {"wake", "delete"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        station = StationPen{};
        station.codes = SomeCodes(3);
        clock->commands.clear();
        FreshView();
        bool closed = true;
        clock->onCommand = [&](const std::string& command) {
            if (command == c.closeAt) closed = form->FormCloseQuery();
        };
        form->Command(c.clear ? Ctl::BClear : Ctl::BDownload, Notify::Click);
        clock->onCommand = nullptr;

        EXPECT_FALSE(closed);
        EXPECT_EQ(clock->commands, c.commands);
        EXPECT_TRUE(view.boxes.empty());
        EXPECT_EQ(view.closeRequests, 1);
        ExpectEndedCleanly();
        EXPECT_TRUE(form->FormCloseQuery());
    }
}

// A code leaves the pen only once it is on disk: the archive holds the read
// when the delete command goes out, one line a code.
TEST_F(Exchange, CodesAreArchivedBeforeThePenIsCleared) {
    station.codes = {{'A', "4006381333931"}, {'B', "X;1"}};
    Einstell.DownDel = true;
    std::string atDelete = "no delete";
    clock->onCommand = [&](const std::string& command) {
        if (command == "delete") atDelete = ArchiveContent();
    };
    form->BDownloadClick();
    EXPECT_EQ(atDelete,
              "2026-12-10 19:20:31;PEN0042;3;65;4006381333931\r\n"
              "2026-12-10 19:20:31;PEN0042;3;66;X;1\r\n");
    EXPECT_TRUE(station.codes.empty());

    // A second read is appended; with the archive off, nothing is.
    clock->onCommand = nullptr;
    station.codes = {{'C', "7"}};
    form->BDownloadClick();
    Einstell.Archiv = false;
    station.codes = {{'C', "8"}};
    form->BDownloadClick();
    EXPECT_EQ(ArchiveContent(), atDelete + "2026-12-10 19:20:31;PEN0042;3;67;7\r\n");
    EXPECT_TRUE(station.codes.empty());
}

TEST_F(Exchange, ArchiveThatCannotBeWrittenKeepsTheCodesInThePen) {
    // A file where the archive's folder should be.
    std::filesystem::create_directories(archive.parent_path());
    std::ofstream(archive) << "in the way";
    station.codes = SomeCodes(3);
    Einstell.DownDel = true;
    form->BDownloadClick();

    EXPECT_EQ(clock->commands, kFull);
    EXPECT_EQ(station.codes.size(), 3u);
    EXPECT_EQ(view.rows.size(), 3u);
    ASSERT_EQ(view.boxes.size(), 1u);
    const std::string& text = view.boxes[0].text;
    const std::string head =
        "Download erfolgt, 3 Codes im Pen.\rDie Barcodes konnten nicht im Archiv gesichert werden "
        "(" +
        (archive / "2026-12.csv").string() + ": ";
    const std::string tail = ").\rDer Pen wurde nicht gelöscht: die Barcodes sind nicht im Archiv.";
    EXPECT_EQ(text.substr(0, head.size()), head);
    ASSERT_GT(text.size(), head.size() + tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    ExpectEndedCleanly();
    std::filesystem::remove(archive);
}

// The station's USB adapter pulled out during the code read: the exchange
// ends at its next look instead of waiting out every command, nothing more is
// sent, the user is told; once the port is back, the next download works.
TEST_F(Exchange, UnpluggedStationEndsTheExchangeAtOnce) {
    station.codes = SomeCodes(3);
    Einstell.Timeout = 10;
    Einstell.DownDel = true;
    std::int64_t unplugged = 0;
    clock->onCommand = [&](const std::string& command) {
        if (command != "codes") return;
        unplugged = clock->NowMs();
        fake->Fail("ClearCommError", 21, -1);  // what a hung-up device answers
    };
    form->BDownloadClick();
    clock->onCommand = nullptr;

    EXPECT_LE(clock->NowMs() - unplugged, 1000);
    EXPECT_EQ(clock->commands, (Texts{"wake", "codes"}));
    EXPECT_EQ(view.statusTexts[0],
              (Texts{"Warte auf Scanner", "Code-Download aktiv", "Lesestation nicht erreichbar"}));
    EXPECT_EQ(Boxes(),
              (std::vector<Box>{{BoxKind::Error,
                                 "Die Verbindung zur Lesestation (COM7) ist abgebrochen: "
                                 "Auslesen fehlgeschlagen.\rDer Pen wurde nicht gelöscht."}}));
    EXPECT_EQ(station.codes.size(), 3u);
    EXPECT_TRUE(ArchiveContent().empty());
    ExpectEndedCleanly();

    // Gone: the port does not open. Back: the download works again.
    fake->Fail("ClearCommError", 0, 0);
    fake->Fail("Open", 2, 1);
    FreshView();
    form->BDownloadClick();
    EXPECT_EQ(Boxes(), (std::vector<Box>{{BoxKind::Error, "Kann COM-Port nicht öffnen."}}));
    FreshView();
    form->BDownloadClick();
    EXPECT_EQ(Boxes(), (std::vector<Box>{{BoxKind::Plain, "Download erfolgt, 3 Codes im Pen."}}));
    EXPECT_TRUE(station.codes.empty());
    ExpectEndedCleanly();
}

// Windows ends during a download: the settings are written and the port is
// closed before the handler returns; the exchange then stops at its next look,
// sends nothing more, shows no box, and the window closes.
TEST_F(Exchange, EndOfTheSessionDuringADownload) {
    station.codes = SomeCodes(3);
    Einstell.DownDel = true;
    bool portOpenAfter = true;
    clock->onCommand = [&](const std::string& command) {
        if (command != "codes") return;
        EXPECT_TRUE(form->QueryEndSession());
        form->EndSession();
        portOpenAfter = fake->Open();
    };
    form->BDownloadClick();
    EXPECT_FALSE(portOpenAfter);
    EXPECT_TRUE(
        pen->Store().ReadValue(kSettingsKey + std::string("\\") + kSettingsSection, "Comport"));
    EXPECT_EQ(clock->commands, (Texts{"wake", "codes"}));
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_EQ(view.closeRequests, 1);
    EXPECT_EQ(station.codes.size(), 3u);
    ExpectEndedCleanly();
}

}  // namespace
