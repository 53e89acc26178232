#pragma once
// Multi-line texts as the engine exchanges them: lines joined by CR LF. Line
// breaks arriving from the engine may be CR LF, LF or CR.
#include <string>
#include <string_view>
#include <vector>

namespace e3 {

// The lines of a text; a break at the very end starts no further line, so
// "a\r\nb\r\n" and "a\nb" are both two lines and "" is none.
std::vector<std::string> SplitLines(std::string_view text);
std::string JoinLines(const std::vector<std::string>& lines, std::string_view separator = "\r\n");

} // namespace e3
