#include "u3/SHA1.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string.h>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define U3_SHA1_HAVE_SHANI 1
#endif

namespace u3 {
namespace {

using CompressFn = void (*)(uint32_t state[5], const uint8_t* data, std::size_t blocks);

inline uint32_t Rol(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t LoadBE32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

inline void StoreBE32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

void CompressPortable(uint32_t state[5], const uint8_t* data, std::size_t blocks)
{
    uint32_t w[80];
    while (blocks--) {
        for (int i = 0; i < 16; ++i)
            w[i] = LoadBE32(data + 4 * i);

        uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
        // Each round writes its result into the register that is "e" for it, and
        // the callers rotate the names instead of moving five values per round.
        // The schedule grows inside the rounds: a separate expansion loop gets
        // vectorised into stores that the next loads cannot forward from.
#define U3_W(i) ((i) < 16 ? w[i] : (w[i] = Rol(w[(i) - 3] ^ w[(i) - 8] ^ w[(i) - 14] ^ w[(i) - 16], 1)))
#define U3_R(f, k, a, b, c, d, e, i)                  \
    e += Rol(a, 5) + (f) + uint32_t(k) + U3_W(i);     \
    b = Rol(b, 30);
#define U3_CH(b, c, d) (d ^ (b & (c ^ d)))
#define U3_PAR(b, c, d) (b ^ c ^ d)
#define U3_MAJ(b, c, d) ((b & c) | (d & (b | c)))
#define U3_FIVE(F, k, i)                                   \
    U3_R(F(b, c, d), k, a, b, c, d, e, i)                  \
    U3_R(F(a, b, c), k, e, a, b, c, d, (i) + 1)            \
    U3_R(F(e, a, b), k, d, e, a, b, c, (i) + 2)            \
    U3_R(F(d, e, a), k, c, d, e, a, b, (i) + 3)            \
    U3_R(F(c, d, e), k, b, c, d, e, a, (i) + 4)
#pragma GCC unroll 4
        for (int i = 0; i < 20; i += 5) { U3_FIVE(U3_CH, 0x5A827999, i) }
#pragma GCC unroll 4
        for (int i = 20; i < 40; i += 5) { U3_FIVE(U3_PAR, 0x6ED9EBA1, i) }
#pragma GCC unroll 4
        for (int i = 40; i < 60; i += 5) { U3_FIVE(U3_MAJ, 0x8F1BBCDC, i) }
#pragma GCC unroll 4
        for (int i = 60; i < 80; i += 5) { U3_FIVE(U3_PAR, 0xCA62C1D6, i) }
#undef U3_FIVE
#undef U3_MAJ
#undef U3_PAR
#undef U3_CH
#undef U3_R
#undef U3_W
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
        // The schedule is the message block in another form.
        explicit_bzero(w, sizeof w);
        data += 64;
    }
}

#ifdef U3_SHA1_HAVE_SHANI

__attribute__((target("sha,sse4.1,ssse3")))
void CompressShaNi(uint32_t state[5], const uint8_t* data, std::size_t blocks)
{
    const __m128i byteSwap = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
    __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e0 = _mm_set_epi32(int(state[4]), 0, 0, 0);

    while (blocks--) {
        const __m128i abcdSave = abcd;
        const __m128i eSave = e0;
        __m128i e1;
        __m128i m0 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data)), byteSwap);
        __m128i m1 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16)), byteSwap);
        __m128i m2 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 32)), byteSwap);
        __m128i m3 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 48)), byteSwap);

        // Four rounds per step. The two E registers alternate; the schedule for
        // step g+3 is built from the words of steps g-1 .. g+2 as they pass.
#define U3_RND(ec, eo, m, f)                \
    ec = _mm_sha1nexte_epu32(ec, m);        \
    eo = abcd;                              \
    abcd = _mm_sha1rnds4_epu32(abcd, ec, f);
