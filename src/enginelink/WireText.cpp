#include "enginelink/WireText.h"

#include "u3/XMLCodePage.h"

#include <algorithm>

namespace enginelink {

bool IsPlainAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c > 0 && static_cast<unsigned char>(c) < 0x80; });
}

std::string Utf8ToWire(std::string_view utf8, bool& lost)
{
    if (IsPlainAscii(utf8))
        return std::string(utf8);
    std::string out = u3::Utf8ToCodePage(utf8, u3::XMLCodePage::kCp1252, u3::Unmappable::kQuestionMark, &lost);
    // NUL would end the string on the wire. A NUL byte here can only be a NUL
    // of the input: the decoder refuses overlong forms.
    for (char& c : out) {
        if (c == '\0') {
            c = '?';
            lost = true;
        }
    }
    return out;
}

std::string WireToUtf8(std::string_view bytes)
{
    if (IsPlainAscii(bytes))
        return std::string(bytes);
    return u3::XMLCodePageToUtf8(bytes, u3::XMLCodePage::kCp1252);
}

} // namespace enginelink
