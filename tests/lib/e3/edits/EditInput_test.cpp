#include "e3/common/EditChars.h"
#include "e3/edits/EditInput.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace e3;

// "~" in expected texts stands for the user's decimal separator of the run.
std::string WithSeparator(std::string text, char32_t separator)
{
    std::string out;
    for (char c : text) {
        if (c == '~')
            AppendUtf8(out, separator);
        else
            out.push_back(c);
    }
    return out;
}

EditInputRules Rules(TEditTypes type, int integerPlaces, int decimalPlaces, char32_t separator)
{
    EditInputRules rules;
    rules.editType = type;
    rules.integerPlaces = integerPlaces;
    rules.decimalPlaces = decimalPlaces;
    rules.maxLength = ForcedMaxLength(type, integerPlaces, decimalPlaces, 0).value_or(0);
    rules.decimalSeparator = separator;
    rules.thousandsSeparator = separator == U',' ? U'.' : U',';
    return rules;
}

// What the edit does with a key after the filter: the window inserts a passed
// character at the selection (or removes one for Backspace); the codes of
// copy, cut, paste and undo, and the refused and dropped keys, insert nothing.
EditState Press(const EditInputRules& rules, EditState state, char32_t key)
{
    const KeyFilterResult r = FilterKey(rules, state, key);
    state = r.state;
    const char32_t k = r.key;
    if (k == keys::Dropped || k == keys::Rejected || k == keys::CtrlC || k == keys::CtrlV || k == keys::CtrlX ||
        k == keys::CtrlZ)
        return state;
    const std::string before = state.text;
    state.text = ResultingText(state, k, rules.maxLength);
    if (k == keys::Backspace)
        state.selStart = state.selLength > 0 || state.selStart == 0 ? state.selStart : state.selStart - 1;
    else if (state.text != before)
        state.selStart += 1;
    state.selLength = 0;
    return state;
}

std::string TypeAll(const EditInputRules& rules, std::string start, const std::u32string& typed)
{
    EditState state{start, DecodeUtf8(start).size(), 0};
    for (char32_t key : typed)
        state = Press(rules, state, key);
    return state.text;
}

class SeparatorTest : public ::testing::TestWithParam<char32_t> {};

struct TypingCase {
    const char* name;
    TEditTypes type;
    int integerPlaces;
    int decimalPlaces;
    const char* start;
    std::u32string typed;
    const char* expected;
};

TEST_P(SeparatorTest, TypingKeysProducesOnlyValidText)
{
    const char32_t sep = GetParam();
    const std::vector<TypingCase> cases = {
        {"sign counts as an integer place", etFloat, 3, 2, "", U"-123", "-12"},
        {"comma key is the separator", etFloat, 3, 2, "", U"12,5", "12~5"},
        {"dot key is the separator", etFloat, 3, 2, "", U"12.5", "12~5"},
        {"third decimal refused", etFloat, 3, 2, "", U"1,234", "1~23"},
        {"second separator refused", etFloat, 3, 2, "", U"1,,2", "1~2"},
        {"lone separator is no number", etFloat, 3, 2, "", U",5", "5"},
        {"minus only first in a decimal", etFloat, 3, 2, "", U"1-2", "12"},
        {"minus alone is a start", etFloat, 3, 2, "", U"-", "-"},
        {"blank and letters refused", etFloat, 3, 2, "", U" 1a2", "12"},
        {"no integer limit with 0 places", etFloat, 0, 2, "", U"1234567,25", "1234567~25"},
        {"backspace keeps a valid text", etFloat, 3, 2, "12~5", U"\b", "12~"},
        {"integer takes digits and minus", etInteger, 5, 2, "", U"-12", "-12"},
        {"integer refuses a minus inside", etInteger, 5, 2, "", U"12-3", "123"},
        {"integer refuses letters and blanks", etInteger, 5, 2, "", U"a 1b2", "12"},
        {"integer held to IntegerPlaces", etInteger, 5, 2, "", U"1234567", "12345"},
        {"digit replaces a lone zero", etInteger, 5, 2, "0", U"7", "7"},
        {"escape sets zero, next digit replaces it", etInteger, 5, 2, "123", U"\x1b", "0"},
        {"escape then digit", etInteger, 5, 2, "123", U"\x1b" U"4", "4"},
        {"escape in a decimal edit", etFloat, 3, 2, "1~5", U"\x1b", "0"},
        {"one place: digit replaces the text", etInteger, 1, 0, "", U"56", "6"},
    };
    for (const TypingCase& c : cases) {
        const EditInputRules rules = Rules(c.type, c.integerPlaces, c.decimalPlaces, sep);
        EXPECT_EQ(TypeAll(rules, WithSeparator(c.start, sep), c.typed), WithSeparator(c.expected, sep)) << c.name;
    }
}

