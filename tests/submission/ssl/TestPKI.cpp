#include "TestPKI.h"

#include <cstdio>
#include <stdexcept>

#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/x509v3.h>

namespace e3test {

namespace {

EVP_PKEY* NewKey()
{
    EVP_PKEY* key = EVP_EC_gen("P-256");
    if (!key)
        throw std::runtime_error("test PKI: no key");
    return key;
}

void AddExtension(X509* cert, X509* issuer, int nid, const std::string& value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
    if (!ext)
        throw std::runtime_error("test PKI: bad extension " + value);
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
}

} // namespace

TestPKI::TestPKI(std::string folder) : folder_(std::move(folder)) {}

TestPKI::~TestPKI()
{
    for (X509* c : certs_)
        X509_free(c);
    for (EVP_PKEY* k : keys_)
        EVP_PKEY_free(k);
}

TestPKI::Issued TestPKI::Issue(const std::string& name, const Profile& profile)
{
    EVP_PKEY* key = NewKey();
    keys_.push_back(key);
    X509* cert = X509_new();
    certs_.push_back(cert);
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), static_cast<long>(certs_.size() + 1000));
    X509_time_adj_ex(X509_getm_notBefore(cert), static_cast<int>(profile.notBeforeDays), 0, nullptr);
    X509_time_adj_ex(X509_getm_notAfter(cert), static_cast<int>(profile.notAfterDays), 0, nullptr);
    X509_set_pubkey(cert, key);
    X509_NAME* subject = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(subject, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("E3 Test"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(profile.commonName.c_str()), -1, -1, 0);
    X509* issuerCert = profile.issuer ? profile.issuer->cert : cert;
    EVP_PKEY* issuerKey = key;
    if (profile.issuer)
        for (auto& [c, k] : keyOf_)
            if (c == profile.issuer->cert)
                issuerKey = k;
    X509_set_issuer_name(cert, X509_get_subject_name(issuerCert));
    AddExtension(cert, issuerCert, NID_basic_constraints, profile.isCA ? "critical,CA:TRUE" : "CA:FALSE");
    if (profile.isCA)
        AddExtension(cert, issuerCert, NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(cert, issuerCert, NID_subject_key_identifier, "hash");
    if (profile.issuer)
        AddExtension(cert, issuerCert, NID_authority_key_identifier, "keyid:always");
    if (!profile.subjectAltNames.empty()) {
        std::string san;
        for (const auto& n : profile.subjectAltNames)
            san += (san.empty() ? "" : ",") + n;
        AddExtension(cert, issuerCert, NID_subject_alt_name, san);
    }
    if (X509_sign(cert, issuerKey, EVP_sha256()) == 0)
        throw std::runtime_error("test PKI: signing failed");
    keyOf_.emplace_back(cert, key);

    Issued issued;
    issued.cert = cert;
    issued.certPem = folder_ + "/" + name + ".pem";
    issued.keyPem = folder_ + "/" + name + ".key";
    FILE* f = std::fopen(issued.certPem.c_str(), "wb");
    PEM_write_X509(f, cert);
    std::fclose(f);
    f = std::fopen(issued.keyPem.c_str(), "wb");
    PEM_write_PrivateKey(f, key, nullptr, nullptr, 0, nullptr, nullptr);
    std::fclose(f);
    return issued;
}

void TestPKI::WriteDer(X509* cert, const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        throw std::runtime_error("test PKI: cannot write " + path);
    i2d_X509_fp(f, cert);
    std::fclose(f);
}

std::string TestPKI::WriteKeyFile(const Issued& issued, const std::string& name, const std::string& password)
{
    EVP_PKEY* key = nullptr;
    for (auto& [c, k] : keyOf_)
        if (c == issued.cert)
            key = k;
    PKCS12* p12 = PKCS12_create(password.c_str(), "client", key, issued.cert, nullptr, 0, 0, 0, 0, 0);
    if (!p12)
        throw std::runtime_error("test PKI: no key file");
    const std::string path = folder_ + "/" + name + ".p12";
    FILE* f = std::fopen(path.c_str(), "wb");
    i2d_PKCS12_fp(f, p12);
    std::fclose(f);
    PKCS12_free(p12);
    return path;
}

} // namespace e3test
