#include "enginelink/WireText.h"

#include "u3/XMLCodePage.h"

#include <algorithm>

namespace enginelink {
namespace {

// Bytes 0x80..0x9F of Windows-1252; the undefined ones keep their C1 value.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

int ByteOf(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == cp)
            return 0x80 + i;
    }
    return -1;
}

// Decodes one UTF-8 sequence at text[i]; false for a malformed one (i then
// moves past its first byte only).
bool NextCodePoint(std::string_view text, std::size_t& i, char32_t& cp)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    int length = 0;
    if (lead < 0x80) {
        cp = lead;
        length = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        cp = lead & 0x1F;
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        cp = lead & 0x0F;
        length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        cp = lead & 0x07;
        length = 4;
    } else {
        ++i;
        return false;
    }
    if (text.size() - i < static_cast<std::size_t>(length)) {
        ++i;
        return false;
    }
    for (int k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return false;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return false;
    }
    i += static_cast<std::size_t>(length);
    return true;
}

} // namespace

bool IsPlainAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c > 0 && static_cast<unsigned char>(c) < 0x80; });
}

std::string Utf8ToWire(std::string_view utf8, bool& lost)
{
    if (IsPlainAscii(utf8))
        return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = 0;
        const int byte = NextCodePoint(utf8, i, cp) ? ByteOf(cp) : -1;
        if (byte <= 0) {
            out.push_back('?');
            lost = true;
        } else {
            out.push_back(static_cast<char>(byte));
        }
    }
    return out;
}

std::string WireToUtf8(std::string_view bytes)
{
    if (IsPlainAscii(bytes))
        return std::string(bytes);
    return u3::XMLCodePageToUtf8(bytes, u3::XMLCodePage::kCp1252);
}

} // namespace enginelink
