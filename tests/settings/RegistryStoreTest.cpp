// The settings in the real registry: the value kinds as the registry's own
// tool shows them.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <optional>
#include <sstream>
#include <vector>

#include "HandlesWin32.h"
#include "Pen.h"
#include "TextWin32.h"

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
    // Longer than the store's first asking.
    const std::string longURL = "https://example.com/" + std::string(600, 'u') + "?q=%s";
    Einstell.URL = longURL;
    pen.IniSchreib();

    auto kinds = RegQueryKinds(std::string(kSettingsKey) + "\\" + kSettingsSection);
    const std::map<std::string, std::string> expected{
        {"Comport", "REG_SZ"},      {"Timeout", "REG_DWORD"}, {"Download", "REG_DWORD"},
        {"URL", "REG_SZ"},          {"DownClip", "REG_SZ"},   {"DownDel", "REG_SZ"},
        {"ExpFormat", "REG_DWORD"}, {"TrayMin", "REG_SZ"},    {"TrayAuto", "REG_SZ"},
        {"StartMin", "REG_SZ"},     {"Archiv", "REG_SZ"}};
    EXPECT_EQ(kinds, expected);

    Einstell = {};
    pen.IniLes();
    EXPECT_EQ(Einstell.Comport, "COM5");
    EXPECT_EQ(Einstell.Timeout, 3);
    EXPECT_EQ(Einstell.URL, longURL);
    ResetCPVars();
}

// Each read of the settings keeps their key open while it lasts; the next one
// must see a key that someone deleted and made anew in between.
TEST(RegistryStore, AReadSeesTheKeyAnotherProgramMadeAnew) {
    ResetCPVars();
    TDMPen pen;
    Einstell.Comport = "COM5";
    pen.IniSchreib();
    pen.IniLes();
    ASSERT_EQ(Einstell.Comport, "COM5");

    const std::wstring section =
        platform::Widen(std::string(kSettingsKey) + "\\" + kSettingsSection);
    ASSERT_EQ(RegDeleteTreeW(HKEY_CURRENT_USER, section.c_str()), ERROR_SUCCESS);
    const wchar_t port[] = L"COM7";
    ASSERT_EQ(
        RegSetKeyValueW(HKEY_CURRENT_USER, section.c_str(), L"Comport", REG_SZ, port, sizeof port),
        ERROR_SUCCESS);
    pen.IniLes();
    EXPECT_EQ(Einstell.Comport, "COM7");
    ResetCPVars();
}

// The text as the registry holds it, read with the wide function other
// programs use.
std::wstring StoredText(const std::string& key, const std::string& name) {
    wchar_t text[256] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, platform::Widen(key).c_str(), platform::Widen(name).c_str(),
                     RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return L"<unreadable>";
    return text;
}

TEST(RegistryStore, TextsWithUmlautsAreStoredAsTheirCharacters) {
    ResetCPVars();
    TDMPen pen;
    pen.IniLes();
    Einstell.URL = "https://suche.example/grüße?q=%s&ß=Ä";
    pen.IniSchreib();

    const std::string section = std::string(kSettingsKey) + "\\" + kSettingsSection;
    EXPECT_EQ(StoredText(section, "URL"),
              L"https://suche.example/gr\u00fc\u00dfe?q=%s&\u00df=\u00c4");
    Einstell = {};
    pen.IniLes();
    EXPECT_EQ(Einstell.URL, "https://suche.example/grüße?q=%s&ß=Ä");
    ResetCPVars();
}

// The text in the ANSI code page; nothing when the code page lacks one of its
// characters.
std::optional<std::string> Ansi(const std::wstring& text) {
    char ansi[64] = {};
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, ansi,
                                      sizeof ansi, nullptr, &lossy);
    if (n <= 0 || lossy) return std::nullopt;
    return std::string(ansi);
}

// Another tool, or a user with regedit, may have stored a setting through the
// ANSI functions: it reads back as the characters it meant.
TEST(RegistryStore, TextStoredThroughTheAnsiFunctionsReadsBackAsItsCharacters) {
    const auto name = Ansi(L"Stra\u00dfe");
    const auto text = Ansi(L"M\u00fcller Stra\u00dfe");
    if (!name || !text) GTEST_SKIP() << "the ANSI code page has no umlauts";
    const std::string key = std::string(kSettingsKey) + "\\AnsiTest";
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &h, nullptr),
              ERROR_SUCCESS);
    const platform::OwnedKey k(h);
    ASSERT_EQ(RegSetValueExA(k.Get(), name->c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(text->c_str()),
                             static_cast<DWORD>(text->size() + 1)),
              ERROR_SUCCESS);

    auto store = platform::OpenUserStore();
    EXPECT_EQ(store->ValueNames(key), std::vector<std::string>{"Straße"});
    EXPECT_EQ(store->ReadValue(key, "Straße"), platform::StoreValue::String("Müller Straße"));
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
}

}  // namespace
