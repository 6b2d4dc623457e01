#include "Utf.h"

#include <gtest/gtest.h>

namespace {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

const std::u16string kR(1, u'\uFFFD');

std::u16string Units(std::initializer_list<char16_t> units) {
    return std::u16string(units);
}

TEST(Utf, Utf8ToUtf16) {
    struct Case {
        const char* what;
        std::string utf8;
        std::u16string utf16;
    };
    const Case cases[] = {
        {"empty", "", u""},
        {"ASCII with a zero", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        {"umlauts", "Ungültiger Datentyp für 'Größe'", u"Ungültiger Datentyp für 'Größe'"},
        {"three bytes", "\xe2\x82\xac", u"\u20ac"},
        {"four bytes become a pair", "\xf0\x9f\x98\x80", u"\U0001F600"},
        {"edges", "\x7f\xc2\x80\xdf\xbf\xe0\xa0\x80\xef\xbf\xbf\xf4\x8f\xbf\xbf",
         u"\u007f\u0080\u07ff\u0800\uffff\U0010FFFF"},
        {"stray continuation", "a\x80z", u"a" + kR + u"z"},
        {"two stray continuations", "\x80\xbf", kR + kR},
        {"truncated at the end", "ab\xe2\x82", u"ab" + kR},
        {"truncated before ASCII", "\xf0\x9f\x98z", kR + u"z"},
        {"truncated before a lead byte", "\xc3\xc3\xa4", kR + u"ä"},
        {"over-long slash", "\xc0\xaf", kR + kR},
        {"over-long three bytes", "\xe0\x80\xaf", kR + kR + kR},
        {"over-long four bytes", "\xf0\x80\x80\xaf", kR + kR + kR + kR},
        {"surrogate", "\xed\xa0\x80", kR + kR + kR},
        {"above U+10FFFF", "\xf4\x90\x80\x80", kR + kR + kR + kR},
        {"never a lead byte", "\xf5\xff", kR + kR},
        {"mixed", "M\xfcller \xc3\xa4\xe2\x82 \xf0\x9f\x98\x80",
         u"M" + kR + u"ller ä" + kR + u" \U0001F600"},
    };
    for (const Case& c : cases) EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.what;
}

TEST(Utf, Utf16ToUtf8) {
    struct Case {
        const char* what;
        std::u16string utf16;
        std::string utf8;
    };
    const Case cases[] = {
        {"empty", u"", ""},
        {"umlauts", u"Schlüssel ß", "Schlüssel ß"},
        {"pair", u"\U0001F600", "\xf0\x9f\x98\x80"},
        {"edges", u"\u007f\u0080\u07ff\u0800\uffff\U0010FFFF",
         "\x7f\xc2\x80\xdf\xbf\xe0\xa0\x80\xef\xbf\xbf\xf4\x8f\xbf\xbf"},
        {"lone high surrogate", Units({0xD800, u'x'}), "\xef\xbf\xbdx"},
        {"high surrogate at the end", Units({u'x', 0xDBFF}), "x\xef\xbf\xbd"},
        {"lone low surrogate", Units({0xDC00, u'x'}), "\xef\xbf\xbdx"},
        {"pair reversed", Units({0xDC00, 0xD800}), "\xef\xbf\xbd\xef\xbf\xbd"},
        {"high surrogate before a pair", Units({0xD800, 0xD83D, 0xDE00}),
         "\xef\xbf\xbd\xf0\x9f\x98\x80"},
    };
    for (const Case& c : cases) EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8) << c.what;
}

TEST(Utf, EveryScalarValueSurvivesTheRoundTrip) {
    std::string all;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        all +=
            Utf16ToUtf8(c < 0x10000 ? std::u16string(1, static_cast<char16_t>(c))
                                    : Units({static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)),
                                             static_cast<char16_t>(0xDC00 + (c & 0x3FF))}));
    }
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(all)), all);
}

}  // namespace

// The pen's code bytes as the Western Windows code page shows them.
TEST(Utf, AnsiToUtf8) {
    struct Case {
        std::string bytes;
        std::string utf8;
    };
    const Case cases[] = {
        {"4006381333931", "4006381333931"},
        {"\xE4\xF6\xFC\xDF", "äöüß"},
        {"\x80", "€"},
        {"\x9F", "Ÿ"},
        {"\x81", "\xC2\x81"},  // undefined in the page: its own value
        {std::string("a\0b", 3), std::string("a\0b", 3)},
        {"\xFF", "ÿ"},
    };
    for (const Case& c : cases) EXPECT_EQ(platform::AnsiToUtf8(c.bytes), c.utf8);
}
