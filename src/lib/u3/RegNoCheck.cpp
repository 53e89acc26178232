#include "u3/RegNoCheck.h"
#include "u3/StrLib.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

namespace u3 {

namespace {

constexpr std::size_t MaxSplitChars = 20;
constexpr std::size_t MaxEMailChars = 255;

// Strict enough for the checks: a malformed byte stands for itself as an
// unknown character, so it can never pass for a digit or a separator.
std::u32string Decode(std::string_view text, std::size_t maxChars)
{
    std::u32string out;
    std::size_t i = 0;
    while (i < text.size() && out.size() < maxChars) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        char32_t c = b;
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2;
            c = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            c = b & 0x07;
        } else if (b >= 0x80) {
            c = 0xFFFD;
        }
        bool ok = i + extra < text.size();
        for (std::size_t k = 1; ok && k <= extra; ++k) {
            const auto cb = static_cast<unsigned char>(text[i + k]);
            ok = (cb & 0xC0) == 0x80;
            c = (c << 6) | (cb & 0x3F);
        }
        if (!ok) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        out.push_back(c);
        i += extra + 1;
    }
    return out;
}

std::string Encode(std::u32string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text)
        AppendUtf8(out, c);
    return out;
}

bool IsDigit(char32_t c)
{
    return c >= U'0' && c <= U'9';
}

bool AllDigits(std::u32string_view text)
{
    return std::all_of(text.begin(), text.end(), IsDigit);
}

int DigitAt(std::u32string_view text, std::size_t i)
{
    return static_cast<int>(text[i] - U'0');
}

// The text as a signed integer; -1 for a text that is none (so that every
// caller's "not below 0" test refuses it).
int64_t IntegerValue(std::u32string_view text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == U'-' || text[i] == U'+')) {
        negative = text[i] == U'-';
        ++i;
    }
    if (i == text.size())
        return -1;
    uint64_t value = 0;
    constexpr uint64_t limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i]))
            return -1;
        value = value * 10 + static_cast<uint64_t>(text[i] - U'0');
        if (value > limit)
            return -1;
    }
    return negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
}

int Mod11(std::u32string_view text, std::size_t count, bool cyclic)
{
    count = std::min(count, text.size());
    int sum = 0;
    int weight = 2;
    for (std::size_t i = count; i-- > 0;) {
        if (!IsDigit(text[i]))
            return -1;
        sum += DigitAt(text, i) * weight;
        ++weight;
        if (cyclic && weight > 9)
            weight = 2;
    }
    return (11 - sum % 11) % 11 % 10;
}

// The computed digit, written in decimal, against the character at that place.
bool DigitMatches(int digit, std::u32string_view text, std::size_t index)
{
    return digit >= 0 && index < text.size() && text[index] == static_cast<char32_t>(U'0' + digit);
}

struct Split {
    std::u32string whole;
    std::u32string number;
    std::u32string check;
    std::size_t separatorPos = 0; // 1-based, 0 when absent
    bool ok = false;
};

bool LengthFits(TRegNoMode kind, std::size_t n)
{
    switch (kind) {
    case rnmESAN: return n == 11;
    case rnmESAC: return n == 6;
    case rnmESDNI: return n >= 3 && n <= 10;
    case rnmESPBC: return n == 11;
    case rnmUKAN: return n == 10;
    case rnmSEAN: return n == 9;
    case rnmBRCPF: return n >= 8 && n <= 11;
    case rnmBRCNPJ: return n == 14;
    case rnmBRVeskPI: return n == 8;
    case rnmBRVeskBR: return n == 13;
    case rnmBRVeskGRU: return n >= 12 && n <= 17;
    default: return true;
    }
}

bool SplitsAtSeparator(TRegNoMode kind)
{
    switch (kind) {
    case rnmNone:
    case rnmESAN:
    case rnmESAC:
    case rnmESDNI:
    case rnmUKAN:
    case rnmSEAN: return true;
    default: return false;
    }
}

// Number and check part by fixed 1-based positions; kinds without fixed
// positions give {0, 0}.
struct FixedParts {
    std::size_t numberEnd = 0; // number: 1..numberEnd
    std::size_t checkEnd = 0;  // check part: numberEnd+1..checkEnd
};

