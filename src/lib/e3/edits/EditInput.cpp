#include "e3/edits/EditInput.h"

#include "e3/common/EditChars.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <system_error>

namespace e3 {

namespace {

bool IsControlKey(char32_t c)
{
    return c == keys::CtrlC || c == keys::Backspace || c == keys::Enter || c == keys::CtrlV || c == keys::CtrlX ||
           c == keys::CtrlZ;
}

bool IsXmlNameChar(char32_t c)
{
    return IsLetterChar(c) || IsDigitChar(c) || c == U'-' || c == U'.' || c == U':' || c == U'_';
}

// EnumerationChar as a sorted set, so that testing a long text stays linear in
// its length times the logarithm of the set.
class CharSet {
public:
    explicit CharSet(std::string_view chars) : chars_(DecodeUtf8(chars))
    {
        std::sort(chars_.begin(), chars_.end());
    }
    bool contains(char32_t c) const { return std::binary_search(chars_.begin(), chars_.end(), c); }
    bool blank() const
    {
        return std::all_of(chars_.begin(), chars_.end(), [](char32_t c) { return c == U' '; });
    }

private:
    std::u32string chars_;
};

struct Clamped {
    std::size_t start;
    std::size_t end;
};

Clamped ClampSelection(const std::u32string& text, const EditState& state)
{
    const std::size_t start = std::min(state.selStart, text.size());
    const std::size_t length = std::min(state.selLength, text.size() - start);
    return {start, start + length};
}

bool Fits(std::size_t length, int maxLength)
{
    return maxLength <= 0 || length <= static_cast<std::size_t>(maxLength);
}

// A decimal text split at its decimal mark: the sign and digits before it, the
// digits after it. Exponents and thousands separators are no part of it.
struct DecimalParts {
    bool ok = false;
    bool hasMark = false;
    std::size_t charsBefore = 0; // sign included
    std::size_t charsAfter = 0;
    std::string ascii;           // "[-]digits.digits" for from_chars
};

DecimalParts SplitDecimal(const std::u32string& text, std::size_t mark)
{
    DecimalParts parts;
    parts.hasMark = mark != std::u32string::npos;
    const std::size_t beforeEnd = parts.hasMark ? mark : text.size();
    parts.charsBefore = beforeEnd;
    parts.charsAfter = parts.hasMark ? text.size() - mark - 1 : 0;

    std::size_t i = 0;
    if (i < beforeEnd && (text[i] == U'-' || text[i] == U'+')) {
        if (text[i] == U'-')
            parts.ascii.push_back('-');
        ++i;
    }
    std::size_t digits = 0;
    for (; i < beforeEnd; ++i) {
        if (!IsDigitChar(text[i]))
            return parts;
        parts.ascii.push_back(static_cast<char>(text[i]));
        ++digits;
    }
    if (parts.hasMark) {
        // from_chars wants a digit before the point (".5", "-,5").
        if (digits == 0)
            parts.ascii.push_back('0');
        parts.ascii.push_back('.');
        for (std::size_t j = mark + 1; j < text.size(); ++j) {
            if (!IsDigitChar(text[j]))
                return parts;
            parts.ascii.push_back(static_cast<char>(text[j]));
            ++digits;
        }
    }
    parts.ok = digits > 0;
    return parts;
}

// The first of "," and "." and the user's separator marks the decimals while
// typing; any further mark makes the text no number.
std::size_t FirstDecimalMark(const std::u32string& text, char32_t separator)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == U',' || text[i] == U'.' || text[i] == separator)
            return i;
    }
    return std::u32string::npos;
}

std::optional<double> ToDouble(const std::string& ascii)
{
    double value = 0;
    const char* first = ascii.data();
    const char* last = first + ascii.size();
    const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::fixed);
    if (ec != std::errc() || ptr != last)
        return std::nullopt;
    return value;
}

bool IsValidInteger(const std::u32string& text)
{
    std::string ascii;
    std::size_t i = 0;
    if (text[0] == U'-' || text[0] == U'+') {
        if (text[0] == U'-')
            ascii.push_back('-');
        i = 1;
    }
    if (i == text.size())
        return false;
    for (; i < text.size(); ++i) {
        if (!IsDigitChar(text[i]))
            return false;
        ascii.push_back(static_cast<char>(text[i]));
    }
    std::int32_t value = 0;
    const auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    return ec == std::errc() && ptr == ascii.data() + ascii.size();
}

