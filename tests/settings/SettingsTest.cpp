// The settings record through the INI-style rules, over an in-memory store
// (and, in the Windows build, over the real registry).

#include <gtest/gtest.h>

#include "Pen.h"
#include "RegistryIni.h"

namespace {

using platform::MemoryStore;
using platform::StoreValue;

const std::string kSection = std::string(kSettingsKey) + "\\" + kSettingsSection;

class Settings : public ::testing::Test {
  protected:
    Settings() {
        ResetCPVars();
        auto owned = std::make_unique<MemoryStore>();
        store = owned.get();
        pen = std::make_unique<TDMPen>(std::move(owned));
    }
    ~Settings() override { ResetCPVars(); }

    void Put(const std::string& name, StoreValue v) {
        store->OpenKey(kSection, true);
        store->WriteValue(kSection, name, std::move(v));
    }

    MemoryStore* store;
    std::unique_ptr<TDMPen> pen;
};

TEST_F(Settings, FreshStoreGivesDefaultsAndLeavesOnlyTheMainKey) {
    pen->IniLes();
    EXPECT_EQ(Einstell.Comport, "COM1");
    EXPECT_EQ(Einstell.Timeout, 10);
    EXPECT_EQ(Einstell.Download, 0);
    EXPECT_EQ(Einstell.URL, kDefaultURL);
    EXPECT_NE(Einstell.URL.find("/search?q=%s"), std::string::npos);
    EXPECT_FALSE(Einstell.DownClip || Einstell.DownDel || Einstell.TrayMin || Einstell.TrayAuto ||
                 Einstell.StartMin);
    EXPECT_EQ(Einstell.ExpFormat, 0);
    EXPECT_TRUE(Einstell.Archiv);
    EXPECT_TRUE(store->OpenKey(kSettingsKey, false));
    EXPECT_FALSE(store->OpenKey(kSection, false));
}

TEST_F(Settings, WritesEveryValueInOrderWithItsKind) {
    Einstell = {};
    Einstell.Comport = "COM7";
    Einstell.Timeout = 3;
    Einstell.Download = 2;
    Einstell.URL = "u";
    Einstell.URL2 = "never stored";
    Einstell.DownClip = true;
    Einstell.ExpFormat = 3;
    Einstell.StartMin = true;
    pen->IniSchreib();

    auto names = store->ValueNames(kSection);
    EXPECT_EQ(names, (std::vector<std::string>{"Comport", "Timeout", "Download", "URL", "DownClip",
                                               "DownDel", "ExpFormat", "TrayMin", "TrayAuto",
                                               "StartMin", "Archiv"}));
    EXPECT_EQ(store->ReadValue(kSection, "Comport"), StoreValue::String("COM7"));
    EXPECT_EQ(store->ReadValue(kSection, "Timeout"), StoreValue::Integer(3));
    EXPECT_EQ(store->ReadValue(kSection, "ExpFormat"), StoreValue::Integer(3));
    EXPECT_EQ(store->ReadValue(kSection, "DownClip"), StoreValue::String("1"));
    EXPECT_EQ(store->ReadValue(kSection, "DownDel"), StoreValue::String("0"));
    EXPECT_EQ(store->ReadValue(kSection, "Archiv"), StoreValue::String("0"));

    Einstell = {};
    pen->IniLes();
    EXPECT_EQ(Einstell.Comport, "COM7");
    EXPECT_EQ(Einstell.Timeout, 3);
    EXPECT_EQ(Einstell.Download, 2);
    EXPECT_TRUE(Einstell.DownClip);
    EXPECT_TRUE(Einstell.StartMin);
    EXPECT_FALSE(Einstell.DownDel);
    EXPECT_TRUE(Einstell.URL2.empty());
}

TEST_F(Settings, IntegerStoredAsTextIsReadAndStaysText) {
    Put("Timeout", StoreValue::String("15"));
    pen->IniLes();
    EXPECT_EQ(Einstell.Timeout, 15);
    Einstell.Timeout = 20;
    pen->IniSchreib();
    EXPECT_EQ(store->ReadValue(kSection, "Timeout"), StoreValue::String("20"));
}

TEST_F(Settings, ValueConversions) {
    struct Case {
        const char* name;
        StoreValue stored;
        std::function<bool()> check;
    };
    const Case cases[] = {
        {"ExpFormat", StoreValue::Integer(258), [] { return Einstell.ExpFormat == 2; }},
        {"Timeout", StoreValue::String("abc"), [] { return Einstell.Timeout == 10; }},
        {"Timeout", StoreValue::String("-5"), [] { return Einstell.Timeout == -5; }},
        {"Timeout", StoreValue::String(""), [] { return Einstell.Timeout == 10; }},
        {"DownDel", StoreValue::String("1"), [] { return Einstell.DownDel; }},
        {"DownDel", StoreValue::Integer(1), [] { return Einstell.DownDel; }},
        {"DownDel", StoreValue::String("2"), [] { return Einstell.DownDel; }},
        {"DownDel", StoreValue::String("0"), [] { return !Einstell.DownDel; }},
        {"DownDel", StoreValue::String("yes"), [] { return !Einstell.DownDel; }},
        {"TrayMin", StoreValue::Integer(0), [] { return !Einstell.TrayMin; }},
        {"Archiv", StoreValue::String("0"), [] { return !Einstell.Archiv; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        store->Keys().clear();
        Put(c.name, c.stored);
        pen->IniLes();
        EXPECT_TRUE(c.check());
    }
}

TEST_F(Settings, WrongKindStopsReadingWithTheFieldsBeforeItRead) {
    Put("Comport", StoreValue::String("COM4"));
    Put("Timeout", StoreValue::Integer(7));
    Put("Download", StoreValue::Binary({1, 2}));
    Put("URL", StoreValue::String("never read"));
    Einstell = {};
    try {
        pen->IniLes();
        FAIL() << "no error raised";
    } catch (const platform::RegistryError& e) {
        EXPECT_STREQ(e.what(), "Ungültiger Datentyp für 'Download'");
    }
    EXPECT_EQ(Einstell.Comport, "COM4");
    EXPECT_EQ(Einstell.Timeout, 7);
    EXPECT_TRUE(Einstell.URL.empty());

    store->Keys().clear();
    Put("URL", StoreValue::Integer(1));
    EXPECT_THROW(pen->IniLes(), platform::RegistryError);
}

}  // namespace