FixedParts FixedPositions(TRegNoMode kind)
{
    switch (kind) {
    case rnmESPBC: return {9, 11};
    case rnmBRCPF: return {9, 11};
    case rnmBRCNPJ: return {12, 14};
    case rnmBRVeskPI: return {7, 8};
    case rnmBRVeskBR: return {12, 13};
    case rnmBRVeskGRU: return {15, 16};
    default: return {};
    }
}

std::u32string Slice(const std::u32string& text, std::size_t from, std::size_t to)
{
    if (from >= text.size() || to <= from)
        return {};
    return text.substr(from, std::min(to, text.size()) - from);
}

Split SplitText(std::string_view text, TRegNoMode kind)
{
    Split s;
    s.whole = Decode(text, MaxSplitChars);
    const std::size_t length = s.whole.size();
    if (!LengthFits(kind, length))
        return s;
    const char32_t separator = RegNoSeparator(kind);
    if (separator != 0) {
        const std::size_t at = s.whole.find(separator);
        s.separatorPos = at == std::u32string::npos ? 0 : at + 1;
    }
    if (SplitsAtSeparator(kind)) {
        const std::size_t checkLength = RegNoDefaultCheckDigit(kind).size();
        if (s.separatorPos <= 1 || s.separatorPos != length - checkLength)
            return s;
        s.number = s.whole.substr(0, s.separatorPos - 1);
        s.check = s.whole.substr(s.separatorPos, 1);
    } else if (const FixedParts fixed = FixedPositions(kind); fixed.numberEnd > 0) {
        s.number = Slice(s.whole, 0, fixed.numberEnd);
        s.check = Slice(s.whole, fixed.numberEnd, fixed.checkEnd);
    }
    if (!AllDigits(s.number))
        return s;
    switch (kind) {
    case rnmESAN:
    case rnmESAC:
        if (!AllDigits(s.check) && s.check != U"X")
            return s;
        break;
    case rnmESDNI:
        if (s.check.size() != 1 || DniLetterIndex(s.check[0]) < 0)
            return s;
        break;
    default:
        if (!AllDigits(s.check))
            return s;
        break;
    }
    s.ok = true;
    return s;
}

bool CheckLuhnSplit(const Split& s)
{
    if (!s.ok)
        return false;
    int sum = 0;
    int weight = 2;
    for (std::size_t i = s.number.size(); i-- > 0;) {
        const int product = DigitAt(s.number, i) * weight;
        sum += product >= 10 ? product % 10 + 1 : product;
        weight = weight == 2 ? 1 : 2;
    }
    const int64_t check = IntegerValue(s.check);
    return check >= 0 && (10 - sum % 10) % 10 == check;
}

// Weighted mod 11 with "X" standing for 10, as the Spanish kinds write it.
bool CheckWeightedMod11(const Split& s, const std::array<int, 9>& weights, std::size_t count)
{
    if (!s.ok || s.number.size() != count)
        return false;
    const int64_t check = s.check == U"X" ? 10 : IntegerValue(s.check);
    if (check < 0)
        return false;
    int sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += DigitAt(s.number, i) * weights[i];
    int r = 11 - sum % 11;
    if (r == 11)
        r = 0;
    return r == check;
}

// Luhn over a fixed count of digits: the weight of position i (1-based) is
// oddWeight at odd positions and the other one at even ones.
bool CheckDigitSum(const Split& s, std::size_t count, int oddWeight)
{
    if (!s.ok || s.number.size() != count)
        return false;
    const int64_t check = IntegerValue(s.check);
    if (check < 0)
        return false;
    const int evenWeight = oddWeight == 1 ? 2 : 1;
    int sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const int product = DigitAt(s.number, i) * ((i + 1) % 2 == 1 ? oddWeight : evenWeight);
        sum += product / 10 + product % 10;
    }
    int r = 10 - sum % 10;
    if (r == 10)
        r = 0;
    return r == check;
}

