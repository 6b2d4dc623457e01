// Port discovery through the real Windows sources, run under Wine with COM
// ports mapped to pseudo-terminals (STYLORIX_PTY_PORTS, e.g. "COM41,COM42").

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <set>
#include <sstream>

#include "HandlesWin32.h"
#include "PortSourcesWin32.h"
#include "TextWin32.h"
#include "unitportdetect.h"

using namespace portdetect;

namespace {

std::vector<std::string> MappedPorts() {
    std::vector<std::string> ports;
    const char* list = std::getenv("STYLORIX_PTY_PORTS");
    std::stringstream in(list ? list : "");
    for (std::string port; std::getline(in, port, ',');)
        if (!port.empty()) ports.push_back(port);
    return ports;
}

// What one source answered, for the test's log.
void Show(const char* source, const std::optional<std::vector<ClassDevice>>& devices) {
    std::cout << source << ": " << (devices ? std::to_string(devices->size()) : "no answer")
              << " devices\n";
    if (devices)
        for (const ClassDevice& d : *devices)
            std::cout << "  " << d.PortName << " " << d.FriendlyName.value_or("-") << "\n";
}

}  // namespace

TEST(WinePorts, MappedPortsOpenAndDetectionFollowsTheRules) {
    std::vector<std::string> mapped = MappedPorts();
    if (mapped.empty()) GTEST_SKIP() << "run through ptyhold with STYLORIX_PTY_PORTS";
    for (const std::string& port : mapped) {
        const platform::OwnedFile file(CreateFileW(platform::Widen("\\\\.\\" + port).c_str(),
                                                   GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                   OPEN_EXISTING, 0, nullptr));
        EXPECT_NE(file.Get(), INVALID_HANDLE_VALUE) << port << " is not mapped";
    }

    auto sources = OpenWin32Sources({});
    auto devices = sources->ClassDevices(kPortsClass);
    Show("device class", devices);
    EXPECT_TRUE(devices.has_value()) << "setupapi or one of its entry points is missing";
    auto spooler = sources->SpoolerPorts();
    ASSERT_TRUE(spooler.has_value());
    for (const SpoolerPort& p : *spooler)
        std::cout << "  spooler " << p.PortName << " | " << p.Description << "\n";
    bool win9x = sources->Win9xFamily();
    EXPECT_FALSE(win9x);

    std::vector<TDetectedPort> ports(kChooserPorts);
    bool found = DetectComPorts(ports);
    bool anyNamed = false;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        if (ports[i].Name.empty()) continue;
        anyNamed = true;
        std::cout << "  COM" << i + 1 << ": " << ports[i].Name << "\n";
    }
    EXPECT_EQ(found, anyNamed);

    // With no device-class port, the NT family falls back to the spooler:
    // then every spooler port matching COMn is named "<description> (COMn)".
    bool classPort = devices && std::any_of(devices->begin(), devices->end(), [](auto& d) {
                         return MatchPortName(d.PortName, "COM", kChooserPorts).has_value();
                     });
    if (!classPort) {
        std::set<std::size_t> seen;
        for (const SpoolerPort& p : *spooler) {
            std::string name = p.PortName.substr(0, p.PortName.find(':'));
            auto index = MatchPortName(name, "COM", kChooserPorts);
            if (index && seen.insert(*index).second) {
                EXPECT_EQ(ports[*index].Name, p.Description + " (" + name + ")");
            }
        }
    }
}

TEST(WinePorts, MissingLibrariesDisableOnlyTheirSource) {
    Win32SourceOptions options;
    options.SetupApi = "stylorix-missing-setupapi.dll";
    options.CfgMgr = "stylorix-missing-cfgmgr32.dll";
    auto sources = OpenWin32Sources(options);
    EXPECT_FALSE(sources->ClassDevices(kPortsClass).has_value());
    EXPECT_TRUE(sources->DevNodeResources(1).empty());
    EXPECT_TRUE(sources->SpoolerPorts().has_value());

    // Wine's cfgmgr32 exports the log-conf calls as stubs that abort when
    // called, so the real walk is not run here; Wine lists no Ports devices.
    EXPECT_TRUE(OpenWin32Sources({})->ClassDevices(kPortsClass).has_value());
}

TEST(WinePorts, SpoolerListLongerThanTheFirstBufferIsAskedAgain) {
    Win32SourceOptions small;
    small.SpoolerBuffer = 16;
    auto fromSmall = OpenWin32Sources(small)->SpoolerPorts();
    auto fromDefault = OpenWin32Sources({})->SpoolerPorts();
    ASSERT_TRUE(fromDefault.has_value());
    ASSERT_FALSE(fromDefault->empty()) << "the spooler lists no ports here";
    ASSERT_TRUE(fromSmall.has_value());
    ASSERT_EQ(fromSmall->size(), fromDefault->size());
    for (std::size_t i = 0; i < fromSmall->size(); ++i) {
        EXPECT_EQ((*fromSmall)[i].PortName, (*fromDefault)[i].PortName);
        EXPECT_EQ((*fromSmall)[i].Description, (*fromDefault)[i].Description);
    }
}
