#pragma once
// The typed input of the edit controls without any widget: which keys an edit
// of a given EditType takes, whether the text a key, Delete, cut, clear or paste
// would leave is valid, the MaxLength the number types force, and the number
// an edit holds (with its range) and shows when it is left.
//
// Texts are UTF-8; positions count characters (code points). The user's
// decimal and thousands separators are passed in, never taken from the C
// library's locale.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace e3 {

enum TEditTypes : int {
    etString = 0,
    etInteger = 1,
    etFloat = 2,
    etMasked = 3,
    etXMLName = 4,
    etEnumeration = 5,
    etAlphaNumeric = 6,
};

// Character codes the key filter deals in.
namespace keys {
inline constexpr char32_t Dropped = 0;    // the key is gone
inline constexpr char32_t CtrlC = 3;
inline constexpr char32_t Backspace = 8;
inline constexpr char32_t LineFeed = 10;
inline constexpr char32_t Enter = 13;
inline constexpr char32_t Rejected = 15;  // a number edit's refused key: inserts nothing
inline constexpr char32_t CtrlV = 22;
inline constexpr char32_t CtrlX = 24;
inline constexpr char32_t CtrlZ = 26;
inline constexpr char32_t Escape = 27;
} // namespace keys

struct EditInputRules {
    TEditTypes editType = etString;
    int integerPlaces = 5;
    int decimalPlaces = 2;
    double minValue = 0;
    double maxValue = 0;
    std::string enumerationChar;
    int maxLength = 0; // 0 = no limit
    char32_t decimalSeparator = U'.';
    char32_t thousandsSeparator = U',';
};

struct EditState {
    std::string text;
    std::size_t selStart = 0;
    std::size_t selLength = 0;
};

// An etMasked edit without mask positions behaves as etString.
TEditTypes EffectiveEditType(TEditTypes editType, bool maskEmpty);

// The MaxLength that the type forces: IntegerPlaces for etInteger,
// IntegerPlaces + DecimalPlaces + 1 for etFloat when both are above 0 (else
// IntegerPlaces), the number of input positions for etMasked; none otherwise.
std::optional<int> ForcedMaxLength(TEditTypes editType, int integerPlaces, int decimalPlaces,
                                   std::size_t maskInputPositions);

// The text a typed character, Backspace or Delete would leave at the current
// selection; a character that does not fit into maxLength inserts nothing.
std::string ResultingText(const EditState& state, char32_t key, int maxLength);
std::string ResultingTextForDelete(const EditState& state);
// Selection removed (cut and clear).
std::string TextWithoutSelection(const EditState& state);
// Selection replaced by the pasted text, cut short to fit into maxLength.
std::string TextAfterPaste(const EditState& state, std::string_view pasted, int maxLength);

// Whether the characters after the decimal separator are at most DecimalPlaces.
bool DecimalPartFits(const EditInputRules& rules, std::string_view text);

// The syntax test: whether a resulting text is valid for the edit's type.
bool IsValidText(const EditInputRules& rules, std::string_view text);

// The key filter. The result is the key to pass on (0 when it is gone, 15 when
// a number edit refused it, the user's decimal separator for "," and ".") and
// the state to apply before it is passed on (Escape and the integer edit's
// replacing digit change it). toMask tells a masked edit to hand the original
// key to its mask.
struct KeyFilterResult {
    char32_t key = keys::Dropped;
    EditState state;
    bool toMask = false;
};
KeyFilterResult FilterKey(const EditInputRules& rules, const EditState& state, char32_t key);

// The number an edit holds: blanks and thousands separators removed, the first
// decimal mark ("," if present, else ".") read as the decimal separator, 0 for
// a text that is no number, then held to the range.
double CurrentNumber(const EditInputRules& rules, std::string_view text);

// The range: none when MinValue equals MaxValue; [MinValue, MaxValue] when
// MinValue is below MaxValue; with MinValue above MaxValue only MinValue holds
// when MaxValue is 0, only MaxValue when MinValue is 0, and no range otherwise.
double HoldToRange(double value, double minValue, double maxValue);

// A number with exactly `decimals` decimals and the given decimal separator.
std::string FormatFixed(double value, int decimals, char32_t decimalSeparator);

// The text a non-masked edit shows after it was left: an etFloat edit with text
// shows its current number with DecimalPlaces decimals; others keep their text.
std::string TextOnLeaving(const EditInputRules& rules, std::string_view text);

} // namespace e3
