// Configuration, opening and closing, line control and the report channel.

#include <gtest/gtest.h>

#include "DevicePath.h"
#include "SerialFixture.h"

namespace {

using Calls = std::vector<std::string>;

TEST_F(SerialFixture, InitialValuesGiveA9600Baud8N1ControlBlockWithOnlyBinarySet) {
    EXPECT_FALSE(port->Active());
    EXPECT_EQ(port->ComHandle(), 0xFFFFFFFFu);
    EXPECT_EQ(port->CommPort(), "COM2");
    EXPECT_EQ(port->ErrorNoise(), 255);
    EXPECT_TRUE(port->XTOAuto());
    EXPECT_EQ(port->ClusterSize(), 3072);

    fake->ClearLog();
    port->SetActive(true);
    ASSERT_TRUE(port->Active());
    EXPECT_NE(port->ComHandle(), 0xFFFFFFFFu);
    const comm::Dcb dcb = fake->LastDcb();
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, 0);
    EXPECT_EQ(dcb.StopBits, 0);
    EXPECT_EQ(dcb.XonChar, 17);
    EXPECT_EQ(dcb.XoffChar, 19);
    EXPECT_EQ(dcb.XonLim, 1351);
    EXPECT_EQ(dcb.XoffLim, 1351);
    EXPECT_EQ(dcb.Flags, comm::kDcbBinary);  // no XON/XOFF: a pty swallows 0x11 and 0x13 else
    EXPECT_EQ(dcb.EofChar, 0);
    const comm::CommTimeouts t = fake->LastTimeouts();
    EXPECT_EQ(t, (comm::CommTimeouts{0xFFFFFFFF, 0, 0, 0, 0}));

    EXPECT_EQ(*fake->Log(), (Calls{"Open(\\\\.\\COM2)", "SetupComm(4096,4096)", "GetCommState()",
                                   "SetCommTimeouts(0)", "SetCommState()", "EscapeCommFunction(5)",
                                   "EscapeCommFunction(3)", "SetCommMask(0x1FF)"}));
    EXPECT_EQ(reports, (std::vector<Report>{{110, 0, "Msg start reactivating Port", 2}}));
    EXPECT_TRUE(port->DTRState());
    EXPECT_TRUE(port->RTSState());
}

TEST_F(SerialFixture, PenLinkValuesGive2400BaudOddParityWithTheParityCheckFlag) {
    port->SetBaudRate(2400);
    port->SetParityType(1);
    port->SetRTOCharDelayTime(4500);
    port->SetRTOExtraDelayTime(10);
    port->SetWTOCharDelayTime(4500);
    port->SetWTOExtraDelayTime(10);
    port->SetActive(true);
    const comm::Dcb dcb = fake->LastDcb();
    EXPECT_EQ(dcb.BaudRate, 2400u);
    EXPECT_EQ(dcb.Parity, 1);
    EXPECT_EQ(dcb.Flags, comm::kDcbBinary | comm::kDcbParity);
    EXPECT_EQ(port->RTOExtraDelayTime(), 10);
    EXPECT_EQ(port->WTOCharDelayTime(), 4500u);
}

TEST_F(SerialFixture, ControlBlockCarriesEveryLineSetting) {
    port->SetParityErrorReplacement(true);
    port->SetParityErrorChar('?');
    port->SetStripNullChars(true);
    port->SetFlowControl(comm::kDcbOutX | comm::kDcbInX);
    port->SetEventChar('\r');
    port->SetStopBits(2);
    port->SetDataBits(7);
    port->SetRxQueueSize(2000);  // reports 101 while closed; used at the next opening
    port->SetActive(true);
    const comm::Dcb dcb = fake->LastDcb();
    EXPECT_EQ(dcb.Flags, comm::kDcbBinary | comm::kDcbErrorChar | comm::kDcbOutX | comm::kDcbInX |
                             comm::kDcbNull);
    EXPECT_EQ(dcb.ErrorChar, '?');
    EXPECT_EQ(dcb.EvtChar, '\r');
    EXPECT_EQ(dcb.StopBits, 2);
    EXPECT_EQ(dcb.ByteSize, 7);
    EXPECT_EQ(dcb.XonLim, 660);  // 2000 * 33 / 100
    EXPECT_EQ(fake->CallsNamed("SetupComm").back(), "SetupComm(2000,4096)");
}

