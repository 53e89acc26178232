#pragma once
// SHA-1 of FIPS 180-1, with a context record that the caller owns.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace u3 {

struct TSHA1Context {
    uint32_t State[5];
    // The message length in bits, one 64-bit number split high word first.
    uint32_t CountHigh;
    uint32_t CountLow;
    uint8_t Buffer[64];
    uint32_t Index;
};

using TSHA1Digest = std::array<uint8_t, 20>;

void SHA1Init(TSHA1Context& context);
void SHA1Update(TSHA1Context& context, const void* data, std::size_t length);
// Writes the digest, then overwrites the whole context with zeros so that no
// message data stays behind in the caller's memory.
void SHA1Final(TSHA1Context& context, uint8_t digest[20]);

TSHA1Digest SHA1OfString(std::string_view data);
// Streams the file in chunks, so any size works; throws std::system_error when
// the file cannot be opened or read.
TSHA1Digest SHA1OfFile(const std::string& fileName);

// Which compression runs: "sha-ni" (x86 SHA extensions) or "portable".
const char* Sha1CodePath();

enum class Sha1Path { Portable, ShaNi };
// Lets tests and benchmarks run the portable code on a CPU that has the SHA
// extensions. Returns false (and changes nothing) when the CPU lacks the path.
bool SelectSha1CodePath(Sha1Path path);
// The path the CPU offers, as chosen at start.
Sha1Path BestSha1CodePath();

} // namespace u3
