#include "u3/Filer.h"

#include "u3/StrLib.h"

namespace u3 {
using namespace filer;

EReadError::EReadError() : Exception("Stream read error!") {}

void TFilerWriter::WriteListBegin()
{
    out_ += static_cast<char>(vaList);
}

void TFilerWriter::WriteListEnd()
{
    out_ += static_cast<char>(vaNull);
}

void TFilerWriter::AppendLE(uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out_ += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void TFilerWriter::WriteInteger(int32_t value)
{
    if (value >= -128 && value <= 127) {
        out_ += static_cast<char>(vaInt8);
        AppendLE(static_cast<uint32_t>(value), 1);
    } else if (value >= -32768 && value <= 32767) {
        out_ += static_cast<char>(vaInt16);
        AppendLE(static_cast<uint32_t>(value), 2);
    } else {
        out_ += static_cast<char>(vaInt32);
        AppendLE(static_cast<uint32_t>(value), 4);
    }
}

void TFilerWriter::WriteString(std::string_view text)
{
    if (text.size() < 256) {
        out_ += static_cast<char>(vaString);
        AppendLE(static_cast<uint32_t>(text.size()), 1);
    } else {
        out_ += static_cast<char>(vaLString);
        AppendLE(static_cast<uint32_t>(text.size()), 4);
    }
    out_ += text;
}

unsigned char TFilerReader::ReadByte()
{
    if (pos_ >= bytes_.size())
        throw EReadError();
    return static_cast<unsigned char>(bytes_[pos_++]);
}

uint32_t TFilerReader::ReadLE(int bytes)
{
    if (bytes_.size() - pos_ < static_cast<std::size_t>(bytes))
        throw EReadError();
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes_[pos_++])) << (8 * i);
    return value;
}

std::string_view TFilerReader::ReadBytes(uint32_t count)
{
    if (bytes_.size() - pos_ < count)
        throw EReadError();
    const std::string_view part = bytes_.substr(pos_, count);
    pos_ += count;
    return part;
}

int32_t TFilerReader::ReadInteger()
{
    switch (ReadByte()) {
    case vaInt8: return static_cast<int8_t>(ReadLE(1));
    case vaInt16: return static_cast<int16_t>(ReadLE(2));
    case vaInt32: return static_cast<int32_t>(ReadLE(4));
    default: throw EReadError();
    }
}

std::string TFilerReader::ReadString()
{
    switch (ReadByte()) {
    case vaString: return std::string(ReadBytes(ReadLE(1)));
    case vaLString:
    case vaUTF8String: return std::string(ReadBytes(ReadLE(4)));
    case vaWString: {
        const uint32_t units = ReadLE(4);
        if (units > (bytes_.size() - pos_) / 2)
            throw EReadError();
        std::string out;
        out.reserve(units);
        for (uint32_t i = 0; i < units; ++i) {
            uint32_t unit = ReadLE(2);
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
                const std::size_t mark = pos_;
                const uint32_t low = ReadLE(2);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                    ++i;
                    continue;
                }
                pos_ = mark;
            }
            // A lone surrogate has no character: U+FFFD.
            AppendUtf8(out, unit);
        }
        return out;
    }
    default: throw EReadError();
    }
}

void TFilerReader::ReadListBegin()
{
    if (ReadByte() != vaList)
        throw EReadError();
}

void TFilerReader::ReadListEnd()
{
    if (ReadByte() != vaNull)
        throw EReadError();
}

bool TFilerReader::EndOfList()
{
    if (pos_ >= bytes_.size())
        throw EReadError();
    return static_cast<unsigned char>(bytes_[pos_]) == vaNull;
}

} // namespace u3
