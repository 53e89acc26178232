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

// What a character the code page lacks becomes.
enum class Unmappable {
    kCharacterReference, // "&#NNN;": an XML reader gives the character back
    kQuestionMark,       // '?': for text that is not XML; the loss is reported
};

// The bytes of utf8 in page (UTF-8 stays as it is). Bytes that are not UTF-8
// become '?', one for each maximal part of a broken sequence, as the Unicode
// standard recommends; under kQuestionMark so does every unmappable
// character. *replaced is set to true when a '?' stands for something, and
// left alone otherwise.
std::string Utf8ToCodePage(std::string_view utf8, XMLCodePage page, Unmappable unmappable,
                           bool* replaced = nullptr);
// Characters the code page lacks become decimal character references.
inline std::string Utf8ToXMLCodePage(std::string_view utf8, XMLCodePage page)
{
    return Utf8ToCodePage(utf8, page, Unmappable::kCharacterReference);
}

} // namespace u3