TEST_P(SeparatorTest, RejectedKeysOfNumberEditsBecomeCode15)
{
    const char32_t sep = GetParam();
    const EditInputRules decimal = Rules(etFloat, 3, 2, sep);
    const EditInputRules integer = Rules(etInteger, 5, 2, sep);
    const EditState text{"12", 2, 0};
    struct Case {
        const EditInputRules* rules;
        char32_t key;
        char32_t expected;
    };
    const Case cases[] = {
        {&decimal, U'x', keys::Rejected},   {&decimal, keys::Enter, keys::Rejected},
        {&decimal, U' ', keys::Rejected},   {&decimal, U',', sep},
        {&decimal, U'.', sep},              {&decimal, keys::CtrlV, keys::CtrlV},
        {&integer, U'x', keys::Rejected},   {&integer, keys::Enter, keys::Dropped},
        {&integer, keys::CtrlC, keys::CtrlC}, {&integer, keys::Escape, keys::Rejected},
        {&integer, U'-', keys::Rejected},   {&integer, U'3', U'3'},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FilterKey(*c.rules, text, c.key).key, c.expected) << "key " << static_cast<int>(c.key);
}

TEST_P(SeparatorTest, LeavingShowsTheNumberWithItsDecimalsHeldToTheRange)
{
    const char32_t sep = GetParam();
    struct Case {
        const char* text;
        double minValue;
        double maxValue;
        int decimalPlaces;
        const char* expected;
    };
    const Case cases[] = {
        {"12~5", 0, 0, 2, "12~50"},
        {"5", 10, 0, 2, "10~00"},        // only the lower bound holds
        {"500", 10, 0, 2, "500~00"},
        {"-7", 0, 100, 2, "0~00"},       // a plain range
        {"-7", 0, -5, 2, "-7~00"},       // MinValue above MaxValue: only MaxValue
        {"-3", 0, -5, 2, "-5~00"},
        {"1", 5, 3, 2, "1~00"},          // crossed bounds, neither 0: no range
        {"7", 4, 4, 2, "7~00"},          // equal bounds: no range
        {"abc", 0, 0, 2, "0~00"},
        {"-0", 0, 0, 2, "0~00"},
        {"12~7", 0, 0, 0, "13"},
        {"1 234~5", 0, 0, 1, "1234~5"},
        {"", 0, 0, 2, ""},
    };
    for (const Case& c : cases) {
        EditInputRules rules = Rules(etFloat, 5, c.decimalPlaces, sep);
        rules.minValue = c.minValue;
        rules.maxValue = c.maxValue;
        EXPECT_EQ(TextOnLeaving(rules, WithSeparator(c.text, sep)), WithSeparator(c.expected, sep)) << c.text;
    }
}

INSTANTIATE_TEST_SUITE_P(UserSeparator, SeparatorTest, ::testing::Values(U',', U'.'),
                         [](const auto& info) { return info.param == U',' ? "Comma" : "Dot"; });