bool IsValidFloat(const EditInputRules& rules, const std::u32string& text)
{
    if (text == U"-")
        return true;
    const DecimalParts parts = SplitDecimal(text, FirstDecimalMark(text, rules.decimalSeparator));
    if (!parts.ok || !ToDouble(parts.ascii))
        return false;
    if (rules.integerPlaces != 0 && parts.charsBefore > static_cast<std::size_t>(std::max(rules.integerPlaces, 0)))
        return false;
    return parts.charsAfter <= static_cast<std::size_t>(std::max(rules.decimalPlaces, 0));
}

bool MinusAfterFirst(const std::string& text)
{
    const std::size_t minus = text.find('-', 1);
    return minus != std::string::npos;
}

} // namespace

TEditTypes EffectiveEditType(TEditTypes editType, bool maskEmpty)
{
    return editType == etMasked && maskEmpty ? etString : editType;
}

std::optional<int> ForcedMaxLength(TEditTypes editType, int integerPlaces, int decimalPlaces,
                                   std::size_t maskInputPositions)
{
    switch (editType) {
    case etInteger:
        return integerPlaces;
    case etFloat:
        return integerPlaces > 0 && decimalPlaces > 0 ? integerPlaces + decimalPlaces + 1 : integerPlaces;
    case etMasked:
        return static_cast<int>(maskInputPositions);
    default:
        return std::nullopt;
    }
}

std::string ResultingText(const EditState& state, char32_t key, int maxLength)
{
    std::u32string text = DecodeUtf8(state.text);
    const Clamped sel = ClampSelection(text, state);
    if (key == keys::Backspace) {
        if (sel.end > sel.start)
            text.erase(sel.start, sel.end - sel.start);
        else if (sel.start > 0)
            text.erase(sel.start - 1, 1);
        return EncodeUtf8(text);
    }
    if (!Fits(text.size() - (sel.end - sel.start) + 1, maxLength))
        return state.text;
    text.replace(sel.start, sel.end - sel.start, 1, key);
    return EncodeUtf8(text);
}

std::string ResultingTextForDelete(const EditState& state)
{
    std::u32string text = DecodeUtf8(state.text);
    const Clamped sel = ClampSelection(text, state);
    if (sel.end > sel.start)
        text.erase(sel.start, sel.end - sel.start);
    else if (sel.start < text.size())
        text.erase(sel.start, 1);
    return EncodeUtf8(text);
}

std::string TextWithoutSelection(const EditState& state)
{
    std::u32string text = DecodeUtf8(state.text);
    const Clamped sel = ClampSelection(text, state);
    text.erase(sel.start, sel.end - sel.start);
    return EncodeUtf8(text);
}

std::string TextAfterPaste(const EditState& state, std::string_view pasted, int maxLength)
{
    std::u32string text = DecodeUtf8(state.text);
    const Clamped sel = ClampSelection(text, state);
    std::u32string insert = DecodeUtf8(pasted);
    const std::size_t remaining = text.size() - (sel.end - sel.start);
    if (maxLength > 0) {
        const auto limit = static_cast<std::size_t>(maxLength);
        insert.resize(remaining >= limit ? 0 : std::min(insert.size(), limit - remaining));
    }
    text.replace(sel.start, sel.end - sel.start, insert);
    return EncodeUtf8(text);
}

bool DecimalPartFits(const EditInputRules& rules, std::string_view text)
{
    const std::u32string t = DecodeUtf8(text);
    const std::size_t mark = FirstDecimalMark(t, rules.decimalSeparator);
    if (mark == std::u32string::npos)
        return true;
    return t.size() - mark - 1 <= static_cast<std::size_t>(std::max(rules.decimalPlaces, 0));
}

bool IsValidText(const EditInputRules& rules, std::string_view text)
{
    if (text.empty())
        return true;
    const std::u32string t = DecodeUtf8(text);
    switch (rules.editType) {
    case etInteger:
        return IsValidInteger(t);
    case etFloat:
        return IsValidFloat(rules, t);
    case etXMLName:
        return std::all_of(t.begin(), t.end(), IsXmlNameChar);
    case etEnumeration: {
        // A blank set lets every key through, so it must not make the text
        // that those keys typed undeletable either.
        const CharSet set(rules.enumerationChar);
        return set.blank() || std::all_of(t.begin(), t.end(), [&](char32_t c) { return set.contains(c); });
    }
    case etAlphaNumeric: {
        const CharSet set(rules.enumerationChar);
        return std::all_of(t.begin(), t.end(), [&](char32_t c) {
            return IsLetterChar(c) || IsDigitChar(c) || set.contains(c) || c == U' ' || IsControlKey(c);
        });
    }
    case etString:
    case etMasked:
        break;
    }
    return true;
}

