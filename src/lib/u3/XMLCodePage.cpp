#include "XMLCodePage.h"

#include "u3/Exceptions.h"

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

bool SameAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != b[i])
            return false;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

XMLCodePage XMLCodePageOf(std::string_view name)
{
    if (name.empty() || SameAscii(name, "UTF-8") || SameAscii(name, "UTF8"))
        return XMLCodePage::kUtf8;
    if (SameAscii(name, "KOI8-R") || SameAscii(name, "KOI8R"))
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

std::string Utf8ToXMLCodePage(std::string_view utf8, XMLCodePage page)
{
    if (page == XMLCodePage::kUtf8)
        return std::string(utf8);
    const Tables& tables = TablesOf(page);
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80 && tables.toUnicode[lead] == lead) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        std::size_t extra = lead >= 0xF0 && lead < 0xF5 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : 0;
        char32_t cp = extra == 3 ? lead & 0x07 : extra == 2 ? lead & 0x0F : lead & 0x1F;
        bool valid = lead < 0x80 || (lead >= 0xC2 && lead < 0xF5);
        if (lead < 0x80)
            cp = lead;
        std::size_t j = 1;
        for (; valid && j <= extra; ++j) {
            const unsigned char next = i + j < utf8.size() ? static_cast<unsigned char>(utf8[i + j]) : 0;
            if ((next & 0xC0) != 0x80)
                valid = false;
            else
                cp = cp << 6 | (next & 0x3F);
        }
        if (!valid) {
            out += '?';
            i += j == 1 ? 1 : j - 1;
            continue;
        }
        i += 1 + extra;
        const auto it = tables.fromUnicode.find(cp);
        if (it != tables.fromUnicode.end()) {
            out += static_cast<char>(it->second);
        } else {
            out += "&#";
            out += std::to_string(static_cast<unsigned long>(cp));
            out += ';';
        }
    }
    return out;
}

} // namespace u3
