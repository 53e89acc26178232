#pragma once
// Character handling shared by the edit controls: UTF-8 to code points and back,
// and the letter, digit and case rules the input filters and masks test against.
// Letters cover Latin (ASCII, Latin-1, Latin Extended-A/B), Greek and Cyrillic,
// which is what the client's languages write; everything else is no letter.
#include "u3/StrLib.h"

#include <string>
#include <string_view>

namespace e3 {

using u3::AppendUtf8;

// Invalid byte sequences decode as U+FFFD, one per offending byte, so that every
// input yields a definite sequence of characters.
std::u32string DecodeUtf8(std::string_view text);
std::string EncodeUtf8(std::u32string_view text);

bool IsDigitChar(char32_t c);
bool IsLetterChar(char32_t c);
char32_t ToUpperChar(char32_t c);
char32_t ToLowerChar(char32_t c);

} // namespace e3