#define U3_MSG2(next, cur) next = _mm_sha1msg2_epu32(next, cur);
#define U3_MSG1(prev, cur) prev = _mm_sha1msg1_epu32(prev, cur);
#define U3_XOR(prev2, cur) prev2 = _mm_xor_si128(prev2, cur);
#define U3_FULL(ec, eo, cur, next, prev, prev2, f) \
    U3_RND(ec, eo, cur, f) U3_MSG2(next, cur) U3_MSG1(prev, cur) U3_XOR(prev2, cur)

        e0 = _mm_add_epi32(e0, m0);
        e1 = abcd;
        abcd = _mm_sha1rnds4_epu32(abcd, e0, 0);                       // 0-3
        U3_RND(e1, e0, m1, 0) U3_MSG1(m0, m1)                          // 4-7
        U3_RND(e0, e1, m2, 0) U3_MSG1(m1, m2) U3_XOR(m0, m2)           // 8-11
        U3_FULL(e1, e0, m3, m0, m2, m1, 0)                             // 12-15
        U3_FULL(e0, e1, m0, m1, m3, m2, 0)                             // 16-19
        U3_FULL(e1, e0, m1, m2, m0, m3, 1)                             // 20-23
        U3_FULL(e0, e1, m2, m3, m1, m0, 1)
        U3_FULL(e1, e0, m3, m0, m2, m1, 1)
        U3_FULL(e0, e1, m0, m1, m3, m2, 1)
        U3_FULL(e1, e0, m1, m2, m0, m3, 1)                             // 36-39
        U3_FULL(e0, e1, m2, m3, m1, m0, 2)                             // 40-43
        U3_FULL(e1, e0, m3, m0, m2, m1, 2)
        U3_FULL(e0, e1, m0, m1, m3, m2, 2)
        U3_FULL(e1, e0, m1, m2, m0, m3, 2)
        U3_FULL(e0, e1, m2, m3, m1, m0, 2)                             // 56-59
        U3_FULL(e1, e0, m3, m0, m2, m1, 3)                             // 60-63
        U3_FULL(e0, e1, m0, m1, m3, m2, 3)                             // 64-67
        U3_RND(e1, e0, m1, 3) U3_MSG2(m2, m1) U3_XOR(m3, m1)           // 68-71
        U3_RND(e0, e1, m2, 3) U3_MSG2(m3, m2)                          // 72-75
        U3_RND(e1, e0, m3, 3)                                          // 76-79
#undef U3_FULL
#undef U3_XOR
#undef U3_MSG1
#undef U3_MSG2
#undef U3_RND

        e0 = _mm_sha1nexte_epu32(e0, eSave);
        abcd = _mm_add_epi32(abcd, abcdSave);
        data += 64;
    }

    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = uint32_t(_mm_extract_epi32(e0, 3));
}

bool CpuHasShaNi()
{
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d))
        return false;
    const bool ssse3 = c & (1u << 9);
    const bool sse41 = c & (1u << 19);
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d))
        return false;
    const bool sha = b & (1u << 29);
    return ssse3 && sse41 && sha;
}

#else

bool CpuHasShaNi() { return false; }

#endif

std::atomic<Sha1Path>& CurrentPath()
{
    static std::atomic<Sha1Path> path{BestSha1CodePath()};
    return path;
}

CompressFn Compressor()
{
#ifdef U3_SHA1_HAVE_SHANI
    if (CurrentPath().load(std::memory_order_relaxed) == Sha1Path::ShaNi)
        return CompressShaNi;
#endif
    return CompressPortable;
}

uint64_t BitCount(const TSHA1Context& context)
{
    return (uint64_t(context.CountHigh) << 32) | context.CountLow;
}

} // namespace

Sha1Path BestSha1CodePath()
{
    static const Sha1Path best = CpuHasShaNi() ? Sha1Path::ShaNi : Sha1Path::Portable;
    return best;
}

