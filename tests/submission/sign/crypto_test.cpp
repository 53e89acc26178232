// Key files and PKCS#7 signatures against the openssl and certtool programs.
#include "submission/crypto/Crypto.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"
#include "u3/Files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace {

using namespace submission;
using e3test::ReadWholeFile;
using e3test::RunProgram;

std::string MustRun(const std::vector<std::string>& args)
{
    auto [code, out] = RunProgram(args);
    EXPECT_EQ(code, 0) << args[0] << " " << args[1];
    return out;
}

class KeyFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        u3::SetExeNameOverride(Path("filingclient"));
        CryptoSettings() = CryptoReporting {};
        MustRun({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", Path("key.pem"), "-out",
                 Path("cert.pem"), "-subj", "/O=Firma/CN=Signer", "-days", "30"});
        MustRun({"openssl", "pkcs12", "-export", "-in", Path("cert.pem"), "-inkey", Path("key.pem"), "-out",
                 Path("modern.p12"), "-passout", "pass:secret"});
        // RC2-40 and 3DES, as older tools wrote them.
        MustRun({"openssl", "pkcs12", "-export", "-legacy", "-in", Path("cert.pem"), "-inkey", Path("key.pem"), "-out",
                 Path("legacy.p12"), "-passout", "pass:secret"});
    }
    void TearDown() override { u3::SetExeNameOverride(""); }

    std::string Path(const std::string& name) const { return (dir_.path() / name).string(); }

    e3test::TempDir dir_;
};

TEST_F(KeyFileTest, ModernAndLegacyKeyFilesLoadWithTheirPassword)
{
    for (const char* file : {"modern.p12", "legacy.p12"}) {
        SCOPED_TRACE(file);
        KEY_RECORD* record = ReadPKCS12File(Path(file), "secret");
        ASSERT_NE(record, nullptr);
        ASSERT_NE(record->cert, nullptr);
        EXPECT_NE(record->privateKey, nullptr);
        EXPECT_EQ(GetCertName(true, record->cert), "/O=Firma/CN=Signer");
        EXPECT_EQ(GetCertName(false, record->cert), "/O=Firma/CN=Signer");
        FreeKeyRecord(record);

        record = ReadPKCS12File(Path(file), "wrong");
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->cert, nullptr);
        EXPECT_EQ(record->privateKey, nullptr);
        FreeKeyRecord(record);
    }
    KEY_RECORD* missing = ReadPKCS12File(Path("none.p12"), "secret");
    EXPECT_EQ(missing->cert, nullptr);
    FreeKeyRecord(missing);
    EXPECT_EQ(GetCertName(true, nullptr), "");
}

TEST_F(KeyFileTest, SignatureIsByteIdenticalToOpenSslSmimeAndVerifies)
{
    // Binary content with bare line feeds, CR LF pairs and zero bytes must be
    // signed as it is.
    std::string content = "line one\nline two\r\n";
    content += std::string("\0\x0A\xFF\x0D", 4);
    dir_.write("in.bin", content);
    ASSERT_TRUE(SignFilePKCS7(Path("legacy.p12"), "secret", Path("in.bin"), Path("ours.p7")));
    MustRun({"openssl", "smime", "-sign", "-binary", "-noattr", "-nodetach", "-outform", "DER", "-signer",
             Path("cert.pem"), "-inkey", Path("key.pem"), "-in", Path("in.bin"), "-out", Path("theirs.p7")});
    const std::string ours = ReadWholeFile(Path("ours.p7"));
    ASSERT_FALSE(ours.empty());
    EXPECT_EQ(ours, ReadWholeFile(Path("theirs.p7")));

    auto [code, out] = RunProgram({"certtool", "--p7-verify", "--inder", "--infile", Path("ours.p7"),
                                   "--load-certificate", Path("cert.pem")});
    EXPECT_EQ(code, 0) << out;
    // The content travels inside, unchanged.
    MustRun({"openssl", "smime", "-verify", "-noverify", "-binary", "-inform", "DER", "-in", Path("ours.p7"), "-out",
             Path("content.bin")});
    EXPECT_EQ(ReadWholeFile(Path("content.bin")), content);
}

TEST_F(KeyFileTest, FailuresAreReportedWithTheirTexts)
{
    dir_.write("in.bin", "data");
    CryptoSettings().raise = false;
    struct Case {
        const char* what;
        std::string key;
        std::string password;
        std::string out;
        std::string error;
    };
    for (const Case& c : {
             Case {"missing key file", Path("none.p12"), "secret", Path("o.p7"), "Could not read certificate from " + Path("none.p12")},
             Case {"wrong password", Path("modern.p12"), "bad", Path("o.p7"), "Could not read certificate from " + Path("modern.p12")},
             Case {"output not writable", Path("modern.p12"), "secret", Path("no/such/folder/o.p7"),
                   "Could not write to " + Path("no/such/folder/o.p7")},
         }) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(SignFilePKCS7(c.key, c.password, Path("in.bin"), c.out));
        EXPECT_TRUE(CryptoSettings().errorFlag);
        EXPECT_EQ(CryptoSettings().lastError, c.error);
    }
    EXPECT_TRUE(std::filesystem::exists(Path("Crypto.log")));

    // Raising is the switch's default.
    CryptoSettings().raise = true;
    EXPECT_THROW(SignFilePKCS7(Path("none.p12"), "secret", Path("in.bin"), Path("o.p7")), ECryptoError);
    // A clean run clears the flag again.
    CryptoSettings().raise = false;
    EXPECT_TRUE(SignFilePKCS7(Path("modern.p12"), "secret", Path("in.bin"), Path("o.p7")));
    EXPECT_FALSE(CryptoSettings().errorFlag);
}

} // namespace
