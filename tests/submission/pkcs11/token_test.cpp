// The token layer against SoftHSM2 behind the call-tracing module.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "SoftHsmFixture.h"

#include "submission/pkcs11/Pkcs11.h"
#include "support/ChildProcess.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <regex>

namespace e3test {
namespace {

using namespace submission;

struct X509Free {
    void operator()(X509* x) const { X509_free(x); }
};
struct PkeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
using X509Ptr = std::unique_ptr<X509, X509Free>;
using PkeyPtr = std::unique_ptr<EVP_PKEY, PkeyFree>;

std::string Der(X509* certificate)
{
    unsigned char* out = nullptr;
    const int n = i2d_X509(certificate, &out);
    std::string der(reinterpret_cast<char*>(out), static_cast<size_t>(std::max(n, 0)));
    OPENSSL_free(out);
    return der;
}

class TokenTest : public SoftHsmTest {
protected:
    // Enumerates without PIN and selects the client certificate with the PIN.
    X509Ptr SelectClientCertificate(const std::string& pin)
    {
        EXPECT_TRUE(EnumTokenCertificates(""));
        const int n = EntryNumberOfLabel("Client One");
        EXPECT_GT(n, 0);
        EXPECT_TRUE(SelectTokenCertificate(n, pin));
        const CERT_INFO& info = TokenCertificates()[static_cast<size_t>(n) - 1];
        return X509Ptr(ReadTokenCertificate(info.id.data(), info.idLength));
    }
};

TEST_F(TokenTest, EnumeratesBothTokensPastTheBlankSlotInTheDocumentedOrder)
{
    Mark();
    ASSERT_TRUE(EnumTokenCertificates(""));

    const TCERTS& certs = TokenCertificates();
    ASSERT_EQ(certs.size(), 5u);
    // The entries of one token, then those of the other (the slot list
    // decides which comes first).
    const size_t firstTokenCount = certs[1].slot == certs[2].slot ? 3 : 2;
    for (size_t i = 1; i < certs.size(); ++i)
        EXPECT_EQ(certs[i].slot == certs[0].slot, i < firstTokenCount) << i;
    EXPECT_TRUE(SelectTokenCertificate(5, ""));
    EXPECT_FALSE(SelectTokenCertificate(6, ""));
    EXPECT_FALSE(SelectTokenCertificate(0, ""));

    // The blank slot's session fails and is passed over; each token slot reads
    // its certificates, each of the five attributes asked for its length first.
    const std::string tokenSlot =
        "C_GetSlotInfo C_OpenSession C_FindObjectsInit (C_FindObjects )+C_FindObjectsFinal "
        "((C_GetAttributeValue ){10}){2,3}"
        "C_CloseSession ";
    const std::string blankSlot = "C_GetSlotInfo C_OpenSession ";
    const std::regex order("C_GetSlotList C_GetSlotList ((" + tokenSlot + ")|(" + blankSlot + ")){3}");
    EXPECT_TRUE(std::regex_match(CallNamesSinceMark(), order)) << CallNamesSinceMark();
    int failedSessions = 0;
    for (const Call& c : CallsSinceMark())
        failedSessions += c.name == "C_OpenSession" && c.rv != CKR_OK;
    EXPECT_EQ(failedSessions, 1);
    const auto entries = log_->Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_NE(entries[0].find("C_OpenSession(slot "), std::string::npos) << entries[0];
}

TEST_F(TokenTest, EntriesCarryTheCertificateFields)
{
    ASSERT_TRUE(EnumTokenCertificates(""));
    const int one = EntryNumberOfLabel("Client One");
    ASSERT_GT(one, 0);
    const CERT_INFO& info = TokenCertificates()[static_cast<size_t>(one) - 1];
    EXPECT_EQ(info.subject, "DE, Berlin, Firma, Client One");
    EXPECT_EQ(info.issuer, "Token Test CA");
    EXPECT_EQ(info.issuerName, "/CN=Token Test CA");
    EXPECT_EQ(info.keyUsage, 0xC0);
    EXPECT_EQ(info.id, std::vector<unsigned char>({0x01}));
    EXPECT_EQ(info.idLength, 1u);
    EXPECT_TRUE(info.slotFlag);

    // A UTF-8 label is read as it is.
    EXPECT_GT(EntryNumberOfLabel("M\xC3\xBCller"), 0);

    // Certificate five is larger than 8 KB and still arrives whole.
    const int five = EntryNumberOfLabel("Client Five");
    ASSERT_GT(five, 0);
    const CERT_INFO& big = TokenCertificates()[static_cast<size_t>(five) - 1];
    EXPECT_EQ(big.issuerName, "/CN=Client Five");
    ASSERT_TRUE(SelectTokenCertificate(five, ""));
    X509Ptr read(ReadTokenCertificate(big.id.data(), big.idLength));
    ASSERT_TRUE(read);
    const std::string expected = ReadWholeFile(Path("c5.der"));
    EXPECT_GT(expected.size(), 8192u);
    EXPECT_EQ(Der(read.get()), expected);
}

TEST_F(TokenTest, AWrongPinLogsInOnceAndEndsTheEnumeration)
{
    Mark();
    try {
        EnumTokenCertificates("9999");
        ADD_FAILURE() << "no failure raised";
    } catch (const EPkcs11Error& e) {
        EXPECT_STREQ(e.what(), "C_Login(hSession, CKU_USER, pin, len) failed (rv - a0h)");
    }
    EXPECT_EQ(CountSinceMark("C_Login"), 1);
    EXPECT_EQ(CountSinceMark("C_FindObjectsInit"), 0);
    int opened = 0;
    for (const Call& c : CallsSinceMark())
        opened += c.name == "C_OpenSession" && c.rv == CKR_OK;
    EXPECT_EQ(opened, CountSinceMark("C_CloseSession"));

    // Reported without raising, the same call says false.
    Pkcs11Settings().raise = false;
    Mark();
    EXPECT_FALSE(EnumTokenCertificates("9999"));
    EXPECT_EQ(CountSinceMark("C_Login"), 1);
    EXPECT_EQ(Pkcs11Settings().lastRv, CKR_PIN_INCORRECT);

    // The right PIN logs in and out of each token.
    Mark();
    EXPECT_TRUE(EnumTokenCertificates(kTokenPin));
    EXPECT_EQ(CountSinceMark("C_Login"), 2);
    EXPECT_EQ(CountSinceMark("C_Logout"), 2);
    EXPECT_EQ(TokenCertificates().size(), 5u);
}

TEST_F(TokenTest, ReadsTheSelectedCertificate)
{
    X509Ptr certificate = SelectClientCertificate(kTokenPin);
    ASSERT_TRUE(certificate);
    EXPECT_EQ(Der(certificate.get()), ReadWholeFile(Path("c1.der")));

    const unsigned char missing[] = {0x7f};
    EXPECT_EQ(ReadTokenCertificate(missing, 1), nullptr);
}

TEST_F(TokenTest, TheCardSignsByteForByteAsOpenSslWithTheSameKey)
{
    X509Ptr certificate = SelectClientCertificate(kTokenPin);
    ASSERT_TRUE(certificate);
    PkeyPtr key(CreateTokenPrivateKey(certificate.get()));
    ASSERT_TRUE(key);

    // Raw PKCS #1 signing of a given block, as "pkeyutl -sign" does it.
    const std::string block = "a block of thirty-five bytes......";
    dir_.write("block.bin", block);
    const std::string expected = MustRun({"openssl", "pkeyutl", "-sign", "-inkey", Path("client.key"), "-in",
                                          Path("block.bin")});
    RSA* rsa = const_cast<RSA*>(EVP_PKEY_get0_RSA(key.get()));
    std::string signature(static_cast<size_t>(RSA_size(rsa)), '\0');
    Mark();
    const int n = RSA_private_encrypt(static_cast<int>(block.size()), reinterpret_cast<const unsigned char*>(block.data()),
                                      reinterpret_cast<unsigned char*>(signature.data()), rsa, RSA_PKCS1_PADDING);
    ASSERT_EQ(n, 256);
    EXPECT_EQ(signature, expected);
    EXPECT_EQ(CountSinceMark("C_Sign"), 2);
    EXPECT_EQ(LastSignatureLength(), 256u);

    // A digest signature goes through OpenSSL's own DigestInfo encoding.
    const std::string message = "message to be signed\n";
    dir_.write("message.txt", message);
    const std::string expectedDigest = MustRun({"openssl", "dgst", "-sha256", "-sign", Path("client.key"),
                                                Path("message.txt")});
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    size_t length = 0;
    ASSERT_EQ(EVP_DigestSignInit(ctx, nullptr, EVP_sha256(), nullptr, key.get()), 1);
    ASSERT_EQ(EVP_DigestSignUpdate(ctx, message.data(), message.size()), 1);
    ASSERT_EQ(EVP_DigestSignFinal(ctx, nullptr, &length), 1);
    std::string digestSignature(length, '\0');
    ASSERT_EQ(EVP_DigestSignFinal(ctx, reinterpret_cast<unsigned char*>(digestSignature.data()), &length), 1);
    EVP_MD_CTX_free(ctx);
    digestSignature.resize(length);
    EXPECT_EQ(digestSignature, expectedDigest);
}

TEST_F(TokenTest, PrivateDecryptDecryptsAndFailuresStayInsideOpenSsl)
{
    X509Ptr certificate = SelectClientCertificate(kTokenPin);
    ASSERT_TRUE(certificate);
    PkeyPtr key(CreateTokenPrivateKey(certificate.get()));
    ASSERT_TRUE(key);
    RSA* rsa = const_cast<RSA*>(EVP_PKEY_get0_RSA(key.get()));

    const std::string secret = "session secret";
    std::string encrypted(static_cast<size_t>(RSA_size(rsa)), '\0');
    ASSERT_EQ(RSA_public_encrypt(static_cast<int>(secret.size()), reinterpret_cast<const unsigned char*>(secret.data()),
                                 reinterpret_cast<unsigned char*>(encrypted.data()), rsa, RSA_PKCS1_PADDING),
              256);
    std::string decrypted(encrypted.size(), '\0');
    Mark();
    const int n = RSA_private_decrypt(256, reinterpret_cast<const unsigned char*>(encrypted.data()),
                                      reinterpret_cast<unsigned char*>(decrypted.data()), rsa, RSA_PKCS1_PADDING);
    ASSERT_EQ(n, static_cast<int>(secret.size()));
    EXPECT_EQ(decrypted.substr(0, secret.size()), secret);
    EXPECT_EQ(CountSinceMark("C_Sign"), 0);
    EXPECT_EQ(CountSinceMark("C_Decrypt"), 2);

    // Failures on the card end the operation with -1 and raise nothing
    // through OpenSSL, whatever the raising switch says.
    struct Case {
        const char* what;
        std::string pin;
        int padding;
        const char* error;
    };
    for (const Case& c : {Case {"no mechanism", kTokenPin, RSA_PKCS1_OAEP_PADDING, "padding 4 has no mechanism"},
                          Case {"wrong PIN", "9999", RSA_PKCS1_PADDING, "C_Login(hSession, CKU_USER, pin, len) failed (rv - a0h)"},
                          Case {"no PIN", "", RSA_PKCS1_PADDING, "failed - not assigned pin"}}) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(SelectTokenCertificate(EntryNumberOfLabel("Client One"), c.pin));
        Pkcs11Settings().raise = true;
        std::string out(256, '\0');
        EXPECT_EQ(RSA_private_encrypt(32, reinterpret_cast<const unsigned char*>(encrypted.data()),
                                      reinterpret_cast<unsigned char*>(out.data()), rsa, c.padding),
                  -1);
        EXPECT_TRUE(Pkcs11Settings().raise);
        EXPECT_NE(Pkcs11Settings().lastError.find(c.error), std::string::npos) << Pkcs11Settings().lastError;
    }
}

} // namespace
} // namespace e3test