struct AutoCase {
    std::uint32_t baud;
    std::uint32_t delay;
};
class AutoTimeouts : public SerialFixture, public ::testing::WithParamInterface<AutoCase> {};

TEST_P(AutoTimeouts, BaudRateSetsBothCharacterDelaysFromTheTable) {
    port->SetBaudRate(GetParam().baud);
    EXPECT_EQ(port->RTOCharDelayTime(), GetParam().delay);
    EXPECT_EQ(port->WTOCharDelayTime(), GetParam().delay);
}

INSTANTIATE_TEST_SUITE_P(Table, AutoTimeouts,
                         ::testing::Values(AutoCase{2400, 4500}, AutoCase{100, 1100},
                                           AutoCase{1000000, 43}, AutoCase{110, 100000},
                                           AutoCase{115199, 190}, AutoCase{115200, 95},
                                           AutoCase{0, 1100}));

TEST_F(SerialFixture, AutoTimeoutsOnlyWhileXTOAutoAndAgainWhenItIsTurnedOn) {
    port->SetXTOAuto(false);
    port->SetBaudRate(2400);
    EXPECT_EQ(port->RTOCharDelayTime(), 1100u);
    port->SetXTOAuto(true);
    EXPECT_EQ(port->RTOCharDelayTime(), 4500u);
    EXPECT_EQ(port->WTOCharDelayTime(), 4500u);
}

TEST_F(SerialFixture, LimitPercentagesAbove100AreReportedAndClamped) {
    port->SetXONLimDiv(150);
    port->SetXOFFLimDiv(101);
    EXPECT_EQ(port->XONLimDiv(), 100);
    EXPECT_EQ(port->XOFFLimDiv(), 100);
    EXPECT_EQ(reports, (std::vector<Report>{{100, 150, "Warning XOnLimDef set to 100", 1},
                                            {100, 101, "Warning XOffLimDef set to 100", 1}}));
    port->SetActive(true);
    EXPECT_EQ(fake->LastDcb().XonLim, 4096);
    EXPECT_EQ(fake->LastDcb().XoffLim, 4096);
}

TEST_F(SerialFixture, OpenFailureLeavesThePortClosedAndReports110Then112) {
    fake->Fail("Open", comm::kErrorFileNotFound);
    port->SetActive(true);
    EXPECT_FALSE(port->Active());
    EXPECT_EQ(port->ComHandle(), 0xFFFFFFFFu);
    EXPECT_EQ(reports, (std::vector<Report>{{110, 0, "Msg start reactivating Port", 2},
                                            {112, 2, "Error reopening Port", 0}}));
    EXPECT_TRUE(fake->CallsNamed("SetupComm").empty());
}

TEST_F(SerialFixture, AssigningTheCurrentValueDoesNothingExceptForTheLineStates) {
    OpenQuietly();
    port->SetActive(true);
    port->SetCommPort("COM2");
    port->SetBaudRate(9600);
    port->SetParityType(0);
    port->SetDataBits(8);
    port->SetXONLimDiv(33);
    port->SetRxQueueSize(4096);
    port->SetXTOAuto(true);
    port->SetWTOCharDelayTime(1100);
    EXPECT_TRUE(fake->Log()->empty());
    EXPECT_TRUE(reports.empty());

    port->SetRTSState(true);
    port->SetDTRState(true);
    port->SetBREAKState(false);
    EXPECT_EQ(*fake->Log(),
              (Calls{"EscapeCommFunction(3)", "EscapeCommFunction(5)", "ClearCommBreak()"}));
}

TEST_F(SerialFixture, ConfigurationChangesWhileOpenReconfigureThePort) {
    OpenQuietly();
    port->SetParityType(2);
    EXPECT_EQ(fake->LastDcb().Parity, 2);
    EXPECT_EQ(fake->CallsNamed("SetCommState").size(), 1u);
    port->SetRTOCharDelayTime(1);  // read by the worker only
    EXPECT_EQ(fake->CallsNamed("SetCommState").size(), 1u);
}

TEST_F(SerialFixture, ClosingLowersDtrAndRtsAndClosesInOrder) {
    OpenQuietly();
    port->SetActive(false);
    EXPECT_FALSE(port->Active());
    EXPECT_EQ(port->ComHandle(), 0xFFFFFFFFu);
    EXPECT_FALSE(port->DTRState());
    EXPECT_FALSE(port->RTSState());
    EXPECT_EQ(*fake->Log(), (Calls{"SetCommMask(0x0)", "PurgeComm(0xF)", "EscapeCommFunction(6)",
                                   "EscapeCommFunction(4)", "Close()"}));
    EXPECT_EQ(reports, (std::vector<Report>{{100, 0, "Msg start deactivating Port", 2}}));
}

