// DES comes from OpenSSL's low-level block functions: single DES lives only in
// the legacy provider through EVP, and one block per key needs no provider.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "enginelink/proxy/Encryption.h"

#include <cstring>

#include <openssl/crypto.h>
#include <openssl/des.h>

#include "u3/Base64.h"

namespace e3net {

namespace {

uint32_t Rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
uint32_t F(uint32_t x, uint32_t y, uint32_t z) { return (x & y) | (~x & z); }
uint32_t G(uint32_t x, uint32_t y, uint32_t z) { return (x & y) | (x & z) | (y & z); }
uint32_t H(uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; }

void MD4Transform(std::array<uint32_t, 4>& state, const unsigned char* block)
{
    uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = uint32_t(block[i * 4]) | uint32_t(block[i * 4 + 1]) << 8 | uint32_t(block[i * 4 + 2]) << 16 |
               uint32_t(block[i * 4 + 3]) << 24;
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];

    static const int r1[4] = {3, 7, 11, 19};
    for (int i = 0; i < 16; ++i) {
        const uint32_t t = Rotl(a + F(b, c, d) + x[i], r1[i % 4]);
        a = d; d = c; c = b; b = t;
    }
    static const int r2[4] = {3, 5, 9, 13};
    static const int o2[16] = {0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15};
    for (int i = 0; i < 16; ++i) {
        const uint32_t t = Rotl(a + G(b, c, d) + x[o2[i]] + 0x5A827999u, r2[i % 4]);
        a = d; d = c; c = b; b = t;
    }
    static const int r3[4] = {3, 9, 11, 15};
    static const int o3[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
    for (int i = 0; i < 16; ++i) {
        const uint32_t t = Rotl(a + H(b, c, d) + x[o3[i]] + 0x6ED9EBA1u, r3[i % 4]);
        a = d; d = c; c = b; b = t;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

} // namespace

void TEncryption::MD4Init(TMD4Context& context)
{
    context.state = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u};
    context.length = 0;
    context.buffer.fill(0);
}

void TEncryption::MD4Update(TMD4Context& context, const void* data, size_t length)
{
    auto in = static_cast<const unsigned char*>(data);
    size_t used = context.length % 64;
    context.length += length;
    if (used) {
        const size_t take = std::min(length, 64 - used);
        std::memcpy(context.buffer.data() + used, in, take);
        in += take;
        length -= take;
        if (used + take < 64)
            return;
        MD4Transform(context.state, context.buffer.data());
    }
    for (; length >= 64; in += 64, length -= 64)
        MD4Transform(context.state, in);
    if (length)
        std::memcpy(context.buffer.data(), in, length);
}

void TEncryption::MD4Final(TMD4Context& context, TMD4Digest& digest)
{
    const uint64_t bits = context.length * 8;
    unsigned char pad[72] = {0x80};
    const size_t used = context.length % 64;
    const size_t padLength = used < 56 ? 56 - used : 120 - used;
    MD4Update(context, pad, padLength);
    unsigned char lengthBytes[8];
    for (int i = 0; i < 8; ++i)
        lengthBytes[i] = static_cast<unsigned char>(bits >> (8 * i));
    MD4Update(context, lengthBytes, 8);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            digest[i * 4 + j] = static_cast<unsigned char>(context.state[i] >> (8 * j));
    MD4Init(context);
}

std::string TEncryption::Base64Encode(std::string_view text) { return u3::StringToBase64(text); }

std::string TEncryption::Base64Decode(std::string_view text) { return u3::Base64ToString(text); }

TDESBlock TEncryption::DESEncrypt(const unsigned char* key7, const unsigned char* block8)
{
    DES_cblock key;
    key[0] = key7[0];
    key[1] = static_cast<unsigned char>(key7[0] << 7 | key7[1] >> 1);
    key[2] = static_cast<unsigned char>(key7[1] << 6 | key7[2] >> 2);
    key[3] = static_cast<unsigned char>(key7[2] << 5 | key7[3] >> 3);
    key[4] = static_cast<unsigned char>(key7[3] << 4 | key7[4] >> 4);
    key[5] = static_cast<unsigned char>(key7[4] << 3 | key7[5] >> 5);
    key[6] = static_cast<unsigned char>(key7[5] << 2 | key7[6] >> 6);
    key[7] = static_cast<unsigned char>(key7[6] << 1);
    DES_set_odd_parity(&key);
    DES_key_schedule schedule;
    DES_set_key_unchecked(&key, &schedule);
    DES_cblock in;
    std::memcpy(in, block8, 8);
    DES_cblock out;
    DES_ecb_encrypt(&in, &out, &schedule, DES_ENCRYPT);
    TDESBlock result;
    std::memcpy(result.data(), out, 8);
    OPENSSL_cleanse(&schedule, sizeof schedule);
    OPENSSL_cleanse(key, sizeof key);
    return result;
}

TMD4Digest MD4(std::string_view data)
{
    TEncryption e;
    TMD4Context context;
    e.MD4Init(context);
    e.MD4Update(context, data.data(), data.size());
    TMD4Digest digest;
    e.MD4Final(context, digest);
    return digest;
}

} // namespace e3net
