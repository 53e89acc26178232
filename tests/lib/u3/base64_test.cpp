#include "u3/Base64.h"

#include "ProgramOutput.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <future>
#include <random>
#include <sstream>
#include <system_error>

namespace {

std::string RandomBytes(std::size_t n, std::mt19937& rng)
{
    std::string s(n, '\0');
    for (auto& c : s)
        c = char(rng());
    return s;
}

std::string TrimNewline(std::string s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
        s.pop_back();
    return s;
}

TEST(Base64, Rfc4648VectorsBothWays)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [plain, encoded] : cases) {
        EXPECT_EQ(u3::StringToBase64(plain), encoded);
        EXPECT_EQ(u3::Base64ToString(encoded), plain);
    }
}

TEST(Base64, AgreesWithCommandLineToolsForEveryLengthUpTo300)
{
    struct Result {
        std::string plain, ours, gnuEncoded, sslEncoded, gnuDecoded, sslDecoded;
    };
    std::mt19937 rng(4648);
    std::vector<Result> results(301);
    for (std::size_t n = 0; n < results.size(); ++n) {
        results[n].plain = RandomBytes(n, rng);
        results[n].ours = u3::StringToBase64(results[n].plain);
    }
    // Four workers keep some twelve hundred program starts to about a second.
    std::vector<std::future<void>> workers;
    for (std::size_t w = 0; w < 4; ++w) {
        workers.push_back(std::async(std::launch::async, [&results, w] {
            for (std::size_t n = w; n < results.size(); n += 4) {
                auto& r = results[n];
                r.gnuEncoded = TrimNewline(e3test::RunProgram({"base64", "-w0"}, r.plain));
                r.sslEncoded = TrimNewline(e3test::RunProgram({"openssl", "base64", "-A"}, r.plain));
                r.gnuDecoded = e3test::RunProgram({"base64", "-d"}, r.ours);
                r.sslDecoded = e3test::RunProgram({"openssl", "base64", "-d", "-A"}, r.ours);
            }
        }));
    }
    for (auto& w : workers)
        w.get();
    for (std::size_t n = 0; n < results.size(); ++n) {
        const auto& r = results[n];
        EXPECT_EQ(r.ours, r.gnuEncoded) << n << " bytes";
        EXPECT_EQ(r.ours, r.sslEncoded) << n << " bytes";
        EXPECT_EQ(r.gnuDecoded, r.plain) << n << " bytes";
        EXPECT_EQ(r.sslDecoded, r.plain) << n << " bytes";
        EXPECT_EQ(u3::Base64ToString(r.gnuEncoded), r.plain) << n << " bytes";
        EXPECT_EQ(u3::Base64ToString(r.sslEncoded), r.plain) << n << " bytes";
    }
}

TEST(Base64, LargeDataMatchesOpenSslAndRoundTrips)
{
    std::mt19937 rng(1);
    const std::string plain = RandomBytes(1000003, rng);
    std::string theirs(4 * ((plain.size() + 2) / 3) + 1, '\0');
    theirs.resize(std::size_t(EVP_EncodeBlock(reinterpret_cast<unsigned char*>(theirs.data()),
                                              reinterpret_cast<const unsigned char*>(plain.data()),
                                              int(plain.size()))));
    const std::string ours = u3::StringToBase64(plain);
    EXPECT_EQ(ours, theirs);
    EXPECT_EQ(u3::Base64ToString(ours), plain);
}

TEST(Base64, SkipsBlanksAndControlCodesAndJoinsPaddedGroups)
{
    const std::pair<std::string, std::string> cases[] = {
        {"QUJD\r\nREVG", "ABCDEF"},
        {"QUJD\r\nREVG\r\n", "ABCDEF"},
        {" Q U\tJ D\x1fRE\x01VG\n", "ABCDEF"},
        {"QQ==QkM=", "ABC"},
        {"QQ==\r\nQkM=", "ABC"},
        {"QQ\r\n=\r\n=", "A"},
        {"QUI=QUJD", "ABABC"},
        {"\r\n \t", ""},
        {std::string("AAAA\0AAAA", 9), std::string(6, '\0')},
    };
    for (const auto& [text, plain] : cases)
        EXPECT_EQ(u3::Base64ToString(text), plain) << text;
}

