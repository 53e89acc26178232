// SHA-1 throughput against OpenSSL on the same 64 MB buffer in the same run.
#include "u3/SHA1.h"

#include <openssl/evp.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

namespace {

constexpr std::size_t kSize = 64u << 20;

// Best of several runs, in MB/s.
double Measure(const std::function<void()>& run)
{
    double best = 0;
    for (int i = 0; i < 5; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        run();
        const std::chrono::duration<double> s = std::chrono::steady_clock::now() - t0;
        best = std::max(best, kSize / 1e6 / s.count());
    }
    return best;
}

volatile unsigned char g_sink;

} // namespace

int main()
{
    std::vector<unsigned char> data(kSize);
    std::mt19937 rng(7);
    for (auto& b : data)
        b = static_cast<unsigned char>(rng());

    auto ours = [&] {
        u3::TSHA1Context ctx;
        u3::SHA1Init(ctx);
        u3::SHA1Update(ctx, data.data(), data.size());
        uint8_t digest[20];
        u3::SHA1Final(ctx, digest);
        g_sink = digest[0];
    };
    auto openssl = [&] {
        unsigned char md[EVP_MAX_MD_SIZE];
        unsigned int len = 0;
        EVP_Digest(data.data(), data.size(), md, &len, EVP_sha1(), nullptr);
        g_sink = md[0];
    };

    const double theirs = Measure(openssl);
    const double mine = Measure(ours);
    std::printf("sha1 code path: %s\n", u3::Sha1CodePath());
    std::printf("sha1 ours (%s): %.0f MB/s\n", u3::Sha1CodePath(), mine);
    std::printf("sha1 OpenSSL EVP_Digest: %.0f MB/s\n", theirs);
    std::printf("sha1 ratio ours/OpenSSL: %.2f\n", mine / theirs);
    if (u3::BestSha1CodePath() == u3::Sha1Path::ShaNi && u3::SelectSha1CodePath(u3::Sha1Path::Portable)) {
        const double portable = Measure(ours);
        std::printf("sha1 ours (portable): %.0f MB/s\n", portable);
        std::printf("sha1 ratio portable/OpenSSL: %.2f\n", portable / theirs);
        u3::SelectSha1CodePath(u3::BestSha1CodePath());
    }
    return 0;
}
