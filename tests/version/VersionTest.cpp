// TVersionResource: the texts it makes of a version block, the string table
// it chooses, and when it reloads and reports a change.

#include "Version.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "Program.h"
#include "VersionFixtures.h"

namespace {

using namespace fixtures;

// Blocks by file name; queries answered by the portable reader.
class MemoryBlocks : public version::BlockVersionSource {
  public:
    std::map<std::string, Bytes> Files;

  protected:
    std::optional<version::VersionBlock> Fetch(const std::string& name) override {
        auto it = Files.find(name);
        if (it == Files.end()) return std::nullopt;
        return version::VersionBlock(it->second);
    }
};

// A fixed part as given, no string entries, and every query recorded.
class RecordingSource : public version::VersionSource {
  public:
    version::FixedFileInfo FixedInfo;
    mutable std::vector<std::string> Queries;

    bool Load(const std::string& name) override { return !name.empty(); }
    bool QueryFixed(version::FixedFileInfo& info) const override {
        info = FixedInfo;
        return true;
    }
    bool QueryText(const std::string& subBlock, std::string&) const override {
        Queries.push_back(subBlock);
        return false;
    }
};

struct Reader {
    MemoryBlocks* blocks;
    std::unique_ptr<TVersionResource> resource;
};

Reader WithBlocks(std::map<std::string, Bytes> files) {
    auto source = std::make_unique<MemoryBlocks>();
    source->Files = std::move(files);
    MemoryBlocks* raw = source.get();
    return {raw, std::make_unique<TVersionResource>(std::move(source))};
}

TVersionInfo ReadFixed(const version::FixedFileInfo& fixed) {
    auto source = std::make_unique<RecordingSource>();
    source->FixedInfo = fixed;
    TVersionResource reader(std::move(source));
    reader.SetFileName("x.exe");
    return reader.VersionInfo();
}

TEST(TVersionResource, FixedVersionsAreFourDecimalWordsFromTheHighWordDown) {
    struct Case {
        std::uint32_t ms, ls;
        const char* text;
    } cases[] = {
        {0x10002, 0x30004, "1.2.3.4"},
        {0, 0x1002B, "0.0.1.43"},
        {0xFFFFFFFF, 0x8000FFFF, "65535.65535.32768.65535"},
    };
    for (const Case& c : cases) {
        version::FixedFileInfo f = Fixed(c.ms, c.ls);
        f.ProductVersionMS = 0x50006;
        f.ProductVersionLS = 0x70008;
        TVersionInfo v = ReadFixed(f);
        EXPECT_EQ(v.FileVersion(), c.text);
        EXPECT_EQ(v.ProductVersion(), "5.6.7.8");
        std::swap(f.FileVersionMS, f.ProductVersionMS);
        std::swap(f.FileVersionLS, f.ProductVersionLS);
        v = ReadFixed(f);
        EXPECT_EQ(v.FileVersion(), "5.6.7.8");
        EXPECT_EQ(v.ProductVersion(), c.text);
    }
}

TEST(TVersionResource, OperatingSystemTexts) {
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0x1, "Windows 3.0 or later"},
        {0x2, "16 bit OS/2 Presentation Manager"},
        {0x3, "32 bit OS/2 Presentation Manager"},
        {0x4, "32 bit Windows"},
        {0x10000, "MS-Dos"},
        {0x10001, "Windows 3.0 or later with MS-Dos"},
        {0x10004, "32 bit Windows with MS-Dos"},
        {0x20000, "16 bit OS/2"},
        {0x20002, "16 bit OS/2 with Presentation Manager"},
        {0x30000, "32 bit OS/2"},
        {0x30003, "32 bit OS/2 with Presentation Manager"},
        {0x40000, "Windows NT"},
        {0x40004, "Windows NT with 32 bit Windows"},
        {0x0, "Unknown"},
        {0x5, "Unknown"},
        {0x40001, "Unknown"},
    };
    for (const auto& [os, text] : cases) EXPECT_EQ(ReadFixed(Fixed(0, 0, os)).FileOS(), text) << os;
}

TEST(TVersionResource, FileTypeAndSubTypeTexts) {
    struct Case {
        std::uint32_t type, subtype;
        const char* typeText;
        const char* subText;
    } cases[] = {
        {1, 0, "Application", ""},
        {1, 5, "Application", ""},
        {2, 3, "Dynamic-Link Library", ""},
        {3, 1, "Device Driver", "Printer"},
        {3, 2, "Device Driver", "Keyboard"},
        {3, 3, "Device Driver", "Language"},
        {3, 4, "Device Driver", "Display"},
        {3, 5, "Device Driver", "Mouse"},
        {3, 6, "Device Driver", "Network"},
        {3, 7, "Device Driver", "System"},
        {3, 8, "Device Driver", "Installable"},
        {3, 9, "Device Driver", "Sound"},
        {3, 10, "Device Driver", "Communications"},
        {3, 11, "Device Driver", "Unknown"},
        {3, 0, "Device Driver", "Unknown"},
        {4, 1, "Font", "Raster"},
        {4, 2, "Font", "Vector"},
        {4, 3, "Font", "TrueType"},
        {4, 4, "Font", "Unknown"},
        {5, 1, "Virtual Device Driver", ""},
        {7, 1, "Static-Link Library", ""},
        {0, 1, "Unknown", ""},
        {6, 1, "Unknown", ""},
        {8, 1, "Unknown", ""},
    };
    for (const Case& c : cases) {
        TVersionInfo v = ReadFixed(Fixed(0, 0, 4, c.type, c.subtype));
        EXPECT_EQ(v.FileType(), c.typeText) << c.type << "/" << c.subtype;
        EXPECT_EQ(v.FileSubType(), c.subText) << c.type << "/" << c.subtype;
    }
}