bool SelectSha1CodePath(Sha1Path path)
{
    if (path == Sha1Path::ShaNi && BestSha1CodePath() != Sha1Path::ShaNi)
        return false;
    CurrentPath().store(path);
    return true;
}

const char* Sha1CodePath()
{
    return CurrentPath().load() == Sha1Path::ShaNi ? "sha-ni" : "portable";
}

void SHA1Init(TSHA1Context& context)
{
    std::memset(&context, 0, sizeof context);
    context.State[0] = 0x67452301;
    context.State[1] = 0xEFCDAB89;
    context.State[2] = 0x98BADCFE;
    context.State[3] = 0x10325476;
    context.State[4] = 0xC3D2E1F0;
}

void SHA1Update(TSHA1Context& context, const void* data, std::size_t length)
{
    if (length == 0)
        return;
    const uint64_t bits = BitCount(context) + (uint64_t(length) << 3);
    context.CountHigh = uint32_t(bits >> 32);
    context.CountLow = uint32_t(bits);

    const CompressFn compress = Compressor();
    auto p = static_cast<const uint8_t*>(data);
    std::size_t index = context.Index & 63;
    if (index != 0) {
        const std::size_t take = std::min<std::size_t>(64 - index, length);
        std::memcpy(context.Buffer + index, p, take);
        index += take;
        p += take;
        length -= take;
        if (index < 64) {
            context.Index = uint32_t(index);
            return;
        }
        compress(context.State, context.Buffer, 1);
        explicit_bzero(context.Buffer, sizeof context.Buffer);
    }
    // Whole blocks are compressed straight from the caller's data.
    const std::size_t blocks = length / 64;
    if (blocks != 0) {
        compress(context.State, p, blocks);
        p += blocks * 64;
        length -= blocks * 64;
    }
    if (length != 0)
        std::memcpy(context.Buffer, p, length);
    context.Index = uint32_t(length);
}

void SHA1Final(TSHA1Context& context, uint8_t digest[20])
{
    const uint64_t bits = BitCount(context);
    const CompressFn compress = Compressor();
    std::size_t index = context.Index & 63;
    context.Buffer[index++] = 0x80;
    if (index > 56) {
        std::memset(context.Buffer + index, 0, 64 - index);
        compress(context.State, context.Buffer, 1);
        index = 0;
    }
    std::memset(context.Buffer + index, 0, 56 - index);
    StoreBE32(context.Buffer + 56, uint32_t(bits >> 32));
    StoreBE32(context.Buffer + 60, uint32_t(bits));
    compress(context.State, context.Buffer, 1);
    for (int i = 0; i < 5; ++i)
        StoreBE32(digest + 4 * i, context.State[i]);
    explicit_bzero(&context, sizeof context);
}

TSHA1Digest SHA1OfString(std::string_view data)
{
    TSHA1Context context;
    SHA1Init(context);
    SHA1Update(context, data.data(), data.size());
    TSHA1Digest digest;
    SHA1Final(context, digest.data());
    return digest;
}

TSHA1Digest SHA1OfFile(const std::string& fileName)
{
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw std::system_error(errno, std::generic_category(), "Cannot open " + fileName);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    constexpr std::size_t chunkSize = 1 << 20;
    const std::unique_ptr<uint8_t[]> chunk(new uint8_t[chunkSize]);
    struct Wiper {
        uint8_t* p;
        ~Wiper() { explicit_bzero(p, chunkSize); }
    } wiper{chunk.get()};

    TSHA1Context context;
    SHA1Init(context);
    for (;;) {
        const ssize_t got = ::read(fd, chunk.get(), chunkSize);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            explicit_bzero(&context, sizeof context);
            throw std::system_error(err, std::generic_category(), "Cannot read " + fileName);
        }
        if (got == 0)
            break;
        SHA1Update(context, chunk.get(), std::size_t(got));
    }
    TSHA1Digest digest;
    SHA1Final(context, digest.data());
    return digest;
}

} // namespace u3
