#include "XMLCodePage.h"

#include "u3/Exceptions.h"
#include "u3/StrLib.h"

#include <iconv.h>

#include <array>
#include <unordered_map>

namespace u3 {
namespace {

struct Tables {
    std::array<char32_t, 256> toUnicode{};
    std::unordered_map<char32_t, unsigned char> fromUnicode;
};

// Built once with iconv, so that a conversion costs one lookup per character.
Tables Build(const char* name)
{
    Tables tables;
    iconv_t cd = ::iconv_open("UTF-32LE", name);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw Exception(std::string("The code page ") + name + " is not available.");
    for (unsigned b = 0; b < 256; ++b) {
        char in = static_cast<char>(b);
        unsigned char out[4] = {};
        char* inPtr = &in;
        char* outPtr = reinterpret_cast<char*>(out);
        size_t inLeft = 1, outLeft = sizeof out;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char32_t cp = b;
        if (::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) && outLeft == 0)
            cp = static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 | out[3] << 24);
        tables.toUnicode[b] = cp;
    }
    ::iconv_close(cd);
    for (unsigned b = 256; b-- > 0;)
        tables.fromUnicode[tables.toUnicode[b]] = static_cast<unsigned char>(b);
    return tables;
}

const Tables& TablesOf(XMLCodePage page)
{
    static const Tables cp1252 = Build("CP1252");
    static const Tables koi8r = Build("KOI8-R");
    return page == XMLCodePage::kKoi8r ? koi8r : cp1252;
}

// Decodes the sequence that starts with the non-ASCII byte text[i]. A
// well-formed one gives its code point and length; otherwise false, and
// length is that of the maximal part that could have begun a sequence (at
// least 1), so that overlong forms, surrogates and values past U+10FFFF are
// refused at their second byte.
bool DecodeUtf8(std::string_view text, std::size_t i, char32_t& cp, std::size_t& length)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t need = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        cp = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        cp = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    length = 1;
    if (need == 0)
        return false;
    for (std::size_t k = 1; k <= need; ++k) {
        if (i + k >= text.size())
            return false;
        const auto next = static_cast<unsigned char>(text[i + k]);
        if (next < low || next > high)
            return false;
        cp = cp << 6 | (next & 0x3F);
        ++length;
        low = 0x80;
        high = 0xBF;
    }
    return true;
}

} // namespace

XMLCodePage XMLCodePageOf(std::string_view name)
{
    if (name.empty() || SameText(name, "UTF-8") || SameText(name, "UTF8"))
        return XMLCodePage::kUtf8;
    if (SameText(name, "KOI8-R") || SameText(name, "KOI8R"))
        return XMLCodePage::kKoi8r;
    return XMLCodePage::kCp1252;
}

std::string XMLCodePageToUtf8(std::string_view bytes, XMLCodePage page)
{
    if (page == XMLCodePage::kUtf8)
        return std::string(bytes);
    const Tables& tables = TablesOf(page);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char c : bytes)
        AppendUtf8(out, tables.toUnicode[static_cast<unsigned char>(c)]);
    return out;
}

std::string Utf8ToCodePage(std::string_view utf8, XMLCodePage page, Unmappable unmappable, bool* replaced)
{
    if (page == XMLCodePage::kUtf8)
        return std::string(utf8);
    const Tables& tables = TablesOf(page);
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) { // ASCII is the same in every page we write
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        char32_t cp = 0;
        std::size_t length = 0;
        const bool valid = DecodeUtf8(utf8, i, cp, length);
        i += length;
        const auto it = valid ? tables.fromUnicode.find(cp) : tables.fromUnicode.end();
        if (it != tables.fromUnicode.end()) {
            out += static_cast<char>(it->second);
        } else if (valid && unmappable == Unmappable::kCharacterReference) {
            out += "&#";
            out += std::to_string(static_cast<unsigned long>(cp));
            out += ';';
        } else {
            out += '?';
            if (replaced)
                *replaced = true;
        }
    }
    return out;
}

} // namespace u3
