#include <gtest/gtest.h>

#include "Errors.h"
#include "Pen.h"
#include "PenTestSupport.h"

namespace {

using namespace pentest;

class Decode : public ::testing::Test {
  protected:
    ~Decode() override { ResetCPVars(); }
};

TEST_F(Decode, CodeUploadWithoutCodesStillGivesIdentityAndCounter) {
    Receive(CodesReply(" \x01ID42  ", 7, {}));
    CodeCount = 5;
    EXPECT_FALSE(TDMPen::ExtractCodes());
    EXPECT_EQ(CodeCount, 0);
    EXPECT_EQ(PenData.Uploads, 7);
    EXPECT_EQ(PenData.DeviceID, "ID42");
}

TEST_F(Decode, CodeBlocks) {
    Receive(CodesReply("PEN00001", 0x0102, Bytes{0x05, 0x41, 0x31, 0x32, 0x33, 0x34, 0x01, 0x42}));
    ASSERT_TRUE(TDMPen::ExtractCodes());
    ASSERT_EQ(CodeCount, 2);
    EXPECT_EQ(Codes[1].Symbology, 0x41);
    EXPECT_EQ(Codes[1].Code, "1234");
    EXPECT_EQ(Codes[2].Symbology, 0x42);
    EXPECT_EQ(Codes[2].Code, "");
    EXPECT_EQ(PenData.Uploads, 0x0102);
    EXPECT_EQ(CodesNotRead, 0);
}

// Replies that cannot be told from a cut-off one are refused as a whole and
// never read beyond the received bytes.
TEST_F(Decode, IncompleteCodeListsAreRefused) {
    const Bytes header = Cat({{0x06, 0x00}, Text("PEN00001"), {0x00, 0x07, 0x00, 0x00}});
    struct Case {
        const char* what;
        Bytes reply;
    } cases[] = {
        {"list without its closing 0x00", Framed(Cat({header, CodeBlock('A', "1234")}))},
        {"length byte past the end", Framed(Cat({header, {0xF0, 0x41, 0x31}, {0x00}}))},
        {"header only", Framed(Cat({{0x06, 0x00}, Text("PEN")}))},
        {"wrong check byte", Cat({header, {0x00, 0x00}})},
        {"negative acknowledge", Bytes{0x15, 0x00, 0x15}},
    };
    for (const auto& c : cases) {
        Receive(c.reply);
        PenData.DeviceID = "unchanged";
        EXPECT_FALSE(TDMPen::ExtractCodes()) << c.what;
        EXPECT_EQ(CodeCount, 0) << c.what;
        EXPECT_EQ(PenData.DeviceID, "unchanged") << c.what;
    }
}

TEST_F(Decode, KeepsTheFirst200CodesAndCountsTheRest) {
    Bytes blocks;
    for (int i = 1; i <= 203; ++i) blocks = Cat({blocks, CodeBlock('A', std::to_string(i))});
    Receive(CodesReply("PEN00001", 1, blocks));
    ASSERT_TRUE(TDMPen::ExtractCodes());
    EXPECT_EQ(CodeCount, 200);
    EXPECT_EQ(Codes[200].Code, "200");
    EXPECT_EQ(CodesNotRead, 3);
    Receive(CodesReply("PEN00001", 1, CodeBlock('A', "1")));
    ASSERT_TRUE(TDMPen::ExtractCodes());
    EXPECT_EQ(CodesNotRead, 0);
}

// The pen may be cleared only when every code it holds was read.
TEST_F(Decode, ClearingOnlyWhenEveryCodeWasRead) {
    Bytes many;
    for (int i = 1; i <= 203; ++i) many = Cat({many, CodeBlock('A', std::to_string(i))});
    const Bytes two = CodesReply("PEN00001", 1, Cat({CodeBlock('A', "1"), CodeBlock('B', "2")}));
    struct Case {
        const char* what;
        Bytes reply;
        bool read;  // as ReadPenCodes returned
        bool safe;
        PenClearCheck::Reason reason;
        std::int32_t codesRead, held;
    } cases[] = {
        {"all read", two, true, true, PenClearCheck::kAllRead, 2, 2},
        {"empty pen", CodesReply("PEN00001", 1, {}), true, true, PenClearCheck::kAllRead, 0, 0},
        {"more than 200", CodesReply("PEN00001", 1, many), true, false, PenClearCheck::kCodesLeft,
         200, 203},
        {"reply cut off", Bytes(two.begin(), two.end() - 3), false, false,
         PenClearCheck::kReadFailed, 0, 0},
        {"no reply", {}, false, false, PenClearCheck::kReadFailed, 0, 0},
    };
    for (const auto& c : cases) {
        Receive(c.reply);
        TDMPen::ExtractCodes();
        const PenClearCheck check = CheckPenClear(c.read);
        EXPECT_EQ(check.Safe(), c.safe) << c.what;
        EXPECT_EQ(check.reason, c.reason) << c.what;
        EXPECT_EQ(check.read, c.codesRead) << c.what;
        EXPECT_EQ(check.held, c.held) << c.what;
    }
}

TEST_F(Decode, WakeUpReply) {
    const Bytes reply = Framed(Cat({{0x06, 0x00, 0x31, 0x02},
                                    {0x00, 0x01, 0xAB, 0xFF, 0x10, 0x20, 0x30, 0x40},
                                    Text("FW 1.0  "),
                                    {0x00}}));
    Receive(Bytes(reply.begin(), reply.end() - 2));
    EXPECT_FALSE(TDMPen::ExtractPenData());
    EXPECT_EQ(PenData.Firmware, "");
    Receive(reply);
    ASSERT_TRUE(TDMPen::ExtractPenData());
    EXPECT_EQ(PenData.ProtoVersion, 0x31);
    EXPECT_EQ(PenData.Status, 2);
    EXPECT_EQ(PenData.UserData, "00 01 AB FF 10 20 30 40");
    EXPECT_EQ(PenData.Firmware, "FW 1.0  ");
}

// Every parameter 1 to 30 with a value that converts.
void ReceiveAllParameters() {
    for (int i = 1; i <= 30; ++i) ParamTexts[i] = "02 00 00";
    ParamTexts[3] = ParamTexts[23] = "09 03 30 30 30 30 30 30 30 30";
}

TEST_F(Decode, ParameterBlocks) {
    ReceiveAllParameters();
    ParamTexts[17] = "kept";
    // The length byte counts the bytes after it: 02 02 05 is parameter 2, value 5.
    Receive(Framed({0x06, 0x00, 0x02, 0x02, 0x05, 0x02, 0x00, 0x01,                       //
                    0x09, 0x03, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x00}));  //
    ASSERT_TRUE(TDMPen::ExtractPenParamMulti());
    EXPECT_EQ(ParamTexts[2], "02 02 05");
    EXPECT_EQ(ParamTexts[3], "09 03 41 42 43 44 45 46 47 48");
    EXPECT_EQ(ParamTexts[17], "kept");
    ParamTexts[17] = "02 11 FF";
    ParamTexts[6] = "04 06 0A 0B 0C";
    PenParam.Param20 = 9;
    TDMPen::PenParamToRec();
    EXPECT_EQ(PenParam.Param02, 5);
    EXPECT_EQ(PenParam.Param03, "ABCDEFGH");
    EXPECT_EQ(PenParam.Param06, "0A 0B 0C");
    EXPECT_EQ(PenParam.Param17, 0xFF);
    EXPECT_EQ(PenParam.Param20, 9);
}

TEST_F(Decode, ParameterRepliesThatChangeNothing) {
    struct Case {
        const char* what;
        Bytes reply;
        bool valid;
    } cases[] = {
        {"no blocks", Framed({0x06, 0x00, 0x00}), true},
        {"block numbered 0", Framed({0x06, 0x00, 0x02, 0x00, 0x07, 0x00}), true},
        {"block past the end", Framed({0x06, 0x00, 0x08, 0x02, 0x07, 0x00}), false},
        {"negative acknowledge", Bytes{0x15, 0x00, 0x15}, false},
    };
    for (const auto& c : cases) {
        ParamTexts[2] = "before";
        Receive(c.reply);
        EXPECT_EQ(TDMPen::ExtractPenParamMulti(), c.valid) << c.what;
        EXPECT_EQ(ParamTexts[2], "before") << c.what;
    }
}

TEST_F(Decode, ConversionErrors) {
    struct Case {
        int number;
        std::string text;
        std::string message;
    } cases[] = {
        {2, "", "'0x' ist kein gültiger Integerwert"},
        {5, "03 05 01 02", "'0x01 02' ist kein gültiger Integerwert"},
        {23, "04 17 41 42 43", "'0x' ist kein gültiger Integerwert"},
    };
    for (const auto& c : cases) {
        ReceiveAllParameters();
        ParamTexts[1] = "03 01 AA";
        ParamTexts[c.number] = c.text;
        PenParam = {};
        try {
            TDMPen::PenParamToRec();
            ADD_FAILURE() << "parameter " << c.number << " converted";
        } catch (const platform::ConvertError& e) {
            EXPECT_EQ(e.what(), c.message);
        }
        EXPECT_EQ(PenParam.Param01, "AA");
    }
    ParamTexts.Clear();
    EXPECT_THROW(TDMPen::PenParamToRec(), platform::ConvertError);  // never read: at parameter 2
    EXPECT_EQ(PenParam.Param01, "");
}

TEST_F(Decode, SingleParameter) {
    struct Case {
        Bytes reply;
        bool valid;
        const char* text;
    } cases[] = {
        {Framed({0x06, 0x00, 0x02, 0x02, 0x05, 0x00}), true, "02 02 05"},
        {Bytes{0x15, 0x00, 0x15}, false, "Err: 0x15"},
        {Bytes{0x06, 0x00}, false, "Err: 0x06"},
    };
    for (const auto& c : cases) {
        Receive(c.reply);
        EXPECT_EQ(TDMPen::ExtractPenParamEinzel(), c.valid);
        EXPECT_EQ(ParamEinzelText, c.text);
    }
}

}  // namespace
