#pragma once
// Command-line texts as the engine and the INI files write them: arguments
// separated by blanks or tabs, grouped and escaped by double quotes and
// backslashes the way Windows programs split their command line.
#include <string>
#include <vector>

namespace u3 {

// Splits text into arguments:
// - blanks and tabs outside quotes separate arguments (runs of them count once);
// - a double quote starts or ends a quoted part, which may sit inside an argument;
// - 2n backslashes before a quote give n backslashes and the quote toggles;
//   2n+1 backslashes before a quote give n backslashes and a literal quote;
// - backslashes anywhere else are literal (so folder paths stay intact);
// - inside a quoted part, "" gives a literal quote and the part goes on;
// - an unterminated quoted part runs to the end of the text.
// Every argument follows these rules, the first one included, so that
// JoinCommandLine and SplitCommandLine are exact inverses.
std::vector<std::string> SplitCommandLine(const std::string& text);

// The command-line text that SplitCommandLine turns back into args: an argument
// that is empty or holds a blank, tab or quote is quoted, with backslashes
// doubled where they come before a quote or the closing quote.
std::string JoinCommandLine(const std::vector<std::string>& args);

} // namespace u3
