// The POSIX settings file: types survive, a crash mid-save never leaves a
// broken file, and an unreadable file is kept rather than overwritten.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "JsonFileStore.h"
#include "Pen.h"

namespace {

namespace fs = std::filesystem;
using platform::JsonFileStore;
using platform::StoreValue;

class JsonStore : public ::testing::Test {
  protected:
    JsonStore() {
        char pattern[] = "/tmp/stylorix-store-XXXXXX";
        dir = mkdtemp(pattern);
        file = dir / "stylorix" / "settings.json";
    }
    ~JsonStore() override { fs::remove_all(dir); }

    std::string Contents() const {
        std::ifstream in(file, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path dir;
    fs::path file;
};

TEST_F(JsonStore, ValuesKeepTheirKindsAcrossASave) {
    {
        JsonFileStore store(file);
        ASSERT_TRUE(store.OpenKey("A\\B", true));
        store.WriteValue("A\\B", "text", StoreValue::String("15"));
        store.WriteValue("A\\B", "number", StoreValue::Integer(0xFFFFFFFFu));
        store.WriteValue("A\\B", "raw", StoreValue::Binary({0, 0x11, 0xFF}));
        ASSERT_TRUE(store.Flush());
    }
    JsonFileStore again(file);
    EXPECT_TRUE(again.OpenKey("a\\b", false));
    EXPECT_EQ(again.ReadValue("A\\B", "TEXT"), StoreValue::String("15"));
    EXPECT_EQ(again.ReadValue("A\\B", "number"), StoreValue::Integer(0xFFFFFFFFu));
    EXPECT_EQ(again.ReadValue("A\\B", "raw"), StoreValue::Binary({0, 0x11, 0xFF}));
    EXPECT_EQ(again.ValueNames("A\\B"), (std::vector<std::string>{"text", "number", "raw"}));
    EXPECT_EQ(again.SubKeyNames("A"), (std::vector<std::string>{"B"}));
}

TEST_F(JsonStore, CrashBetweenWriteAndRenameKeepsTheOldFile) {
    {
        JsonFileStore store(file);
        store.OpenKey("K", true);
        store.WriteValue("K", "Comport", StoreValue::String("COM3"));
        ASSERT_TRUE(store.Flush());
    }
    const std::string before = Contents();

    // The child dies the hard way after the new file is complete but before
    // it replaces the old one.
    EXPECT_EXIT(
        {
            JsonFileStore store(file);
            store.WriteValue("K", "Comport", StoreValue::String("COM9"));
            store.BeforeRename = [] { _exit(7); };
            store.Flush();
        },
        ::testing::ExitedWithCode(7), "");

    EXPECT_EQ(Contents(), before);
    JsonFileStore after(file);
    EXPECT_EQ(after.ReadValue("K", "Comport"), StoreValue::String("COM3"));
}

TEST_F(JsonStore, UnreadableFileReadsAsDefaultsAndIsKeptBesideTheNewOne) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "{ \"broken";
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    ResetCPVars();

    testing::internal::CaptureStderr();
    {
        TDMPen pen;
        pen.IniLes();
        EXPECT_EQ(Einstell.Comport, "COM1");
        EXPECT_EQ(Einstell.Timeout, 10);
        pen.IniSchreib();
    }
    const std::string warning = testing::internal::GetCapturedStderr();
    EXPECT_NE(warning.find("settings.json"), std::string::npos) << warning;

    fs::path bad = file;
    bad += ".bad";
    std::ifstream kept(bad);
    std::string keptText((std::istreambuf_iterator<char>(kept)), {});
    EXPECT_EQ(keptText, "{ \"broken");
    JsonFileStore fresh(file);
    EXPECT_EQ(fresh.ReadValue("Software\\QM\\Stylorix\\Einstell", "Comport"),
              StoreValue::String("COM1"));
    ResetCPVars();
}

}  // namespace
