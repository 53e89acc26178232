#pragma once
#include "u3/Exceptions.h"
// Free functions on UTF-8 texts (handled as bytes): cutting the engine's
// multi-field values apart, replacing, converting dates and numbers, and the
// SOAP log. Character positions are counted from 1, 0 meaning "not found".
#include "u3/DateTime.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace u3 {

// ---- fields and lists -------------------------------------------------------
//
// The field scan compares the separator from each position; on a partial match
// the compared characters and the mismatching one stay in the field and the scan
// goes on behind the mismatch. So with "<|>", x<<|>y is one field, and a text
// that ends inside a partial match keeps it in its last field.

// ASCII letters compared without regard to case (names from the engine, INI keys).
bool SameText(std::string_view a, std::string_view b);
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
// Without leading and trailing blanks and control characters.
std::string Trim(std::string_view s);
// A whole decimal number with optional sign, or "$" or "0x" and hexadecimal digits.
bool TryStrToInt64(std::string_view s, int64_t& value);
// The value of a hexadecimal digit (either case), -1 for any other character.
int HexDigitValue(char c);

// 0 for an empty s, otherwise 1 + the number of separators; 1 for an empty separator.
int TokenCount(std::string_view s, std::string_view separator);
// Field index (0-based); empty when there is no such field.
std::string TokenAt(std::string_view s, int index, std::string_view separator);
// Every field TokenAt gives, in one pass; empty for an empty s.
std::vector<std::string> SplitTokens(std::string_view s, std::string_view separator);
// Splits a text into lines at CR LF, CR or LF; a final line break adds no line.
std::vector<std::string> SplitTextLines(std::string_view text);
// Field index of s split at "<|>", or defaultValue when s has no such field.
std::string ValueFieldDef(std::string_view s, int index, std::string_view defaultValue);
// The text after the first startMark up to the next endMark (or the end);
// empty when startMark does not occur. Empty marks never match.
std::string TextBetween(std::string_view startMark, std::string_view endMark, std::string_view s);
std::string TextBetweenDef(std::string_view startMark, std::string_view endMark, std::string_view s,
                           std::string_view defaultValue);
// Index of the first value equal to s (ASCII letters compared without case
// unless caseSensitive), -1 when none.
int IndexInArray(std::string_view s, const std::vector<std::string>& values, bool caseSensitive);
int IndexOfChar(char c, std::string_view chars);

// The command-line parameters without the program path; the start-up sets them.
void SetProgramArguments(std::vector<std::string> arguments);
std::vector<std::string> ProgramParameters();
// Whether one of the parameters equals name, ASCII letters compared without case.
bool ParamPresent(std::string_view name);

// ---- search and replacement (case-sensitive, left to right, non-overlapping) --

// Position of the last subStr in s, 0 when none.
std::size_t LastPos(std::string_view subStr, std::string_view s);
// Position of the last subStr that begins at or before position offset.
std::size_t LastPosEx(std::string_view subStr, std::string_view s, std::size_t offset);
// Every oldText replaced by newText; an empty oldText leaves s unchanged.
std::string ReplaceEvery(std::string_view s, std::string_view oldText, std::string_view newText);
// The same result as ReplaceEvery; kept under both names for their callers.
std::string FastReplace(std::string_view s, std::string_view oldText, std::string_view newText);
// The same result as ReplaceEvery; two-character pairs are swapped in place.
std::string ReplacePair(std::string_view s, std::string_view oldText, std::string_view newText);
// Blanks and control characters trimmed, inner runs of blanks cut to one blank.
std::string TrimCollapseBlanks(std::string_view s);
// Every LF not preceded by CR becomes CR LF.
void FixLineBreaks(std::string& s);

// ---- conversions --------------------------------------------------------------

// A text that is not a number.
using ConvertError = EConvertError;

std::string BoolToText(bool b);

// A property value as the engine may ask for it; monostate is the null value.
using Variant = std::variant<std::monostate, bool, int64_t, double, std::string>;
// "true"/"false", an integer in decimal, a float as FloatToDotText, a text as it is.
std::string VariantToText(const Variant& v);

// "dd.mm.yyyy" (the year with at least two digits).
std::string DateToDottedText(TDateTime date);
// Day, month and year from the "."-separated fields; 0 when s is blank or the
// fields form no valid date. Never throws.
TDateTime DottedTextToDate(std::string_view s);

// "," and "." become the decimal separator of the format settings; the
// thousands separator is dropped.
std::string NormalizeDecimalText(std::string_view s);
// 0 for an empty s; throws ConvertError for a text that is not a number.
double TextToFloat(std::string_view s);
// Up to 15 significant digits, "." as decimal point in every locale.
std::string FloatToDotText(double x);
std::string PadZeros8(std::string_view s);

// ---- UTF-8 ----------------------------------------------------------------------

// Appends the UTF-8 form of code point c; a surrogate or a value above
// U+10FFFF, which has no character, becomes U+FFFD.
void AppendUtf8(std::string& out, char32_t c);
// Length of the well-formed UTF-8 sequence at text[pos] (1 for ASCII); 0 when
// the bytes there are not one (overlong, surrogate, past U+10FFFF, cut off).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos);
bool IsValidUtf8(std::string_view text);
// Replaces each maximal part of a broken sequence by U+FFFD, the way the
// Unicode standard recommends; everything else, control characters included,
// stays as it is. True when something was replaced.
bool MakeValidUtf8(std::string& text);

// ---- file-name texts (no file-system access; "/", "\" and ":" delimit) ---------

std::string RemoveFileExt(std::string_view fileName);
std::string ExtractFileNameAny(std::string_view path);
std::string ExtractFilePathAny(std::string_view path);

// ---- logging and time ---------------------------------------------------------

// Appends CR LF CR LF and text to <program>_SOAP<tag>.log beside the program.
// Entries from several threads never interleave; failures are swallowed.
void AppendSoapLog(std::string_view text, std::string_view tag);

// Whole seconds from a to b (negative when b is earlier); fractions dropped.
int64_t SignedSecondsDiff(TDateTime a, TDateTime b);

} // namespace u3
