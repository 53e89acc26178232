// The card's certificate put into the program-wide SSL context for the
// submission run, with its key on the card.
#include "SoftHsmFixture.h"

#include "submission/efipclient/TokenCertificate.h"
#include "submission/pkcs11/Pkcs11.h"
#include "submission/ssl/SSLContext.h"

#include <openssl/ssl.h>
#include <openssl/x509.h>

namespace e3test {
namespace {

class TokenCertificateTest : public SoftHsmTest {};

std::string Der(X509* certificate)
{
    unsigned char* bytes = nullptr;
    const int length = i2d_X509(certificate, &bytes);
    std::string der(reinterpret_cast<const char*>(bytes), length > 0 ? static_cast<size_t>(length) : 0);
    OPENSSL_free(bytes);
    return der;
}

TEST_F(TokenCertificateTest, TheChosenCertificateGoesIntoTheContextWithItsKeyOnTheCard)
{
    ASSERT_TRUE(e3ssl::InitDefaultSSLContext());
    ASSERT_TRUE(submission::Pkcs11Initialize());
    ASSERT_TRUE(submission::EnumTokenCertificates(""));
    const int one = EntryNumberOfLabel("Client One");
    ASSERT_GT(one, 0);

    Mark();
    const efip::TokenCertificateResult used = efip::UseTokenCertificate(one, kTokenPin);
    EXPECT_EQ(used.outcome, efip::TokenCertificateResult::InPlace);
    EXPECT_NE(used.subject.find("Client One"), std::string::npos) << used.subject;
    EXPECT_FALSE(used.issuer.empty());
    // The context holds the card's certificate: its public key matches.
    SSL_CTX* ctx = e3ssl::GlobalSSLContext()->Context();
    ASSERT_NE(ctx, nullptr);
    X509* inContext = SSL_CTX_get0_certificate(ctx);
    ASSERT_NE(inContext, nullptr);
    EXPECT_EQ(Der(inContext), ReadWholeFile(Path("c1.der")));

}

} // namespace
} // namespace e3test
