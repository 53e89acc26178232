#pragma once
// Registration numbers of the kinds the registration-number edit takes: how a
// number of each kind is written (length, separator, number and check part)
// and how its check digits are computed. Pure functions: nothing here keeps
// state or throws, whatever the text.
//
// Texts are UTF-8; lengths and positions count characters (code points).
#include <cstdint>
#include <string>
#include <string_view>

namespace u3 {

enum TRegNoMode : int {
    rnmNone = 0,      // digits "." Luhn digit
    rnmCDS = 1,       // a positive integer, or as rnmNone
    rnmESAN = 2,      // 9 digits "." mod-11 check (digit or "X")
    rnmESAC = 3,      // 4 digits "." mod-11 check (digit or "X")
    rnmESDNI = 4,     // digits "-" DNI letter
    rnmESPBC = 5,     // 9 digits + 2 check digits (weighted sum mod 100)
    rnmUKAN = 6,      // 8 digits "." Luhn digit
    rnmSEAN = 7,      // 7 digits "-" Luhn digit
    rnmBRCPF = 8,     // 9 digits + 2 mod-11 digits
    rnmBRCNPJ = 9,    // 12 digits + 2 mod-11 digits, weights 2..9 repeating
    rnmBRVeskPI = 10, // 7 digits + 1
    rnmBRVeskBR = 11, // 12 digits + 1
    rnmBRVeskGRU = 12,// 11 to 16 digits + 1
    rnmEMAIL = 13,    // an e-mail address
    rnmOther = 14,    // an integer not below 0
};
inline constexpr int RegNoModeCount = 15;

// Names as the engine writes them, indexed by the mode's value.
const char* RegNoModeName(TRegNoMode mode);

struct TRegNoParts {
    int Length = 0;        // characters of Whole
    std::string Number;    // the number part
    std::string CheckPart; // the check part
    std::string Whole;     // the first 20 characters of the text
    bool Ok = false;       // the text has the form of its kind
    int SeparatorPos = 0;  // 1-based position of the first separator in Whole, 0 when absent
};

// The 23 control letters of a Spanish DNI, indexed by the number mod 23.
inline constexpr std::string_view DniLetters = "TRWAGMYFPDXBNJZSQVHLCKE";

bool CheckRegNo(std::string_view text, TRegNoMode kind);
// The separator of the kind, 0 for a kind written without one.
char32_t RegNoSeparator(TRegNoMode kind);
std::string RegNoDefaultCheckDigit(TRegNoMode kind);
// What the edit shows while it holds no number yet.
std::string RegNoZeroText(TRegNoMode kind);
void SplitRegNo(std::string_view text, TRegNoMode kind, TRegNoParts& parts);

// Every character is "0" to "9"; true for the empty text.
bool IsAllDigits(std::string_view text);
// Position of ch in DniLetters (case-sensitive), -1 when absent.
int DniLetterIndex(char32_t ch);
// Over the first count characters (all digits): weights 2, 3, 4, ... from the
// rightmost leftwards, (11 - sum mod 11) mod 11 mod 10.
int Mod11CheckDigit(std::string_view text, int count);
// The same with weights 2..9, starting again at 2 after 9.
int Mod11CheckDigitCyclic(std::string_view text, int count);
bool IsValidEMail(std::string_view text);

} // namespace u3
