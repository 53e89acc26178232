#pragma once
#include "u3/Exceptions.h"
// Base64 with the alphabet A-Z a-z 0-9 + / and "=" fill. Encoded text never
// holds a line break.
#include <istream>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace u3 {

// Raised for Base64 text that cannot be decoded: "Uneven size in
// DecodeToStream." when the characters that count are not a multiple of four,
// otherwise a message that names the offending character and its position.
class EBase64Error : public Exception {
public:
    using Exception::Exception;
};

std::string StringToBase64(std::string_view s);
// Empty when the file does not exist; throws std::system_error when it exists
// but cannot be read.
std::string FileToBase64(const std::string& fileName);
// Encodes from the stream's position to its end; the position ends at the end.
std::string StreamToBase64(std::istream& stream);

// Codes below 32 and blanks are skipped (line breaks, tabs). A group may end
// in "=" fill and further groups may follow it. On any error nothing is
// written and the target is left as it was.
std::string Base64ToString(std::string_view text);
// The value of one character of the Base64 alphabet, -1 for any other.
int Base64DigitValue(char c);
void Base64ToStream(std::string_view text, std::ostream& stream);

} // namespace u3
