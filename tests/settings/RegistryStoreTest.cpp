// The settings in the real registry: the value kinds as the registry's own
// tool shows them.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>

#include "Pen.h"

namespace {

// "reg query" lines look like "    Timeout    REG_DWORD    0x3".
std::map<std::string, std::string> RegQueryKinds(const std::string& key) {
    std::map<std::string, std::string> kinds;
    std::string command = "reg query \"HKCU\\" + key + "\"";
    FILE* pipe = _popen(command.c_str(), "r");
    if (!pipe) return kinds;
    char line[1024];
    while (fgets(line, sizeof line, pipe)) {
        std::istringstream words(line);
        std::string name, kind;
        if (words >> name >> kind && kind.rfind("REG_", 0) == 0) kinds[name] = kind;
    }
    _pclose(pipe);
    return kinds;
}

TEST(RegistryStore, SettingsLandAsStringsAndDwordsWhereTheyBelong) {
    ResetCPVars();
    TDMPen pen;
    pen.IniLes();
    Einstell.Comport = "COM5";
    Einstell.Timeout = 3;
    pen.IniSchreib();

    auto kinds = RegQueryKinds(std::string(kSettingsKey) + "\\" + kSettingsSection);
    const std::map<std::string, std::string> expected{
        {"Comport", "REG_SZ"},      {"Timeout", "REG_DWORD"}, {"Download", "REG_DWORD"},
        {"URL", "REG_SZ"},          {"DownClip", "REG_SZ"},   {"DownDel", "REG_SZ"},
        {"ExpFormat", "REG_DWORD"}, {"TrayMin", "REG_SZ"},    {"TrayAuto", "REG_SZ"},
        {"StartMin", "REG_SZ"}};
    EXPECT_EQ(kinds, expected);

    Einstell = {};
    pen.IniLes();
    EXPECT_EQ(Einstell.Comport, "COM5");
    EXPECT_EQ(Einstell.Timeout, 3);
    ResetCPVars();
}

}  // namespace
