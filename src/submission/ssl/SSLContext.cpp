#include "submission/ssl/SSLContext.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <utility>

#include <openssl/err.h>
#include <openssl/pkcs12.h>
#include <openssl/pkcs7.h>
#include <openssl/provider.h>
#include <openssl/x509v3.h>

#include "submission/ssl/SSLSocket.h"
#include "u3/StrLib.h"

namespace e3ssl {

namespace {

struct TLayerState {
    std::recursive_mutex lock;
    bool loaded = false;
    std::unique_ptr<TSSLContext> context;
    bool verify = true;
    std::string caDir;
    std::string serverURL;
    int lastVerifyError = 0;
    OSSL_PROVIDER* defaultProvider = nullptr;
    OSSL_PROVIDER* legacyProvider = nullptr;
};

TLayerState& Layer()
{
    static TLayerState state;
    return state;
}

// Held for the whole certificate check, as the check reads the settings.
std::recursive_mutex verifyLock;

bool LoadLibraries()
{
    auto& s = Layer();
    if (s.loaded)
        return true;
    if (OPENSSL_init_ssl(OPENSSL_INIT_LOAD_SSL_STRINGS | OPENSSL_INIT_LOAD_CRYPTO_STRINGS, nullptr) != 1)
        return false;
    // Loading one provider by name stops the default one from loading by
    // itself, so both are named; the legacy one reads older key files.
    if (!s.defaultProvider)
        s.defaultProvider = OSSL_PROVIDER_load(nullptr, "default");
    if (!s.legacyProvider)
        s.legacyProvider = OSSL_PROVIDER_load(nullptr, "legacy");
    ERR_clear_error();
    s.loaded = s.defaultProvider != nullptr;
    return s.loaded;
}

int VerifyCallback(int /*preverifyOk*/, X509_STORE_CTX* store)
{
    std::lock_guard guard(verifyLock);
    if (!store)
        return 0;
    auto& s = Layer();
    std::lock_guard settings(s.lock);
    if (!s.verify)
        return 1;
    X509* certificate = X509_STORE_CTX_get0_cert(store);
    if (!certificate) {
        s.lastVerifyError = SSLVerifyErrorUntrusted;
        return 0;
    }
    if (CheckCertValidity(certificate) != 0) {
        s.lastVerifyError = SSLVerifyErrorDates;
        return 0;
    }
    if (!CertMatchesHost(certificate, ExtractURLHost(SSLServerURL()))) {
        s.lastVerifyError = SSLVerifyErrorHost;
        return 0;
    }
    if (VerifyCertWithCADir(certificate, SSLCADir()) != 1) {
        s.lastVerifyError = SSLVerifyErrorUntrusted;
        return 0;
    }
    switch (X509_STORE_CTX_get_error(store)) {
    case X509_V_ERR_CERT_NOT_YET_VALID:
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_ERROR_IN_CERT_NOT_BEFORE_FIELD:
    case X509_V_ERR_ERROR_IN_CERT_NOT_AFTER_FIELD:
        s.lastVerifyError = SSLVerifyErrorDates;
        break;
    default:
        // The chain was judged against the CA folder above; what the library
        // thinks of it without that folder does not count.
        break;
    }
    return s.lastVerifyError == 0 ? 1 : 0;
}

std::string ReadBinaryFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool AddCertFileToStore(X509_STORE* store, const std::string& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    X509* certificate = d2i_X509(nullptr, &p, static_cast<long>(bytes.size()));
    if (!certificate)
        return false;
    const bool added = CheckCertValidity(certificate) == 0 && X509_STORE_add_cert(store, certificate) == 1;
    X509_free(certificate);
    return added;
}

void AddPKCS7FileToStore(X509_STORE* store, const std::string& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    PKCS7* pkcs7 = d2i_PKCS7(nullptr, &p, static_cast<long>(bytes.size()));
    if (!pkcs7)
        return;
    STACK_OF(X509)* certificates = nullptr;
    const int type = OBJ_obj2nid(pkcs7->type);
    if (type == NID_pkcs7_signed && pkcs7->d.sign)
        certificates = pkcs7->d.sign->cert;
    else if (type == NID_pkcs7_signedAndEnveloped && pkcs7->d.signed_and_enveloped)
        certificates = pkcs7->d.signed_and_enveloped->cert;
    for (int i = 0; certificates && i < sk_X509_num(certificates); ++i) {
        X509* certificate = sk_X509_value(certificates, i);
        if (CheckCertValidity(certificate) == 0)
            X509_STORE_add_cert(store, certificate);
    }
    PKCS7_free(pkcs7);
}

bool IsIPAddress(const std::string& host)
{
    ASN1_OCTET_STRING* ip = a2i_IPADDRESS(host.c_str());
    if (!ip)
        return false;
    ASN1_OCTET_STRING_free(ip);
    return true;
}

} // namespace

TSSLContext::TSSLContext(int version)
    : version_(version >= 0 && version <= 3 ? static_cast<TSSLVersion>(version) : sslVersionSSLv2)
{
    ctx_ = SSL_CTX_new(TLS_client_method());
    if (!ctx_)
        throw std::runtime_error("SSL_CTX_new failed");
    SSL_CTX_set_min_proto_version(ctx_, TLS1_2_VERSION);
    SSL_CTX_set_mode(ctx_, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    SSL_CTX_set_info_callback(ctx_, SSLInfoCallback);
    SSL_CTX_set_verify(ctx_, SSL_VERIFY_PEER, VerifyCallback);
}

TSSLContext::~TSSLContext()
{
    SSL_CTX_free(ctx_);
}

bool TSSLContext::UseCertificate(X509* certificate, EVP_PKEY* privateKey)
{
    return SSL_CTX_use_certificate(ctx_, certificate) == 1 && SSL_CTX_use_PrivateKey(ctx_, privateKey) == 1 &&
           SSL_CTX_check_private_key(ctx_) == 1;
}

bool InitSSLContext(const std::string& version)
{
    auto& s = Layer();
    std::lock_guard guard(s.lock);
    if (!LoadLibraries())
        return false;
    if (!s.context) {
        const std::string upper = u3::UpperCase(version);
        const size_t pos = upper.empty() ? std::string::npos : std::string("SSLV2 SSLV23 SSLV3").find(upper);
        const int v = pos == 0 ? sslVersionSSLv2 : pos == 6 ? sslVersionSSLv23 : sslVersionSSLv3;
        s.context = std::make_unique<TSSLContext>(v);
    }
    return true;
}

bool InitDefaultSSLContext()
{
    auto& s = Layer();
    std::lock_guard guard(s.lock);
    if (s.loaded)
        return true;
    if (!LoadLibraries())
        return false;
    if (!s.context)
        s.context = std::make_unique<TSSLContext>(sslVersionSSLv3);
    return true;
}

void FreeSSLContext()
{
    auto& s = Layer();
    std::lock_guard guard(s.lock);
    if (!s.loaded)
        return;
    s.loaded = false;
    s.context.reset();
    s.caDir.clear();
    s.serverURL.clear();
}

TSSLContext* GlobalSSLContext()
{
    auto& s = Layer();
    std::lock_guard guard(s.lock);
    return s.context.get();
}

void RecreateSSLContext(TSSLVersion version)
{
    auto& s = Layer();
    std::lock_guard guard(s.lock);
    if (!s.context)
        return;
    s.context.reset();
    s.context = std::make_unique<TSSLContext>(version);
}

void SetSSLVerify(bool on)
{
    std::lock_guard guard(Layer().lock);
    Layer().verify = on;
}

bool SSLVerify()
{
    std::lock_guard guard(Layer().lock);
    return Layer().verify;
}

void SetSSLCADir(const std::string& folder)
{
    std::lock_guard guard(Layer().lock);
    Layer().caDir = folder;
}

std::string SSLCADir()
{
    std::lock_guard guard(Layer().lock);
    return Layer().caDir;
}

void SetSSLServerURL(const std::string& url)
{
    std::lock_guard guard(Layer().lock);
    Layer().serverURL = url;
}

std::string SSLServerURL()
{
    std::lock_guard guard(Layer().lock);
    return Layer().serverURL;
}

int SSLLastVerifyError()
{
    std::lock_guard guard(Layer().lock);
    return Layer().lastVerifyError;
}

void ResetSSLLastVerifyError()
{
    std::lock_guard guard(Layer().lock);
    Layer().lastVerifyError = 0;
}

std::string ExtractURLHost(const std::string& url)
{
    std::string host = url;
    const size_t scheme = host.find("//");
    if (scheme != std::string::npos)
        host.erase(0, scheme + 2);
    host = host.substr(0, host.find_first_of("/?#"));
    const size_t at = host.rfind('@');
    if (at != std::string::npos)
        host.erase(0, at + 1);
    if (!host.empty() && host[0] == '[') {
        const size_t close = host.find(']');
        return close == std::string::npos ? host.substr(1) : host.substr(1, close - 1);
    }
    return host.substr(0, host.find(':'));
}

int CheckCertValidity(const X509* certificate)
{
    const ASN1_TIME* notBefore = X509_get0_notBefore(certificate);
    const ASN1_TIME* notAfter = X509_get0_notAfter(certificate);
    std::tm tm{};
    if (!notBefore || ASN1_TIME_to_tm(notBefore, &tm) != 1)
        return X509_V_ERR_ERROR_IN_CERT_NOT_BEFORE_FIELD;
    if (!notAfter || ASN1_TIME_to_tm(notAfter, &tm) != 1)
        return X509_V_ERR_ERROR_IN_CERT_NOT_AFTER_FIELD;
    const time_t now = std::time(nullptr);
    if (ASN1_TIME_cmp_time_t(notBefore, now) > 0)
        return X509_V_ERR_CERT_NOT_YET_VALID;
    if (ASN1_TIME_cmp_time_t(notAfter, now) < 0)
        return X509_V_ERR_CERT_HAS_EXPIRED;
    return 0;
}

bool CertMatchesHost(X509* certificate, const std::string& host)
{
    if (host.empty() || !certificate)
        return false;
    if (IsIPAddress(host))
        return X509_check_ip_asc(certificate, host.c_str(), 0) == 1;
    return X509_check_host(certificate, host.data(), host.size(), 0, nullptr) == 1;
}

int VerifyCertWithCADir(X509* certificate, const std::string& folder)
{
    std::unique_ptr<X509_STORE, decltype(&X509_STORE_free)> store(X509_STORE_new(), X509_STORE_free);
    if (!store)
        return 0;
    std::error_code ec;
    if (!folder.empty()) {
        for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const auto& path = it->path();
            if (u3::LowerCase(path.extension().string()) != ".der")
                continue;
            std::error_code typeError;
            if (!std::filesystem::is_regular_file(path, typeError))
                continue;
            const std::string bytes = ReadBinaryFile(path);
            if (!AddCertFileToStore(store.get(), bytes))
                AddPKCS7FileToStore(store.get(), bytes);
        }
    }
    ERR_clear_error();
    std::unique_ptr<X509_STORE_CTX, decltype(&X509_STORE_CTX_free)> ctx(X509_STORE_CTX_new(), X509_STORE_CTX_free);
    if (!ctx || X509_STORE_CTX_init(ctx.get(), store.get(), certificate, nullptr) != 1)
        return 0;
    const int result = X509_verify_cert(ctx.get());
    ERR_clear_error();
    return result;
}

TKeyFileCredentials::TKeyFileCredentials(TKeyFileCredentials&& other) noexcept
    : certificate(std::exchange(other.certificate, nullptr)), privateKey(std::exchange(other.privateKey, nullptr))
{
}

TKeyFileCredentials& TKeyFileCredentials::operator=(TKeyFileCredentials&& other) noexcept
{
    if (this != &other) {
        X509_free(certificate);
        EVP_PKEY_free(privateKey);
        certificate = std::exchange(other.certificate, nullptr);
        privateKey = std::exchange(other.privateKey, nullptr);
    }
    return *this;
}

TKeyFileCredentials::~TKeyFileCredentials()
{
    X509_free(certificate);
    EVP_PKEY_free(privateKey);
}

TKeyFileCredentials ReadPKCS12KeyFile(const std::string& fileName, const std::string& password)
{
    TKeyFileCredentials result;
    {
        std::lock_guard guard(Layer().lock);
        if (!LoadLibraries())
            return result;
    }
    const std::string bytes = ReadBinaryFile(fileName);
    if (bytes.empty())
        return result;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    PKCS12* p12 = d2i_PKCS12(nullptr, &p, static_cast<long>(bytes.size()));
    if (!p12) {
        ERR_clear_error();
        return result;
    }
    EVP_PKEY* key = nullptr;
    X509* certificate = nullptr;
    STACK_OF(X509)* others = nullptr;
    if (PKCS12_parse(p12, password.c_str(), &key, &certificate, &others) == 1) {
        result.certificate = certificate;
        result.privateKey = key;
    }
    sk_X509_pop_free(others, X509_free);
    PKCS12_free(p12);
    ERR_clear_error();
    if (!result) {
        TKeyFileCredentials empty;
        return empty;
    }
    return result;
}

std::string TakeOpenSSLErrorText()
{
    std::string text;
    unsigned long code;
    while ((code = ERR_get_error()) != 0) {
        char buffer[256];
        ERR_error_string_n(code, buffer, sizeof buffer);
        if (!text.empty())
            text += "\r\n";
        text += buffer;
    }
    return text;
}

} // namespace e3ssl
