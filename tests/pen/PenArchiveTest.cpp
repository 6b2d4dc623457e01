// The download archive's lines and its appends, and reading code files back.

#include "PenArchive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "PenImport.h"

namespace fs = std::filesystem;

namespace {

const ArchiveTime kRead{2026, 3, 5, 7, 8, 9};

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(ArchiveLine, FieldsAsTheExportWritesTheCode) {
    struct Case {
        std::string id;
        std::uint16_t uploads;
        TCodes code;
        std::string line;
    } cases[] = {
        {"PEN0042", 7, {0x41, "4006381333931"}, "2026-03-05 07:08:09;PEN0042;7;65;4006381333931"},
        // The code is the last field: its ";" and bytes stay as they came.
        {"PEN0042", 65535, {0x42, "x;\xE4"}, "2026-03-05 07:08:09;PEN0042;65535;66;x;\xE4"},
        {"", 0, {0x00, ""}, "2026-03-05 07:08:09;;0;0;"},
        // The device ID cannot break the fields apart or the line in two.
        {"A;B\r\nC", 1, {0x41, "1"}, "2026-03-05 07:08:09;A_B__C;1;65;1"},
    };
    for (const Case& c : cases) EXPECT_EQ(ArchiveLine(kRead, c.id, c.uploads, c.code), c.line);
    EXPECT_EQ(ArchiveFileName(kRead), "2026-03.csv");
}

class Archive : public ::testing::Test {
  protected:
    Archive() { fs::remove_all(dir); }
    ~Archive() override { fs::remove_all(dir); }
    fs::path dir = fs::temp_directory_path() /
                   (std::string("pen-archive-") +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

TEST_F(Archive, AppendsToWhatIsThereAndMakesItsFolders) {
    const fs::path file = dir / "a" / "b" / "2026-03.csv";
    EXPECT_EQ(AppendDurably(file.string(), "one\r\n"), "");
    EXPECT_EQ(AppendDurably(file.string(), "two\r\n"), "");
    EXPECT_EQ(Slurp(file), "one\r\ntwo\r\n");
}

TEST_F(Archive, FailureIsReportedAndWritesNothing) {
    fs::create_directories(dir);
    std::ofstream(dir / "a") << "a file where a folder should be";
    EXPECT_NE(AppendDurably((dir / "a" / "2026-03.csv").string(), "one\r\n"), "");
    EXPECT_FALSE(fs::exists(dir / "a" / "2026-03.csv"));
}

// Two programs appending at once (a console run while the window reads):
// every download's lines stay together.
TEST_F(Archive, ConcurrentAppendsNeverInterleave) {
    const fs::path file = dir / "2026-03.csv";
    constexpr int kBlocks = 100, kLines = 40;
    auto writer = [&](char who) {
        for (int b = 0; b < kBlocks; ++b) {
            std::string block;
            for (int l = 0; l < kLines; ++l)
                block += std::string(1, who) + std::to_string(b) + "\r\n";
            EXPECT_EQ(AppendDurably(file.string(), block), "");
        }
    };
    std::thread a(writer, 'a'), b(writer, 'b');
    a.join();
    b.join();
    std::istringstream in(Slurp(file));
    std::string line, previous;
    int run = 0, runs = 0;
    while (std::getline(in, line)) {
        run = line == previous ? run + 1 : 1;
        if (run == 1) {
            EXPECT_TRUE(previous.empty() || runs % kLines == 0) << "cut after " << previous;
        }
        ++runs;
        previous = line;
    }
    EXPECT_EQ(runs, 2 * kBlocks * kLines);
}

TEST(CodeFile, LinesThatFitAndLinesThatDoNot) {
    struct Case {
        std::string content;
        std::uint8_t format;
        std::vector<std::string> codes;  // when all fit
        int badLine = 0;
    } cases[] = {
        {"", 0, {}},
        {"\xEF\xBB\xBF"
         "65;1\n66;x;y",
         0,
         {"1", "x;y"}},  // a mark, LF, no last line end
        {"7;65;1\r\n", 1, {"1"}},
        // Codes only: an empty line is an empty code, also at the end.
        {"1\r\n\r\n3\r\n\r\n", 2, {"1", "", "3", ""}},
        {"1;1\r\n\r\n\r\n", 3, {"1"}},
        {"-1;65;1\r\n", 1, {}, 1},
        {"1;1000;1\r\n", 1, {}, 1},       // no such symbology
        {"1;1000;1\r\n", 3, {"1000;1"}},  // format 3: number and code
        {"2026-01-02 03:04:05;;0;65;1\r\n2026-01-02 03:04:05;P;65536;65;2\r\n", 0, {}, 2},
        {"2026-01-02 03:04:05;P;1;65\r\n", 0, {}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        const CodeFileContent file = ParseCodeFile(c.content, c.format);
        EXPECT_EQ(file.badLine, c.badLine);
        if (c.badLine) continue;
        std::vector<std::string> codes;
        for (const TCodes& code : file.codes) codes.push_back(code.Code);
        EXPECT_EQ(codes, c.codes);
    }
}

}  // namespace
