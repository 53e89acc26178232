#pragma once
// The program's one SSL context and the rules by which the reception server's
// certificate is accepted: validity dates, the server's host name against the
// configured server URL, and a chain that ends in a certificate of the CA
// folder. A refused certificate leaves one of three error numbers behind for
// the submission protocol to report.
#include <string>

#include <openssl/ssl.h>
#include <openssl/x509.h>

namespace e3ssl {

// Outcomes of the server-certificate check.
enum : int {
    SSLVerifyErrorDates = -30009,   // not yet valid, expired, or bad date fields
    SSLVerifyErrorHost = -30011,    // issued for another host
    SSLVerifyErrorUntrusted = -30012, // no chain to a certificate of the CA folder
};

// The version labels of the settings. Every one of them negotiates TLS 1.2 or
// newer; the label only survives for the settings and their read-back.
enum TSSLVersion { sslVersionSSLv2 = 0, sslVersionSSLv3 = 1, sslVersionSSLv23 = 2, sslVersionTLSv1 = 3 };

class TSSLContext {
public:
    explicit TSSLContext(int version);
    ~TSSLContext();
    TSSLContext(const TSSLContext&) = delete;
    TSSLContext& operator=(const TSSLContext&) = delete;

    TSSLVersion Version() const { return version_; }
    SSL_CTX* Context() const { return ctx_; }
    // The client certificate and its key for the sessions started from now on.
    // False (with the library's errors queued) when the key does not fit.
    bool UseCertificate(X509* certificate, EVP_PKEY* privateKey);

private:
    TSSLVersion version_;
    SSL_CTX* ctx_ = nullptr;
};

// Loads the libraries once (with the default and legacy providers) and creates
// the global context for the version label ("SSLv2", "SSLv23", anything else
// SSLv3) unless one exists. Returns whether the libraries are loaded.
bool InitSSLContext(const std::string& version);
// Loads the libraries and creates an SSLv3-labelled context when none exists.
bool InitDefaultSSLContext();
// Frees the global context and forgets the settings; the libraries count as
// not loaded afterwards.
void FreeSSLContext();
// The global context; nullptr before InitSSLContext.
TSSLContext* GlobalSSLContext();
// Replaces the global context by one of the given version (the submission
// component's version setting); does nothing without a global context.
void RecreateSSLContext(TSSLVersion version);

// Settings read by the certificate check.
void SetSSLVerify(bool on);
bool SSLVerify();
void SetSSLCADir(const std::string& folder);
std::string SSLCADir();
void SetSSLServerURL(const std::string& url);
std::string SSLServerURL();
// 0 or one of the SSLVerifyError numbers; 0 again when a handshake starts.
int SSLLastVerifyError();
void ResetSSLLastVerifyError();

// The host of a URL: without scheme, path, port, user and the brackets of an
// IPv6 address.
std::string ExtractURLHost(const std::string& url);

// 0 when now lies within the certificate's validity; 9 not yet valid, 10
// expired, 13 no or unreadable notBefore, 14 no or unreadable notAfter.
// Both ASN.1 time forms are read (UTCTime and GeneralizedTime).
int CheckCertValidity(const X509* certificate);
// Whether the certificate is issued for the host (names of its subject
// alternative names, wildcards as the library allows them, or an IP address).
bool CertMatchesHost(X509* certificate, const std::string& host);
// 1 when the certificate verifies against a store of the certificates found
// in the folder's "*.der" files (single DER certificates or DER PKCS#7
// bundles; only those within their validity count); otherwise 0 or the
// library's negative result.
int VerifyCertWithCADir(X509* certificate, const std::string& folder);

// A client certificate and key read from a PKCS#12 key file.
struct TKeyFileCredentials {
    X509* certificate = nullptr;
    EVP_PKEY* privateKey = nullptr;
    TKeyFileCredentials() = default;
    TKeyFileCredentials(TKeyFileCredentials&& other) noexcept;
    TKeyFileCredentials& operator=(TKeyFileCredentials&& other) noexcept;
    ~TKeyFileCredentials();
    explicit operator bool() const { return certificate && privateKey; }
};
// Empty when the file cannot be read, is no PKCS#12 file, or the password is
// wrong. Loads the libraries when needed.
TKeyFileCredentials ReadPKCS12KeyFile(const std::string& fileName, const std::string& password);

// The library's queued error texts, one per line; the queue is emptied.
std::string TakeOpenSSLErrorText();

} // namespace e3ssl
