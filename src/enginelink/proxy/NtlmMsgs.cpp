#include "enginelink/proxy/NtlmMsgs.h"

#include <cstring>

#include "enginelink/proxy/Encryption.h"
#include "u3/Base64.h"
#include "u3/StrLib.h"

namespace e3net {

namespace {

const char kSignature[8] = {'N', 'T', 'L', 'M', 'S', 'S', 'P', '\0'};

void Put16(std::string& s, size_t at, uint32_t v)
{
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& s, size_t at, uint32_t v)
{
    Put16(s, at, v & 0xFFFF);
    Put16(s, at + 2, v >> 16);
}

// Length, allocated length, offset.
void PutBuffer(std::string& s, size_t at, size_t length, size_t offset)
{
    Put16(s, at, static_cast<uint32_t>(length));
    Put16(s, at + 2, static_cast<uint32_t>(length));
    Put32(s, at + 4, static_cast<uint32_t>(offset));
}

// Three DES encryptions of the challenge, keyed by the 7-byte thirds of a
// 16-byte hash filled to 21 bytes.
std::string DESL(const unsigned char* hash16, const std::array<unsigned char, 8>& nonce)
{
    unsigned char key[21] = {};
    std::memcpy(key, hash16, 16);
    TEncryption e;
    std::string out;
    for (int i = 0; i < 3; ++i) {
        const auto block = e.DESEncrypt(key + 7 * i, nonce.data());
        out.append(reinterpret_cast<const char*>(block.data()), block.size());
    }
    return out;
}

} // namespace

std::array<unsigned char, 8> TNTLMChallenge::Nonce() const
{
    std::array<unsigned char, 8> n;
    std::memcpy(n.data(), bytes.data() + 24, 8);
    return n;
}

uint32_t TNTLMChallenge::MessageType() const
{
    return uint32_t(bytes[8]) | uint32_t(bytes[9]) << 8 | uint32_t(bytes[10]) << 16 | uint32_t(bytes[11]) << 24;
}

std::string TNTLM::BuildNegotiateMessage(const std::string& workstation, const std::string& domain)
{
    const std::string ws = u3::UpperCase(workstation);
    const std::string dom = u3::UpperCase(domain);
    std::string m(32, '\0');
    std::memcpy(m.data(), kSignature, 8);
    Put32(m, 8, 1);
    Put32(m, 12, 0x00008207);
    PutBuffer(m, 16, dom.size(), 32 + ws.size());
    PutBuffer(m, 24, ws.size(), 32);
    m += ws;
    m += dom;
    return TEncryption().Base64Encode(m);
}

void TNTLM::ParseChallengeMessage(std::string_view text, TNTLMChallenge& challenge)
{
    std::string raw;
    try {
        raw = TEncryption().Base64Decode(text);
    } catch (const std::exception&) {
        throw ENTLMError("NTLM challenge is not Base64");
    }
    // The server challenge ends at byte 32; the context after it is optional.
    if (raw.size() < 32)
        throw ENTLMError("NTLM challenge too short");
    if (std::memcmp(raw.data(), kSignature, 8) != 0)
        throw ENTLMError("NTLM challenge without signature");
    challenge.bytes.fill(0);
    std::memcpy(challenge.bytes.data(), raw.data(), std::min(raw.size(), challenge.bytes.size()));
    if (challenge.MessageType() != 2)
        throw ENTLMError("NTLM message is not a challenge");
}

std::string TNTLM::ToUnicode(std::string_view s)
{
    std::string out;
    out.reserve(s.size() * 2);
    auto put = [&out](uint32_t unit) {
        out.push_back(static_cast<char>(unit & 0xFF));
        out.push_back(static_cast<char>(unit >> 8));
    };
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        uint32_t cp = c;
        size_t n = 1;
        if (c >= 0xC2 && c <= 0xDF)
            n = 2, cp = c & 0x1F;
        else if (c >= 0xE0 && c <= 0xEF)
            n = 3, cp = c & 0x0F;
        else if (c >= 0xF0 && c <= 0xF4)
            n = 4, cp = c & 0x07;
        bool valid = n > 1 && i + n <= s.size();
        for (size_t k = 1; valid && k < n; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80)
                valid = false;
            else
                cp = cp << 6 | (cc & 0x3F);
        }
        if (valid && ((n == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF))))
            valid = false;
        if (!valid) {
            cp = c; // not UTF-8: the byte as Latin-1
            n = 1;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp);
        }
        i += n;
    }
    return out;
}

std::string TNTLM::LMResponse(const std::string& password, const std::array<unsigned char, 8>& nonce)
{
    static const unsigned char kMagic[8] = {'K', 'G', 'S', '!', '@', '#', '$', '%'};
    unsigned char pw[14] = {};
    const std::string upper = u3::UpperCase(password);
    std::memcpy(pw, upper.data(), std::min<size_t>(upper.size(), 14));
    TEncryption e;
    unsigned char hash[16];
    const auto h1 = e.DESEncrypt(pw, kMagic);
    const auto h2 = e.DESEncrypt(pw + 7, kMagic);
    std::memcpy(hash, h1.data(), 8);
    std::memcpy(hash + 8, h2.data(), 8);
    return DESL(hash, nonce);
}

std::string TNTLM::NTResponse(const std::string& password, const std::array<unsigned char, 8>& nonce)
{
    const auto hash = MD4(ToUnicode(password));
    return DESL(hash.data(), nonce);
}

void TNTLM::BuildAuthenticateMessage(const std::string& domain, const std::string& workstation,
                                     const std::string& user, const std::string& password,
                                     const std::array<unsigned char, 8>& nonce, std::string& text)
{
    const std::string dom = ToUnicode(u3::UpperCase(domain));
    const std::string usr = ToUnicode(user);
    const std::string ws = ToUnicode(u3::UpperCase(workstation));
    const std::string lm = LMResponse(password, nonce);
    const std::string nt = NTResponse(password, nonce);

    std::string m(64, '\0');
    std::memcpy(m.data(), kSignature, 8);
    Put32(m, 8, 3);
    const size_t domainAt = 64;
    const size_t userAt = domainAt + dom.size();
    const size_t wsAt = userAt + usr.size();
    const size_t lmAt = wsAt + ws.size();
    const size_t ntAt = lmAt + lm.size();
    const size_t end = ntAt + nt.size();
    PutBuffer(m, 12, lm.size(), lmAt);
    PutBuffer(m, 20, nt.size(), ntAt);
    PutBuffer(m, 28, dom.size(), domainAt);
    PutBuffer(m, 36, usr.size(), userAt);
    PutBuffer(m, 44, ws.size(), wsAt);
    PutBuffer(m, 52, 0, end);
    Put32(m, 60, 0x00008201);
    m += dom;
    m += usr;
    m += ws;
    m += lm;
    m += nt;
    text = TEncryption().Base64Encode(m);
}

} // namespace e3net
