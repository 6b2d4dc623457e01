// The Linux chooser's serial devices: which tty devices count, and their names.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>

#include "SerialDeviceName.h"
#include "unitportdetect.h"

using namespace portdetect;
using testing::AnyOf;
using testing::Contains;
using testing::EndsWith;
using testing::Eq;

namespace portdetect {
void PrintTo(const TSerialDevice& d, std::ostream* os) {
    *os << "{\"" << d.Name << "\", " << d.Path << "}";
}
}  // namespace portdetect

// A tty with the udev properties in the order model (encoded, database,
// plain), vendor (encoded, database, plain).
UdevTty Tty(const char* sysName, std::array<const char*, 6> props) {
    UdevTty t;
    t.SysName = sysName;
    t.ModelEnc = props[0], t.ModelFromDatabase = props[1], t.Model = props[2];
    t.VendorEnc = props[3], t.VendorFromDatabase = props[4], t.Vendor = props[5];
    return t;
}

TEST(SerialDeviceName, ModelThenVendorThenBareDeviceName) {
    struct Case {
        UdevTty tty;
        const char* expected;
    } cases[] = {
        {Tty("ttyUSB0", {"FT232R\\x20USB\\x20UART\\x20\\x20", "FT232 Serial (UART) IC",
                         "FT232R_USB_UART", "FTDI", "", ""}),
         "FT232R USB UART (ttyUSB0)"},
        {Tty("ttyACM0", {"", "Reader", "X", "", "", ""}), "Reader (ttyACM0)"},
        {Tty("ttyUSB1", {"", "", "USB_Serial", "", "", "V"}), "USB Serial (ttyUSB1)"},
        {Tty("ttyUSB2", {"", "", "", "Prolific\\x20Technology", "", "x"}),
         "Prolific Technology (ttyUSB2)"},
        {Tty("ttyUSB3", {"\\x20", "", "", "", "", "1a86"}), "1a86 (ttyUSB3)"},
        {Tty("ttyS0", {"", "", "", "", "", ""}), "ttyS0"},
    };
    for (const Case& c : cases) EXPECT_EQ(SerialDeviceName(c.tty), c.expected);
}

TEST(SerialDeviceName, EscapesDecodedOnlyWhenWhole) {
    EXPECT_EQ(DecodeUdevText("a\\x2fb\\x4A"), "a/bJ");
    EXPECT_EQ(DecodeUdevText("a\\x2"), "a\\x2");
    EXPECT_EQ(DecodeUdevText("\\xzz\\"), "\\xzz\\");
}

TEST(SerialDeviceName, RealPortsHaveANodeAParentAndAPort) {
    struct Case {
        const char* devNode;
        bool onBus;
        std::optional<std::string> portType;
        bool real;
    } cases[] = {
        {"/dev/ttyUSB0", true, {}, true},
        {"/dev/ttyS0", true, "4", true},
        {"/dev/ttyS5", true, "0", false},
        {"/dev/tty3", false, {}, false},
        {"", true, {}, false},
    };
    for (const Case& c : cases) {
        UdevTty tty;
        tty.DevNode = c.devNode, tty.OnBus = c.onBus, tty.PortType = c.portType;
        EXPECT_EQ(IsRealSerialPort(tty), c.real) << c.devNode;
    }
}

// A small tree as udev would report it, so that the list is checked on a
// machine without serial hardware too.
TEST(DetectSerialDevices, ListsTheRealPortsOfATreeNamedAndInPathOrder) {
    auto tty = [](const char* sysName, bool onBus, std::optional<std::string> type,
                  const char* model = "") {
        UdevTty t;
        t.SysName = sysName;
        t.DevNode = std::string("/dev/") + sysName;
        t.OnBus = onBus;
        t.PortType = std::move(type);
        t.Model = model;
        return t;
    };
    UdevTty console = tty("console", false, {});
    UdevTty noNode = tty("ttyS7", true, "4");
    noNode.DevNode.clear();
    const std::vector<UdevTty> tree = {
        tty("ttyS10", true, "4"),
        tty("ttyUSB0", true, {}, "FT232R_USB_UART"),
        tty("tty1", false, {}),
        tty("ttyS3", true, "0"),
        tty("ttyACM0", true, {}, "Reader"),
        console,
        tty("ttyS2", true, "4"),
        noNode,
    };
    const std::vector<TSerialDevice> expected = {
        {"Reader (ttyACM0)", "/dev/ttyACM0"},
        {"ttyS2", "/dev/ttyS2"},
        {"ttyS10", "/dev/ttyS10"},
        {"FT232R USB UART (ttyUSB0)", "/dev/ttyUSB0"},
    };
    EXPECT_EQ(SerialDevicesOf(tree), expected);
}

// Against this machine's own ttys: every serial-core port with a port type
// other than 0 is listed, the unused ones and the virtual terminals are not.
TEST(DetectSerialDevices, ListsThisMachinesRealPortsOnly) {
    namespace fs = std::filesystem;
    std::vector<std::string> expected;
    for (const auto& entry : fs::directory_iterator("/sys/class/tty")) {
        std::ifstream typeFile(entry.path() / "type");
        std::string type;
        if (!(typeFile >> type) || type == "0") continue;
        if (fs::canonical(entry.path()).string().find("/devices/virtual/") != std::string::npos)
            continue;
        expected.push_back("/dev/" + entry.path().filename().string());
    }
    std::vector<TSerialDevice> devices = DetectSerialDevices();
    std::vector<std::string> paths;
    for (const TSerialDevice& d : devices) paths.push_back(d.Path);
    for (const std::string& path : expected) EXPECT_THAT(paths, Contains(path));
    for (const TSerialDevice& d : devices) {
        std::string sysName = fs::path(d.Path).filename().string();
        EXPECT_EQ(d.Path.rfind("/dev/", 0), 0u) << d.Path;
        EXPECT_THAT(d.Name, AnyOf(Eq(sysName), EndsWith(" (" + sysName + ")")));
        EXPECT_FALSE(sysName.starts_with("tty") && std::isdigit(sysName[3])) << d.Path;
        std::ifstream typeFile("/sys/class/tty/" + sysName + "/type");
        std::string type;
        if (typeFile >> type) {
            EXPECT_NE(type, "0") << d.Path;
        }
    }
}
