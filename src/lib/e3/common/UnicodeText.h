#pragma once
// Text codecs of the Unicode controls: the caption the engine sends as Base64
// of UTF-8, and UTF-7 (RFC 2152) for wide string properties kept in form
// streams. Texts are UTF-8 in std::string everywhere else.
#include "u3/Exceptions.h"

#include <string>
#include <string_view>

namespace e3 {

// Raised by DecodeUtf7 with the text "Invalid UTF7".
class EUtf7Error : public u3::Exception {
public:
    using u3::Exception::Exception;
};

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// The engine's caption: Base64 of UTF-8, a leading byte-order mark allowed.
// Text that is not Base64, or bytes that are not UTF-8, give the empty text.
std::string UnicodeCaptionToText(std::string_view base64);
// The other way: Base64 of the UTF-8 text (no byte-order mark).
std::string TextToUnicodeCaption(const std::string& text);

// UTF-7 with the optional direct characters written directly, "+" as "+-" and
// a base64 run closed with "-" only where the next character would otherwise
// be read as part of it. The input is UTF-8; bytes that are not are written as
// U+FFFD.
std::string EncodeUtf7(std::string_view utf8);
// Back to UTF-8. Throws EUtf7Error for bytes above 127, a "+" not followed by
// base64 or "-", a run that leaves a partial character or non-zero fill bits,
// and surrogates that do not pair.
std::string DecodeUtf7(std::string_view utf7);

// Whether the text holds anything but ASCII, that is whether it would read
// differently when its UTF-8 bytes were taken for single-byte characters.
bool HasNonAscii(std::string_view utf8);

} // namespace e3
