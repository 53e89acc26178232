#include <gtest/gtest.h>

#include <array>
#include <string>

#include "enginelink/proxy/Encryption.h"
#include "enginelink/proxy/NtlmMsgs.h"
#include "u3/Base64.h"

using namespace e3net;

namespace {

std::string Hex(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string Unhex(std::string_view hex)
{
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return out;
}

template <size_t N>
std::string Bytes(const std::array<unsigned char, N>& a)
{
    return std::string(reinterpret_cast<const char*>(a.data()), N);
}

uint32_t Le32(const std::string& m, size_t at)
{
    return uint32_t(uint8_t(m[at])) | uint32_t(uint8_t(m[at + 1])) << 8 | uint32_t(uint8_t(m[at + 2])) << 16 |
           uint32_t(uint8_t(m[at + 3])) << 24;
}

uint16_t Le16(const std::string& m, size_t at) { return uint16_t(uint8_t(m[at]) | uint8_t(m[at + 1]) << 8); }

const std::array<unsigned char, 8> kServerChallenge = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef};

TEST(EncryptionTest, MD4KnownAnswers)
{
    // Known digests, plus inputs that cross the 56- and 64-byte padding edges.
    const struct {
        std::string input;
        const char* digest;
    } cases[] = {
        {"", "31d6cfe0d16ae931b73c59d7e0c089c0"},
        {"a", "bde52cb31de33e46245e05fbdbd6fb24"},
        {"abc", "a448017aaf21d8525fc10ae87aa6729d"},
        {"message digest", "d9130a8164549fe818874806e1c7014b"},
        {"abcdefghijklmnopqrstuvwxyz", "d79e1c308aa5bbcdeea8ed63df412da9"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "043f8582f241db351ce627e153e7f0e4"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "e33b4ddc9c38f2199c3e7b164fcc0536"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Hex(Bytes(MD4(c.input))), c.digest) << c.input;

    // Fed in uneven pieces, the digest is the same as in one call.
    const std::string long_(1000, 'x');
    TEncryption e;
    TMD4Context context;
    e.MD4Init(context);
    for (size_t at = 0, step = 1; at < long_.size(); at += step, step = step * 2 % 97 + 1)
        e.MD4Update(context, long_.data() + at, std::min(step, long_.size() - at));
    TMD4Digest pieces;
    e.MD4Final(context, pieces);
    EXPECT_EQ(pieces, MD4(long_));
}

TEST(EncryptionTest, DESKnownAnswerWithSevenByteKey)
{
    // The classic FIPS example key 133457799BBCDFF1 without its parity bits.
    const std::string key = Unhex("12695bc9b7b7f8");
    const std::string block = Unhex("0123456789abcdef");
    const auto out = TEncryption().DESEncrypt(reinterpret_cast<const unsigned char*>(key.data()),
                                              reinterpret_cast<const unsigned char*>(block.data()));
    EXPECT_EQ(Hex(Bytes(out)), "85e813540f0ab405");
}

TEST(NTLMTest, ResponsesMatchThePublishedVersionOneExample)
{
    EXPECT_EQ(Hex(TNTLM::NTResponse("Password", kServerChallenge)), "67c43011f30298a2ad35ece64f16331c44bdbed927841f94");
    EXPECT_EQ(Hex(TNTLM::LMResponse("Password", kServerChallenge)), "98def7b87f88aa5dafe2df779688a172def11c7d5ccdef13");
}

TEST(NTLMTest, PasswordLengthAndCase)
{
    // LM: upper-cased, first 14 characters only; NT: every character, case kept.
    const std::string longPassword = "abcdefghijklmnopq";
    EXPECT_EQ(TNTLM::LMResponse(longPassword, kServerChallenge), TNTLM::LMResponse("ABCDEFGHIJKLMN", kServerChallenge));
    EXPECT_NE(TNTLM::NTResponse(longPassword, kServerChallenge), TNTLM::NTResponse("abcdefghijklmn", kServerChallenge));
    EXPECT_NE(TNTLM::NTResponse("password", kServerChallenge), TNTLM::NTResponse("Password", kServerChallenge));
}

TEST(NTLMTest, UnicodeConversion)
{
    const struct {
        std::string utf8;
        std::string utf16le;
    } cases[] = {
        {"Ab", std::string("A\0b\0", 4)},
        {"\xC3\xA4", std::string("\xE4\0", 2)},                    // a umlaut
        {"\xE2\x82\xAC", std::string("\xAC\x20", 2)},              // euro sign
        {"\xF0\x9F\x98\x80", std::string("\x3D\xD8\x00\xDE", 4)}, // outside the basic plane: a surrogate pair
        {"\xE4x", std::string("\xE4\0x\0", 4)},                    // not UTF-8: taken as Latin-1
    };
    for (const auto& c : cases)
        EXPECT_EQ(Hex(TNTLM::ToUnicode(c.utf8)), Hex(c.utf16le)) << Hex(c.utf8);

    // The NT hash of a password with a non-ASCII letter is MD4 over real
    // UTF-16, not over each UTF-8 byte followed by a zero.
    const auto responseOver = [](const std::string& utf16) {
        const auto hash = MD4(utf16);
        unsigned char key[21] = {};
        std::copy(hash.begin(), hash.end(), key);
        std::string out;
        for (int i = 0; i < 3; ++i)
            out += Bytes(TEncryption().DESEncrypt(key + 7 * i, kServerChallenge.data()));
        return out;
    };
    EXPECT_EQ(TNTLM::NTResponse("p\xC3\xA4s", kServerChallenge), responseOver(std::string("p\0\xE4\0s\0", 6)));
    EXPECT_EQ(TNTLM::NTResponse("Password", kServerChallenge), responseOver(TNTLM::ToUnicode("Password")));
}

TEST(NTLMTest, NegotiateMessageWithoutNames)
{
    const std::string text = TNTLM().BuildNegotiateMessage("", "");
    EXPECT_EQ(text.size(), 44u);
    const std::string m = u3::Base64ToString(text);
    ASSERT_EQ(m.size(), 32u);
    EXPECT_EQ(m.substr(0, 8), std::string("NTLMSSP\0", 8));
    EXPECT_EQ(Le32(m, 8), 1u);
    EXPECT_EQ(Le32(m, 12), 0x00008207u);
    for (size_t buffer : {16u, 24u}) {
        EXPECT_EQ(Le16(m, buffer), 0);
        EXPECT_EQ(Le16(m, buffer + 2), 0);
        EXPECT_EQ(Le32(m, buffer + 4), 32u);
    }

    const std::string named = u3::Base64ToString(TNTLM().BuildNegotiateMessage("ws", "dom"));
    EXPECT_EQ(named.substr(32), "WSDOM");
    EXPECT_EQ(Le32(named, 16 + 4), 34u);
}

TEST(NTLMTest, AuthenticateMessageLayout)
{
    std::string text;
    TNTLM().BuildAuthenticateMessage("dom", "works", "User", "Password", kServerChallenge, text);
    const std::string m = u3::Base64ToString(text);
    ASSERT_EQ(m.size(), 136u);
    EXPECT_EQ(m.substr(0, 8), std::string("NTLMSSP\0", 8));
    EXPECT_EQ(Le32(m, 8), 3u);
    const struct {
        size_t at;
        uint16_t length;
        uint32_t offset;
    } buffers[] = {{12, 24, 88}, {20, 24, 112}, {28, 6, 64}, {36, 8, 70}, {44, 10, 78}, {52, 0, 136}};
    for (const auto& b : buffers) {
        EXPECT_EQ(Le16(m, b.at), b.length) << b.at;
        EXPECT_EQ(Le16(m, b.at + 2), b.length) << b.at;
        EXPECT_EQ(Le32(m, b.at + 4), b.offset) << b.at;
    }
    EXPECT_EQ(Le32(m, 60), 0x00008201u);
    EXPECT_EQ(m.substr(64, 6), std::string("D\0O\0M\0", 6));
    EXPECT_EQ(m.substr(70, 8), std::string("U\0s\0e\0r\0", 8)); // the user keeps its case
    EXPECT_EQ(m.substr(78, 10), std::string("W\0O\0R\0K\0S\0", 10));
    EXPECT_EQ(m.substr(88, 24), TNTLM::LMResponse("Password", kServerChallenge));
    EXPECT_EQ(m.substr(112, 24), TNTLM::NTResponse("Password", kServerChallenge));
}

std::string Challenge(size_t length, uint32_t type = 2)
{
    std::string m(length, '\0');
    const std::string head = std::string("NTLMSSP\0", 8);
    m.replace(0, std::min<size_t>(8, length), head.substr(0, std::min<size_t>(8, length)));
    for (int i = 0; i < 4 && 8 + i < int(length); ++i)
        m[8 + i] = static_cast<char>(type >> (8 * i));
    for (size_t i = 0; i < 8 && 24 + i < length; ++i)
        m[24 + i] = static_cast<char>(kServerChallenge[i]);
    return u3::StringToBase64(m);
}

TEST(NTLMTest, ChallengeReading)
{
    TNTLMChallenge c;
    TNTLM().ParseChallengeMessage(Challenge(56), c);
    EXPECT_EQ(c.Nonce(), kServerChallenge);
    // Without the optional context the server challenge is still whole.
    TNTLM().ParseChallengeMessage(Challenge(32), c);
    EXPECT_EQ(c.Nonce(), kServerChallenge);

    const std::string refused[] = {
        Challenge(31),            // ends inside the server challenge
        Challenge(12),            // header only
        "",                       // nothing at all
        "not base64!",            // not Base64
        Challenge(48, 3),         // an authenticate message, not a challenge
        u3::StringToBase64(std::string(48, 'A')), // no signature
    };
    for (const auto& text : refused)
        EXPECT_THROW(TNTLM().ParseChallengeMessage(text, c), ENTLMError) << text;
}

} // namespace
