// The archive's default folder on Windows.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "PenArchive.h"
#include "Utf.h"

namespace {

// Takes the variable away for the test's length.
struct WithoutVariable {
    const wchar_t* name;
    std::optional<std::wstring> saved;
    explicit WithoutVariable(const wchar_t* n) : name(n) {
        std::wstring value(32767, L'\0');
        const DWORD got = GetEnvironmentVariableW(name, value.data(), DWORD(value.size()));
        if (got > 0 && got < value.size()) saved = value.substr(0, got);
        SetEnvironmentVariableW(name, nullptr);
    }
    ~WithoutVariable() { SetEnvironmentVariableW(name, saved ? saved->c_str() : nullptr); }
};

}  // namespace

// The shell's library, loaded only for this, names the same folder as the
// environment does.
TEST(ArchiveFolder, WithoutTheEnvironmentTheShellNamesIt) {
    const std::string hinted = DefaultArchiveFolder();
    std::string asked;
    {
        WithoutVariable gone(L"LOCALAPPDATA");
        asked = DefaultArchiveFolder();
    }
    const std::filesystem::path folder = platform::Utf8Path(asked);
    EXPECT_TRUE(folder.is_absolute()) << asked;
    EXPECT_EQ(folder.filename(), "Archiv");
    EXPECT_EQ(folder.parent_path().filename(), "Stylorix");
    EXPECT_EQ(asked, hinted);
}
