// The barcode list and the parameter view.

#include "HauptFixture.h"

using namespace ui;

namespace {

using Texts = std::vector<std::string>;

class List : public HauptFixture {
  protected:
    void SetCodes(const std::vector<TCodes>& codes) {
        CodeCount = 0;
        for (const TCodes& c : codes) Codes[++CodeCount] = c;
    }
};

TEST_F(List, RowsNameTheSymbology) {
    struct Case {
        std::uint8_t symbology;
        const char* typ;
        const char* name;
    } cases[] = {
        {0x41, "0x41", "UPC-A, UPC-E, UPC-E1, EAN-8, EAN-13"},
        {0x44, "0x44", "Code 128 or ISBT 128"},
        {0x47, "0x47", "Discrete 2 of 5 or Discrete 2 of 5 IATA"},
        {0x48, "0x48", "unknown"},
        {0x49, "0x49", "unknown"},
        {0x4A, "0x4A", "MSI Plessey"},
        {0x4E, "0x4E", "Coupon Code"},
        {0x61, "0x61", "unknown"},
        {0x00, "0x00", "unknown"},
        {0x4F, "0x4F", "unknown"},
    };
    for (const Case& c : cases) {
        SetCodes({{c.symbology, "123"}});
        form->ShowCodes();
        ASSERT_EQ(view.rows.size(), 1u);
        EXPECT_EQ(view.rows[0], (Texts{"123", c.typ, c.name, "OK", ""}));
    }
}

TEST_F(List, CodesAsCharactersOneARowAndAnEmptyDownloadKeepsTheList) {
    SetCodes({{'B', ""}, {'B', "Gr\xFC\xDF"}, {'C', "X;Y"}});
    form->ShowCodes();
    ASSERT_EQ(view.rows.size(), 3u);
    EXPECT_EQ(view.rows[0], (Texts{"", "0x42", "Code 39, Code 32", "OK", ""}));
    EXPECT_EQ(view.rows[1][0], "Grüß");
    EXPECT_EQ(view.rows[2][0], "X;Y");

    CodeCount = 0;
    form->ShowCodes();
    EXPECT_EQ(view.rows.size(), 3u);
}

TEST_F(List, OddRowsLightGreen) {
    EXPECT_EQ(TFHaupt::ListView1CustomDrawItem(0), std::nullopt);
    EXPECT_EQ(TFHaupt::ListView1CustomDrawItem(1), (Rgb{204, 255, 204}));
    EXPECT_EQ(TFHaupt::ListView1CustomDrawItem(2), std::nullopt);
}

TEST_F(List, ParameterView) {
    PenData = {0x31, 0x0A, "00 11 22 33 44 55 66 77", "FW\xB5 1.0 ", "PEN0042", 513};
    ParamTexts[2] = "03 02 05";
    ParamTexts[30] = "03 1E FF";
    CodeCount = 12;
    struct Case {
        std::uint8_t mode;
        std::uint8_t loudness;
        const char* uploads;
        const char* codes;
        int bar;
    } cases[] = {
        {1, 5, "513", "12", 3},
        {1, 7, "513", "12", 3},
        {2, 2, "", "", 2},
        {2, 0, "", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.loudness));
        view.SetText(Ctl::Memo2, "");
        PenParam.Param02 = c.loudness;
        form->ShowParam(c.mode);
        EXPECT_EQ(view.texts[Ctl::LPProto], "0x31");
        EXPECT_EQ(view.texts[Ctl::LPStatus], "0x0A");
        EXPECT_EQ(view.texts[Ctl::LPFirmware], "FWµ 1.0 ");
        EXPECT_EQ(view.texts[Ctl::LPDevID], "PEN0042");
        EXPECT_EQ(view.texts[Ctl::EPUserData], "00 11 22 33 44 55 66 77");
        EXPECT_EQ(view.texts[Ctl::LPUploads], c.uploads);
        EXPECT_EQ(view.texts[Ctl::LPCodes], c.codes);
        EXPECT_EQ(view.positions[Ctl::TrackBLoud], c.bar);
        const Texts& memo = view.lines[Ctl::Memo2];
        ASSERT_EQ(memo.size(), 31u);
        EXPECT_EQ(memo[0], "Parameter:");
        EXPECT_EQ(memo[1], "0x01 : ");
        EXPECT_EQ(memo[2], "0x02 : 03 02 05");
        EXPECT_EQ(memo[30], "0x1E : 03 1E FF");
    }

    form->ShowParam(0);
    for (Ctl id : {Ctl::LPProto, Ctl::LPStatus, Ctl::LPFirmware, Ctl::LPDevID, Ctl::LPUploads,
                   Ctl::LPCodes, Ctl::EPUserData})
        EXPECT_EQ(view.texts[id], "") << int(id);
    EXPECT_EQ(view.positions[Ctl::TrackBLoud], 0);
    EXPECT_TRUE(view.lines[Ctl::Memo2].empty());
}

TEST_F(List, UploadIsNotOfferedYet) {
    form->Command(Ctl::BUpload, Notify::Click);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].kind, BoxKind::Plain);
    EXPECT_EQ(view.boxes[0].text, "In Arbeit...");
    EXPECT_TRUE(view.rows.empty());
}

}  // namespace
