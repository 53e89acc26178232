#pragma once
// The engine's strings travel in Windows-1252; inside the client they are UTF-8.
#include <string>
#include <string_view>

namespace enginelink {

// True when text is ASCII without NUL: the same bytes in both encodings.
bool IsPlainAscii(std::string_view text);

// The Windows-1252 bytes of utf8. A character the code page cannot hold, each
// maximal part of a broken UTF-8 sequence, and NUL (which a wire string cannot
// carry) become '?', and lost is set.
std::string Utf8ToWire(std::string_view utf8, bool& lost);
// Every byte has a character; the five undefined ones map to U+0081 and so on.
std::string WireToUtf8(std::string_view bytes);

} // namespace enginelink
