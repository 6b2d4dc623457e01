#include <gtest/gtest.h>

#include "OptionLine.h"

namespace {

struct Case {
    std::vector<std::string> args;
    ValueRule rule;
    bool help, screen, port, exportFile, del;
    std::string portText, exportName;
    bool listing;
};

TEST(OptionLine, FlagsAndValues) {
    const auto W = ValueRule::CutAtSlash;
    const auto P = ValueRule::CutAtNextOption;
    const Case cases[] = {
        {{"/?"}, W, true, false, false, false, false, "", "", false},
        {{"-h"}, W, true, false, false, false, false, "", "", false},
        {{"/s"}, W, false, true, false, false, false, "", "", true},
        {{"/S", "/E:out.csv"}, W, false, true, false, true, false, "", "OUT.CSV", false},
        // The port text keeps the blank that separated it from the next option.
        {{"/P:COM3", "/S"}, W, false, true, true, false, false, "COM3 ", "", true},
        {{"X"}, W, false, false, false, false, false, "", "", false},
        // Options run together in one argument.
        {{"/s/d/p:com2"}, W, false, true, true, false, true, "COM2", "", true},
        {{"/E:a/b.csv"}, W, false, false, false, true, false, "", "A", false},
        {{"  /D\t"}, W, false, false, false, false, true, "", "", false},
        // Linux: values as typed, "/" included, ending where the next option begins.
        {{"/P:/dev/ttyUSB0", "/E:/home/u/Out.csv", "/S"},
         P,
         false,
         true,
         true,
         true,
         false,
         "/dev/ttyUSB0",
         "/home/u/Out.csv",
         false},
        {{"/s", "/p:/dev/pts/7"}, P, false, true, true, false, false, "/dev/pts/7", "", true},
        {{"/E:/tmp/My Files/x.csv", "/D"},
         P,
         false,
         false,
         false,
         true,
         true,
         "",
         "/tmp/My Files/x.csv",
         false},
        {{"/P:COM3", "/S"}, P, false, true, true, false, false, "COM3", "", true},
        // A path holding "/d", "/s" or "/h" is not a flag there.
        {{"/E:/srv/data/home.csv"},
         P,
         false,
         false,
         false,
         true,
         false,
         "",
         "/srv/data/home.csv",
         false},
    };
    for (const auto& c : cases) {
        std::string label;
        for (const auto& a : c.args) label += a + " ";
        SCOPED_TRACE(label);
        ConsoleOptions o = ParseOptions(c.args, c.rule);
        EXPECT_EQ(o.Help, c.help);
        EXPECT_EQ(o.Screen, c.screen);
        EXPECT_EQ(o.Port, c.port);
        EXPECT_EQ(o.Export, c.exportFile);
        EXPECT_EQ(o.Delete, c.del);
        EXPECT_EQ(o.PortText, c.portText);
        EXPECT_EQ(o.ExportFile, c.exportName);
        EXPECT_EQ(o.ListingMode(), c.listing);
    }
}

TEST(OptionLine, LineIsUpperCasedOnlyForAsciiLettersAndTrimmed) {
    EXPECT_EQ(BuildOptionLine({"\x01/s", "\xe4x"}), "/S \xe4X");
    EXPECT_EQ(BuildOptionLine({"", " "}), "");
}

}  // namespace
