#include "PenExport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "Errors.h"
#include "Pen.h"
#include "TypedStore.h"
#include "Utf.h"

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class Export : public ::testing::Test {
  protected:
    Export() {
        dir = fs::temp_directory_path() /
              ("pen-export-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~Export() override {
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir, ec);
        ResetCPVars();
    }
    void SetCodes(std::initializer_list<TCodes> codes) {
        CodeCount = 0;
        for (const auto& c : codes) Codes[++CodeCount] = c;
    }
    std::vector<std::string> Entries() {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        return names;
    }
    fs::path dir;
};

TEST_F(Export, LineFormats) {
    SetCodes({{0x41, "x"}, {0x41, "y"}, {0x41, "1234"}});
    struct Case {
        std::uint8_t format;
        const char* line;
    } cases[] = {{0, "65;1234"}, {1, "3;65;1234"}, {2, "1234"}, {3, "3;1234"}};
    for (const auto& c : cases) EXPECT_EQ(ExportLine(3, Codes[3], c.format), c.line);
}

TEST_F(Export, FileHoldsOneLineACodeByteForByte) {
    SetCodes({{0x42, "a;b"}, {0x41, ""}, {0x41, "\xE4\xF6"}});
    Einstell.ExpFormat = 0;
    ASSERT_TRUE(TDMPen::SaveCodes((dir / "out.csv").string()));
    EXPECT_EQ(Slurp(dir / "out.csv"), "66;a;b\r\n65;\r\n65;\xE4\xF6\r\n");
    Einstell.ExpFormat = 2;
    ASSERT_TRUE(
        TDMPen::SaveCodes((dir / "out.csv").string() + " "));  // a blank from the option line
    EXPECT_EQ(Slurp(dir / "out.csv"), "a;b\r\n\r\n\xE4\xF6\r\n");
    EXPECT_EQ(Entries(), std::vector<std::string>{"out.csv"});
}

TEST_F(Export, NoCodesNoFile) {
    CodeCount = 0;
    EXPECT_FALSE(TDMPen::SaveCodes((dir / "out.csv").string()));
    EXPECT_FALSE(fs::exists(dir / "out.csv"));
    WriteExportFile((dir / "empty.csv").string(), 0);  // the console's /E: writes it empty
    EXPECT_EQ(Slurp(dir / "empty.csv"), "");
}

// A target that cannot be replaced leaves what was there, and no leftovers.
TEST_F(Export, FailureKeepsWhatWasThere) {
    SetCodes({{0x41, "1"}});
    fs::create_directories(dir / "target.csv" / "inside");
    std::ofstream(dir / "file") << "x";
    for (const fs::path& target : {dir / "target.csv", dir / "file" / "out.csv", fs::path()}) {
        EXPECT_THROW(TDMPen::SaveCodes(target.string()), platform::InOutError) << target;
    }
    EXPECT_TRUE(fs::is_directory(dir / "target.csv" / "inside"));
    EXPECT_EQ(Slurp(dir / "file"), "x");
    EXPECT_EQ(Entries().size(), 2u);
}

TEST_F(Export, ReadOnlyDirectoryKeepsTheOldFile) {
#ifdef _WIN32
    GTEST_SKIP() << "directory permission bits do not stop writes on Windows";
#else
    if (geteuid() == 0) GTEST_SKIP() << "running as root: permission bits do not stop writes";
    SetCodes({{0x41, "1"}});
    std::ofstream(dir / "out.csv") << "old";
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(TDMPen::SaveCodes((dir / "out.csv").string()), platform::InOutError);
    EXPECT_EQ(Slurp(dir / "out.csv"), "old");
#endif
}

// Names are UTF-8 inside the program; the file gets the name the user typed.
TEST_F(Export, FileNameWithUmlauts) {
    SetCodes({{0x41, "1"}});
    WriteExportFile(platform::PathUtf8(dir) + "/B\u00fccher \u00df.csv", 0);
    EXPECT_EQ(Slurp(dir / platform::Utf8Path("B\u00fccher \u00df.csv")), "65;1\r\n");
}

}  // namespace
