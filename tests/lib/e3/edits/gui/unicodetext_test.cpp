#include "e3/edits/UnicodeEdit.h"
#include "e3/common/UnicodeText.h"
#include "e3/common/WideStringFiling.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Utf7Case {
    std::string text;
    std::string utf7;
};

TEST(Utf7, EncodesDirectCharactersAsThemselvesAndClosesRunsOnlyWhereNeeded)
{
    const std::vector<Utf7Case> cases = {
        {"A\u2262\u0391.", "A+ImIDkQ."},             // "." ends the run unmarked
        {"Hi Mom -\u263A-!", "Hi Mom -+Jjo--!"},     // "-" after a run needs a "-" of its own
        {"\u65E5\u672C\u8A9E", "+ZeVnLIqe"},         // a run at the end stays open
        {"1 + 1", "1 +- 1"},
        {"Gr\u00FC\u00DFe", "Gr+APwA3w-e"},          // a base64 letter after the run
        {"\u00E4 b", "+AOQ b"},
        {"\xF0\x9F\x98\x80", "+2D3eAA"},             // outside the BMP: a surrogate pair
        {"~\\x", "+AH4AXA-x"},                        // neither "~" nor "\" is direct
        {"a!\"#$%&*;<=>@[]^_`{|}", "a!\"#$%&*;<=>@[]^_`{|}"},
        {"line\r\n\ttab", "line\r\n\ttab"},
        {"", ""},
    };
    for (const Utf7Case& c : cases) {
        EXPECT_EQ(e3::EncodeUtf7(c.text), c.utf7) << c.text;
        EXPECT_EQ(e3::DecodeUtf7(c.utf7), c.text) << c.utf7;
    }
}

TEST(Utf7, ReadsRunsClosedOrNotAndRefusesWhatIsNotUtf7)
{
    EXPECT_EQ(e3::DecodeUtf7("+ZeVnLIqe-"), "\u65E5\u672C\u8A9E");
    EXPECT_EQ(e3::DecodeUtf7("+AOQ-+AOQ"), "\u00E4\u00E4");
    EXPECT_EQ(e3::DecodeUtf7("a~b"), "a~b");

    for (const std::string bad : {
             "+!",        // "+" opens nothing
             "end+",      // nor at the end
             "+A-",       // six bits: no character
             "+AOR",      // fill bits that are not zero
             "+2D0-",     // a high surrogate alone
             "+2D0-x",
             "+3gA",      // a low surrogate alone
             "caf\xC3\xA9", // 8-bit bytes have no place in UTF-7
         }) {
        try {
            e3::DecodeUtf7(bad);
            ADD_FAILURE() << "accepted " << bad;
        } catch (const e3::EUtf7Error& e) {
            EXPECT_STREQ(e.what(), "Invalid UTF7") << bad;
        }
    }
}

TEST(Utf7, InvalidUtf8IsWrittenAsReplacementCharacters)
{
    EXPECT_EQ(e3::DecodeUtf7(e3::EncodeUtf7("a\xC3(b")), "a\uFFFD(b");
    EXPECT_EQ(e3::DecodeUtf7(e3::EncodeUtf7("\xED\xA0\x80")), "\uFFFD\uFFFD\uFFFD");
}

struct CaptionCase {
    const char* what;
    std::string base64;
    std::string text;
};

TEST(UnicodeCaption, DecodesBase64OfUtf8AndEmptiesWhatIsNot)
{
    const std::vector<CaptionCase> cases = {
        {"Cyrillic", "0JbRg9GA0L3QsNC7", "\u0416\u0443\u0440\u043D\u0430\u043B"},
        {"byte-order mark skipped", "77u/0JbRg9GA0L3QsNC7", "\u0416\u0443\u0440\u043D\u0430\u043B"},
        {"outside the BMP", "YfCfmIBi", "a\xF0\x9F\x98\x80" "b"},
        {"empty", "", ""},
        {"not Base64", "0Jb!Rg9G", ""},
        {"uneven Base64", "0JbRg9G", ""},
        {"broken UTF-8", "wyg=", ""},
        {"encoded surrogate", "7aCA", ""},
        {"overlong slash", "wK8=", ""},
    };
    for (const CaptionCase& c : cases)
        EXPECT_EQ(e3::UnicodeCaptionToText(c.base64), c.text) << c.what;
    EXPECT_EQ(e3::TextToUnicodeCaption("\u0416\u0443\u0440\u043D\u0430\u043B"), "0JbRg9GA0L3QsNC7");
}

// ---------------------------------------------------------------------------

TEST(WideStringFiling, WritesUtf7OnlyForTextBeyondAscii)
{
    e3::Te3_UnicodeEdit edit(nullptr);
    const std::vector<std::string> names = edit.WideStringProperties();
    edit.SetText("plain ASCII");
    edit.SetHint("");
    edit.SetPasswordChar("\u25CF");
    std::vector<e3::FiledProperty> written = e3::WideStringPropertiesToWrite(edit, names);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].name, "PasswordChar_UTF7");
    EXPECT_EQ(written[0].value, "+Jc8");

    edit.SetText("M\u00FCller");
    edit.SetHint("Name");
    written = e3::WideStringPropertiesToWrite(edit, names);
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0].name, "Text_UTF7");
    EXPECT_EQ(written[0].value, "M+APw-ller");
    EXPECT_EQ(written[1].name, "PasswordChar_UTF7");

    // What the ancestor holds already is not written again.
    e3::Te3_UnicodeEdit ancestor(nullptr);
    ancestor.SetText("M\u00FCller");
    written = e3::WideStringPropertiesToWrite(edit, names, &ancestor);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].name, "PasswordChar_UTF7");
}

TEST(WideStringFiling, AppliesReadValuesOnlyWhileDesigning)
{
    e3::Te3_UnicodeEdit edit(nullptr);
    const std::vector<std::string> names = edit.WideStringProperties();

    EXPECT_TRUE(e3::ReadWideStringProperty(edit, names, "Text_UTF7", "M+APw-ller"));
    EXPECT_TRUE(e3::ReadWideStringProperty(edit, names, "HintW", "\u00E4"));
    EXPECT_TRUE(e3::ReadWideStringProperty(edit, names, "Text_UTF7", "+!")) << "skipped unread at run time";
    EXPECT_EQ(edit.GetText(), "");
    EXPECT_EQ(edit.GetHint(), "");

    edit.SetDesigning(true);
    EXPECT_TRUE(e3::ReadWideStringProperty(edit, names, "text_utf7", "M+APw-ller"));
    EXPECT_EQ(edit.GetText(), "M\u00FCller");
    EXPECT_TRUE(e3::ReadWideStringProperty(edit, names, "HintW", "\u00E4"));
    EXPECT_EQ(edit.GetHint(), "\u00E4");
    EXPECT_THROW(e3::ReadWideStringProperty(edit, names, "Text_UTF7", "+!"), e3::EUtf7Error);

    // Only the extra entries of the named properties are taken.
    EXPECT_FALSE(e3::ReadWideStringProperty(edit, names, "Text", "x"));
    EXPECT_FALSE(e3::ReadWideStringProperty(edit, names, "Caption_UTF7", "x"));
    EXPECT_FALSE(e3::ReadWideStringProperty(edit, names, "_UTF7", "x"));
    e3::Te3UnicodeEdit design(nullptr);
    EXPECT_FALSE(e3::ReadWideStringProperty(design, design.WideStringProperties(), "Text_UTF7", "x"));
}

} // namespace
