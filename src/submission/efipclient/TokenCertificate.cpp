#include "submission/efipclient/TokenCertificate.h"

#include "submission/crypto/Crypto.h"
#include "submission/pkcs11/Pkcs11.h"
#include "submission/ssl/SSLContext.h"
#include "u3/Exceptions.h"

#include <memory>

namespace efip {

namespace {

std::string HexText(const std::vector<unsigned char>& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 0xF];
    }
    return text;
}

} // namespace

TokenCertificateResult UseTokenCertificate(int index, const std::string& pin)
{
    TokenCertificateResult result;
    if (!submission::Pkcs11Initialize() || !submission::EnumTokenCertificates("")) {
        result.outcome = TokenCertificateResult::NoTokens;
        return result;
    }
    submission::SelectTokenCertificate(index, pin);
    const std::vector<unsigned char>& id = submission::SelectedKeyId();
    std::unique_ptr<submission::KEY_RECORD, void (*)(submission::KEY_RECORD*)> record(submission::NewKeyRecord(),
                                                                                     submission::FreeKeyRecord);
    record->cert = id.empty() ? nullptr : submission::ReadTokenCertificate(id.data(), id.size());
    if (!record->cert) {
        result.outcome = TokenCertificateResult::NotFound;
        result.keyId = HexText(id);
        return result;
    }
    if (e3ssl::CheckCertValidity(record->cert) != 0) {
        result.outcome = TokenCertificateResult::Expired;
        return result;
    }
    record->publicKey = X509_get_pubkey(record->cert);
    record->privateKey = submission::CreateTokenPrivateKey(record->cert);
    if (!record->privateKey)
        throw u3::Exception("error assigning private key");
    e3ssl::TSSLContext* context = e3ssl::GlobalSSLContext();
    if (!context || !context->UseCertificate(record->cert, record->privateKey))
        throw u3::Exception("The card's certificate could not be used for the secure session: " +
                            submission::GetOpenSSLErrorText());
    result.outcome = TokenCertificateResult::InPlace;
    result.subject = submission::GetCertName(true, record->cert);
    result.issuer = submission::GetCertName(false, record->cert);
    return result;
}

} // namespace efip
