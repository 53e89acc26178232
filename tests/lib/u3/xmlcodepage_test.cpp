#include "u3/XMLCodePage.h"

#include <gtest/gtest.h>

#include <string>

using u3::Unmappable;
using u3::XMLCodePage;

namespace {

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += digits[b >> 4];
        out += digits[b & 15];
        out += ' ';
    }
    return out;
}

} // namespace

// Both policies on the same inputs: they differ only where a valid character
// has no byte in the page.
TEST(XMLCodePage, UnmappableCharactersFollowThePolicyAndBrokenUtf8BecomesQuestionMarks)
{
    struct Case {
        const char* what;
        XMLCodePage page;
        std::string utf8;
        std::string asReference;
        std::string asQuestionMark;
        bool referenceReplaces; // a '?' under kCharacterReference stands for something
        bool questionMarkReplaces;
    };
    const Case cases[] = {
        {"ASCII", XMLCodePage::kCp1252, "plain <text>", "plain <text>", "plain <text>", false, false},
        {"NUL is the converter's to keep", XMLCodePage::kCp1252, std::string("a\0b", 3), std::string("a\0b", 3),
         std::string("a\0b", 3), false, false},
        {"Latin-1", XMLCodePage::kCp1252, "\xc3\xa9\xc2\xa0\xc3\xbf", "\xe9\xa0\xff", "\xe9\xa0\xff", false, false},
        // 0x80..0x9F: the characters 1252 puts there, the five bytes it leaves
        // undefined as their C1 controls, and a C1 control it has redefined.
        {"euro, quotes, dashes, trade mark, Y diaeresis", XMLCodePage::kCp1252,
         "\xe2\x82\xac\xe2\x80\x9a\xe2\x80\x9c\xe2\x80\x94\xe2\x84\xa2\xc5\xb8", "\x80\x82\x93\x97\x99\x9f",
         "\x80\x82\x93\x97\x99\x9f", false, false},
        {"undefined bytes", XMLCodePage::kCp1252, "\xc2\x81\xc2\x8d\xc2\x8f\xc2\x90\xc2\x9d", "\x81\x8d\x8f\x90\x9d",
         "\x81\x8d\x8f\x90\x9d", false, false},
        {"U+0080 and U+009F", XMLCodePage::kCp1252, "\xc2\x80\xc2\x9f", "&#128;&#159;", "??", false, true},
        {"snowman", XMLCodePage::kCp1252, "a\xe2\x98\x83" "b", "a&#9731;b", "a?b", false, true},
        {"outside the BMP", XMLCodePage::kCp1252, "\xf0\x9f\x98\x80!", "&#128512;!", "?!", false, true},
        {"KOI8-R Cyrillic", XMLCodePage::kKoi8r, "\xd0\x96", "\xf6", "\xf6", false, false},
        {"KOI8-R lacks e acute", XMLCodePage::kKoi8r, "\xd0\x96\xc3\xa9", "\xf6&#233;", "\xf6?", false, true},
        {"UTF-8 is left alone", XMLCodePage::kUtf8, "\xe2\x98\x83\xff", "\xe2\x98\x83\xff", "\xe2\x98\x83\xff", false,
         false},
        // Broken UTF-8: one '?' for each maximal part, under either policy.
        {"lone continuation byte", XMLCodePage::kCp1252, "a\x80z", "a?z", "a?z", true, true},
        {"bytes that never start a sequence", XMLCodePage::kCp1252, "\xff\xc0\xc1\xf5", "????", "????", true, true},
        {"sequence cut short by ASCII", XMLCodePage::kCp1252, "\xe2\x82x", "?x", "?x", true, true},
        {"sequence cut short by a new one", XMLCodePage::kCp1252, "\xe2\x82\xc3\xa9", "?\xe9", "?\xe9", true, true},
        {"sequence cut short by the end", XMLCodePage::kCp1252, "ok\xf0\x9f\x98", "ok?", "ok?", true, true},
        {"overlong slash", XMLCodePage::kCp1252, "\xc0\xaf", "??", "??", true, true},
        {"overlong NUL", XMLCodePage::kCp1252, "\xe0\x80\x80", "???", "???", true, true},
        {"overlong four-byte form", XMLCodePage::kCp1252, "\xf0\x8f\xbf\xbf", "????", "????", true, true},
        {"surrogate", XMLCodePage::kCp1252, "\xed\xa0\x80", "???", "???", true, true},
        {"past U+10FFFF", XMLCodePage::kCp1252, "\xf4\x90\x80\x80", "????", "????", true, true},
        {"largest code point", XMLCodePage::kCp1252, "\xf4\x8f\xbf\xbf", "&#1114111;", "?", false, true},
    };
    for (const auto& c : cases) {
        bool replaced = false;
        EXPECT_EQ(Hex(u3::Utf8ToCodePage(c.utf8, c.page, Unmappable::kCharacterReference, &replaced)),
                  Hex(c.asReference))
            << c.what;
        EXPECT_EQ(replaced, c.referenceReplaces) << c.what;
        EXPECT_EQ(u3::Utf8ToXMLCodePage(c.utf8, c.page), c.asReference) << c.what;

        replaced = false;
        EXPECT_EQ(Hex(u3::Utf8ToCodePage(c.utf8, c.page, Unmappable::kQuestionMark, &replaced)),
                  Hex(c.asQuestionMark))
            << c.what;
        EXPECT_EQ(replaced, c.questionMarkReplaces) << c.what;
    }
}

// Every byte of both pages comes back as itself, and a replacement reported
// once is not taken back by a later clean conversion.
TEST(XMLCodePage, EveryByteRoundTripsAndTheReplacedFlagOnlyEverRises)
{
    for (const XMLCodePage page : {XMLCodePage::kCp1252, XMLCodePage::kKoi8r}) {
        for (int b = 0; b < 256; ++b) {
            const std::string byte(1, static_cast<char>(b));
            bool replaced = false;
            EXPECT_EQ(u3::Utf8ToCodePage(u3::XMLCodePageToUtf8(byte, page), page, Unmappable::kQuestionMark, &replaced),
                      byte)
                << b;
            EXPECT_FALSE(replaced) << b;
        }
    }
    bool replaced = true;
    EXPECT_EQ(u3::Utf8ToCodePage("clean", XMLCodePage::kCp1252, Unmappable::kQuestionMark, &replaced), "clean");
    EXPECT_TRUE(replaced);
    EXPECT_EQ(u3::Utf8ToCodePage("\xe2\x98\x83", XMLCodePage::kCp1252, Unmappable::kQuestionMark), "?");
}