TEST_F(SerialFixture, ClosingWhileTheWorkerStaysBusyWarnsAfterItsBound) {
    OpenQuietly();
    Step();  // the worker is in its active branch now and is not stepped again
    port->SetActive(false);
    EXPECT_EQ(fake->CallsNamed("Sleep").size(), 15u);
    EXPECT_EQ(Places(), (std::vector<std::uint32_t>{100, 104}));
    EXPECT_EQ(reports[1], (Report{104, 0, "Warning ThreadIsRunning", 1}));
}

TEST_F(SerialFixture, LineSettersWhileClosedAreIgnored) {
    port->SetRTSState(false);
    port->SetDTRState(false);
    port->SetBREAKState(true);
    EXPECT_TRUE(port->RTSState());
    EXPECT_TRUE(port->DTRState());
    EXPECT_FALSE(port->BREAKState());
    EXPECT_EQ(fake->Log()->size(), 3u);  // only the three events of the constructor
}

TEST_F(SerialFixture, LineSetterFailuresAreReportedAndTheValueIsStoredAnyway) {
    OpenQuietly();
    struct Case {
        void (TSerialPortNG::*set)(bool);
        bool value;
        std::uint32_t place;
        const char* msg;
    };
    const Case cases[] = {
        {&TSerialPortNG::SetRTSState, false, 502, "Error clearing RTS"},
        {&TSerialPortNG::SetRTSState, true, 501, "Error setting RTS"},
        {&TSerialPortNG::SetDTRState, false, 602, "Error clearing DTR"},
        {&TSerialPortNG::SetDTRState, true, 601, "Error setting DTR"},
    };
    for (const Case& c : cases) {
        reports.clear();
        fake->Fail("EscapeCommFunction", 31);
        (port.get()->*c.set)(c.value);
        EXPECT_EQ(reports, (std::vector<Report>{{c.place, 31, c.msg, 0}})) << c.place;
    }
    EXPECT_TRUE(port->RTSState());
    reports.clear();
    fake->Fail("SetCommBreak", 31);
    port->SetBREAKState(true);
    EXPECT_TRUE(port->BREAKState());
    fake->Fail("ClearCommBreak", 31);
    port->SetBREAKState(false);
    EXPECT_FALSE(port->BREAKState());
    EXPECT_EQ(Places(), (std::vector<std::uint32_t>{701, 702}));
}

TEST_F(SerialFixture, QueueSizesAreAskedForAtOnceEvenWhileClosed) {
    port->SetRxQueueSize(2048);
    port->SetTxQueueSize(1024);
    EXPECT_EQ(reports, (std::vector<Report>{{101, 6, "Error can not set Quesize", 0},
                                            {102, 6, "Error can not set Quesize", 0}}));
    reports.clear();
    port->SetActive(true);
    EXPECT_EQ(fake->CallsNamed("SetupComm").back(), "SetupComm(2048,1024)");
    port->SetRxQueueSize(512);
    EXPECT_EQ(fake->CallsNamed("SetupComm").back(), "SetupComm(512,1024)");
}

TEST_F(SerialFixture, ChangingTheNameWhileOpenReopensUnderTheNewName) {
    OpenQuietly();
    port->SetCommPort("COM7");
    EXPECT_TRUE(port->Active());
    EXPECT_EQ(fake->CallsNamed("Open"), (Calls{"Open(\\\\.\\COM7)"}));
    EXPECT_EQ(Places(), (std::vector<std::uint32_t>{100, 110}));

    reports.clear();
    fake->Fail("Open", comm::kErrorFileNotFound);
    port->SetCommPort("COM8");
    EXPECT_FALSE(port->Active());
    EXPECT_EQ(Places(), (std::vector<std::uint32_t>{100, 110, 112}));

    // Closed, a new name is only stored.
    fake->ClearLog();
    port->SetCommPort("COM9");
    EXPECT_TRUE(fake->Log()->empty());
}

TEST_F(SerialFixture, LongNamesAreCutTo255AndTheDevicePathTo79Characters) {
    const std::string name(300, 'x');
    port->SetCommPort(name);
    EXPECT_EQ(port->CommPort(), std::string(255, 'x'));
    port->SetActive(true);
    EXPECT_EQ(fake->CallsNamed("Open"), (Calls{"Open(\\\\.\\" + std::string(79, 'x') + ")"}));
}

