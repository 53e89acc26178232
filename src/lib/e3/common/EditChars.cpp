#include "e3/common/EditChars.h"

namespace e3 {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Latin Extended-A pairs capitals and small letters as neighbours, with the
// capital on the even code point in some runs and on the odd one in others.
bool InEvenCapitalRun(char32_t c)
{
    return (c >= 0x0100 && c <= 0x0137) || (c >= 0x014A && c <= 0x0177);
}

bool InOddCapitalRun(char32_t c)
{
    return (c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E);
}

} // namespace

std::u32string DecodeUtf8(std::string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        if (b0 < 0x80) {
            out.push_back(b0);
            ++i;
            continue;
        }
        int extra = 0;
        char32_t c = 0;
        char32_t minimum = 0;
        if ((b0 & 0xE0) == 0xC0) {
            extra = 1;
            c = b0 & 0x1F;
            minimum = 0x80;
        } else if ((b0 & 0xF0) == 0xE0) {
            extra = 2;
            c = b0 & 0x0F;
            minimum = 0x800;
        } else if ((b0 & 0xF8) == 0xF0) {
            extra = 3;
            c = b0 & 0x07;
            minimum = 0x10000;
        } else {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        if (i + static_cast<std::size_t>(extra) >= n) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            const auto b = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((b & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (b & 0x3F);
        }
        if (!ok || c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        out.push_back(c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::string EncodeUtf8(std::u32string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text)
        AppendUtf8(out, c);
    return out;
}

bool IsDigitChar(char32_t c)
{
    return c >= U'0' && c <= U'9';
}

bool IsLetterChar(char32_t c)
{
    if ((c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z'))
        return true;
    if (c == 0xAA || c == 0xB5 || c == 0xBA)
        return true;
    if (c >= 0xC0 && c <= 0x24F)
        return c != 0xD7 && c != 0xF7;
    if (c >= 0x386 && c <= 0x3FF)
        return c != 0x387 && c != 0x3F6;
    if (c >= 0x400 && c <= 0x52F)
        return c < 0x482 || c > 0x489;
    return false;
}

char32_t ToUpperChar(char32_t c)
{
    if (c >= U'a' && c <= U'z')
        return c - 0x20;
    if (c < 0x80)
        return c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return c - 0x20;
    if (c == 0xFF)
        return 0x178;
    if (InEvenCapitalRun(c))
        return c & ~char32_t{1};
    if (InOddCapitalRun(c))
        return (c & 1) ? c : c - 1;
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2)
        return c - 0x20;
    if (c >= 0x430 && c <= 0x44F)
        return c - 0x20;
    if (c >= 0x450 && c <= 0x45F)
        return c - 0x50;
    return c;
}

char32_t ToLowerChar(char32_t c)
{
    if (c >= U'A' && c <= U'Z')
        return c + 0x20;
    if (c < 0x80)
        return c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 0x20;
    if (c == 0x178)
        return 0xFF;
    if (InEvenCapitalRun(c))
        return c | 1;
    if (InOddCapitalRun(c))
        return (c & 1) ? c + 1 : c;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2)
        return c + 0x20;
    if (c >= 0x410 && c <= 0x42F)
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    return c;
}

} // namespace e3
