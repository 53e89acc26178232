#pragma once
// The primitives NTLM needs: MD4, single-block DES with a 7-byte key, Base64.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace e3net {

// MD4 running state, owned by the caller between Init, Update and Final.
struct TMD4Context {
    std::array<uint32_t, 4> state{};
    uint64_t length = 0; // bytes processed so far
    std::array<unsigned char, 64> buffer{};
};

using TMD4Digest = std::array<unsigned char, 16>;
using TDESBlock = std::array<unsigned char, 8>;

class IEncryption {
public:
    virtual ~IEncryption() = default;
    virtual void MD4Init(TMD4Context& context) = 0;
    virtual void MD4Update(TMD4Context& context, const void* data, size_t length) = 0;
    virtual void MD4Final(TMD4Context& context, TMD4Digest& digest) = 0;
    virtual std::string Base64Encode(std::string_view text) = 0;
    virtual std::string Base64Decode(std::string_view text) = 0;
    // key: 7 bytes (56 key bits, spread with parity before use); block: 8 bytes.
    virtual TDESBlock DESEncrypt(const unsigned char* key7, const unsigned char* block8) = 0;
};

class TEncryption : public IEncryption {
public:
    void MD4Init(TMD4Context& context) override;
    void MD4Update(TMD4Context& context, const void* data, size_t length) override;
    void MD4Final(TMD4Context& context, TMD4Digest& digest) override;
    std::string Base64Encode(std::string_view text) override;
    // Throws u3::EBase64Error on text that is not Base64.
    std::string Base64Decode(std::string_view text) override;
    TDESBlock DESEncrypt(const unsigned char* key7, const unsigned char* block8) override;
};

// MD4 of a whole buffer in one call.
TMD4Digest MD4(std::string_view data);

} // namespace e3net
