// The portable reader: locating the version resource in PE files and
// querying version blocks, on well-formed and corrupt input.

#include <gtest/gtest.h>

#include <fstream>

#include "PeLocator.h"
#include "Version.h"
#include "VersionFixtures.h"
#include "VersionSource.h"

namespace {

using namespace fixtures;
using version::LocateVersionResource;
using version::SpanSource;
using version::VersionBlock;

Bytes SampleBlock() {
    return Block(Fixed(0x10002, 0x30004),
                 {Table(u"040904B0", {Text(u"CompanyName", u"Acme"),
                                      Text(u"ProductVersion", u"9.8"), Text(u"Comments", u"")})});
}

Bytes SamplePe(bool pe32Plus = true) {
    return PeFile({pe32Plus, 1, {{0x0409, SampleBlock()}}});
}

TEST(PeLocator, FindsTheBlockInPe32AndPe32PlusFiles) {
    for (bool plus : {false, true}) {
        SCOPED_TRACE(plus ? "PE32+" : "PE32");
        Bytes file = SamplePe(plus);
        auto where = LocateVersionResource(SpanSource(file));
        ASSERT_TRUE(where);
        Bytes expected = SampleBlock();
        ASSERT_EQ(where->Size, expected.size());
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), file.begin() + where->Offset));
    }
}

TEST(PeLocator, PrefersNeutralThenUSEnglishThenTheFirstLanguage) {
    struct Case {
        std::vector<std::uint16_t> languages;
        std::uint16_t chosen;
    } cases[] = {
        {{0x0407}, 0x0407},
        {{0x0407, 0x0409}, 0x0409},
        {{0x0407, 0x0409, 0x0000}, 0x0000},
        {{0x040C, 0x0407}, 0x040C},
    };
    for (const Case& c : cases) {
        PeOptions o;
        for (auto lang : c.languages) o.Languages.push_back({lang, SampleBlock()});
        Bytes file = PeFile(o);
        auto where = LocateVersionResource(SpanSource(file));
        ASSERT_TRUE(where);
        EXPECT_EQ(where->Language, c.chosen);
    }
}

TEST(PeLocator, EveryTruncatedFileIsRejectedWithoutReadingPastItsEnd) {
    Bytes file = SamplePe();
    auto full = LocateVersionResource(SpanSource(file));
    ASSERT_TRUE(full);
    for (std::size_t n = 0; n < file.size(); ++n) {
        Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
        auto where = LocateVersionResource(SpanSource(cut));
        EXPECT_EQ(where.has_value(), n >= full->Offset + full->Size) << "length " << n;
    }
}

TEST(PeLocator, CorruptHeadersAndDirectoriesAreRejected) {
    struct Case {
        const char* what;
        std::size_t at;
        std::uint32_t value;
        int width;
    } cases[] = {
        {"no MZ", 0, 'X', 1},
        {"PE header past the end", kPeLfanew, 0xFFFFFFF0u, 4},
        {"no PE signature", 0x40, 'N', 1},
        {"unknown optional header", kPeOptional, 0x107, 2},
        {"no resource directory slot", kPeOptional + 108, 2, 4},
        {"resource directory outside every section", kPeOptional + 128, 0x9000, 4},
        {"too many sections", kPeCoff + 2, 0xFFFF, 2},
        {"section table past the end", kPeCoff + 16, 0xF000, 2},
        {"type directory with a huge count", kPeResourceStart + 12, 0xFFFF, 2},
        {"version type is a leaf", kPeResourceStart + 20, 24, 4},
        {"name directory past the section", kPeResourceStart + 20, 0x80007000u, 4},
        {"no name 1", kPeResourceStart + 24 + 16, 2, 4},
        {"language entry points to a directory", kPeResourceStart + 48 + 20, 0x80000000u, 4},
        {"data outside every section", kPeResourceStart + 72, 0x00F00000, 4},
        {"data longer than the section", kPeResourceStart + 76, 0x10000, 4},
        {"empty data", kPeResourceStart + 76, 0, 4},
    };
    for (const Case& c : cases) {
        Bytes file = SamplePe();
        if (c.width == 1) file[c.at] = static_cast<std::uint8_t>(c.value);
        if (c.width == 2) Put16(file, c.at, c.value);
        if (c.width == 4) Put32(file, c.at, c.value);
        EXPECT_FALSE(LocateVersionResource(SpanSource(file))) << c.what;
    }
}

