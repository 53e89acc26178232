#pragma once
// The OpenSSL routines that key-file signing, the token layer and the
// certificate checks share: a key file read into a key record, PKCS#7 signing,
// certificate names and the reporting of crypto failures.
#include "u3/DateTime.h"
#include "u3/Exceptions.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <cstdint>
#include <functional>
#include <string>

namespace submission {

// The credentials of one key file or one token certificate. Everything it
// holds belongs to it.
struct KEY_RECORD {
    uint32_t reserved1 = 0;
    uint32_t reserved2 = 0;
    X509* cert = nullptr;
    EVP_PKEY* publicKey = nullptr;
    EVP_PKEY* privateKey = nullptr;
};

KEY_RECORD* NewKeyRecord();
// Frees the record with everything it holds; nullptr is fine.
void FreeKeyRecord(KEY_RECORD* record);

// Loads OpenSSL's default and legacy providers once, the legacy one because
// older key files are protected with RC2-40 and 3DES. False when the default
// provider is not available; the legacy one is optional.
bool LoadCryptoProviders();

// Reads a DER PKCS#12 file and parses it with password into the record's
// certificate and private key (no CA chain is kept). The record comes back
// also when the file could not be read or parsed, then without certificate.
KEY_RECORD* ReadPKCS12File(const std::string& fileName, const std::string& password);

// Signs inFile with the key file's certificate and key into outFile: a DER
// PKCS#7 signedData with the content inside, the content signed as it is and
// no signed attributes. True when no crypto failure was recorded.
bool SignFilePKCS7(const std::string& keyFile, const std::string& password, const std::string& inFile,
                   const std::string& outFile);

// The certificate's subject (subject true) or issuer in OpenSSL's one-line
// form; empty when it cannot be read.
std::string GetCertName(bool subject, X509* certificate);
// OpenSSL's queued error lines (at most 4096 bytes); the queue is emptied.
std::string GetOpenSSLErrorText();

// How crypto failures are reported, program-wide.
struct CryptoReporting {
    std::function<void(const std::string&)> callback;
    bool logToFile = true;   // "Crypto.log" with OpenSSL's queued errors
    bool raise = true;       // ECryptoError
    bool errorFlag = false;
    std::string lastError;
};
CryptoReporting& CryptoSettings();

class ECryptoError : public u3::Exception {
public:
    using u3::Exception::Exception;
};

// Reports a crypto failure: to the callback when set; with logging on,
// OpenSSL's queued errors go to "Crypto.log" (rewritten each time); with
// raising on, ECryptoError is raised; otherwise the error flag is set and the
// text kept as the last error.
void CryptoError(const std::string& text);

// The current date and time in UTC.
u3::TDateTime NowUTC();

} // namespace submission
