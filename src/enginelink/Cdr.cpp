#include "enginelink/Cdr.h"
#include "u3/StrLib.h"

namespace enginelink::cdr {

void Writer::Ulong(std::uint32_t value)
{
    Align(4);
    const std::size_t pos = bytes_.size();
    bytes_.append(4, '\0');
    PatchUlong(pos, value);
}

void Writer::PatchUlong(std::size_t pos, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        const int shift = little_ ? 8 * i : 8 * (3 - i);
        bytes_[pos + static_cast<std::size_t>(i)] = static_cast<char>((value >> shift) & 0xFF);
    }
}

void Writer::String(std::string_view text)
{
    Ulong(static_cast<std::uint32_t>(text.size() + 1));
    bytes_.append(text);
    bytes_.push_back('\0');
}

void Writer::Octets(std::string_view octets)
{
    Ulong(static_cast<std::uint32_t>(octets.size()));
    bytes_.append(octets);
}

void Writer::Align(std::size_t boundary)
{
    const std::size_t offset = (origin_ + bytes_.size()) % boundary;
    if (offset != 0)
        bytes_.append(boundary - offset, '\0');
}

bool Reader::Align(std::size_t boundary)
{
    const std::size_t offset = pos_ % boundary;
    if (offset == 0)
        return true;
    const std::size_t pad = boundary - offset;
    if (Left() < pad)
        return false;
    pos_ += pad;
    return true;
}

bool Reader::Octet(std::uint8_t& value)
{
    if (Left() < 1)
        return false;
    value = static_cast<std::uint8_t>(data_[pos_++]);
    return true;
}

bool Reader::Boolean(bool& value)
{
    std::uint8_t octet = 0;
    if (!Octet(octet) || octet > 1)
        return false;
    value = octet == 1;
    return true;
}

bool Reader::Ulong(std::uint32_t& value)
{
    if (!Align(4) || Left() < 4)
        return false;
    value = 0;
    for (int i = 0; i < 4; ++i) {
        const auto byte = static_cast<std::uint32_t>(static_cast<std::uint8_t>(data_[pos_ + static_cast<std::size_t>(i)]));
        value |= byte << (little_ ? 8 * i : 8 * (3 - i));
    }
    pos_ += 4;
    return true;
}

bool Reader::String(std::string& text)
{
    std::uint32_t length = 0;
    if (!Ulong(length) || length == 0 || length > Left())
        return false;
    if (data_[pos_ + length - 1] != '\0')
        return false;
    text.assign(data_.substr(pos_, length - 1));
    pos_ += length;
    return true;
}

bool Reader::Octets(std::string& octets)
{
    std::uint32_t length = 0;
    if (!Ulong(length) || length > Left())
        return false;
    octets.assign(data_.substr(pos_, length));
    pos_ += length;
    return true;
}

bool ReadIor(Reader& in, Ior& ior)
{
    std::uint32_t count = 0;
    if (!in.String(ior.typeId) || !in.Ulong(count))
        return false;
    // A profile takes at least its tag and its length: a count larger than
    // that allows is a lie, and nothing is reserved for it.
    if (count > in.Left() / 8)
        return false;
    ior.profiles.clear();
    ior.profiles.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t tag = 0;
        std::string data;
        if (!in.Ulong(tag) || !in.Octets(data))
            return false;
        ior.profiles.emplace_back(tag, std::move(data));
    }
    return true;
}

void WriteIor(Writer& out, const Ior& ior)
{
    out.String(ior.typeId);
    out.Ulong(static_cast<std::uint32_t>(ior.profiles.size()));
    for (const auto& [tag, data] : ior.profiles) {
        out.Ulong(tag);
        out.Octets(data);
    }
}

std::string IorToString(const Ior& ior)
{
    Writer out(false);
    out.Octet(0); // big-endian
    WriteIor(out, ior);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text = "IOR:";
    text.reserve(4 + 2 * out.Size());
    for (char c : out.Bytes()) {
        const auto byte = static_cast<unsigned char>(c);
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

namespace {


} // namespace

std::optional<Ior> IorFromString(std::string_view text)
{
    if (text.size() < 4 || (text.substr(0, 4) != "IOR:" && text.substr(0, 4) != "ior:"))
        return std::nullopt;
    text.remove_prefix(4);
    if (text.size() % 2 != 0)
        return std::nullopt;
    std::string bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = u3::HexDigitValue(text[i]);
        const int low = u3::HexDigitValue(text[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    if (bytes.empty() || static_cast<unsigned char>(bytes[0]) > 1)
        return std::nullopt;
    Reader in(bytes, bytes[0] == 1, 1);
    Ior ior;
    if (!ReadIor(in, ior))
        return std::nullopt;
    return ior;
}

} // namespace enginelink::cdr
