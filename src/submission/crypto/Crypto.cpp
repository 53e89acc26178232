#include "submission/crypto/Crypto.h"

#include "u3/Files.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pkcs12.h>
#include <openssl/pkcs7.h>
#include <openssl/provider.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>

namespace submission {
namespace {

struct BioFree {
    void operator()(BIO* b) const { BIO_free(b); }
};
using BioPtr = std::unique_ptr<BIO, BioFree>;

struct Pkcs12Free {
    void operator()(PKCS12* p) const { PKCS12_free(p); }
};

struct Pkcs7Free {
    void operator()(PKCS7* p) const { PKCS7_free(p); }
};

} // namespace

KEY_RECORD* NewKeyRecord()
{
    return new KEY_RECORD();
}

void FreeKeyRecord(KEY_RECORD* record)
{
    if (!record)
        return;
    X509_free(record->cert);
    EVP_PKEY_free(record->publicKey);
    EVP_PKEY_free(record->privateKey);
    delete record;
}

bool LoadCryptoProviders()
{
    static std::once_flag once;
    static bool loaded = false;
    std::call_once(once, [] {
        // Loading one provider by hand stops OpenSSL from loading the default
        // one on its own, so both are loaded here.
        // Both stay loaded for the program's life.
        static OSSL_PROVIDER* defaultProvider = OSSL_PROVIDER_load(nullptr, "default");
        static OSSL_PROVIDER* legacyProvider = OSSL_PROVIDER_load(nullptr, "legacy");
        loaded = defaultProvider != nullptr;
        if (!legacyProvider)
            ERR_clear_error();
    });
    return loaded;
}

KEY_RECORD* ReadPKCS12File(const std::string& fileName, const std::string& password)
{
    LoadCryptoProviders();
    KEY_RECORD* record = NewKeyRecord();
    BioPtr in(BIO_new_file(fileName.c_str(), "rb"));
    if (!in)
        return record;
    std::unique_ptr<PKCS12, Pkcs12Free> p12(d2i_PKCS12_bio(in.get(), nullptr));
    if (!p12)
        return record;
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
    if (PKCS12_parse(p12.get(), password.c_str(), &key, &cert, nullptr) == 1) {
        record->privateKey = key;
        record->cert = cert;
    } else {
        EVP_PKEY_free(key);
        X509_free(cert);
    }
    return record;
}

bool SignFilePKCS7(const std::string& keyFile, const std::string& password, const std::string& inFile,
                   const std::string& outFile)
{
    CryptoReporting& settings = CryptoSettings();
    settings.errorFlag = false;
    LoadCryptoProviders();
    std::unique_ptr<KEY_RECORD, void (*)(KEY_RECORD*)> record(ReadPKCS12File(keyFile, password), FreeKeyRecord);
    if (!record->cert)
        CryptoError("Could not read certificate from " + keyFile);
    BioPtr in(BIO_new_file(inFile.c_str(), "rb"));
    if (!settings.errorFlag) {
        std::unique_ptr<PKCS7, Pkcs7Free> p7(
            in ? PKCS7_sign(record->cert, record->privateKey, nullptr, in.get(), PKCS7_BINARY | PKCS7_NOATTR)
               : nullptr);
        if (!p7) {
            CryptoError("PKCS7 file not generate ");
        } else {
            in.reset();
            BioPtr out(BIO_new_file(outFile.c_str(), "wb"));
            if (!out)
                CryptoError("Could not write to " + outFile);
            else if (i2d_PKCS7_bio(out.get(), p7.get()) != 1 || BIO_flush(out.get()) != 1)
                // A signature cut short on a full disk must not pass for one.
                CryptoError("Could not write to " + outFile);
        }
    }
    return !settings.errorFlag;
}

std::string GetCertName(bool subject, X509* certificate)
{
    if (!certificate)
        return {};
    X509_NAME* name = subject ? X509_get_subject_name(certificate) : X509_get_issuer_name(certificate);
    if (!name)
        return {};
    char buffer[16384];
    if (!X509_NAME_oneline(name, buffer, sizeof(buffer)))
        return {};
    return buffer;
}

std::string GetOpenSSLErrorText()
{
    BioPtr mem(BIO_new(BIO_s_mem()));
    if (!mem)
        return {};
    ERR_print_errors(mem.get());
    char* data = nullptr;
    const long size = BIO_get_mem_data(mem.get(), &data);
    if (size <= 0 || !data)
        return {};
    return std::string(data, static_cast<size_t>(std::min<long>(size, 4096)));
}

CryptoReporting& CryptoSettings()
{
    static CryptoReporting settings;
    return settings;
}

void CryptoError(const std::string& text)
{
    CryptoReporting& settings = CryptoSettings();
    if (settings.callback)
        settings.callback(text);
    if (settings.logToFile) {
        if (FILE* log = std::fopen(u3::LogFilePath("Crypto.log").c_str(), "w")) {
            ERR_print_errors_fp(log);
            std::fclose(log);
        }
    }
    settings.errorFlag = true;
    settings.lastError = text;
    if (settings.raise)
        throw ECryptoError(text);
}

u3::TDateTime NowUTC()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc {};
    gmtime_r(&now, &utc);
    return u3::EncodeDate(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday)
        + u3::EncodeTime(utc.tm_hour, utc.tm_min, utc.tm_sec, 0);
}

} // namespace submission
