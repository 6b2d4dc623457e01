// Windows only: the reader on the platform's own version functions, and the
// portable reader checked against them on the program itself and on every
// PE file that comes with Wine.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>

#include "Utf.h"
#include "Version.h"
#include "VersionFixtures.h"
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

TEST(VersionApi, FileNamesWithUmlautsReachTheFile) {
    const fs::path copy =
        fs::path(testing::TempDir()) / platform::Utf8Path("Pr\u00fcfung \u00df.dll");
    fs::copy_file(STYLORIX_OWN_RESOURCES, copy, fs::copy_options::overwrite_existing);
    const std::string name = platform::PathUtf8(copy);
    EXPECT_EQ(
        Read(version::MakePlatformVersionSource(), name, lnGerman, csMultilingual).FileVersion(),
        "0.0.1.43");
    EXPECT_EQ(
        Read(std::make_unique<version::PortableVersionSource>(), name, lnGerman, csMultilingual)
            .FileVersion(),
        "0.0.1.43");
    fs::remove(copy);
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

std::optional<std::vector<std::uint8_t>> AsBytes(const std::optional<std::u16string>& text) {
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

// Compares what both readers make of one file; returns false when neither
// finds a version block.
class CrossCheck {
  public:
    CrossCheck() {
        for (const auto& [language, characterSet] : kChoices) {
            api_.push_back(
                std::make_unique<TVersionResource>(version::MakePlatformVersionSource()));
            portable_.push_back(std::make_unique<TVersionResource>(
                std::make_unique<version::PortableVersionSource>()));
            for (auto* r : {api_.back().get(), portable_.back().get()}) {
                r->SetLanguage(language);
                r->SetCharacterSet(characterSet);
            }
        }
    }

    static constexpr std::pair<TLanguage, TCharacterSet> kChoices[] = {
        {lnUSEnglish, csUnicode}, {lnUSEnglish, csMultilingual}, {lnGerman, csMultilingual}};

    int entries = 0, filledTexts = 0;
    std::vector<std::string> disagreements;

    bool Check(const fs::path& path) {
        const std::string file = path.string();
        auto disagree = [&](const std::string& what) {
            disagreements.push_back(file + ": " + what);
        };
        ApiBlock block(path.wstring());
        auto own = version::PortableVersionSource::ReadFile(file);
        if (block.bytes.empty() != !own) {
            disagree(own ? "only the portable reader finds a block"
                         : "only the platform finds a block");
            return true;
        }
        if (!own) return false;

        if (block.Query(u"\\", false) != own->Value("\\")) disagree("fixed part");
        if (block.Query(u"\\VarFileInfo\\Translation", false) !=
            own->Value("\\VarFileInfo\\Translation"))
            disagree("translation");
        for (const auto& table : own->StringTables()) {
            for (const auto& entry : table.Entries) {
                std::u16string path = u"\\StringFileInfo\\" + table.Key + u"\\" + entry.Key;
                ++entries;
                if (block.Query(path, true) != AsBytes(own->Text(std::u16string_view(path))))
                    disagree("entry " + version::Utf8(path));
            }
        }
        for (std::size_t i = 0; i < api_.size(); ++i) {
            api_[i]->SetFileName(file);
            portable_[i]->SetFileName(file);
            const auto& a = api_[i]->VersionInfo().Texts();
            const auto& p = portable_[i]->VersionInfo().Texts();
            for (std::size_t t = 0; t < a.size(); ++t) {
                if (a[t] != p[t])
                    disagree("text " + std::to_string(t) + " of choice " + std::to_string(i) +
                             ": '" + a[t] + "' / '" + p[t] + "'");
                filledTexts += !a[t].empty();
            }
        }
        return true;
    }

    void Print() const {
        for (std::size_t i = 0; i < disagreements.size() && i < 30; ++i)
            std::cout << "  " << disagreements[i] << "\n";
    }

  private:
    std::vector<std::unique_ptr<TVersionResource>> api_, portable_;
};

TEST(VersionApi, PortableReaderAgreesWithThePlatformOnEveryWineFile) {
    CrossCheck check;
    int peFiles = 0, withVersion = 0;
    std::error_code ec;
    for (const char* root : {"C:\\windows", "C:\\Program Files"}) {
        for (fs::recursive_directory_iterator
                 it(root, fs::directory_options::skip_permission_denied, ec),
             end;
             it != end; it.increment(ec)) {
            if (ec) break;
            if (!it->is_regular_file(ec) || !StartsWithMZ(it->path())) continue;
            ++peFiles;
            withVersion += check.Check(it->path());
        }
    }
    std::cout << "cross-check: " << peFiles << " PE files, " << withVersion
              << " with a version block, " << check.entries << " string entries, "
              << check.filledTexts << " non-empty reader texts over "
              << std::size(CrossCheck::kChoices) << " language/character-set choices, "
              << check.disagreements.size() << " disagreements\n";
    check.Print();
    EXPECT_TRUE(check.disagreements.empty());
    EXPECT_GT(withVersion, 100);
}

TEST(VersionApi, PortableReaderAgreesWithThePlatformOnCraftedFiles) {
    using namespace fixtures;
    auto entry = [](std::u16string key, std::uint16_t valueLength, std::u16string value) {
        Node n = Text(std::move(key), value);
        n.ValueLength = valueLength;
        return n;
    };
    Bytes odd = Block(Fixed(0x10002, 0x30004, 0x40004, 3, 11),
                      {Table(u"040904e4", {entry(u"Comments", 0, u"not counted"),
                                           entry(u"companyname", 6, std::u16string(u"ab\0cd", 5)),
                                           entry(u"FileDescription", 3, u"abcdef"),
                                           Text(u"ProductVersion", u"")}),
                       Table(u"040704E4", {Text(u"LEGALTRADEMARKS", u"tm")})});
    Bytes plain = Block(Fixed(0, 0x1002B), {Table(u"040904B0", {Text(u"CompanyName", u"QM")})});
    const std::pair<const char*, PeOptions> files[] = {
        {"odd entries", {true, 1, {{0x0409, odd}}}},
        {"PE32", {false, 1, {{0x0409, odd}}}},
        {"Czech and US English", {true, 1, {{0x0405, plain}, {0x0409, odd}}}},
        {"neutral and US English", {true, 1, {{0x0000, plain}, {0x0409, odd}}}},
        {"Czech and Hungarian", {true, 1, {{0x0405, odd}, {0x040E, plain}}}},
        {"name 2", {true, 2, {{0x0409, odd}}}},
    };
    // Languages of several entries are ones the test machine's locale is not,
    // so the platform falls back the same way the portable reader does.
    CrossCheck check;
    for (const auto& [what, options] : files) {
        fs::path path = fs::path(testing::TempDir()) / (std::string("crafted ") + what + ".dll");
        Bytes pe = PeFile(options);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(pe.data()),
                   static_cast<std::streamsize>(pe.size()));
        EXPECT_EQ(check.Check(path), options.ResourceName == 1) << what;
        fs::remove(path);
    }
    check.Print();
    EXPECT_TRUE(check.disagreements.empty());
}

}  // namespace