TEST(VersionBlock, PathsFollowThePlatformQueryRules) {
    VersionBlock block(SampleBlock());
    struct Case {
        const char* path;
        const char16_t* text;  // nullptr: not found
    } cases[] = {
        {"\\StringFileInfo\\040904B0\\CompanyName", u"Acme"},
        {"\\stringfileinfo\\040904b0\\COMPANYNAME", u"Acme"},
        {"\\\\StringFileInfo\\\\040904B0\\ProductVersion\\", u"9.8"},
        {"StringFileInfo\\040904B0\\Comments", u""},
        {"\\StringFileInfo\\040904B0\\Company", nullptr},
        {"\\StringFileInfo\\040904B0\\CompanyNameX", nullptr},
        {"\\StringFileInfo\\040704E4\\CompanyName", nullptr},
        {"\\VarFileInfo\\Translation\\x", nullptr},
    };
    for (const Case& c : cases) {
        auto text = block.Text(std::string_view(c.path));
        if (c.text) {
            ASSERT_TRUE(text) << c.path;
            EXPECT_EQ(*text, c.text) << c.path;
        } else {
            EXPECT_FALSE(text) << c.path;
        }
    }
    auto translation = block.Value("\\VarFileInfo\\Translation");
    ASSERT_TRUE(translation);
    EXPECT_EQ(*translation, (Bytes{0x09, 0x04, 0xB0, 0x04}));
    auto fixed = block.Fixed();
    ASSERT_TRUE(fixed);
    EXPECT_EQ(fixed->FileVersionMS, 0x10002u);
    EXPECT_EQ(fixed->FileVersionLS, 0x30004u);
}

TEST(VersionBlock, TextsEndAtTheirZeroTheirLengthOrTheirNode) {
    auto entry = [](std::uint16_t type, std::uint16_t valueLength, std::u16string value) {
        Node n = Text(u"Key", value);
        n.Type = type;
        n.ValueLength = valueLength;
        n.Value.resize(n.Value.size() - 2);  // no terminating zero unless the value has one
        return n;
    };
    struct Case {
        const char* what;
        Node node;
        std::u16string text;
    } cases[] = {
        {"zero inside the value", entry(1, 6, std::u16string(u"ab\0cd", 5)), u"ab"},
        {"length shorter than the text", entry(1, 2, u"abcd"), u"ab"},
        {"length zero", entry(1, 0, u"abcd"), u""},
        {"binary node: length in bytes", entry(0, 4, u"abcd"), u"ab"},
        {"length past the node", entry(1, 400, u"abcd"), u"abcd"},
    };
    for (const Case& c : cases) {
        Bytes bytes = Block(Fixed(1, 2), {Table(u"040904B0", {c.node})});
        auto text = VersionBlock(bytes).Text("\\StringFileInfo\\040904B0\\Key");
        ASSERT_TRUE(text) << c.what;
        EXPECT_EQ(*text, c.text) << c.what;
    }
}

