#pragma once
// The 8-bit code page in which dictionary words are kept. Word lengths and the
// sorted order of a word list are bytes of this code page in the dictionary
// file, so words stay in it inside the dictionary and become UTF-8 (or UTF-16
// for the wide writer) only at its edges.
#include <string>
#include <string_view>

namespace e3 {

// Selects the code page by its iconv name ("CP1252" unless set). Throws
// u3::Exception when iconv does not know it as a single-byte code page.
void SetDictionaryCodePage(const std::string& iconvName);
std::string DictionaryCodePage();

// UTF-8 to the code page; characters it cannot hold become '?', and so do
// malformed UTF-8 sequences.
std::string Utf8ToCodePage(std::string_view utf8);
std::string CodePageToUtf8(std::string_view bytes);
// UTF-16 code units (host order) to the code page; unpaired surrogates become '?'.
std::string Utf16ToCodePage(std::u16string_view text);
std::u16string CodePageToUtf16(std::string_view bytes);

} // namespace e3