KeyFilterResult FilterKey(const EditInputRules& rules, const EditState& state, char32_t key)
{
    KeyFilterResult result;
    result.state = state;
    result.key = key;
    const TEditTypes type = rules.editType;

    if ((type == etInteger || type == etFloat) && key == keys::Escape)
        result.state = EditState{"0", 0, 0};

    switch (type) {
    case etInteger: {
        const bool digit = IsDigitChar(key);
        if (!digit && key != U'-' && !IsControlKey(key)) {
            result.key = keys::Rejected;
            break;
        }
        EditState& s = result.state;
        // Typing over a selection first takes it away, so the tests below see
        // the text the character really lands in. Only characters that insert
        // do so: copy, cut, paste and Backspace keep their usual meaning.
        if ((digit || key == U'-') && s.selLength > 0) {
            s.text = TextWithoutSelection(s);
            s.selLength = 0;
        }
        if (digit && (s.text == "0" || rules.maxLength == 1)) {
            s.selStart = 0;
            s.selLength = DecodeUtf8(s.text).size();
        }
        if (key == U'-' && MinusAfterFirst(ResultingText(s, key, rules.maxLength)))
            result.key = keys::Rejected;
        break;
    }
    case etFloat: {
        if (!IsDigitChar(key) && key != U'-' && key != U',' && key != U'.' && !IsControlKey(key)) {
            result.key = keys::Rejected;
            break;
        }
        if (key == U',' || key == U'.')
            result.key = rules.decimalSeparator;
        const char32_t k = result.key;
        if (k == keys::CtrlC || k == keys::CtrlV || k == keys::CtrlX || k == keys::CtrlZ)
            break;
        const std::string resulting = ResultingText(result.state, k, rules.maxLength);
        if (!IsValidText(rules, resulting) || MinusAfterFirst(resulting))
            result.key = keys::Rejected;
        break;
    }
    case etXMLName:
        if (!IsXmlNameChar(key) && !IsControlKey(key))
            result.key = keys::Dropped;
        break;
    case etEnumeration: {
        const CharSet set(rules.enumerationChar);
        if (!set.blank() && !set.contains(key) && !IsControlKey(key))
            result.key = keys::Dropped;
        break;
    }
    case etAlphaNumeric: {
        const CharSet set(rules.enumerationChar);
        if (!IsLetterChar(key) && !IsDigitChar(key) && !set.contains(key) && key != U' ' && !IsControlKey(key))
            result.key = keys::Dropped;
        break;
    }
    case etMasked:
        if (key != keys::CtrlC && key != keys::CtrlV && key != keys::CtrlX) {
            result.toMask = true;
            result.key = keys::Dropped;
        }
        break;
    case etString:
        break;
    }

    if (result.key == keys::Enter || result.key == keys::LineFeed)
        result.key = keys::Dropped;
    return result;
}

double HoldToRange(double value, double minValue, double maxValue)
{
    if (minValue < maxValue)
        return std::clamp(value, minValue, maxValue);
    if (minValue > maxValue) {
        if (maxValue == 0)
            return std::max(value, minValue);
        if (minValue == 0)
            return std::min(value, maxValue);
    }
    return value;
}

double CurrentNumber(const EditInputRules& rules, std::string_view text)
{
    std::u32string t;
    for (char32_t c : DecodeUtf8(text)) {
        const bool thousands = c == rules.thousandsSeparator && c != rules.decimalSeparator;
        if (c != U' ' && c != 0xA0 && c != 0x202F && !thousands)
            t.push_back(c);
    }
    std::size_t mark = t.find(U',');
    if (mark == std::u32string::npos)
        mark = t.find(U'.');
    if (mark == std::u32string::npos)
        mark = t.find(rules.decimalSeparator);
    const DecimalParts parts = SplitDecimal(t, mark);
    const std::optional<double> value = parts.ok ? ToDouble(parts.ascii) : std::nullopt;
    return HoldToRange(value.value_or(0.0), rules.minValue, rules.maxValue);
}

std::string FormatFixed(double value, int decimals, char32_t decimalSeparator)
{
    decimals = std::clamp(decimals, 0, 60);
    value += 0.0; // no "-0.00" for a negative zero
    char buffer[400];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (ec != std::errc())
        return {};
    std::string out;
    for (const char* p = buffer; p != ptr; ++p) {
        if (*p == '.')
            AppendUtf8(out, decimalSeparator);
        else
            out.push_back(*p);
    }
    return out;
}

std::string TextOnLeaving(const EditInputRules& rules, std::string_view text)
{
    if (rules.editType != etFloat || text.empty())
        return std::string(text);
    return FormatFixed(CurrentNumber(rules, text), rules.decimalPlaces, rules.decimalSeparator);
}

} // namespace e3