TEST(TVersionResource, QueriesTheChosenTableForElevenKeysInOrder) {
    const std::uint16_t languageIds[kLanguageCount] = {
        0x0401, 0x0402, 0x0403, 0x0404, 0x0405, 0x0406, 0x0407, 0x0408, 0x0409,
        0x040A, 0x040B, 0x040C, 0x040D, 0x040E, 0x040F, 0x0410, 0x0411, 0x0412,
        0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B,
        0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0804, 0x0807, 0x0809,
        0x080A, 0x080C, 0x0810, 0x0813, 0x0814, 0x0816, 0x081A, 0x0C0C, 0x100C,
    };
    const std::uint16_t codePages[kCharacterSetCount] = {0,    932,  949,  950,  1200, 1250,
                                                         1251, 1252, 1253, 1254, 1255, 1256};
    auto source = std::make_unique<RecordingSource>();
    RecordingSource* rec = source.get();
    TVersionResource reader(std::move(source));
    reader.SetFileName("x.exe");
    auto expectTable = [&](std::uint16_t language, std::uint16_t codePage) {
        char table[64];
        std::snprintf(table, sizeof table, "\\StringFileInfo\\%04X%04X\\", language, codePage);
        ASSERT_FALSE(rec->Queries.empty());
        EXPECT_EQ(rec->Queries.front(), std::string(table) + "Comments");
    };
    for (int l = 0; l < kLanguageCount; ++l) {
        rec->Queries.clear();
        reader.SetLanguage(static_cast<TLanguage>(l));
        expectTable(languageIds[l], 1252);
    }
    for (int c = 0; c < kCharacterSetCount; ++c) {
        rec->Queries.clear();
        reader.SetCharacterSet(static_cast<TCharacterSet>(c));
        expectTable(0x100C, codePages[c]);
    }
    reader.SetLanguage(lnGerman);
    rec->Queries.clear();
    reader.SetCharacterSet(csMultilingual);
    const std::string t = "\\StringFileInfo\\040704E4\\";
    EXPECT_EQ(rec->Queries, (std::vector<std::string>{
                                t + "Comments", t + "CompanyName", t + "FileDescription",
                                t + "InternalName", t + "LegalCopyright", t + "LegalTradeMarks",
                                t + "OriginalFileName", t + "PrivateBuild", t + "ProductName",
                                t + "ProductVersion", t + "SpecialBuild"}));
}

Bytes ThreeTables() {
    auto table = [](std::u16string key, std::u16string who) {
        return Table(key, {Text(u"CompanyName", who), Text(u"ProductVersion", who + u" 2.0")});
    };
    return Block(Fixed(0, 0x1002B), {table(u"040904E4", u"us-1252"), table(u"04090000", u"us-0"),
                                     table(u"040704E4", u"de-1252")});
}

TEST(TVersionResource, ReadsOnlyTheTableOfItsLanguageAndCharacterSet) {
    auto r = WithBlocks({{"a.exe", ThreeTables()}});
    TVersionResource& reader = *r.resource;
    reader.SetFileName("a.exe");
    EXPECT_EQ(reader.VersionInfo().CompanyName(), "us-1252");  // the defaults: 040904E4
    reader.SetCharacterSet(csASCII);
    EXPECT_EQ(reader.VersionInfo().CompanyName(), "us-0");
    EXPECT_EQ(reader.VersionInfo().ProductVersion(), "us-0 2.0");
    reader.SetLanguage(lnGerman);
    EXPECT_EQ(reader.VersionInfo().CompanyName(), "");  // no 04070000, no fallback
    reader.SetCharacterSet(csMultilingual);
    EXPECT_EQ(reader.VersionInfo().CompanyName(), "de-1252");
}

TEST(TVersionResource, WithoutItsTableTheNumericTextsStayAndTheRestIsEmpty) {
    Bytes only = Block(
        Fixed(0x10002, 0x30004),
        {Table(u"040904B0", {Text(u"CompanyName", u"Acme"), Text(u"ProductVersion", u"5.0")})},
        0x0409, 1200);
    auto r = WithBlocks({{"b.exe", only}});
    r.resource->SetLanguage(lnGerman);
    r.resource->SetFileName("b.exe");
    TVersionInfo expected;
    expected.SetFileVersion("1.2.3.4");
    expected.SetProductVersion("1.2.3.4");
    expected.SetFileOS("32 bit Windows");
    expected.SetFileType("Application");
    EXPECT_EQ(r.resource->VersionInfo(), expected);
}

