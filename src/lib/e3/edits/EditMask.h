#pragma once
// The input mask of the edit controls, without any widget: parsing of the mask
// text, the text shown for a value, the value read back from the shown text, and
// the editing steps of a masked edit (typing, clearing, pasting, caret moves and
// the check for required positions).
//
// Mask text: up to three fields separated by ";" - the mask, the save-literals
// flag ("0" drops the literals from the value handed out, anything else keeps
// them) and the blank character shown in empty positions (default "_"). The
// flag and the blank are only taken from the last four characters; an escaped
// ";" ("\;") never separates.
//
// Texts are UTF-8. Positions (caret, selection) count characters (code points)
// of the shown text, one per mask position. The shown text always has exactly
// length() characters once it went through any of these operations.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace e3 {

// The part of the edit's state a masked edit works on. The caret shows as a
// selection of the one character at an input position, so that typing
// overwrites it; it may also stand just behind the last input position (after
// the last one was filled), never further.
struct MaskedText {
    std::string shown;
    std::size_t selStart = 0;
    std::size_t selLength = 0;
};

class EditMask {
public:
    enum class Kind : char {
        Literal,
        Digit,         // "0" required, "9" optional
        DigitOrSign,   // "#": digit, blank, "+" or "-"
        Letter,        // "L" / "l"
        LetterOrDigit, // "A" / "a"
        AnyChar,       // "C" / "c"
    };
    enum class CaseRule : char { Keep, Upper, Lower };

    struct Cell {
        Kind kind = Kind::Literal;
        bool required = false;
        CaseRule caseRule = CaseRule::Keep;
        char32_t literal = 0;
    };

    EditMask() = default;
    // timeSeparator stands in for ":" in the mask (the user's time separator).
    explicit EditMask(std::string_view editMask, char32_t timeSeparator = U':');

    const std::string& maskText() const { return maskText_; }
    // No mask positions at all: the edit behaves as a free-text edit.
    bool empty() const { return cells_.empty(); }
    std::size_t length() const { return cells_.size(); }
    std::size_t inputPositions() const { return inputCount_; }
    bool saveLiterals() const { return saveLiterals_; }
    char32_t blank() const { return blank_; }
    bool trimsLeading() const { return trimLeading_; }
    const std::vector<Cell>& cells() const { return cells_; }
    bool isInputPosition(std::size_t pos) const;

    // Whether c may stand at input position pos (after its case rule).
    bool fits(std::size_t pos, char32_t c) const;

    // Text write: the value spread into the mask. A value character equal to
    // the literal at a literal position is taken as that literal; a space (or
    // the blank character) leaves its position empty; a character that fits
    // no position is dropped; with "!" the value fills from the right.
    std::string format(std::string_view value) const;
    std::string emptyText() const { return format({}); }

    // Text read: blanks become spaces; without the save flag the literals are
    // dropped and the result trimmed at the end (at the front with "!"); with
    // it the literals stay and nothing is trimmed.
    std::string extract(std::string_view shown) const;

    // The shown text brought to the mask's length, literals in their places.
    std::string normalize(std::string_view shown) const;

    // Caret positions. endPosition() is the place just behind the last input
    // position. Without input positions every caret answer is 0.
    std::size_t firstInputPosition() const;
    std::size_t endPosition() const;
    std::size_t nextPosition(std::size_t pos) const;     // Right
    std::size_t previousPosition(std::size_t pos) const; // Left
    // The caret put right: the input position at or after pos, else the end.
    std::size_t caretPosition(std::size_t pos) const;
    // The first input position holding the blank, else the first input position.
    std::size_t firstFreePosition(std::string_view shown) const;
    // A selection of the one character at pos, or empty at the end.
    MaskedText withCaret(std::string shown, std::size_t pos) const;

    // Editing steps. They return false when the step was refused (the edit
    // beeps); a refused step leaves the state as it was.
    bool typeChar(MaskedText& state, char32_t c) const;
    void backspace(MaskedText& state) const;
    void deleteChars(MaskedText& state) const;
    // Returns the selected text (for the clipboard) and clears the selection.
    std::string cut(MaskedText& state) const;
    // Writes the text from the caret on as if typed; stops at the first
    // character refused and returns false then, keeping what it wrote before.
    bool paste(MaskedText& state, std::string_view text) const;

    // The first required position ("L", "A", "C", "0") still empty: holding the
    // blank character, or a space where the position is not "C".
    std::optional<std::size_t> firstMissingRequired(std::string_view shown) const;

private:
    std::u32string normalized(std::string_view shown) const;
    void clearRange(std::u32string& text, std::size_t from, std::size_t to) const;
    bool typeInto(std::u32string& text, std::size_t& caret, char32_t c) const;
    MaskedText finish(const std::u32string& text, std::size_t caret) const;

    std::string maskText_;
    std::vector<Cell> cells_;
    std::vector<std::size_t> inputIndex_; // cell index of every input position
    std::size_t inputCount_ = 0;
    bool saveLiterals_ = true;
    bool trimLeading_ = false;
    char32_t blank_ = U'_';
};

// The mask change of an edit: the text is taken out of the old mask and, when
// saveText is set, put into the new one. lastTextWritten is the text last set
// through Text, used when the edit showed nothing but its empty mask. The new
// shown text is the new mask's empty text, or the held text fitted into the new
// mask (shown as it stands when the new mask is empty); the same mask text
// changes nothing. raiseExit tells the edit to raise OnExit because the mask
// really changed and the text was not kept.
struct EditMaskChange {
    std::string shown;
    bool raiseExit = false;
};
EditMaskChange ChangeEditMask(const EditMask& oldMask, const EditMask& newMask, std::string_view shown,
                              std::string_view lastTextWritten, bool saveText);

} // namespace e3