TEST_F(SerialFixture, ControlBlockFailures) {
    fake->Fail("GetCommState", 5);
    port->SetActive(true);
    EXPECT_TRUE(port->Active());
    EXPECT_TRUE(fake->CallsNamed("SetCommState").empty());
    EXPECT_EQ(reports[1], (Report{801, 5, "Error getting DCB from CommState", 0}));

    reports.clear();
    fake->Fail("SetCommTimeouts", 87);
    fake->Fail("SetCommState", 87);
    port->SetBaudRate(19200);
    EXPECT_EQ(reports,
              (std::vector<Report>{
                  {802, 87, "Error setting CommTimeout", 0},
                  {802, 87, "Error setting CommState, 87 indicate that Parms are incorrect", 0},
              }));
}

TEST_F(SerialFixture, OpeningGoesOnAfterQueueAndEventMaskFailures) {
    fake->Fail("SetupComm", 87);
    fake->Fail("SetCommMask", 87);
    port->SetActive(true);
    EXPECT_TRUE(port->Active());
    EXPECT_EQ(Places(), (std::vector<std::uint32_t>{110, 111, 201}));
    EXPECT_EQ(reports[2].msg, "Error activating CommEventMask");
}

TEST_F(SerialFixture, ClosingGoesOnAfterEveryFailure) {
    OpenQuietly();
    fake->Fail("SetCommMask", 6);
    fake->Fail("PurgeComm", 6);
    fake->Fail("EscapeCommFunction", 6, 2);
    fake->Fail("Close", 6);
    port->SetActive(false);
    EXPECT_FALSE(port->Active());
    EXPECT_EQ(port->ComHandle(), 0xFFFFFFFFu);
    EXPECT_EQ(Places(), (std::vector<std::uint32_t>{100, 101, 102, 602, 502, 103}));
    EXPECT_EQ(reports[1].msg, "Error disabling CommEvents");
    EXPECT_EQ(reports[2].msg, "Error clearing Queues");
    EXPECT_EQ(reports[5].msg, "Error closing Port");
}

class NoiseFilter : public SerialFixture, public ::testing::WithParamInterface<int> {};

TEST_P(NoiseFilter, OnlyReportsUpToErrorNoisePass) {
    port->SetErrorNoise(static_cast<std::uint8_t>(GetParam()));
    port->SetActive(true);    // 110 (noise 2)
    port->SetXONLimDiv(200);  // 100 (noise 1)
    fake->Fail("EscapeCommFunction", 31);
    port->SetRTSState(true);  // 501 (noise 0)
    std::vector<std::uint32_t> expected;
    if (GetParam() >= 2) expected.push_back(110);
    if (GetParam() >= 1) expected.push_back(100);
    expected.push_back(501);
    EXPECT_EQ(Places(), expected);
}

INSTANTIATE_TEST_SUITE_P(Levels, NoiseFilter, ::testing::Values(0, 1, 2, 255));

TEST_F(SerialFixture, NothingIsReportedDuringDestruction) {
    OpenQuietly();
    Step();
    port.reset();  // closes with 100 and 104 otherwise
    EXPECT_TRUE(reports.empty());
}

TEST(DevicePath, NamesMapAsWineMapsThem) {
    struct Case {
        const char* in;
        const char* posix;
    };
    const Case cases[] = {
        {"\\\\.\\COM1", "/dev/ttyS0"},
        {"\\\\.\\com12", "/dev/ttyS11"},
        {"\\\\.\\COM3 ", "/dev/ttyS2"},
        {"\\\\.\\/dev/pts/5", "/dev/pts/5"},
        {"\\\\.\\/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"\\\\.\\COM0", "COM0"},
        {"\\\\.\\COMX", "COMX"},
        {"/dev/ttyACM0  ", "/dev/ttyACM0"},
    };
    for (const Case& c : cases) EXPECT_EQ(comm::PosixDevicePath(c.in), c.posix) << c.in;
    EXPECT_EQ(comm::TrimTrailingBlanks("\\\\.\\COM3 "), "\\\\.\\COM3");
    EXPECT_EQ(comm::TrimTrailingBlanks(" Out \xc3\xa4.csv\t\r\n "), " Out \xc3\xa4.csv");
}

}  // namespace