TEST(EditInput, ThousandsSeparatorsAreIgnoredInTheCurrentNumber)
{
    EditInputRules comma = Rules(etFloat, 0, 2, U',');
    EditInputRules dot = Rules(etFloat, 0, 2, U'.');
    EXPECT_DOUBLE_EQ(CurrentNumber(comma, "1.234,5"), 1234.5);
    EXPECT_DOUBLE_EQ(CurrentNumber(dot, "1,234.5"), 1234.5);
    EXPECT_DOUBLE_EQ(CurrentNumber(dot, "1\u00a0234.5"), 1234.5);
    EXPECT_DOUBLE_EQ(CurrentNumber(dot, "1.2.3"), 0.0);
    // A "," is the decimal mark wherever it is no thousands separator.
    EditInputRules apostrophe = dot;
    apostrophe.thousandsSeparator = U'\'';
    EXPECT_DOUBLE_EQ(CurrentNumber(apostrophe, "1'234,5"), 1234.5);
}

TEST(EditInput, IntegerEditKeepsCopyCutAndBackspaceOverASelection)
{
    const EditInputRules rules = Rules(etInteger, 5, 2, U',');
    const EditState selected{"123", 1, 1};

    for (char32_t key : {keys::CtrlC, keys::CtrlX}) {
        const KeyFilterResult r = FilterKey(rules, selected, key);
        EXPECT_EQ(r.key, key);
        EXPECT_EQ(r.state.text, "123");
        EXPECT_EQ(r.state.selLength, 1u);
    }
    EXPECT_EQ(Press(rules, selected, keys::Backspace).text, "13");
    EXPECT_EQ(Press(rules, selected, U'9').text, "193");
    // A rejected key leaves the selected text alone.
    EXPECT_EQ(Press(rules, selected, U'x').text, "123");
    // The minus test sees the text after the selection is gone.
    EXPECT_EQ(Press(rules, EditState{"123", 0, 1}, U'-').text, "-23");
}

TEST(EditInput, CharacterClassEditsFilterKeys)
{
    struct Case {
        TEditTypes type;
        const char* enumeration;
        std::u32string typed;
        const char* expected;
    };
    const Case cases[] = {
        {etXMLName, "", U"a b:c_1-\u00e9.!", "ab:c_1-\u00e9."},
        {etEnumeration, "ABC", U"AxBy C", "ABC"},
        {etEnumeration, " ", U"any text!", "any text!"},
        {etAlphaNumeric, "/", U"a1/ -\u0416!", "a1/ \u0416"},
        {etString, "", U"free \u20ac text", "free \u20ac text"},
    };
    for (const Case& c : cases) {
        EditInputRules rules;
        rules.editType = c.type;
        rules.enumerationChar = c.enumeration;
        EXPECT_EQ(TypeAll(rules, "", c.typed), c.expected) << c.type;
        EXPECT_EQ(FilterKey(rules, {}, keys::Enter).key, keys::Dropped);
    }
}

TEST(EditInput, MaskedEditHandsKeysToTheMaskButClipboardKeys)
{
    EditInputRules rules;
    rules.editType = etMasked;
    const KeyFilterResult digit = FilterKey(rules, {}, U'5');
    EXPECT_TRUE(digit.toMask);
    EXPECT_EQ(digit.key, keys::Dropped);
    for (char32_t key : {keys::CtrlC, keys::CtrlV, keys::CtrlX}) {
        const KeyFilterResult r = FilterKey(rules, {}, key);
        EXPECT_FALSE(r.toMask);
        EXPECT_EQ(r.key, key);
    }
    EXPECT_EQ(EffectiveEditType(etMasked, true), etString);
    EXPECT_EQ(EffectiveEditType(etMasked, false), etMasked);
}

