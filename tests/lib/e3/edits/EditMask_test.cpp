#include "e3/edits/EditMask.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using e3::EditMask;
using e3::MaskedText;

const char* const kDate = "99.99.9999;1;_";
const char* const kDateBare = "99.99.9999;0;_";

TEST(EditMask, ParsesFieldsOnlyFromTheLastFourCharacters)
{
    struct Case {
        const char* mask;
        std::size_t inputs;
        bool save;
        const char* empty;
    };
    const Case cases[] = {
        {kDate, 8, true, "__.__.____"},
        {kDateBare, 8, false, "__.__.____"},
        {"00-00;1;*", 4, true, "**-**"},
        {"LL;0", 2, false, "__"},
        {"99;;#", 2, true, "##"},
        {"99;1;", 2, true, "__"},
        {"99;0;;", 2, false, ";;"},
        {"!999;0; ", 3, false, "   "},
        {">LL<ll<>cc", 6, true, "______"},
        {"\\9\\;9;0;_", 1, false, "9;_"},     // escaped literals, the escaped ";" no separator
        {"99\\;", 2, true, "__;"},
        {"(999) 999-9999", 10, true, "(___) ___-____"},
        {"9;1;_x", 1, true, "_;1;_x"},        // fields too far from the end are mask text
        {";1;_", 0, true, ""},
        {"", 0, true, ""},
    };
    for (const Case& c : cases) {
        const EditMask mask(c.mask);
        EXPECT_EQ(mask.inputPositions(), c.inputs) << c.mask;
        EXPECT_EQ(mask.saveLiterals(), c.save) << c.mask;
        EXPECT_EQ(mask.emptyText(), c.empty) << c.mask;
    }
    EXPECT_EQ(EditMask("99:99;1;_", U'.').emptyText(), "__.__");
    EXPECT_TRUE(EditMask(";1;_").empty());
    EXPECT_TRUE(EditMask("!99").trimsLeading());
}