TEST(TVersionResource, TableEntriesFillTheirTextsButNeverTheFileVersion) {
    Bytes block =
        Block(Fixed(0, 0x1002B), {Table(u"040704E4", {
                                                         Text(u"Comments", u"c"),
                                                         Text(u"CompanyName", u"QM"),
                                                         Text(u"FileDescription", u"fd"),
                                                         Text(u"FileVersion", u"9.9.9.9"),
                                                         Text(u"InternalName", u"in"),
                                                         Text(u"LegalCopyright", u"lc"),
                                                         Text(u"LegalTrademarks", u"lt"),
                                                         Text(u"OriginalFilename", u"of"),
                                                         Text(u"PrivateBuild", u"pb"),
                                                         Text(u"ProductName", u"pn"),
                                                         Text(u"ProductVersion", u"1.0.0.0"),
                                                         Text(u"SpecialBuild", u"sb"),
                                                     })});
    auto r = WithBlocks({{"c.exe", block}});
    r.resource->SetLanguage(lnGerman);
    r.resource->SetFileName("c.exe");
    const TVersionInfo& v = r.resource->VersionInfo();
    EXPECT_EQ(v.Texts(), (std::array<std::string, 15>{"c", "QM", "fd", "0.0.1.43", "in", "lc", "lt",
                                                      "of", "pb", "pn", "1.0.0.0", "sb",
                                                      "32 bit Windows", "Application", ""}));
}

TEST(TVersionResource, EveryPropertyWriteReloadsThenReportsOnce) {
    Bytes de = Block(Fixed(0, 1), {Table(u"040704E4", {Text(u"CompanyName", u"de")})});
    Bytes de0 = Block(Fixed(0, 2), {Table(u"04070000", {Text(u"CompanyName", u"de0")})});
    auto r = WithBlocks({{"d.exe", de}, {"e.exe", de0}});
    TVersionResource& reader = *r.resource;
    reader.SetFileName("d.exe");
    std::vector<std::string> seen;
    reader.OnChange = [&](TVersionResource& sender) {
        EXPECT_EQ(&sender, &reader);
        seen.push_back(sender.VersionInfo().CompanyName() + "/" +
                       sender.VersionInfo().FileVersion());
    };
    reader.SetLanguage(lnGerman);
    EXPECT_EQ(seen, (std::vector<std::string>{"de/0.0.0.1"}));
    reader.SetFileName("e.exe");
    reader.SetCharacterSet(csASCII);
    reader.SetCharacterSet(csASCII);  // the same value still reloads and reports
    EXPECT_EQ(seen,
              (std::vector<std::string>{"de/0.0.0.1", "/0.0.0.2", "de0/0.0.0.2", "de0/0.0.0.2"}));
}

TEST(TVersionResource, FilesWithoutAReadableBlockLeaveEveryTextEmpty) {
    Bytes noFixed = Block(Fixed(0, 1), {Table(u"040904E4", {Text(u"CompanyName", u"x")})});
    Put16(noFixed, 2, 40);  // the root's value is shorter than the fixed part
    std::string notPe = testing::TempDir() + "version_not_pe.txt";
    std::FILE* f = std::fopen(notPe.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fputs("MZ but nothing else", f);
    std::fclose(f);
    Bytes good = ThreeTables();

    auto r = WithBlocks({{"good.exe", good}, {"nofixed.exe", noFixed}});
    auto real =
        std::make_unique<TVersionResource>(std::make_unique<version::PortableVersionSource>());
    for (const char* name : {"", "missing.exe", "nofixed.exe"}) {
        r.resource->SetFileName("good.exe");
        ASSERT_NE(r.resource->VersionInfo(), TVersionInfo());
        r.resource->SetFileName(name);
        EXPECT_EQ(r.resource->VersionInfo(), TVersionInfo()) << name;
    }
    for (const std::string& name :
         {std::string(), testing::TempDir() + "no such file.exe", notPe, testing::TempDir()}) {
        real->SetFileName(name);
        EXPECT_EQ(real->VersionInfo(), TVersionInfo()) << name;
    }
    std::remove(notPe.c_str());
}

TEST(TVersionResource, StartsOnTheProgramsOwnFileAndStoresOnlyAnotherName) {
    TVersionResource reader;
    EXPECT_EQ(reader.FileName(), platform::ProgramPath(nullptr));
    EXPECT_EQ(reader.Language(), lnUSEnglish);
    EXPECT_EQ(reader.CharacterSet(), csMultilingual);
    EXPECT_FALSE(reader.FileNameStored());
    reader.SetFileName("other.exe");
    EXPECT_TRUE(reader.FileNameStored());
    reader.SetFileName(platform::ProgramPath(nullptr));
    EXPECT_FALSE(reader.FileNameStored());
}

}  // namespace
