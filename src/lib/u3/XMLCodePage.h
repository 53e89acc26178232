#pragma once
// The 8-bit encodings an XML document may be read in and written back in.
// Documents live in memory as UTF-8; these convert at the edges.
#include <string>
#include <string_view>

namespace u3 {

enum class XMLCodePage { kUtf8, kCp1252, kKoi8r };

// The encoding an XML declaration names: none or UTF-8 is UTF-8, KOI8-R is
// KOI8-R, and any other name is taken as Windows-1252.
XMLCodePage XMLCodePageOf(std::string_view encodingName);

// Every byte has a character; the five bytes Windows-1252 leaves undefined
// become the C1 controls of the same value, so that no byte is lost.
std::string XMLCodePageToUtf8(std::string_view bytes, XMLCodePage page);
// Characters the code page lacks become decimal character references, and
// bytes that are not UTF-8 become '?'.
std::string Utf8ToXMLCodePage(std::string_view utf8, XMLCodePage page);

} // namespace u3