TEST(VersionBlock, CorruptLengthsNeverLeadOutsideTheBlock) {
    Bytes good = SampleBlock();
    // Every truncation, and every length field forced to extreme values.
    for (std::size_t n = 0; n <= good.size(); ++n) {
        VersionBlock block(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)));
        bool complete = n == good.size();
        EXPECT_EQ(block.Fixed().has_value(), n >= 40 + version::kFixedFileInfoSize) << n;
        auto text = block.Text("\\StringFileInfo\\040904B0\\CompanyName");
        // Complete: the whole text; cut short: none, or a beginning of it.
        if (complete) {
            EXPECT_EQ(text, u"Acme") << n;
        } else if (text) {
            EXPECT_EQ(*text, std::u16string(u"Acme").substr(0, text->size())) << n;
        }
        (void)block.StringTables();
    }
    for (std::size_t at = 0; at + 1 < good.size(); at += 2) {
        for (std::uint32_t v : {0u, 1u, 5u, 0xFFFFu}) {
            Bytes bad = good;
            Put16(bad, at, v);
            VersionBlock block(bad);
            (void)block.Fixed();
            (void)block.Text("\\StringFileInfo\\040904B0\\Comments");
            (void)block.Value("\\VarFileInfo\\Translation");
            for (const auto& table : block.StringTables()) EXPECT_LE(table.Entries.size(), 3u);
        }
    }
}

TEST(VersionBlock, ListsEveryStringTableWithItsEntries) {
    Bytes bytes = Block(Fixed(1, 2), {Table(u"040904B0", {Text(u"A", u"1"), Text(u"B", u"2")}),
                                      Table(u"040704E4", {Text(u"C", u"3")})});
    auto tables = VersionBlock(bytes).StringTables();
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_EQ(tables[0].Key, u"040904B0");
    ASSERT_EQ(tables[0].Entries.size(), 2u);
    EXPECT_EQ(tables[0].Entries[1].Key, u"B");
    EXPECT_EQ(tables[0].Entries[1].Value, u"2");
    EXPECT_EQ(tables[1].Key, u"040704E4");
    ASSERT_EQ(tables[1].Entries.size(), 1u);
    EXPECT_EQ(tables[1].Entries[0].Value, u"3");
}

TEST(VersionBlock, Utf8KeepsEveryCharacterAndReplacesLoneSurrogates) {
    EXPECT_EQ(version::Utf8(u"K\u00f6ln \u00a9 \u20ac"), "K\xc3\xb6ln \xc2\xa9 \xe2\x82\xac");
    EXPECT_EQ(version::Utf8(u"\U0001F600"), "\xf0\x9f\x98\x80");
    EXPECT_EQ(version::Utf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xef\xbf\xbdx");
}

// A resource-only file built from the program's own resource script (empty
// when the build has no resource compiler).
#ifndef STYLORIX_OWN_RESOURCES
#define STYLORIX_OWN_RESOURCES ""
#endif

TEST(PortableReader, ReadsTheProgramsOwnResources) {
    if (std::string(STYLORIX_OWN_RESOURCES).empty()) GTEST_SKIP() << "no resource compiler";
    auto block = version::PortableVersionSource::ReadFile(STYLORIX_OWN_RESOURCES);
    ASSERT_TRUE(block);
    auto tables = block->StringTables();
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0].Key, u"040704E4");
    EXPECT_EQ(tables[0].Entries.size(), 10u);
    EXPECT_EQ(block->Value("\\VarFileInfo\\Translation"), (Bytes{0x07, 0x04, 0xE4, 0x04}));

    TVersionResource reader(std::make_unique<version::PortableVersionSource>());
    reader.SetLanguage(lnGerman);
    reader.SetFileName(STYLORIX_OWN_RESOURCES);
    const TVersionInfo& v = reader.VersionInfo();
    EXPECT_EQ(v.FileVersion(), "0.0.1.43");
    EXPECT_EQ(v.ProductVersion(), "1.0.0.0");
    EXPECT_EQ(v.FileOS(), "32 bit Windows");
    EXPECT_EQ(v.FileType(), "Application");
    EXPECT_EQ(v.FileSubType(), "");
    for (const std::string& text :
         {v.Comment(), v.CompanyName(), v.FileDescription(), v.InternalName(), v.LegalCopyright(),
          v.LegalTradeMarks(), v.OriginalFileName(), v.PrivateBuild(), v.ProductName(),
          v.SpecialBuild()})
        EXPECT_EQ(text, "");
}

}  // namespace