TEST(EditMask, FormatSpreadsTheValueIntoTheMask)
{
    struct Case {
        const char* mask;
        const char* value;
        const char* shown;
    };
    const Case cases[] = {
        {kDate, "12.03.2024", "12.03.2024"},
        {kDate, "12032024", "12.03.2024"},
        {kDate, "1203", "12.03.____"},
        {kDate, "", "__.__.____"},
        {kDate, "  .03.2024", "__.03.2024"},
        {kDateBare, "12032024", "12.03.2024"},
        {kDateBare, "12.03.2024", "12.03.2024"},
        {"99/99/9999;1;_", "12.03.2024", "12/03/2024"},
        {">LLL;0;_", "abc", "ABC"},
        {"<LL>LL;0;_", "ABcd", "abCD"},
        {"!999;0;_", "12", "_12"},
        {"LL-00;0;_", "a1b2", "ab-2_"},
        {"(999) 999-9999;0;_", "5551234", "(555) 123-4___"},
        {"000;0;_", "1 2", "1_2"},
        {"#99;0;_", " 12", "_12"},
        {"#99;0;_", "-12", "-12"},
        {"CC;0;*", "\u00e4\u20ac", "\u00e4\u20ac"},
        {"99;0;_", "123456", "12"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EditMask(c.mask).format(c.value), c.shown) << c.mask << " <- " << c.value;
}

TEST(EditMask, ExtractTurnsBlanksIntoSpacesAndDropsOrKeepsLiterals)
{
    struct Case {
        const char* mask;
        const char* shown;
        const char* text;
    };
    const Case cases[] = {
        {kDate, "__.__.____", "  .  .    "},
        {kDate, "12.03.2024", "12.03.2024"},
        {kDateBare, "12.03.2024", "12032024"},
        {kDateBare, "12.0_.____", "120"},
        {kDateBare, "1_.__.__2_", "1     2"},
        {"!999;0;_", "_12", "12"},
        {"!999;0;_", "12_", "12 "},
        {"99-99;0;*", "*2-**", " 2"},
        {kDateBare, "12.03", "1203"},               // a short text counts as empty positions
        {kDateBare, "12x03x2024xx", "12032024"},    // literal positions always hold their literal
    };
    for (const Case& c : cases)
        EXPECT_EQ(EditMask(c.mask).extract(c.shown), c.text) << c.mask << " -> " << c.shown;

    // Whatever Text hands out can be written back unchanged.
    for (const char* m : {kDate, kDateBare, "!999;0;_", "(999) 999-9999;0;_"}) {
        const EditMask mask(m);
        for (const char* value : {"12032024", "1", "5551234"}) {
            const std::string shown = mask.format(value);
            EXPECT_EQ(mask.format(mask.extract(shown)), shown) << m << " " << value;
        }
    }
}

MaskedText Typed(const EditMask& mask, std::string shown, std::size_t caret, const std::u32string& keys,
                 bool* allTaken = nullptr)
{
    MaskedText state = mask.withCaret(std::move(shown), caret);
    bool all = true;
    for (char32_t c : keys)
        all = mask.typeChar(state, c) && all;
    if (allTaken)
        *allTaken = all;
    return state;
}

TEST(EditMask, TypingFillsInputPositionsAndSkipsLiterals)
{
    const EditMask date(kDate);
    struct Case {
        const char* mask;
        const char* start;
        std::size_t caret;
        std::u32string keys;
        const char* shown;
        std::size_t caretAfter;
        bool allTaken;
    };
    const Case cases[] = {
        {kDate, "", 0, U"12032024", "12.03.2024", 10, true},
        {kDate, "", 0, U"12.03.2024", "12.03.2024", 10, true},   // literals typed along
        {kDate, "", 0, U"1.3", "1_.3_.____", 4, true},           // next literal jumps ahead
        {kDate, "", 0, U"x", "__.__.____", 0, false},
        {kDate, "", 0, U"1/", "1_.__.____", 1, false},
        {kDate, "12.03.2024", 10, U"5", "12.03.2024", 10, false}, // nothing behind the last position
        {kDate, "12.03.2024", 2, U"7", "12.73.2024", 4, true},    // caret never rests on a literal
        {">LL;0;_", "", 0, U"ab", "AB", 2, true},
        {"<L;0;_", "", 0, U"\u00c4", "\u00e4", 1, true},
        {"LL-00;1;_", "", 0, U"a1", "a_-__", 1, false},
        {"#0;1;_", "", 0, U"-5", "-5", 2, true},
        {"(999) 999;1;_", "", 0, U"12)4", "(12_) 4__", 7, true},
    };
    for (const Case& c : cases) {
        bool all = false;
        const EditMask mask(c.mask);
        const MaskedText state = Typed(mask, c.start, c.caret, c.keys, &all);
        EXPECT_EQ(state.shown, c.shown) << c.mask << " typed from " << c.caret;
        EXPECT_EQ(state.selStart, c.caretAfter) << c.mask << " " << c.shown;
        EXPECT_EQ(all, c.allTaken) << c.mask << " " << c.shown;
        EXPECT_EQ(state.selLength, mask.isInputPosition(state.selStart) ? 1u : 0u);
    }

    // Typing over a selection clears it first.
    MaskedText state{"12.03.2024", 0, 5};
    ASSERT_TRUE(date.typeChar(state, U'9'));
    EXPECT_EQ(state.shown, "9_.__.2024");
    EXPECT_EQ(state.selStart, 1u);
    // A refused key leaves the selection and the text alone.
    state = {"12.03.2024", 0, 5};
    EXPECT_FALSE(date.typeChar(state, U'x'));
    EXPECT_EQ(state.shown, "12.03.2024");
    EXPECT_EQ(state.selLength, 5u);
}

TEST(EditMask, BackspaceDeleteCutAndPasteClearInsteadOfShifting)
{
    const EditMask date(kDate);
    struct Case {
        const char* name;
        MaskedText start;
        void (*step)(const EditMask&, MaskedText&);
        const char* shown;
        std::size_t caret;
    };
    auto backspace = [](const EditMask& m, MaskedText& s) { m.backspace(s); };
    auto del = [](const EditMask& m, MaskedText& s) { m.deleteChars(s); };
    const Case cases[] = {
        {"backspace over a literal", {"12.03.2024", 3, 1}, backspace, "1_.03.2024", 1},
        {"backspace at the end", {"12.03.2024", 10, 0}, backspace, "12.03.202_", 9},
        {"backspace at the start", {"12.03.2024", 0, 1}, backspace, "12.03.2024", 0},
        {"backspace a selection", {"12.03.2024", 1, 4}, backspace, "1_.__.2024", 1},
        {"delete at the caret", {"12.03.2024", 0, 1}, del, "_2.03.2024", 0},
        {"delete a selection", {"12.03.2024", 3, 7}, del, "12.__.____", 3},
        {"delete at the end", {"12.03.2024", 10, 0}, del, "12.03.2024", 10},
    };
    for (const Case& c : cases) {
        MaskedText state = c.start;
        c.step(date, state);
        EXPECT_EQ(state.shown, c.shown) << c.name;
        EXPECT_EQ(state.selStart, c.caret) << c.name;
    }

    MaskedText state{"12.03.2024", 0, 5};
    EXPECT_EQ(date.cut(state), "12.03");
    EXPECT_EQ(state.shown, "__.__.2024");
    EXPECT_EQ(state.selStart, 0u);

    state = date.withCaret("", 0);
    EXPECT_TRUE(date.paste(state, "1203"));
    EXPECT_EQ(state.shown, "12.03.____");
    EXPECT_EQ(state.selStart, 6u);

    state = date.withCaret("", 3);
    EXPECT_FALSE(date.paste(state, "04x9"));
    EXPECT_EQ(state.shown, "__.04.____");
    EXPECT_EQ(state.selStart, 6u);

    // A long clipboard ends where the mask ends.
    state = date.withCaret("", 0);
    EXPECT_FALSE(date.paste(state, std::string(100000, '7')));
    EXPECT_EQ(state.shown, "77.77.7777");
}

TEST(EditMask, CaretStaysOnInputPositions)
{
    const EditMask phone("(999) 999;1;_");
    EXPECT_EQ(phone.firstInputPosition(), 1u);
    EXPECT_EQ(phone.endPosition(), 9u);
    struct Case {
        std::size_t pos, caret, next, previous;
    };
    const Case cases[] = {
        {0, 1, 1, 1}, {1, 1, 2, 1}, {3, 3, 6, 2}, {4, 6, 6, 3}, {5, 6, 6, 3}, {8, 8, 9, 7}, {9, 9, 9, 8},
        {100, 9, 9, 8},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(phone.caretPosition(c.pos), c.caret) << c.pos;
        EXPECT_EQ(phone.nextPosition(c.pos), c.next) << c.pos;
        EXPECT_EQ(phone.previousPosition(c.pos), c.previous) << c.pos;
    }
    EXPECT_EQ(phone.firstFreePosition("(12_) ___"), 3u);
    EXPECT_EQ(phone.firstFreePosition("(123) 4_6"), 7u);
    EXPECT_EQ(phone.firstFreePosition("(123) 456"), 1u);

    const EditMask literalsOnly("x-/");
    EXPECT_EQ(literalsOnly.caretPosition(2), 0u);
    MaskedText state = literalsOnly.withCaret("", 1);
    EXPECT_FALSE(literalsOnly.typeChar(state, U'x'));
    EXPECT_EQ(state.shown, "x-/");
}

TEST(EditMask, ValidationFindsTheFirstRequiredPositionLeftEmpty)
{
    struct Case {
        const char* mask;
        const char* shown;
        std::optional<std::size_t> missing;
    };
    const Case cases[] = {
        {kDate, "__.__.____", std::nullopt},    // all optional
        {"00.00;1;_", "12.__", 3},
        {"00.00;1;_", "12.34", std::nullopt},
        {"LL;1;_", "A ", 1},                     // a blank fills no letter position
        {"CC;1;_", "A ", std::nullopt},          // but it is a character in "C"
        {"CC;1;_", "A_", 1},
        {"aA;1;*", "**", 1},
        {"00;1;_", "1", 1},                      // missing text counts as empty
    };
    for (const Case& c : cases)
        EXPECT_EQ(EditMask(c.mask).firstMissingRequired(c.shown), c.missing) << c.mask << " " << c.shown;
}

TEST(EditMask, ChangingTheMaskCarriesTheText)
{
    struct Case {
        const char* name;
        const char* oldMask;
        const char* newMask;
        const char* shown;
        const char* lastWritten;
        bool saveText;
        const char* newShown;
        bool raiseExit;
    };
    const Case cases[] = {
        {"free text into a mask", "", kDate, "12032024", "", true, "12.03.2024", false},
        {"literals that do not fit are dropped", kDate, "99/99/9999;1;_", "12.03.2024", "", true, "12/03/2024",
         false},
        {"empty mask falls back to the text last written", kDate, "99-99-9999;0;_", "__.__.____", "01012000", true,
         "01-01-2000", false},
        {"text not kept", kDate, "99-99-9999;0;_", "12.03.2024", "", false, "__-__-____", true},
        {"same mask changes nothing", kDate, kDate, "12.03.2024", "", false, "12.03.2024", false},
        {"mask removed keeps the text", kDateBare, "", "12.03.2024", "", true, "12032024", false},
        {"mask removed, text not kept", kDateBare, "", "12.03.2024", "", false, "", true},
    };
    for (const Case& c : cases) {
        const e3::EditMaskChange change =
            e3::ChangeEditMask(EditMask(c.oldMask), EditMask(c.newMask), c.shown, c.lastWritten, c.saveText);
        EXPECT_EQ(change.shown, c.newShown) << c.name;
        EXPECT_EQ(change.raiseExit, c.raiseExit) << c.name;
    }
}

} // namespace
