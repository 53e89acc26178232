#include "u3/Base64.h"

#include <array>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace u3 {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kFill = '=';

// Two output characters for every 12-bit value: one look-up per half group.
constexpr std::array<char, 2 * 4096> MakePairTable()
{
    std::array<char, 2 * 4096> t{};
    for (int v = 0; v < 4096; ++v) {
        t[2 * v] = kAlphabet[v >> 6];
        t[2 * v + 1] = kAlphabet[v & 63];
    }
    return t;
}
constexpr auto kPairs = MakePairTable();

// Any value at or above kBad marks a character that the fast path cannot take
// (fill, blanks, line breaks, garbage); the group then goes the careful way.
constexpr uint32_t kBad = 1u << 24;

constexpr std::array<uint32_t, 256> MakeDecodeTable(int shift)
{
    std::array<uint32_t, 256> t{};
    for (auto& v : t)
        v = kBad;
    for (int i = 0; i < 64; ++i)
        t[static_cast<unsigned char>(kAlphabet[i])] = uint32_t(i) << shift;
    return t;
}
constexpr auto kDec0 = MakeDecodeTable(18);
constexpr auto kDec1 = MakeDecodeTable(12);
constexpr auto kDec2 = MakeDecodeTable(6);
constexpr auto kDec3 = MakeDecodeTable(0);

inline void PutPair(char* out, uint32_t twelveBits)
{
    std::memcpy(out, &kPairs[2 * twelveBits], 2);
}

inline uint64_t LoadBE64(const unsigned char* p)
{
    uint64_t x;
    std::memcpy(&x, p, 8);
    if constexpr (std::endian::native == std::endian::little)
        x = __builtin_bswap64(x);
    return x;
}

std::string Encode(const unsigned char* in, std::size_t n)
{
    if (n == 0)
        return {};
    std::string result(4 * ((n + 2) / 3), '\0');
    char* out = result.data();
    std::size_t i = 0;
    // Six bytes per step from one 8-byte load; the two bytes beyond are read
    // but not used, so the loop stops while eight remain.
    for (; i + 8 <= n; i += 6, out += 8) {
        const uint64_t x = LoadBE64(in + i);
        PutPair(out, uint32_t(x >> 52) & 0xFFF);
        PutPair(out + 2, uint32_t(x >> 40) & 0xFFF);
        PutPair(out + 4, uint32_t(x >> 28) & 0xFFF);
        PutPair(out + 6, uint32_t(x >> 16) & 0xFFF);
    }
    for (; i + 3 <= n; i += 3, out += 4) {
        const uint32_t v = (uint32_t(in[i]) << 16) | (uint32_t(in[i + 1]) << 8) | in[i + 2];
        PutPair(out, v >> 12);
        PutPair(out + 2, v & 0xFFF);
    }
    if (n - i == 1) {
        const uint32_t v = uint32_t(in[i]) << 4;
        PutPair(out, v);
        out[2] = kFill;
        out[3] = kFill;
    } else if (n - i == 2) {
        const uint32_t v = (uint32_t(in[i]) << 16) | (uint32_t(in[i + 1]) << 8);
        PutPair(out, v >> 12);
        out[2] = kAlphabet[(v >> 6) & 63];
        out[3] = kFill;
    }
    return result;
}

[[noreturn]] void ThrowInvalid(unsigned char c, std::size_t offset)
{
    char what[96];
    if (c > 32 && c < 127)
        std::snprintf(what, sizeof what, "Invalid Base64 text: character '%c' at offset %zu.", c, offset);
    else
        std::snprintf(what, sizeof what, "Invalid Base64 text: character 0x%02X at offset %zu.", c, offset);
    throw EBase64Error(what);
}

inline bool Skipped(unsigned char c) { return c <= 32; }

