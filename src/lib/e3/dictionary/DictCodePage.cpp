#include "e3/dictionary/DictCodePage.h"

#include "u3/Exceptions.h"
#include "u3/StrLib.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace e3 {
namespace {

// A single-byte code page as two tables, built once with iconv, so that the
// conversions of large dictionaries cost one lookup per character.
struct CodePageTables {
    std::string name;
    std::array<char32_t, 256> toUnicode{};
    std::unordered_map<char32_t, unsigned char> fromUnicode;
};

std::shared_ptr<const CodePageTables> BuildTables(const std::string& name)
{
    iconv_t cd = ::iconv_open("UTF-32LE", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw u3::Exception("Unknown code page \"" + name + "\".");
    auto tables = std::make_shared<CodePageTables>();
    tables->name = name;
    for (unsigned b = 0; b < 256; ++b) {
        char in = static_cast<char>(b);
        char out[8] = {};
        char* inPtr = &in;
        char* outPtr = out;
        size_t inLeft = 1, outLeft = sizeof out;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const size_t rc = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        char32_t cp = b;
        if (rc != static_cast<size_t>(-1) && outLeft == 4) {
            cp = static_cast<char32_t>(static_cast<unsigned char>(out[0]) | static_cast<unsigned char>(out[1]) << 8 |
                                       static_cast<unsigned char>(out[2]) << 16 |
                                       static_cast<unsigned char>(out[3]) << 24);
        } else if (rc != static_cast<size_t>(-1) || outLeft != sizeof out) {
            ::iconv_close(cd);
            throw u3::Exception("Code page \"" + name + "\" is not a single-byte code page.");
        }
        // A byte iconv cannot map keeps its own value as a code point. glibc's
        // CP1252 has no mapping for 0x81, 0x8D, 0x8F, 0x90 and 0x9D; they become
        // the C1 controls of the same value, so every byte survives a round trip.
        tables->toUnicode[b] = cp;
    }
    ::iconv_close(cd);
    for (unsigned b = 256; b-- > 0;)
        tables->fromUnicode[tables->toUnicode[b]] = static_cast<unsigned char>(b);
    return tables;
}

std::mutex& TablesMutex()
{
    static std::mutex m;
    return m;
}

std::shared_ptr<const CodePageTables>& CurrentTablesSlot()
{
    static std::shared_ptr<const CodePageTables> tables = BuildTables("CP1252");
    return tables;
}

std::shared_ptr<const CodePageTables> Tables()
{
    std::lock_guard lock(TablesMutex());
    return CurrentTablesSlot();
}

char FromUnicode(const CodePageTables& t, char32_t cp)
{
    if (cp < 0x80 && t.toUnicode[cp] == cp)
        return static_cast<char>(cp);
    auto it = t.fromUnicode.find(cp);
    return it == t.fromUnicode.end() ? '?' : static_cast<char>(it->second);
}

bool IsAscii(std::string_view s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

void SetDictionaryCodePage(const std::string& iconvName)
{
    auto tables = BuildTables(iconvName);
    std::lock_guard lock(TablesMutex());
    CurrentTablesSlot() = std::move(tables);
}

std::string DictionaryCodePage()
{
    return Tables()->name;
}

std::string Utf8ToCodePage(std::string_view utf8)
{
    if (IsAscii(utf8))
        return std::string(utf8);
    const auto tables = Tables();
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        int extra = 0;
        char32_t cp = 0;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            out += '?';
            ++i;
            continue;
        }
        bool ok = true;
        size_t j = 1;
        for (; ok && j <= static_cast<size_t>(extra); ++j) {
            if (i + j >= utf8.size() || (static_cast<unsigned char>(utf8[i + j]) & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + j]) & 0x3F);
        }
        if (!ok) {
            out += '?';
            i += j;
            continue;
        }
        out += FromUnicode(*tables, cp);
        i += 1 + static_cast<size_t>(extra);
    }
    return out;
}

std::string CodePageToUtf8(std::string_view bytes)
{
    if (IsAscii(bytes))
        return std::string(bytes);
    const auto tables = Tables();
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes)
        u3::AppendUtf8(out, tables->toUnicode[static_cast<unsigned char>(c)]);
    return out;
}

std::string Utf16ToCodePage(std::u16string_view text)
{
    const auto tables = Tables();
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp < 0xE000) {
            out += '?';
            continue;
        }
        out += FromUnicode(*tables, cp);
    }
    return out;
}

std::u16string CodePageToUtf16(std::string_view bytes)
{
    const auto tables = Tables();
    std::u16string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const char32_t cp = tables->toUnicode[static_cast<unsigned char>(c)];
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

} // namespace e3
