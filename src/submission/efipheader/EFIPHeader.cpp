#include "submission/efipheader/EFIPHeader.h"

#include "u3/SHA1.h"

#include <charconv>
#include <cstring>

namespace efip {

namespace {

constexpr StepInfo kSteps[] = {
    {epBegin_transaction, "begin_transaction", "pbeg"},
    {epSend_package_header, "send_package_header", "phdr"},
    {epSend_WASP, "send_WASP", "pdat"},
    {epGet_receipt, "get_receipt", "prct"},
    {epEnd_transaction, "end_transaction", "pend"},
};

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string Trimmed(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return std::string(s.substr(b, e - b));
}

} // namespace

const StepInfo* StepOf(TCeFIPProtocolState state)
{
    for (const auto& s : kSteps)
        if (s.state == state)
            return &s;
    return nullptr;
}

std::string FormatField16(int64_t value)
{
    std::string out(16, '0');
    if (value <= 0)
        return out;
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    (void)ec;
    const size_t n = static_cast<size_t>(end - digits);
    // A 64-bit value has at most 19 digits; keep the low 16 as the field holds.
    const size_t take = n > 16 ? 16 : n;
    std::memcpy(out.data() + 16 - take, end - take, take);
    return out;
}

std::optional<int64_t> ParseDecimalField(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        if (value > (INT64_MAX - (c - '0')) / 10)
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string FormatHexWord(uint16_t value)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out(4, '0');
    for (int i = 3; i >= 0; --i) {
        out[static_cast<size_t>(i)] = digits[value & 0xF];
        value = static_cast<uint16_t>(value >> 4);
    }
    return out;
}

std::optional<uint16_t> ParseHexWord(std::string_view text)
{
    if (text.size() != 4)
        return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        const int d = HexDigit(c);
        if (d < 0)
            return std::nullopt;
        value = value * 16 + static_cast<unsigned>(d);
    }
    return static_cast<uint16_t>(value);
}

EFIPHeader::EFIPHeader()
{
    bytes_.fill('0');
    Set(field::protocol_version, "0100");
    Set(field::message_encoding, "UTF8");
}

void EFIPHeader::Set(const HeaderField& f, std::string_view text)
{
    std::memcpy(bytes_.data() + f.offset, text.data(), text.size() < f.width ? text.size() : f.width);
}

void EFIPHeader::Fill(const HeaderField& f, char c)
{
    std::memset(bytes_.data() + f.offset, c, f.width);
}

bool EFIPHeader::Assign(std::string_view body)
{
    if (body.size() < kHeaderSize)
        return false;
    std::memcpy(bytes_.data(), body.data(), kHeaderSize);
    return true;
}

void EFIPHeader::Seal(std::string_view data)
{
    Set(field::division_hash, ComputeDivisionHash(*this, data));
}

bool EFIPHeader::HashMatches(std::string_view data) const
{
    return Get(field::division_hash) == ComputeDivisionHash(*this, data);
}

std::string ComputeDivisionHash(const EFIPHeader& header, std::string_view data)
{
    u3::TSHA1Context ctx;
    u3::SHA1Init(ctx);
    const std::string_view bytes = header.Bytes();
    u3::SHA1Update(ctx, bytes.data() + kHashedFrom, bytes.size() - kHashedFrom);
    if (!data.empty())
        u3::SHA1Update(ctx, data.data(), data.size());
    uint8_t digest[20];
    u3::SHA1Final(ctx, digest);
    static const char digits[] = "0123456789ABCDEF";
    std::string out(40, '0');
    for (size_t i = 0; i < 20; ++i) {
        out[2 * i] = digits[digest[i] >> 4];
        out[2 * i + 1] = digits[digest[i] & 0xF];
    }
    return out;
}

int64_t DivisionLength(int64_t blockSize, int64_t total, int64_t offset)
{
    const int64_t rest = total - offset;
    if (rest <= 0)
        return 0;
    return blockSize < rest ? blockSize : rest;
}

int32_t ApplyServerBlockSize(int32_t current, std::string_view serverText)
{
    const auto server = ParseDecimalField(serverText);
    if (!server || *server <= 0 || *server >= current)
        return current;
    return static_cast<int32_t>(*server);
}

std::string DumpHeader(const EFIPHeader& header)
{
    std::string out;
    for (const auto& f : kDumpedFields) {
        out += "\r\n";
        out.append(27, ' ');
        std::string name = f.name;
        name.resize(16, ' ');
        out += name;
        out += ": ";
        out += header.Get(f);
    }
    return out;
}

ReplyCheck CheckReply(const EFIPHeader& request, std::string_view body, EFIPHeader& reply)
{
    ReplyCheck r;
    EFIPHeader parsed;
    if (!parsed.Assign(body) || parsed.Get(field::transaction_type) != request.Get(field::transaction_type)) {
        r.error = -30009;
        return r;
    }
    reply = parsed;
    const auto drc = ParseHexWord(reply.Get(field::division_RC));
    const auto arc = ParseHexWord(reply.Get(field::application_RC));
    if (!drc || !arc) {
        r.error = -30009;
        return r;
    }
    r.divisionRC = *drc;
    r.applicationRC = *arc;
    if (r.divisionRC > 0x7FFF && r.divisionRC != kRcNotReady && r.divisionRC != kRcRetry) {
        r.error = -static_cast<int32_t>(r.divisionRC);
        r.fatal = true;
    }
    return r;
}

std::string ReplyMessageText(const EFIPHeader& reply)
{
    return Trimmed(reply.Get(field::message_text));
}

ReceiptCheck CheckReceiptDivision(const EFIPHeader& reply, std::string_view data, int64_t requestedOffset,
                                  int64_t knownTotal)
{
    ReceiptCheck r;
    r.total = ParseDecimalField(reply.Get(field::total_bytes)).value_or(0);
    if (r.total <= 0) {
        r.verdict = ReceiptDivision::ZeroSize;
        return r;
    }
    const auto offset = ParseDecimalField(reply.Get(field::division_offset));
    const auto length = ParseDecimalField(reply.Get(field::division_length));
    if (!offset || !length || (knownTotal > 0 && r.total != knownTotal) || *offset != requestedOffset ||
        *length <= 0 || *length != static_cast<int64_t>(data.size()) || *offset > r.total ||
        *length > r.total - *offset) {
        r.verdict = ReceiptDivision::BadDivision;
        return r;
    }
    r.offset = *offset;
    r.length = *length;
    if (!reply.HashMatches(data)) {
        r.verdict = ReceiptDivision::BadHash;
        r.computedHash = ComputeDivisionHash(reply, data);
        return r;
    }
    r.verdict = ReceiptDivision::Accepted;
    return r;
}

} // namespace efip
