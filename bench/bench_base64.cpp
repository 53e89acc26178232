// Base64 encoding and decoding of 64 MB against OpenSSL in the same run.
#include "u3/Base64.h"

#include <openssl/evp.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>

namespace {

constexpr std::size_t kSize = 64u << 20;

// Best of several runs, in MB/s of the unencoded data.
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

void Report(const char* what, double ours, double theirs)
{
    std::printf("base64 %s ours: %.0f MB/s\n", what, ours);
    std::printf("base64 %s OpenSSL: %.0f MB/s\n", what, theirs);
    std::printf("base64 %s ratio ours/OpenSSL: %.2f\n", what, ours / theirs);
}

volatile char g_sink;

} // namespace

int main()
{
    std::string plain(kSize, '\0');
    std::mt19937 rng(11);
    for (auto& c : plain)
        c = static_cast<char>(rng());
    const std::string encoded = u3::StringToBase64(plain);

    // OpenSSL writes into a buffer the caller allocates; ours returns a new
    // string, so its allocation is part of our figure but not of theirs.
    const double encodeTheirs = Measure([&] {
        std::string out(encoded.size() + 1, '\0');
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                        reinterpret_cast<const unsigned char*>(plain.data()), int(plain.size()));
        g_sink = out[0];
    });
    const double encodeOurs = Measure([&] { g_sink = u3::StringToBase64(plain)[0]; });
    Report("encode", encodeOurs, encodeTheirs);

    const double decodeTheirs = Measure([&] {
        std::string out(encoded.size() / 4 * 3, '\0');
        EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                        reinterpret_cast<const unsigned char*>(encoded.data()), int(encoded.size()));
        g_sink = out[0];
    });
    const double decodeOurs = Measure([&] { g_sink = u3::Base64ToString(encoded)[0]; });
    Report("decode", decodeOurs, decodeTheirs);
    return 0;
}
