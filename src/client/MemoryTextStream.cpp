#include "client/MemoryTextStream.h"

#include "u3/Exceptions.h"
#include "u3/StrLib.h"

#include <algorithm>
#include <charconv>

namespace client {
namespace {

const std::string kEmptyText = "snil";
const std::string kLineBreakMark = "||";

// Decimal with an optional sign, or "$" and hexadecimal digits (an unsigned
// hexadecimal number up to 32 bits takes its two's-complement value).
bool ParseInteger(const std::string& text, int32_t& value)
{
    int64_t v = 0;
    if (!u3::TryStrToInt64(text, v))
        return false;
    if (!text.empty() && (text[0] == '$' || text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0) && v >= 0 && v <= static_cast<int64_t>(UINT32_MAX)) {
        value = static_cast<int32_t>(static_cast<uint32_t>(v));
        return true;
    }
    if (v < INT32_MIN || v > INT32_MAX)
        return false;
    value = static_cast<int32_t>(v);
    return true;
}

// As a string list takes a whole text: lines end at CR LF, CR or LF, and a break
// at the very end opens no further line.
std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> items;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = text.find_first_of("\r\n", i);
        if (end == std::string::npos) {
            items.push_back(text.substr(i));
            break;
        }
        items.push_back(text.substr(i, end - i));
        i = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return items;
}

} // namespace

std::string TMemoryTextStream::EscapeLineBreaks(const std::string& text)
{
    // CR LF, then a lone CR, then a lone LF each become the mark; one pass gives
    // the same as replacing the three in turn.
    if (text.find_first_of("\r\n") == std::string::npos)
        return text;
    std::string out;
    out.reserve(text.size() + 16);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += kLineBreakMark;
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            out += kLineBreakMark;
        } else {
            out += c;
        }
    }
    return out;
}

std::string TMemoryTextStream::UnescapeLineBreaks(const std::string& line)
{
    size_t found = line.find(kLineBreakMark);
    if (found == std::string::npos)
        return line;
    std::string out;
    out.reserve(line.size() + 8);
    size_t from = 0;
    while (found != std::string::npos) {
        out.append(line, from, found - from);
        out += "\r\n";
        from = found + kLineBreakMark.size();
        found = line.find(kLineBreakMark, from);
    }
    out.append(line, from, std::string::npos);
    return out;
}

const std::string& TMemoryTextStream::LineAt(int32_t index) const
{
    if (index < 0 || index >= LineCount())
        throw u3::EListError(index);
    return lines_[static_cast<size_t>(index)];
}

void TMemoryTextStream::ReadBegin()
{
    ++position_;
}

void TMemoryTextStream::ReadEnd()
{
    ++position_;
}

bool TMemoryTextStream::IsEnd() const
{
    return IsToken("}");
}

bool TMemoryTextStream::IsToken(const std::string& text) const
{
    return u3::Trim(LineAt(position_)) == text;
}

bool TMemoryTextStream::ReadBoolean()
{
    const bool value = u3::Trim(LineAt(position_)) == "1";
    ++position_;
    return value;
}

int32_t TMemoryTextStream::ReadInteger()
{
    const std::string text = u3::Trim(LineAt(position_));
    int32_t value = 0;
    if (!ParseInteger(text, value))
        throw u3::EConvertError("'" + text + "' is not a valid integer value");
    ++position_;
    return value;
}

std::string TMemoryTextStream::ReadString()
{
    std::string text = UnescapeLineBreaks(LineAt(position_));
    ++position_;
    if (text == kEmptyText)
        text.clear();
    return text;
}

std::vector<std::string> TMemoryTextStream::ReadStrings()
{
    std::string text = LineAt(position_);
    ++position_;
    if (text == kEmptyText)
        text.clear();
    text = UnescapeLineBreaks(text);
    return SplitLines(text);
}

void TMemoryTextStream::WriteBoolean(bool value)
{
    WriteLine(value ? "1" : "0");
}

void TMemoryTextStream::WriteInteger(int32_t value)
{
    WriteLine(std::to_string(value));
}

void TMemoryTextStream::WriteString(const std::string& text)
{
    WriteLine(text.empty() ? kEmptyText : text);
}

void TMemoryTextStream::WriteStrings(const std::vector<std::string>& items)
{
    if (items.empty()) {
        WriteLine(kEmptyText);
        return;
    }
    std::string joined;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i)
            joined += kLineBreakMark;
        joined += items[i];
    }
    WriteLine(joined);
}

void TMemoryTextStream::WriteBegin()
{
    WriteLine("{");
}

void TMemoryTextStream::WriteEnd()
{
    WriteLine("}");
}

void TMemoryTextStream::WriteLine(const std::string& text)
{
    std::string line = EscapeLineBreaks(text);
    if (position_ >= LineCount())
        lines_.push_back(std::move(line));
    else
        lines_[static_cast<size_t>(std::max(position_, 0))] = std::move(line);
    ++position_;
}

int32_t TMemoryTextStream::CopyFrom(TVirtualStream& source, int32_t count)
{
    for (int32_t i = 0; i < count; ++i)
        lines_.push_back(source.ReadString());
    return position_;
}

int32_t TMemoryTextStream::Seek(int32_t offset, int origin)
{
    const int32_t count = LineCount();
    switch (origin) {
    case 0:
        position_ = std::min(offset, count);
        break;
    case 1:
        position_ = std::min(position_ + offset, count);
        break;
    case 2:
        position_ = std::max(count - offset, 0);
        break;
    default:
        break;
    }
    return position_;
}

const std::string& TMemoryTextStream::CurrentLine() const
{
    return LineAt(position_);
}

void TMemoryTextStream::ReplaceCurrentLine(const std::string& line)
{
    LineAt(position_);
    lines_[static_cast<size_t>(position_)] = line;
}

std::string TMemoryTextStream::Text() const
{
    size_t size = 0;
    for (const auto& line : lines_)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const auto& line : lines_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void TMemoryTextStream::SetText(const std::string& text)
{
    lines_ = SplitLines(text);
    position_ = 0;
}

} // namespace client
