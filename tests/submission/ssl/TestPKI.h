#pragma once
// Certificates made for one test in its scratch folder: a CA, server
// certificates with chosen names, dates and issuer, and a client key file.
#include <string>
#include <vector>

#include <openssl/evp.h>
#include <openssl/x509.h>

namespace e3test {

class TestPKI {
public:
    struct Issued {
        std::string certPem; // path of the certificate (PEM)
        std::string keyPem;  // path of its key (PEM)
        X509* cert = nullptr; // owned by the TestPKI
    };
    struct Profile {
        std::string commonName;
        std::vector<std::string> subjectAltNames; // "DNS:x" or "IP:1.2.3.4"
        long notBeforeDays = -1; // relative to now
        long notAfterDays = 30;
        bool isCA = false;
        const Issued* issuer = nullptr; // nullptr: self-signed
    };

    explicit TestPKI(std::string folder);
    ~TestPKI();
    TestPKI(const TestPKI&) = delete;
    TestPKI& operator=(const TestPKI&) = delete;

    Issued Issue(const std::string& name, const Profile& profile);
    // Writes the certificate as DER to path.
    static void WriteDer(X509* cert, const std::string& path);
    // A PKCS#12 key file with the certificate and key of issued.
    std::string WriteKeyFile(const Issued& issued, const std::string& name, const std::string& password);
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
    std::vector<X509*> certs_;
    std::vector<EVP_PKEY*> keys_;
    std::vector<std::pair<const X509*, EVP_PKEY*>> keyOf_;
};

} // namespace e3test
