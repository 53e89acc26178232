#include "u3/SHA1.h"

#include "ProgramOutput.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstring>
#include <future>
#include <random>
#include <system_error>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define E3_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define E3_SANITIZED 1
#endif
#endif

namespace {

std::string Hex(const uint8_t* p, std::size_t n)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

std::string Hex(const u3::TSHA1Digest& d) { return Hex(d.data(), d.size()); }

std::string OpenSslSha1(const std::string& data)
{
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_Digest(data.data(), data.size(), md, &len, EVP_sha1(), nullptr);
    return Hex(md, len);
}

// Hashes data through SHA1Update calls of random lengths (zero included).
std::string ChunkedSha1(const std::string& data, std::mt19937& rng)
{
    u3::TSHA1Context ctx;
    u3::SHA1Init(ctx);
    std::size_t pos = 0;
    while (pos < data.size()) {
        const std::size_t maxChunk = std::uniform_int_distribution<int>(0, 3)(rng) == 0 ? 1000 : 70;
        const std::size_t n = std::min(data.size() - pos, std::uniform_int_distribution<std::size_t>(0, maxChunk)(rng));
        u3::SHA1Update(ctx, data.data() + pos, n);
        pos += n;
    }
    uint8_t digest[20];
    u3::SHA1Final(ctx, digest);
    return Hex(digest, 20);
}

// Every test runs on each code path this CPU offers.
class Sha1Test : public ::testing::TestWithParam<u3::Sha1Path> {
protected:
    void SetUp() override
    {
        if (!u3::SelectSha1CodePath(GetParam()))
            GTEST_SKIP() << "this CPU has no SHA extensions";
    }
    void TearDown() override { u3::SelectSha1CodePath(u3::BestSha1CodePath()); }
};

TEST_P(Sha1Test, StandardVectorsInAnyChunking)
{
    struct Case {
        std::string message;
        const char* digest;
    };
    const Case cases[] = {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    };
    std::mt19937 rng(1234);
    for (const auto& c : cases) {
        EXPECT_EQ(Hex(u3::SHA1OfString(c.message)), c.digest) << c.message.size() << " bytes in one piece";
        for (int round = 0; round < 5; ++round)
            EXPECT_EQ(ChunkedSha1(c.message, rng), c.digest) << c.message.size() << " bytes in chunks";
    }
}

TEST_P(Sha1Test, AgreesWithOpenSslAroundEveryBlockBoundary)
{
    std::mt19937 rng(99);
    std::string data(300, '\0');
    for (auto& ch : data)
        ch = char(rng());
    for (std::size_t n = 0; n <= data.size(); ++n) {
        const std::string part = data.substr(0, n);
        EXPECT_EQ(ChunkedSha1(part, rng), OpenSslSha1(part)) << n << " bytes";
    }
}

TEST_P(Sha1Test, FinalLeavesOnlyZerosInTheContext)
{
    u3::TSHA1Context ctx;
    u3::SHA1Init(ctx);
    const std::string secret = "a message that must not linger in memory after hashing";
    u3::SHA1Update(ctx, secret.data(), secret.size());
    uint8_t digest[20];
    u3::SHA1Final(ctx, digest);

    u3::TSHA1Context zeros;
    std::memset(&zeros, 0, sizeof zeros);
    EXPECT_EQ(std::memcmp(&ctx, &zeros, sizeof ctx), 0);
    EXPECT_EQ(Hex(digest, 20), OpenSslSha1(secret));
}

TEST_P(Sha1Test, CompressedBlocksLeaveNoMessageInTheBuffer)
{
    u3::TSHA1Context ctx;
    u3::SHA1Init(ctx);
    const std::string block(64, 'S');
    u3::SHA1Update(ctx, block.data(), 10);                  // partly buffered
    u3::SHA1Update(ctx, block.data(), block.size() - 10);   // fills and compresses it
    EXPECT_EQ(ctx.Index, 0u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(ctx.Buffer), 64), std::string(64, '\0'));
}

TEST_P(Sha1Test, BitCounterCarriesPast512MiB)
{
#ifdef E3_SANITIZED
    GTEST_SKIP() << "600 MB is too slow under the sanitizers";
#endif
    // A reused 1 MB buffer whose words carry a running counter, so no two
    // chunks are alike.
    constexpr std::size_t chunk = 1 << 20;
    std::vector<uint32_t> words(chunk / 4);
    u3::TSHA1Context ours;
    u3::SHA1Init(ours);
    EVP_MD_CTX* theirs = EVP_MD_CTX_new();
    ASSERT_TRUE(theirs);
    EVP_DigestInit_ex(theirs, EVP_sha1(), nullptr);
    uint32_t counter = 0;
    for (int i = 0; i < 600; ++i) {
        for (auto& w : words)
            w = counter++ * 2654435761u;
        // An odd length keeps our buffer busy across every call.
        const std::size_t n = chunk - (i % 3);
        u3::SHA1Update(ours, words.data(), n);
        EVP_DigestUpdate(theirs, words.data(), n);
    }
    EXPECT_EQ(ours.CountHigh, 1u) << "the byte count passed 512 MiB";
    uint8_t digest[20];
    u3::SHA1Final(ours, digest);
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_DigestFinal_ex(theirs, md, &len);
    EVP_MD_CTX_free(theirs);
    EXPECT_EQ(Hex(digest, 20), Hex(md, len));
}

INSTANTIATE_TEST_SUITE_P(Paths, Sha1Test, ::testing::Values(u3::Sha1Path::Portable, u3::Sha1Path::ShaNi),
                         [](const auto& info) {
                             return std::string(info.param == u3::Sha1Path::ShaNi ? "ShaNi" : "Portable");
                         });

TEST(Sha1File, HashesAFiveGigabyteSparseFileLikeSha1sum)
{
#ifdef E3_SANITIZED
    GTEST_SKIP() << "5 GB is too slow under the sanitizers";
#endif
    e3test::TempDir dir;
    const std::string file = dir.write("sparse", "");
    {
        // A little data at both ends, so the hole is not the whole story.
        e3test::RunProgram({"truncate", "-s", "5G", file});
        FILE* f = std::fopen(file.c_str(), "r+b");
        ASSERT_TRUE(f);
        std::fputs("head", f);
        std::fseek(f, -4, SEEK_END);
        std::fputs("tail", f);
        std::fclose(f);
    }
    // sha1sum is the slower of the two: let it run while we hash.
    auto theirs = std::async(std::launch::async, [&] { return e3test::RunProgram({"sha1sum", file}); });
    const std::string ours = Hex(u3::SHA1OfFile(file));
    EXPECT_EQ(theirs.get().substr(0, 40), ours);
}

TEST(Sha1File, SmallFilesAndFailures)
{
    e3test::TempDir dir;
    EXPECT_EQ(Hex(u3::SHA1OfFile(dir.write("empty", ""))), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    const std::string data(3 * 1024 * 1024 + 17, 'x');
    EXPECT_EQ(Hex(u3::SHA1OfFile(dir.write("data", data))), OpenSslSha1(data));
    EXPECT_THROW(u3::SHA1OfFile(dir.str() + "/missing"), std::system_error);
    EXPECT_THROW(u3::SHA1OfFile(dir.str()), std::system_error) << "a folder cannot be hashed";
}

} // namespace
