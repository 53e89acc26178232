#include "e3/common/UnicodeText.h"

#include "e3/common/EditChars.h"
#include "u3/Base64.h"

#include <cstdint>
#include <optional>

namespace e3 {
namespace {

constexpr char32_t Replacement = 0xFFFD;
const char* const Utf7Error = "Invalid UTF7";

// The code point that starts at pos, and pos moved past it; nothing (and pos
// moved by one byte) for a sequence that is not well-formed.
std::optional<char32_t> NextCodePoint(std::string_view s, size_t& pos)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    size_t extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1;
        cp = lead & 0x1Fu;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2;
        cp = lead & 0x0Fu;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3;
        cp = lead & 0x07u;
        minimum = 0x10000;
    } else {
        ++pos;
        return std::nullopt;
    }
    if (s.size() - pos <= extra) {
        ++pos;
        return std::nullopt;
    }
    for (size_t i = 1; i <= extra; ++i) {
        const unsigned char b = byte(pos + i);
        if ((b & 0xC0u) != 0x80u) {
            ++pos;
            return std::nullopt;
        }
        cp = (cp << 6) | (b & 0x3Fu);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return std::nullopt;
    }
    pos += extra + 1;
    return cp;
}

std::u16string ToUtf16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t cp = NextCodePoint(utf8, pos).value_or(Replacement);
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

const char Base64Chars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";


// Written as itself: the direct set, the optional direct set, blank, tab, CR
// and LF. "+" opens a run, and "\" and "~" are left to base64 as the RFC asks.
bool IsDirect(char16_t c)
{
    if (c >= 0x80)
        return false;
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    switch (c) {
    case '\'': case '(': case ')': case ',': case '-': case '.': case '/': case ':': case '?':
    case ' ': case '\t': case '\r': case '\n':
    case '!': case '"': case '#': case '$': case '%': case '&': case '*': case ';': case '<':
    case '=': case '>': case '@': case '[': case ']': case '^': case '_': case '`': case '{':
    case '|': case '}':
        return true;
    default:
        return false;
    }
}

} // namespace

bool IsValidUtf8(std::string_view bytes)
{
    size_t pos = 0;
    while (pos < bytes.size())
        if (!NextCodePoint(bytes, pos))
            return false;
    return true;
}

std::string UnicodeCaptionToText(std::string_view base64)
{
    std::string bytes;
    try {
        bytes = u3::Base64ToString(base64);
    } catch (const u3::EBase64Error&) {
        return std::string();
    }
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bytes.erase(0, 3);
    if (!IsValidUtf8(bytes))
        return std::string();
    return bytes;
}

std::string TextToUnicodeCaption(const std::string& text)
{
    return u3::StringToBase64(text);
}

bool HasNonAscii(std::string_view utf8)
{
    for (char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

std::string EncodeUtf7(std::string_view utf8)
{
    const std::u16string units = ToUtf16(utf8);
    std::string out;
    out.reserve(units.size() * 3);
    size_t i = 0;
    while (i < units.size()) {
        const char16_t c = units[i];
        if (c == u'+') {
            out += "+-";
            ++i;
            continue;
        }
        if (IsDirect(c)) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        out.push_back('+');
        uint32_t bits = 0;
        int bitCount = 0;
        while (i < units.size() && !IsDirect(units[i]) && units[i] != u'+') {
            bits = (bits << 16) | units[i];
            bitCount += 16;
            while (bitCount >= 6) {
                bitCount -= 6;
                out.push_back(Base64Chars[(bits >> bitCount) & 0x3F]);
            }
            bits &= (1u << bitCount) - 1;
            ++i;
        }
        if (bitCount > 0)
            out.push_back(Base64Chars[(bits << (6 - bitCount)) & 0x3F]);
        // A following base64 character or "-" would be read into the run.
        if (i < units.size() && (u3::Base64DigitValue(static_cast<char>(units[i])) >= 0 || units[i] == u'-'))
            out.push_back('-');
    }
    return out;
}

std::string DecodeUtf7(std::string_view utf7)
{
    std::u32string chars;
    chars.reserve(utf7.size());
    char16_t pendingHigh = 0;
    const auto addUnit = [&](char16_t unit) {
        if (pendingHigh) {
            if (unit < 0xDC00 || unit > 0xDFFF)
                throw EUtf7Error(Utf7Error);
            chars.push_back(0x10000 + ((static_cast<char32_t>(pendingHigh) - 0xD800) << 10) + (unit - 0xDC00));
            pendingHigh = 0;
        } else if (unit >= 0xD800 && unit <= 0xDBFF) {
            pendingHigh = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            throw EUtf7Error(Utf7Error);
        } else {
            chars.push_back(unit);
        }
    };
    size_t i = 0;
    while (i < utf7.size()) {
        const char c = utf7[i];
        if (static_cast<unsigned char>(c) >= 0x80)
            throw EUtf7Error(Utf7Error);
        if (c != '+') {
            if (pendingHigh)
                throw EUtf7Error(Utf7Error);
            chars.push_back(static_cast<unsigned char>(c));
            ++i;
            continue;
        }
        ++i;
        if (i < utf7.size() && utf7[i] == '-') {
            if (pendingHigh)
                throw EUtf7Error(Utf7Error);
            chars.push_back(U'+');
            ++i;
            continue;
        }
        uint32_t bits = 0;
        int bitCount = 0;
        size_t runLength = 0;
        while (i < utf7.size() && u3::Base64DigitValue(utf7[i]) >= 0) {
            bits = (bits << 6) | static_cast<uint32_t>(u3::Base64DigitValue(utf7[i]));
            bitCount += 6;
            if (bitCount >= 16) {
                bitCount -= 16;
                addUnit(static_cast<char16_t>((bits >> bitCount) & 0xFFFF));
            }
            bits &= (1u << bitCount) - 1;
            ++runLength;
            ++i;
        }
        // An empty run, a partial character or fill bits that are not zero.
        if (runLength == 0 || bitCount >= 6 || bits != 0)
            throw EUtf7Error(Utf7Error);
        if (i < utf7.size() && utf7[i] == '-')
            ++i;
    }
    if (pendingHigh)
        throw EUtf7Error(Utf7Error);
    return EncodeUtf8(chars);
}

} // namespace e3
