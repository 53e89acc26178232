#pragma once
// Values in the component-streaming format: one code byte, then the value's
// bytes, integers little-endian. The writer appends to a string; the reader
// takes bytes from anywhere and trusts no length in them.
#include "u3/Exceptions.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace u3 {

namespace filer {
// The code byte in front of every value.
enum ValueCode : unsigned char {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18,
    vaInt64 = 19,
    vaUTF8String = 20,
    vaUString = 21,
    vaQWord = 22,
};
} // namespace filer

// Every fault of the bytes a filer reader is given: "Stream read error!".
class EReadError : public Exception {
public:
    EReadError();
};

class TFilerWriter {
public:
    explicit TFilerWriter(std::string& out) : out_(out) {}

    void WriteListBegin();
    void WriteListEnd();
    // In the smallest of the 8-, 16- and 32-bit forms that holds it.
    void WriteInteger(int32_t value);
    // Text is written as 8-bit bytes, the program's own code page being UTF-8.
    void WriteString(std::string_view text);

private:
    void AppendLE(uint32_t value, int bytes);
    std::string& out_;
};

class TFilerReader {
public:
    explicit TFilerReader(std::string_view bytes) : bytes_(bytes) {}

    // The 8-, 16- and 32-bit forms.
    int32_t ReadInteger();
    // The 8-bit forms as they stand, wide and UTF-8 strings as UTF-8.
    std::string ReadString();
    void ReadListBegin();
    void ReadListEnd();
    // True before the end marker of a list (which it does not take).
    bool EndOfList();
    bool AtEnd() const { return pos_ >= bytes_.size(); }

private:
    unsigned char ReadByte();
    uint32_t ReadLE(int bytes);
    std::string_view ReadBytes(uint32_t count);

    std::string_view bytes_;
    std::size_t pos_ = 0;
};

} // namespace u3