bool CheckESPBC(std::string_view text)
{
    const Split s = SplitText(text, rnmESPBC);
    // A text that is not of the kind's form is no number of the kind.
    if (!s.ok || s.number.size() != 9)
        return false;
    const int64_t check = IntegerValue(s.check);
    if (check <= 0)
        return true;
    static constexpr std::array<int, 9> weights {7, 41, 31, 23, 17, 19, 7, 11, 13};
    int sum = 0;
    for (std::size_t i = 0; i < 9; ++i)
        sum += DigitAt(s.number, i) * weights[i];
    return sum % 100 == check;
}

bool CheckCPF(std::string_view text)
{
    const Split s = SplitText(text, rnmBRCPF);
    if (!s.ok)
        return false;
    const std::u32string& t = s.whole;
    if (std::all_of(t.begin(), t.end(), [&](char32_t c) { return c == t.front(); }))
        return false;
    const std::size_t n = t.size();
    return DigitMatches(Mod11(t, n - 2, false), t, n - 2) && DigitMatches(Mod11(t, n - 1, false), t, n - 1);
}

bool CheckCyclic(std::string_view text, TRegNoMode kind)
{
    const Split s = SplitText(text, kind);
    if (!s.ok)
        return false;
    const std::u32string& t = s.whole;
    switch (kind) {
    case rnmBRCNPJ:
        return DigitMatches(Mod11(t, 12, true), t, 12) && DigitMatches(Mod11(t, 13, true), t, 13);
    case rnmBRVeskPI:
        return DigitMatches(Mod11(t, 7, true), t, 7);
    case rnmBRVeskBR:
        return DigitMatches(Mod11(t, 12, true), t, 12);
    case rnmBRVeskGRU:
        return DigitMatches(Mod11(t, t.size() - 1, true), t, t.size() - 1);
    default:
        return false;
    }
}

bool IsRefusedEMailChar(char32_t c)
{
    static constexpr std::u32string_view refused =
        U"!#$%&()*+,/:;<=>?[]^`{|}~\u00A2\u00A3\u00A7\u00A8\u00AA\u00AC\u00B0\u00B2\u00B3\u00B4\u00B9\u00BA\u00C7\u00E7";
    return refused.find(c) != std::u32string_view::npos;
}

} // namespace

const char* RegNoModeName(TRegNoMode mode)
{
    static constexpr std::array<const char*, RegNoModeCount> names {
        "rnmNone", "rnmCDS", "rnmESAN", "rnmESAC", "rnmESDNI", "rnmESPBC", "rnmUKAN", "rnmSEAN",
        "rnmBRCPF", "rnmBRCNPJ", "rnmBRVeskPI", "rnmBRVeskBR", "rnmBRVeskGRU", "rnmEMAIL", "rnmOther"};
    const int i = static_cast<int>(mode);
    return i >= 0 && i < RegNoModeCount ? names[static_cast<std::size_t>(i)] : "";
}

char32_t RegNoSeparator(TRegNoMode kind)
{
    switch (kind) {
    case rnmNone:
    case rnmCDS:
    case rnmESAN:
    case rnmESAC:
    case rnmUKAN: return U'.';
    case rnmESDNI:
    case rnmSEAN: return U'-';
    // The Brazilian 13-digit kind is split at fixed places and shown without a
    // check digit, so a separator would only be a character the edit refuses.
    default: return 0;
    }
}

std::string RegNoDefaultCheckDigit(TRegNoMode kind)
{
    switch (kind) {
    case rnmESDNI: return "T";
    case rnmBRCPF:
    case rnmBRCNPJ:
    case rnmBRVeskPI:
    case rnmBRVeskGRU:
    case rnmEMAIL: return {};
    default: return "0";
    }
}

std::string RegNoZeroText(TRegNoMode kind)
{
    const char32_t separator = RegNoSeparator(kind);
    if (separator == 0)
        return RegNoDefaultCheckDigit(kind);
    std::string text = "0";
    text += Encode(std::u32string(1, separator));
    text += RegNoDefaultCheckDigit(kind);
    return text;
}

