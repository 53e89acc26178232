#pragma once
// The names of the fonts installed for the screen, as the font combo boxes
// offer them.
#include <string>
#include <string_view>
#include <vector>

namespace e3 {

// Every family name fontconfig knows, once each (letter case aside), sorted
// without regard to case, less the picture fonts whose names hold "webdings"
// or "wingding". Asked of fontconfig once per program run.
const std::vector<std::string>& ScreenFontNames();

// Whether a family is one of the picture fonts the list leaves out.
bool IsSymbolFontName(std::string_view family);

// The same list made from family names given (for tests and the first call).
std::vector<std::string> FontNameList(std::vector<std::string> families);

} // namespace e3