TEST(Base64, InvalidTextRaisesAndLeavesTheTargetUntouched)
{
    const std::string uneven = "Uneven size in DecodeToStream.";
    const std::pair<std::string, std::string> cases[] = {
        {"QUJDR", uneven},
        {"QUJ", uneven},
        {"QQ=", uneven},
        {"QUJD\r\nQ", uneven},
        {"QU#D", "Invalid Base64 text: character '#' at offset 2."},
        {"QUJ-", "Invalid Base64 text: character '-' at offset 3."},
        {"QUJ_", "Invalid Base64 text: character '_' at offset 3."},
        {"QUJ\x7f", "Invalid Base64 text: character 0x7F at offset 3."},
        {"QUJDQUJ\x80", "Invalid Base64 text: character 0x80 at offset 7."},
        {"=QUJ", "Invalid Base64 text: character '=' at offset 0."},
        {"Q=UJ", "Invalid Base64 text: character '=' at offset 1."},
        {"QQ=A", "Invalid Base64 text: character 'A' at offset 3."},
        {"QQ==Q===", "Invalid Base64 text: character '=' at offset 5."},
        {"QUJD\r\n====", "Invalid Base64 text: character '=' at offset 6."},
    };
    for (const auto& [text, message] : cases) {
        std::string target = "keep";
        try {
            target = u3::Base64ToString(text);
            ADD_FAILURE() << "no error for " << text;
        } catch (const u3::EBase64Error& e) {
            EXPECT_EQ(e.what(), message) << text;
        }
        EXPECT_EQ(target, "keep");

        std::stringstream stream("keep");
        stream.seekp(0, std::ios::end);
        EXPECT_THROW(u3::Base64ToStream(text, stream), u3::EBase64Error) << text;
        EXPECT_EQ(stream.str(), "keep") << text;
    }
}

TEST(Base64, StreamsStartAtTheirPosition)
{
    std::istringstream in("skipABC");
    in.seekg(4);
    EXPECT_EQ(u3::StreamToBase64(in), "QUJD");
    EXPECT_EQ(in.tellg(), std::streampos(7));
    EXPECT_EQ(u3::StreamToBase64(in), "") << "nothing is left after the end";

    std::stringstream out("head----");
    out.seekp(4);
    u3::Base64ToStream("QUJD", out);
    EXPECT_EQ(out.str(), "headABC-");
    u3::Base64ToStream("", out);
    EXPECT_EQ(out.str(), "headABC-");
}

TEST(Base64, StreamWithoutSeekingIsReadToItsEnd)
{
    // Like a pipe: the buffer cannot tell its size in advance.
    struct UnseekableBuf : std::stringbuf {
        using std::stringbuf::stringbuf;
        pos_type seekoff(off_type, std::ios::seekdir, std::ios::openmode) override { return pos_type(-1); }
    };
    std::mt19937 rng(3);
    const std::string data = RandomBytes(200001, rng);
    UnseekableBuf buf(data);
    std::istream in(&buf);
    EXPECT_EQ(u3::StreamToBase64(in), u3::StringToBase64(data));
}

TEST(Base64, StreamThatRefusesTheBytesIsAnError)
{
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    EXPECT_THROW(u3::Base64ToStream("QUJD", out), std::ios_base::failure);
}

TEST(Base64, Files)
{
    e3test::TempDir dir;
    std::mt19937 rng(5);
    const std::string data = RandomBytes(200000, rng);
    EXPECT_EQ(u3::FileToBase64(dir.write("data.bin", data)), u3::StringToBase64(data));
    EXPECT_EQ(u3::FileToBase64(dir.write("empty", "")), "");
    EXPECT_EQ(u3::FileToBase64(dir.str() + "/missing"), "");
    EXPECT_EQ(u3::FileToBase64(dir.str() + "/data.bin/below"), "") << "a file is no folder";
    EXPECT_EQ(u3::FileToBase64(dir.str()), "") << "a folder is no file";
}

} // namespace
