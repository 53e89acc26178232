#pragma once
// The user's number format as far as the conversions of StrLib need it: the
// decimal and thousands separators. Process-wide; the GUI start-up sets it from
// the user's locale, and number texts that leave the program never depend on it.
#include <string>

namespace u3 {

struct FormatSettings {
    // UTF-8 texts, because some locales group digits with a non-ASCII blank.
    std::string DecimalSeparator = ".";
    std::string ThousandSeparator = ","; // empty: none
};

FormatSettings GetFormatSettings();
void SetFormatSettings(const FormatSettings& settings);

// The current settings with "." as decimal separator and no thousands separator.
FormatSettings GetDotFormatSettings();

} // namespace u3