TEST(EditInput, DeleteCutAndPasteMustLeaveValidText)
{
    struct Case {
        const char* name;
        EditInputRules rules;
        EditState state;
        std::string result;
        bool valid;
    };
    EditInputRules enumeration;
    enumeration.editType = etEnumeration;
    enumeration.enumerationChar = "xyz";
    EditInputRules blankEnumeration = enumeration;
    blankEnumeration.enumerationChar = "";
    EditInputRules xml;
    xml.editType = etXMLName;
    const EditInputRules integer = Rules(etInteger, 5, 2, U',');
    const EditInputRules wideInteger = Rules(etInteger, 0, 0, U',');
    const EditInputRules decimal = Rules(etFloat, 3, 2, U',');

    const EditState twelve{"12", 2, 0};
    const Case cases[] = {
        {"letter pasted into integer", integer, twelve, TextAfterPaste(twelve, "4a", integer.maxLength), false},
        {"digits pasted into integer", integer, twelve, TextAfterPaste(twelve, "34", integer.maxLength), true},
        {"paste cut to MaxLength", integer, twelve, TextAfterPaste(twelve, "3456789", integer.maxLength), true},
        {"beyond 32 bits", wideInteger, {}, TextAfterPaste({}, "2147483648", 0), false},
        {"32-bit minimum", wideInteger, {}, TextAfterPaste({}, "-2147483648", 0), true},
        {"minus alone is no integer", integer, {"-5", 1, 0}, ResultingTextForDelete({"-5", 1, 0}), false},
        {"delete joins into too many places", decimal, {"123,5", 3, 0}, ResultingTextForDelete({"123,5", 3, 0}),
         false},
        {"delete keeps places", decimal, {"12,5", 2, 0}, ResultingTextForDelete({"12,5", 2, 0}), true},
        {"cut selection", decimal, {"12,5", 2, 2}, TextWithoutSelection({"12,5", 2, 2}), true},
        {"blank in XML name", xml, {"ab", 1, 0}, TextAfterPaste({"ab", 1, 0}, "c d", 0), false},
        {"outside the set", enumeration, {"xy", 2, 0}, TextAfterPaste({"xy", 2, 0}, "xa", 0), false},
        {"blank set allows deleting typed text", blankEnumeration, {"abc", 0, 0},
         ResultingTextForDelete({"abc", 0, 0}), true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsValidText(c.rules, c.result), c.valid) << c.name << ": " << c.result;

    EXPECT_EQ(TextAfterPaste(twelve, "3456789", 5), "12345");
    EXPECT_EQ(TextAfterPaste({"12345", 1, 2}, "ab", 5), "1ab45");
    EXPECT_EQ(ResultingTextForDelete({"a\u00e9b", 1, 0}), "ab");
}

TEST(EditInput, ForcedMaxLength)
{
    EXPECT_EQ(ForcedMaxLength(etFloat, 3, 2, 0), 6);
    EXPECT_EQ(ForcedMaxLength(etFloat, 3, 0, 0), 3);
    EXPECT_EQ(ForcedMaxLength(etFloat, 0, 2, 0), 0);
    EXPECT_EQ(ForcedMaxLength(etInteger, 5, 2, 0), 5);
    EXPECT_EQ(ForcedMaxLength(etMasked, 5, 2, 8), 8);
    EXPECT_EQ(ForcedMaxLength(etString, 5, 2, 8), std::nullopt);
}

TEST(EditInput, DecimalPartFits)
{
    const EditInputRules rules = Rules(etFloat, 3, 2, U',');
    EXPECT_TRUE(DecimalPartFits(rules, "1,25"));
    EXPECT_FALSE(DecimalPartFits(rules, "1,255"));
    EXPECT_TRUE(DecimalPartFits(rules, "12345"));
}

TEST(EditInput, FormatFixedWritesTheSeparatorWhateverTheCLocale)
{
    EXPECT_EQ(FormatFixed(1234.5, 2, U','), "1234,50");
    EXPECT_EQ(FormatFixed(-0.125, 1, U'.'), "-0.1");
    EXPECT_EQ(FormatFixed(2.5, 0, U','), "2");
    EXPECT_EQ(FormatFixed(1.5, 3, U'\u066b'), "1\u066b500");
}

} // namespace
