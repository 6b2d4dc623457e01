// Windows only: the reader on the platform's own version functions, and the
// portable reader checked against them on the program itself and on every
// PE file that comes with Wine.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>

#include "Version.h"
#include "VersionSource.h"

namespace {

namespace fs = std::filesystem;

TVersionInfo Read(std::unique_ptr<version::VersionSource> source, const std::string& file,
                  TLanguage language, TCharacterSet characterSet) {
    TVersionResource reader(std::move(source));
    reader.SetLanguage(language);
    reader.SetCharacterSet(characterSet);
    reader.SetFileName(file);
    return reader.VersionInfo();
}

TEST(VersionApi, TheProgramReadsItsOwnVersionThroughBothReaders) {
    for (const char* file : {STYLORIX_EXE, STYLORIX_OWN_RESOURCES}) {
        SCOPED_TRACE(file);
        TVersionInfo api =
            Read(version::MakePlatformVersionSource(), file, lnGerman, csMultilingual);
        TVersionInfo portable = Read(std::make_unique<version::PortableVersionSource>(), file,
                                     lnGerman, csMultilingual);
        EXPECT_EQ(api.Texts(), (std::array<std::string, 15>{"", "", "", "0.0.1.43", "", "", "", "",
                                                            "", "", "1.0.0.0", "", "32 bit Windows",
                                                            "Application", ""}));
        EXPECT_EQ(portable, api);
    }
}

// The block as the platform's wide functions give it.
struct ApiBlock {
    std::vector<char> bytes;

    explicit ApiBlock(const std::wstring& file) {
        DWORD handle = 0;
        DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
        if (size == 0) return;
        bytes.resize(size);
        if (!GetFileVersionInfoW(file.c_str(), handle, size, bytes.data())) bytes.clear();
    }
    std::optional<std::vector<std::uint8_t>> Query(const std::u16string& path, bool text) {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(bytes.data(), reinterpret_cast<const wchar_t*>(path.c_str()), &value,
                            &length) ||
            !value)
            return std::nullopt;
        auto* first = static_cast<const std::uint8_t*>(value);
        if (!text) return std::vector<std::uint8_t>(first, first + length);
        std::vector<std::uint8_t> chars;
        for (UINT i = 0; i < length && (first[2 * i] || first[2 * i + 1]); ++i)
            chars.insert(chars.end(), {first[2 * i], first[2 * i + 1]});
        return chars;
    }
};

std::optional<std::vector<std::uint8_t>> Bytes(const std::optional<std::u16string>& text) {
    if (!text) return std::nullopt;
    std::vector<std::uint8_t> b;
    for (char16_t c : *text) b.insert(b.end(), {std::uint8_t(c), std::uint8_t(c >> 8)});
    return b;
}

bool StartsWithMZ(const fs::path& file) {
    char head[2] = {};
    std::ifstream in(file, std::ios::binary);
    return in.read(head, 2) && head[0] == 'M' && head[1] == 'Z';
}

TEST(VersionApi, PortableReaderAgreesWithThePlatformOnEveryWineFile) {
    const std::pair<TLanguage, TCharacterSet> choices[] = {
        {lnUSEnglish, csUnicode}, {lnUSEnglish, csMultilingual}, {lnGerman, csMultilingual}};
    std::vector<std::unique_ptr<TVersionResource>> api, portable;
    for (const auto& [language, characterSet] : choices) {
        api.push_back(std::make_unique<TVersionResource>(version::MakePlatformVersionSource()));
        portable.push_back(
            std::make_unique<TVersionResource>(std::make_unique<version::PortableVersionSource>()));
        for (auto* r : {api.back().get(), portable.back().get()}) {
            r->SetLanguage(language);
            r->SetCharacterSet(characterSet);
        }
    }

    int peFiles = 0, withVersion = 0, entries = 0, filledTexts = 0;
    std::vector<std::string> disagreements;
    auto disagree = [&](const std::string& file, const std::string& what) {
        disagreements.push_back(file + ": " + what);
    };
    std::error_code ec;
    for (const char* root : {"C:\\windows", "C:\\Program Files"}) {
        for (fs::recursive_directory_iterator
                 it(root, fs::directory_options::skip_permission_denied, ec),
             end;
             it != end; it.increment(ec)) {
            if (ec) break;
            if (!it->is_regular_file(ec) || !StartsWithMZ(it->path())) continue;
            ++peFiles;
            const std::string file = it->path().string();

            ApiBlock block(it->path().wstring());
            auto own = version::PortableVersionSource::ReadFile(file);
            if (block.bytes.empty() != !own) {
                disagree(file, own ? "only the portable reader finds a block"
                                   : "only the platform finds a block");
                continue;
            }
            if (!own) continue;
            ++withVersion;

            if (block.Query(u"\\", false) != own->Value("\\")) disagree(file, "fixed part");
            if (block.Query(u"\\VarFileInfo\\Translation", false) !=
                own->Value("\\VarFileInfo\\Translation"))
                disagree(file, "translation");
            for (const auto& table : own->StringTables()) {
                for (const auto& entry : table.Entries) {
                    std::u16string path = u"\\StringFileInfo\\" + table.Key + u"\\" + entry.Key;
                    ++entries;
                    if (block.Query(path, true) != Bytes(own->Text(std::u16string_view(path))))
                        disagree(file, "entry " + version::Utf8(path));
                }
            }
            for (std::size_t i = 0; i < api.size(); ++i) {
                api[i]->SetFileName(file);
                portable[i]->SetFileName(file);
                const auto& a = api[i]->VersionInfo().Texts();
                const auto& p = portable[i]->VersionInfo().Texts();
                for (std::size_t t = 0; t < a.size(); ++t) {
                    if (a[t] != p[t])
                        disagree(file, "text " + std::to_string(t) + " of choice " +
                                           std::to_string(i) + ": '" + a[t] + "' / '" + p[t] + "'");
                    filledTexts += !a[t].empty();
                }
            }
        }
    }
    std::cout << "cross-check: " << peFiles << " PE files, " << withVersion
              << " with a version block, " << entries << " string entries, " << filledTexts
              << " non-empty reader texts over " << std::size(choices)
              << " language/character-set choices, " << disagreements.size() << " disagreements\n";
    for (std::size_t i = 0; i < disagreements.size() && i < 30; ++i)
        std::cout << "  " << disagreements[i] << "\n";
    EXPECT_TRUE(disagreements.empty());
    EXPECT_GT(withVersion, 100);
}

}  // namespace
