#include <gtest/gtest.h>

#include "OptionLine.h"

namespace {

// What one option line should give; the fields not named are false or empty.
struct Case {
    std::vector<std::string> args;
    ValueRule rule;
    bool help = false;
    bool screen = false;
    bool port = false;
    bool exportFile = false;
    bool del = false;
    std::string portText{};
    std::string exportName{};
    bool listing = false;
};

TEST(OptionLine, FlagsAndValues) {
    const auto W = ValueRule::CutAtSlash;
    const auto P = ValueRule::CutAtNextOption;
    const Case cases[] = {
        {.args = {"/?"}, .rule = W, .help = true},
        {.args = {"-h"}, .rule = W, .help = true},
        {.args = {"/s"}, .rule = W, .screen = true, .listing = true},
        {.args = {"/S", "/E:out.csv"},
         .rule = W,
         .screen = true,
         .exportFile = true,
         .exportName = "OUT.CSV"},
        // The port text keeps the blank that separated it from the next option.
        {.args = {"/P:COM3", "/S"},
         .rule = W,
         .screen = true,
         .port = true,
         .portText = "COM3 ",
         .listing = true},
        {.args = {"X"}, .rule = W},
        // Options run together in one argument.
        {.args = {"/s/d/p:com2"},
         .rule = W,
         .screen = true,
         .port = true,
         .del = true,
         .portText = "COM2",
         .listing = true},
        {.args = {"/E:a/b.csv"}, .rule = W, .exportFile = true, .exportName = "A"},
        {.args = {"  /D\t"}, .rule = W, .del = true},
        // Linux: values as typed, "/" included, ending where the next option begins.
        {.args = {"/P:/dev/ttyUSB0", "/E:/home/u/Out.csv", "/S"},
         .rule = P,
         .screen = true,
         .port = true,
         .exportFile = true,
         .portText = "/dev/ttyUSB0",
         .exportName = "/home/u/Out.csv"},
        {.args = {"/s", "/p:/dev/pts/7"},
         .rule = P,
         .screen = true,
         .port = true,
         .portText = "/dev/pts/7",
         .listing = true},
        {.args = {"/E:/tmp/My Files/x.csv", "/D"},
         .rule = P,
         .exportFile = true,
         .del = true,
         .exportName = "/tmp/My Files/x.csv"},
        {.args = {"/P:COM3", "/S"},
         .rule = P,
         .screen = true,
         .port = true,
         .portText = "COM3",
         .listing = true},
        // A path holding "/d", "/s" or "/h" is not a flag there.
        {.args = {"/E:/srv/data/home.csv"},
         .rule = P,
         .exportFile = true,
         .exportName = "/srv/data/home.csv"},
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