void SplitRegNo(std::string_view text, TRegNoMode kind, TRegNoParts& parts)
{
    const Split s = SplitText(text, kind);
    parts.Length = static_cast<int>(s.whole.size());
    parts.Whole = Encode(s.whole);
    parts.Number = Encode(s.number);
    parts.CheckPart = Encode(s.check);
    parts.SeparatorPos = static_cast<int>(s.separatorPos);
    parts.Ok = s.ok;
}

bool IsAllDigits(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int DniLetterIndex(char32_t ch)
{
    if (ch > 0x7F)
        return -1;
    const std::size_t at = DniLetters.find(static_cast<char>(ch));
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

int Mod11CheckDigit(std::string_view text, int count)
{
    return Mod11(Decode(text, static_cast<std::size_t>(std::max(count, 0))), static_cast<std::size_t>(std::max(count, 0)),
                 false);
}

int Mod11CheckDigitCyclic(std::string_view text, int count)
{
    return Mod11(Decode(text, static_cast<std::size_t>(std::max(count, 0))), static_cast<std::size_t>(std::max(count, 0)),
                 true);
}

bool IsValidEMail(std::string_view text)
{
    const std::u32string t = Decode(text, MaxEMailChars);
    if (t.empty())
        return true;
    const std::size_t at = t.find(U'@');
    const std::size_t dot = t.find(U'.');
    const std::size_t last = t.size() - 1;
    if (at == std::u32string::npos || dot == std::u32string::npos)
        return false;
    if (at == 0 || at == last || dot == 0 || dot == last)
        return false;
    if (t.find(U' ') != std::u32string::npos)
        return false;
    if (at + 1 == dot || dot + 1 == at)
        return false;

    bool valid = true;
    if (std::any_of(t.begin(), t.end(), IsRefusedEMailChar))
        valid = false;
    if (t.find(U"..") != std::u32string::npos)
        valid = false;
    if (t.find(U'@', at + 1) != std::u32string::npos)
        valid = false;
    if (t.back() == U'.')
        valid = false;
    if (t.front() == U'.' || t.front() == U'_' || t.front() == U'-')
        valid = false;
    // Neither side of "@" may be a dot, hyphen or underscore. Looking at the
    // two characters themselves, rather than where such a character first
    // occurs, keeps host names that merely begin with a word (tom@company.com)
    // and still refuses "a.b@.c" or "a_b_@c.d".
    const auto badNeighbour = [](char32_t c) { return c == U'.' || c == U'-' || c == U'_'; };
    if (badNeighbour(t[at - 1]) || badNeighbour(t[at + 1]))
        valid = false;
    return valid;
}

bool CheckRegNo(std::string_view text, TRegNoMode kind)
{
    switch (kind) {
    case rnmNone:
        return CheckLuhnSplit(SplitText(text, rnmNone));
    case rnmCDS:
        if (text.find('.') != std::string_view::npos)
            return CheckLuhnSplit(SplitText(text, rnmNone));
        return IntegerValue(Decode(text, text.size())) > 0;
    case rnmESAN:
        return CheckWeightedMod11(SplitText(text, kind), {10, 9, 8, 7, 6, 5, 4, 3, 2}, 9);
    case rnmESAC:
        return CheckWeightedMod11(SplitText(text, kind), {2, 3, 4, 5}, 4);
    case rnmESDNI: {
        const Split s = SplitText(text, kind);
        if (!s.ok)
            return false;
        const int letter = DniLetterIndex(s.check[0]);
        const int64_t number = IntegerValue(s.number);
        return letter >= 0 && number >= 0 && number % 23 == letter;
    }
    case rnmESPBC:
        return CheckESPBC(text);
    case rnmUKAN:
        return CheckDigitSum(SplitText(text, kind), 8, 1);
    case rnmSEAN:
        return CheckDigitSum(SplitText(text, kind), 7, 2);
    case rnmBRCPF:
        return CheckCPF(text);
    case rnmBRCNPJ:
    case rnmBRVeskPI:
    case rnmBRVeskBR:
    case rnmBRVeskGRU:
        return CheckCyclic(text, kind);
    case rnmEMAIL:
        return IsValidEMail(text);
    case rnmOther:
        return IntegerValue(Decode(text, text.size())) >= 0;
    }
    return false;
}

} // namespace u3