// Decodes into out, which has room for 3/4 of the text's length; returns the
// number of bytes written there.
std::size_t DecodeInto(std::string_view text, char* out)
{
    auto s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    char* const start = out;
    std::size_t i = 0;
    for (;;) {
        if (i + 4 <= n) {
            const uint32_t v = kDec0[s[i]] | kDec1[s[i + 1]] | kDec2[s[i + 2]] | kDec3[s[i + 3]];
            if (v < kBad) {
                out[0] = char(v >> 16);
                out[1] = char(v >> 8);
                out[2] = char(v);
                out += 3;
                i += 4;
                continue;
            }
        }
        // One group the careful way: blanks and control codes skipped, fill
        // checked, anything else outside the alphabet refused.
        unsigned char q[4];
        std::size_t at[4];
        int k = 0;
        while (k < 4 && i < n) {
            const unsigned char c = s[i];
            if (!Skipped(c)) {
                if (c != kFill && kDec3[c] >= kBad)
                    ThrowInvalid(c, i);
                q[k] = c;
                at[k] = i;
                ++k;
            }
            ++i;
        }
        if (k == 0)
            break;
        if (k < 4)
            throw EBase64Error("Uneven size in DecodeToStream.");
        for (int j = 0; j < 2; ++j)
            if (q[j] == kFill)
                ThrowInvalid(q[j], at[j]);
        if (q[2] == kFill && q[3] != kFill)
            ThrowInvalid(q[3], at[3]);
        const uint32_t v = kDec0[q[0]] | kDec1[q[1]] | (q[2] == kFill ? 0 : kDec2[q[2]])
            | (q[3] == kFill ? 0 : kDec3[q[3]]);
        *out++ = char(v >> 16);
        if (q[2] != kFill)
            *out++ = char(v >> 8);
        if (q[3] != kFill)
            *out++ = char(v);
    }
    return std::size_t(out - start);
}

struct Fd {
    int fd;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

std::string StringToBase64(std::string_view s)
{
    return Encode(reinterpret_cast<const unsigned char*>(s.data()), s.size());
}

std::string FileToBase64(const std::string& fileName)
{
    // A folder is no file: it gives the empty text like any other path that is not one.
    struct stat path {};
    if (::stat(fileName.c_str(), &path) == 0 && S_ISDIR(path.st_mode))
        return {};
    Fd file{::open(fileName.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        throw std::system_error(errno, std::generic_category(), "Cannot open " + fileName);
    }
    struct stat st {};
    if (::fstat(file.fd, &st) != 0)
        throw std::system_error(errno, std::generic_category(), "Cannot read " + fileName);
    std::string data;
    data.reserve(S_ISREG(st.st_mode) ? std::size_t(st.st_size) : 0);
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(file.fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw std::system_error(errno, std::generic_category(), "Cannot read " + fileName);
        }
        if (got == 0)
            break;
        data.append(chunk, std::size_t(got));
    }
    return StringToBase64(data);
}

std::string StreamToBase64(std::istream& stream)
{
    std::streambuf* buf = stream.rdbuf();
    if (!buf)
        return {};
    std::string data;
    // Going through the buffer keeps the stream's state clean, so tellg()
    // reports the end afterwards.
    const auto here = buf->pubseekoff(0, std::ios::cur, std::ios::in);
    if (here != std::streampos(-1)) {
        const auto end = buf->pubseekoff(0, std::ios::end, std::ios::in);
        buf->pubseekpos(here, std::ios::in);
        if (end != std::streampos(-1) && end > here) {
            data.resize(std::size_t(end - here));
            data.resize(std::size_t(buf->sgetn(data.data(), std::streamsize(data.size()))));
        }
    }
    char chunk[65536];
    for (;;) {
        const std::streamsize got = buf->sgetn(chunk, sizeof chunk);
        if (got <= 0)
            break;
        data.append(chunk, std::size_t(got));
    }
    return StringToBase64(data);
}

std::string Base64ToString(std::string_view text)
{
    std::string result(text.size() / 4 * 3, '\0');
    result.resize(DecodeInto(text, result.data()));
    return result;
}

void Base64ToStream(std::string_view text, std::ostream& stream)
{
    const std::string bytes = Base64ToString(text);
    if (bytes.empty())
        return;
    if (!stream.write(bytes.data(), std::streamsize(bytes.size())))
        throw std::ios_base::failure("Cannot write the decoded Base64 data.");
}

int Base64DigitValue(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

} // namespace u3
