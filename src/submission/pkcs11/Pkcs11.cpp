// Only the private-key entries of an RSA method can put the card into
// OpenSSL's signing code; that interface is deprecated but still the one
// that lets a foreign key take part in a TLS handshake.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "submission/pkcs11/Pkcs11.h"

#include "submission/crypto/Crypto.h"
#include "u3/Logger.h"
#include "u3/StrLib.h"
#include "u3/XMLCodePage.h"

#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/x509v3.h>

#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <memory>

namespace submission {
namespace {

// Every entry point of the interface but C_GetFunctionList, in its order.
#define P11_FUNCTIONS(X)                                                                                       \
    X(C_Initialize) X(C_Finalize) X(C_GetInfo) X(C_GetSlotList) X(C_GetSlotInfo) X(C_GetTokenInfo)             \
    X(C_GetMechanismList) X(C_GetMechanismInfo) X(C_InitToken) X(C_InitPIN) X(C_SetPIN) X(C_OpenSession)       \
    X(C_CloseSession) X(C_CloseAllSessions) X(C_GetSessionInfo) X(C_GetOperationState)                         \
    X(C_SetOperationState) X(C_Login) X(C_Logout) X(C_CreateObject) X(C_CopyObject) X(C_DestroyObject)         \
    X(C_GetObjectSize) X(C_GetAttributeValue) X(C_SetAttributeValue) X(C_FindObjectsInit) X(C_FindObjects)     \
    X(C_FindObjectsFinal) X(C_EncryptInit) X(C_Encrypt) X(C_EncryptUpdate) X(C_EncryptFinal) X(C_DecryptInit) \
    X(C_Decrypt) X(C_DecryptUpdate) X(C_DecryptFinal) X(C_DigestInit) X(C_Digest) X(C_DigestUpdate)           \
    X(C_DigestKey) X(C_DigestFinal) X(C_SignInit) X(C_Sign) X(C_SignUpdate) X(C_SignFinal)                    \
    X(C_SignRecoverInit) X(C_SignRecover) X(C_VerifyInit) X(C_Verify) X(C_VerifyUpdate) X(C_VerifyFinal)      \
    X(C_VerifyRecoverInit) X(C_VerifyRecover) X(C_DigestEncryptUpdate) X(C_DecryptDigestUpdate)               \
    X(C_SignEncryptUpdate) X(C_DecryptVerifyUpdate) X(C_GenerateKey) X(C_GenerateKeyPair) X(C_WrapKey)        \
    X(C_UnwrapKey) X(C_DeriveKey) X(C_SeedRandom) X(C_GenerateRandom) X(C_GetFunctionStatus)                  \
    X(C_CancelFunction) X(C_WaitForSlotEvent)

struct Functions {
#define P11_MEMBER(name) CK_##name name = nullptr;
    P11_FUNCTIONS(P11_MEMBER)
#undef P11_MEMBER
};

struct ModuleState {
    std::string fileName = "p11-kit-proxy.so";
    void* handle = nullptr;
    bool loaded = false;
    bool initialised = false;
    CK_C_INITIALIZE_ARGS initArgs {};
    Functions f;
};

ModuleState& Module()
{
    static ModuleState state;
    return state;
}

struct TokenState {
    TCERTS certs;
    CK_SLOT_ID selectedSlot = 0;
    std::vector<unsigned char> selectedId;
    std::string pin;
    unsigned long lastSignatureLength = 0;
};

TokenState& Token()
{
    static TokenState state;
    return state;
}

// A value no module has a reason to return for the attributes we read; a
// larger length is a broken module, not a certificate.
constexpr CK_ULONG kMaxAttributeLength = 1u << 20;
constexpr size_t kMaxLabelBytes = 1024;
constexpr CK_ULONG kFindBatch = 10;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    return buffer;
}

void AppendLine(const std::string& fileName, const std::string& text)
{
    std::ofstream out(fileName, std::ios::app | std::ios::binary);
    if (out)
        out << text << "\r\n";
}

bool ContainsUpper(const std::string& text, const char* part)
{
    return u3::UpperCase(text).find(part) != std::string::npos;
}

// Closes a session on every way out (a raised failure included), logging out
// first when a login was made.
class Session {
public:
    explicit Session(CK_SESSION_HANDLE handle) : handle_(handle) {}
    ~Session() { Close(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    CK_SESSION_HANDLE Handle() const { return handle_; }
    void SetLoggedIn() { loggedIn_ = true; }
    void Close()
    {
        if (!open_)
            return;
        open_ = false;
        const Functions& f = Module().f;
        if (loggedIn_)
            f.C_Logout(handle_);
        f.C_CloseSession(handle_);
    }

private:
    CK_SESSION_HANDLE handle_;
    bool open_ = true;
    bool loggedIn_ = false;
};

// Reads one attribute, asking its length first.
CK_RV ReadAttribute(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type,
                    std::vector<unsigned char>& value)
{
    const Functions& f = Module().f;
    value.clear();
    CK_ATTRIBUTE attribute {type, nullptr, 0};
    CK_RV rv = f.C_GetAttributeValue(session, object, &attribute, 1);
    if (rv != CKR_OK)
        return rv;
    if (attribute.ulValueLen == CK_UNAVAILABLE_INFORMATION || attribute.ulValueLen == 0)
        return CKR_OK;
    if (attribute.ulValueLen > kMaxAttributeLength)
        return CKR_DEVICE_MEMORY;
    value.resize(attribute.ulValueLen);
    attribute.pValue = value.data();
    rv = f.C_GetAttributeValue(session, object, &attribute, 1);
    if (rv != CKR_OK) {
        value.clear();
        return rv;
    }
    value.resize(std::min<CK_ULONG>(attribute.ulValueLen, value.size()));
    return CKR_OK;
}

// The handles of the objects that match the template, all of them.
bool FindObjects(CK_SESSION_HANDLE session, CK_ATTRIBUTE* attributes, CK_ULONG count,
                 std::vector<CK_OBJECT_HANDLE>& found)
{
    const Functions& f = Module().f;
    found.clear();
    CK_RV rv = f.C_FindObjectsInit(session, attributes, count);
    if (rv != CKR_OK) {
        Pkcs11Error(rv, "C_FindObjectsInit(hSession, attributes, 3) failed (rv - " + RvText(rv) + ")");
        return false;
    }
    bool ok = true;
    // A token may hold more certificates than one batch.
    for (;;) {
        CK_OBJECT_HANDLE batch[kFindBatch];
        CK_ULONG n = 0;
        rv = f.C_FindObjects(session, batch, kFindBatch, &n);
        if (rv != CKR_OK) {
            f.C_FindObjectsFinal(session);
            Pkcs11Error(rv, Format("C_FindObjects(hSession, handles, %lu, count) failed (rv - ", kFindBatch) + RvText(rv)
                                + ")");
            return false;
        }
        found.insert(found.end(), batch, batch + std::min(n, kFindBatch));
        if (n == 0 || n > kFindBatch)
            break;
    }
    rv = f.C_FindObjectsFinal(session);
    if (rv != CKR_OK) {
        Pkcs11Error(rv, "C_FindObjectsFinal(hSession) failed  (rv - " + RvText(rv) + ")");
        ok = false;
    }
    return ok;
}

bool OpenSession(CK_SLOT_ID slot, CK_SESSION_HANDLE& session, CK_RV& rv)
{
    rv = Module().f.C_OpenSession(slot, CKF_SERIAL_SESSION, nullptr, nullptr, &session);
    return rv == CKR_OK;
}

std::string OpenSessionFailure(CK_SLOT_ID slot, CK_RV rv)
{
    return Format("C_OpenSession(slot %lu, CKF_SERIAL_SESSION, nil, nil, hSession) failed (rv - ", slot) + RvText(rv)
        + ")";
}

bool Login(Session& session, const std::string& pin)
{
    std::string pinCopy = pin;
    const CK_RV rv = Module().f.C_Login(session.Handle(), CKU_USER, reinterpret_cast<unsigned char*>(pinCopy.data()),
                                        pinCopy.size());
    if (rv == CKR_OK) {
        session.SetLoggedIn();
        return true;
    }
    Token().pin.clear();
    session.Close();
    Pkcs11Error(rv, "C_Login(hSession, CKU_USER, pin, len) failed (rv - " + RvText(rv) + ")");
    return false;
}

struct X509Free {
    void operator()(X509* x) const { X509_free(x); }
};

int KeyUsageOf(X509* certificate)
{
    auto* usage = static_cast<ASN1_BIT_STRING*>(X509_get_ext_d2i(certificate, NID_key_usage, nullptr, nullptr));
    if (!usage)
        return 0;
    int value = 0;
    const int length = ASN1_STRING_length(usage);
    const unsigned char* data = ASN1_STRING_get0_data(usage);
    if (length > 0)
        value = data[0];
    if (length > 1)
        value += 256 * data[1];
    ASN1_BIT_STRING_free(usage);
    return value;
}

void LogEntry(const CERT_INFO& info, size_t number)
{
    if (!Pkcs11Settings().logToFile)
        return;
    std::string line = Format(" slot: %lu, key: %2zu", info.slot, number);
    line += ", label: " + info.label;
    line += ", id: " + std::string(info.id.begin(), info.id.end());
    line += ", subject: (" + info.subject + ")";
    line += ", issuer: (" + info.issuer + ")";
    line += Format(", key usage: (%d)", info.keyUsage);
    if (info.keyUsage & 0x40)
        line += ", sign certificate";
    if (info.keyUsage & 0x80)
        line += ", send certificate";
    Pkcs11Log(line);
}

// Reads the certificate object into an entry; false after a reported failure.
bool ReadCertificateEntry(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CERT_INFO& info)
{
    std::vector<unsigned char> value;
    struct Named {
        CK_ATTRIBUTE_TYPE type;
        const char* name;
    };
    for (const Named& attr : {Named {CKA_LABEL, "CKA_LABEL"}, Named {CKA_ID, "CKA_ID"},
                              Named {CKA_SUBJECT, "CKA_SUBJECT"}, Named {CKA_ISSUER, "CKA_ISSUER"}}) {
        const CK_RV rv = ReadAttribute(session, object, attr.type, value);
        if (rv != CKR_OK) {
            Pkcs11Error(rv, std::string("C_GetAttributeValue(CKO_CERTIFICATE,") + attr.name + ") failed (rv - "
                                + RvText(rv) + ")");
            return false;
        }
        const char* bytes = reinterpret_cast<const char*>(value.data());
        switch (attr.type) {
        case CKA_LABEL:
            info.label = DecodeTokenText(bytes, std::min(value.size(), kMaxLabelBytes));
            break;
        case CKA_ID:
            info.id = value;
            info.idLength = value.size();
            break;
        case CKA_SUBJECT:
            info.subject = X509NameToDisplay(value.data(), value.size());
            break;
        default:
            info.issuer = X509NameToDisplay(value.data(), value.size());
            break;
        }
    }
    const CK_RV rv = ReadAttribute(session, object, CKA_VALUE, value);
    if (rv != CKR_OK) {
        Pkcs11Error(rv, "C_GetAttributeValue(hSession, hObjects[0], attributes, 1) failed (rv - " + RvText(rv) + ")");
        return false;
    }
    const unsigned char* p = value.data();
    std::unique_ptr<X509, X509Free> certificate(d2i_X509(nullptr, &p, static_cast<long>(value.size())));
    if (!certificate) {
        info.subject.clear();
        info.issuer.clear();
        info.issuerName.clear();
        return true;
    }
    info.issuerName = GetCertName(false, certificate.get());
    info.keyUsage = KeyUsageOf(certificate.get());
    return true;
}

// Holds back raising for code that runs inside OpenSSL, where an exception
// must not pass.
class NoRaise {
public:
    NoRaise() : saved_(Pkcs11Settings().raise) { Pkcs11Settings().raise = false; }
    ~NoRaise() { Pkcs11Settings().raise = saved_; }
    NoRaise(const NoRaise&) = delete;
    NoRaise& operator=(const NoRaise&) = delete;

private:
    bool saved_;
};

enum class CardOperation { Sign, Decrypt };

// A private-key operation on the card with the selected key: -1 after a
// reported failure, else the number of bytes written to `to` (at most
// capacity).
int RunOnCard(CardOperation operation, int flen, const unsigned char* from, unsigned char* to, int capacity,
              int padding)
{
    NoRaise quiet;
    try {
        if (!Module().loaded || flen < 0 || capacity <= 0)
            return -1;
        const Functions& f = Module().f;
        TokenState& token = Token();
        CK_SESSION_HANDLE handle = 0;
        CK_RV rv = CKR_OK;
        if (!OpenSession(token.selectedSlot, handle, rv)) {
            Pkcs11Error(rv, OpenSessionFailure(token.selectedSlot, rv));
            return -1;
        }
        Session session(handle);
        if (token.pin.empty()) {
            session.Close();
            Pkcs11Error(CKR_PIN_INCORRECT, "C_Login(hSession, CKU_USER, pin, len) failed - not assigned pin");
            return -1;
        }
        if (!Login(session, token.pin))
            return -1;

        CK_OBJECT_CLASS keyClass = CKO_PRIVATE_KEY;
        CK_KEY_TYPE keyType = CKK_RSA;
        CK_ATTRIBUTE search[] = {
            {CKA_CLASS, &keyClass, sizeof(keyClass)},
            {CKA_KEY_TYPE, &keyType, sizeof(keyType)},
            {CKA_ID, token.selectedId.data(), token.selectedId.size()},
        };
        std::vector<CK_OBJECT_HANDLE> keys;
        if (!FindObjects(handle, search, 3, keys))
            return -1;
        if (keys.empty()) {
            Pkcs11Error(CKR_KEY_HANDLE_INVALID, "not found private key(s)");
            return -1;
        }

        CK_MECHANISM mechanism {};
        if (padding == RSA_PKCS1_PADDING)
            mechanism.mechanism = CKM_RSA_PKCS;
        else if (padding == RSA_NO_PADDING)
            mechanism.mechanism = CKM_RSA_X_509;
        else {
            Pkcs11Error(CKR_MECHANISM_INVALID, Format("padding %d has no mechanism on the card", padding));
            return -1;
        }

        const bool sign = operation == CardOperation::Sign;
        rv = sign ? f.C_SignInit(handle, &mechanism, keys.front()) : f.C_DecryptInit(handle, &mechanism, keys.front());
        if (rv != CKR_OK) {
            Pkcs11Error(rv, std::string(sign ? "C_SignInit" : "C_DecryptInit") + "(hSession, Mechanism, hKey) failed (rv - "
                                + RvText(rv) + ")");
            return -1;
        }
        auto* source = const_cast<unsigned char*>(from);
        CK_ULONG length = 0;
        rv = sign ? f.C_Sign(handle, source, static_cast<CK_ULONG>(flen), nullptr, &length)
                  : f.C_Decrypt(handle, source, static_cast<CK_ULONG>(flen), nullptr, &length);
        if (sign)
            token.lastSignatureLength = length;
        if (rv == CKR_OK && length > static_cast<CK_ULONG>(capacity))
            rv = CKR_BUFFER_TOO_SMALL;
        if (rv == CKR_OK) {
            length = static_cast<CK_ULONG>(capacity);
            rv = sign ? f.C_Sign(handle, source, static_cast<CK_ULONG>(flen), to, &length)
                      : f.C_Decrypt(handle, source, static_cast<CK_ULONG>(flen), to, &length);
        }
        if (rv != CKR_OK) {
            Pkcs11Error(rv, Format(sign ? "C_Sign(hSession, Source, %d, Dest, %lu) failed (rv - "
                                        : "C_Decrypt(hSession, Source, %d, Dest, %lu) failed (rv - ",
                                   flen, length)
                                + RvText(rv) + ")");
            return -1;
        }
        if (sign)
            token.lastSignatureLength = length;
        return static_cast<int>(length);
    } catch (...) {
        // A failing log callback must not unwind through OpenSSL either.
        return -1;
    }
}

int TokenPrivateEncrypt(int flen, const unsigned char* from, unsigned char* to, RSA* rsa, int padding)
{
    Pkcs11Log(Format("rsa_pkcs11_private_encrypt(%d, source, dest, rsa ,%d)", flen, padding));
    return RunOnCard(CardOperation::Sign, flen, from, to, RSA_size(rsa), padding);
}

int TokenPrivateDecrypt(int flen, const unsigned char* from, unsigned char* to, RSA* rsa, int padding)
{
    Pkcs11Log(Format("rsa_pkcs11_private_decrypt(%d, source, dest, rsa ,%d)", flen, padding));
    return RunOnCard(CardOperation::Decrypt, flen, from, to, RSA_size(rsa), padding);
}

} // namespace

// ---- module -----------------------------------------------------------------

void SetPkcs11ModuleName(const std::string& fileName)
{
    Module().fileName = fileName;
}

std::string Pkcs11ModuleName()
{
    return Module().fileName;
}

bool LoadPkcs11Module()
{
    ModuleState& m = Module();
    if (m.loaded)
        return true;
    void* handle = ::dlopen(m.fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return false;
    Functions f;
    bool complete = true;
#define P11_LOOKUP(name)                                                                                              \
    f.name = reinterpret_cast<CK_##name>(::dlsym(handle, #name));                                                    \
    complete = complete && f.name != nullptr;
    P11_FUNCTIONS(P11_LOOKUP)
#undef P11_LOOKUP
    if (!complete) {
        ::dlclose(handle);
        return false;
    }
    m.handle = handle;
    m.f = f;
    m.loaded = true;
    return true;
}

void UnloadPkcs11Module()
{
    ModuleState& m = Module();
    if (!m.loaded)
        return;
    m.loaded = false;
    m.initialised = false;
    m.f = Functions {};
    ::dlclose(m.handle);
    m.handle = nullptr;
}

bool Pkcs11Initialize()
{
    ModuleState& m = Module();
    m.initArgs = CK_C_INITIALIZE_ARGS {};
    m.initArgs.flags = 0;
    if (!LoadPkcs11Module()) {
        Pkcs11Error(1, "PKCS11 library " + m.fileName + " initialisation failed.");
        return false;
    }
    if (m.initialised)
        return true;
    CK_RV rv = CKR_GENERAL_ERROR;
    if (ContainsUpper(m.fileName, "SETTOKI")) {
        m.initArgs.flags = 0x08800000;
        rv = m.f.C_Initialize(&m.initArgs);
    }
    const auto failed = [&rv] { return rv != CKR_OK && rv != CKR_CRYPTOKI_ALREADY_INITIALIZED; };
    if (failed())
        rv = m.f.C_Initialize(nullptr);
    if (failed())
        rv = m.f.C_Initialize(&m.initArgs);
    if (failed()) {
        Pkcs11Error(rv, "C_Initialize(nil) failed (rv - " + RvText(rv) + ")");
        return false;
    }
    m.initialised = true;
    return true;
}

bool Pkcs11Finalize()
{
    ModuleState& m = Module();
    if (!m.loaded || !m.initialised)
        return false;
    if (m.f.C_Finalize(nullptr) != CKR_OK)
        m.f.C_Finalize(&m.initArgs);
    m.initialised = false;
    return true;
}

// ---- certificates -------------------------------------------------------------

bool EnumTokenCertificates(const std::string& pin)
{
    TokenState& token = Token();
    token.certs.clear();
    ModuleState& m = Module();
    if (!m.loaded || !m.initialised) {
        Pkcs11Error(CKR_CRYPTOKI_NOT_INITIALIZED, "PKCS11 library " + m.fileName + " initialisation failed.");
        return false;
    }
    const Functions& f = m.f;
    CK_ULONG count = 0;
    CK_RV rv = f.C_GetSlotList(CK_TRUE, nullptr, &count);
    if (rv != CKR_OK) {
        Pkcs11Error(rv, Format("C_GetSlotList(TRUE, nil, %lu) failed (rv - ", count) + RvText(rv) + ")");
        return false;
    }
    TSlots slots(count);
    rv = f.C_GetSlotList(CK_TRUE, slots.data(), &count);
    if (rv != CKR_OK) {
        Pkcs11Error(rv, Format("C_GetSlotList(TRUE, pSlots, %lu) failed", count));
        return false;
    }
    slots.resize(std::min<size_t>(count, slots.size()));

    bool ok = true;
    for (const CK_SLOT_ID slot : slots) {
        CK_SLOT_INFO slotInfo {};
        const bool slotFlag = f.C_GetSlotInfo(slot, &slotInfo) == CKR_OK && (slotInfo.flags & CKF_HW_SLOT) == 0;
        CK_SESSION_HANDLE handle = 0;
        if (!OpenSession(slot, handle, rv)) {
            // One blank or unreadable token must not hide the certificates of
            // the others.
            const std::string text = OpenSessionFailure(slot, rv);
            Pkcs11Log(text);
            u3::LogErrorIn("EnumTokenCertificates", text);
            continue;
        }
        Session session(handle);
        token.selectedSlot = slot;
        if (!pin.empty() && !Login(session, pin))
            return false;
        CK_OBJECT_CLASS certificateClass = CKO_CERTIFICATE;
        CK_ATTRIBUTE search[] = {{CKA_CLASS, &certificateClass, sizeof(certificateClass)}};
        std::vector<CK_OBJECT_HANDLE> objects;
        if (!FindObjects(handle, search, 1, objects)) {
            ok = false;
            continue;
        }
        for (const CK_OBJECT_HANDLE object : objects) {
            CERT_INFO info;
            info.slot = slot;
            info.slotFlag = slotFlag;
            if (!ReadCertificateEntry(handle, object, info)) {
                ok = false;
                continue;
            }
            token.certs.push_back(std::move(info));
            LogEntry(token.certs.back(), token.certs.size());
        }
    }
    return ok;
}

const TCERTS& TokenCertificates()
{
    return Token().certs;
}

bool SelectTokenCertificate(int n, const std::string& pin)
{
    TokenState& token = Token();
    if (n < 1 || static_cast<size_t>(n) > token.certs.size())
        return false;
    const CERT_INFO& info = token.certs[static_cast<size_t>(n) - 1];
    token.pin = pin;
    token.selectedSlot = info.slot;
    token.selectedId = info.id;
    return true;
}

CK_SLOT_ID SelectedSlot()
{
    return Token().selectedSlot;
}

const std::vector<unsigned char>& SelectedKeyId()
{
    return Token().selectedId;
}

unsigned long LastSignatureLength()
{
    return Token().lastSignatureLength;
}

X509* ReadTokenCertificate(const unsigned char* id, size_t idLength)
{
    ModuleState& m = Module();
    if (!m.loaded || !m.initialised) {
        Pkcs11Error(CKR_CRYPTOKI_NOT_INITIALIZED, "PKCS11 library " + m.fileName + " initialisation failed.");
        return nullptr;
    }
    const Functions& f = m.f;
    CK_RV rv = CKR_OK;
    if (ContainsUpper(m.fileName, "CARDOS_PKCS11")) {
        // This module finds its tokens again only after a fresh slot list.
        CK_ULONG count = 0;
        if (f.C_GetSlotList(CK_TRUE, nullptr, &count) == CKR_OK) {
            TSlots slots(count);
            f.C_GetSlotList(CK_TRUE, slots.data(), &count);
        }
    }
    const CK_SLOT_ID slot = Token().selectedSlot;
    CK_SESSION_HANDLE handle = 0;
    if (!OpenSession(slot, handle, rv)) {
        Pkcs11Error(rv, OpenSessionFailure(slot, rv));
        return nullptr;
    }
    Session session(handle);
    CK_OBJECT_CLASS certificateClass = CKO_CERTIFICATE;
    std::vector<unsigned char> idCopy(id, id + idLength);
    CK_ATTRIBUTE search[] = {
        {CKA_CLASS, &certificateClass, sizeof(certificateClass)},
        {CKA_ID, idCopy.data(), idCopy.size()},
    };
    std::vector<CK_OBJECT_HANDLE> objects;
    if (!FindObjects(handle, search, 2, objects) || objects.empty())
        return nullptr;
    std::vector<unsigned char> value;
    rv = ReadAttribute(handle, objects.front(), CKA_VALUE, value);
    if (rv != CKR_OK) {
        Pkcs11Error(rv, "C_GetAttributeValue(hSession, hObjects[0], attributes, 1) failed (rv - " + RvText(rv) + ")");
        return nullptr;
    }
    const unsigned char* p = value.data();
    X509* certificate = d2i_X509(nullptr, &p, static_cast<long>(value.size()));
    if (!certificate)
        Pkcs11Error(CKR_GENERAL_ERROR, "Certificate decoding error");
    return certificate;
}

// ---- the RSA method -----------------------------------------------------------

const RSA_METHOD* TokenRsaMethod()
{
    // Only the two private-key entries go to the card. OpenSSL's own signing
    // code then builds the DigestInfo (or the PSS block) and hands us the
    // padded input, and the public entries need no card at all.
    static RSA_METHOD* method = [] {
        RSA_METHOD* m = RSA_meth_dup(RSA_PKCS1_OpenSSL());
        RSA_meth_set1_name(m, "PKCS#11 token RSA method");
        RSA_meth_set_flags(m, 0);
        RSA_meth_set_priv_enc(m, TokenPrivateEncrypt);
        RSA_meth_set_priv_dec(m, TokenPrivateDecrypt);
        return m;
    }();
    return method;
}

bool CopyRSAPublicNumbers(RSA* target, X509* certificate)
{
    if (!target || !certificate)
        return false;
    const RSA* source = EVP_PKEY_get0_RSA(X509_get0_pubkey(certificate));
    if (!source)
        return false;
    BIGNUM* n = BN_dup(RSA_get0_n(source));
    BIGNUM* e = BN_dup(RSA_get0_e(source));
    if (!n || !e || RSA_set0_key(target, n, e, nullptr) != 1) {
        BN_free(n);
        BN_free(e);
        return false;
    }
    return true;
}

EVP_PKEY* CreateTokenPrivateKey(X509* certificate)
{
    RSA* rsa = RSA_new();
    if (!rsa)
        return nullptr;
    if (RSA_set_method(rsa, TokenRsaMethod()) != 1 || !CopyRSAPublicNumbers(rsa, certificate)) {
        RSA_free(rsa);
        return nullptr;
    }
    EVP_PKEY* key = EVP_PKEY_new();
    if (!key || EVP_PKEY_assign_RSA(key, rsa) != 1) {
        EVP_PKEY_free(key);
        RSA_free(rsa);
        CryptoError("error assigning private key");
        return nullptr;
    }
    return key;
}

// ---- reporting ----------------------------------------------------------------

Pkcs11Reporting& Pkcs11Settings()
{
    static Pkcs11Reporting settings;
    return settings;
}

void Pkcs11Log(const std::string& text)
{
    Pkcs11Reporting& s = Pkcs11Settings();
    if (!s.logToFile)
        return;
    if (s.callback)
        s.callback(text);
    else
        AppendLine(s.logFileName, text);
}

void Pkcs11Error(CK_RV rv, const std::string& text)
{
    Pkcs11Reporting& s = Pkcs11Settings();
    if (s.callback)
        s.callback("error:  " + text);
    if (s.logFailures)
        AppendLine(s.logFileName, text);
    s.errorFlag = true;
    s.lastRv = rv;
    s.lastError = text;
    if (s.raise)
        throw EPkcs11Error(text);
}

std::string RvText(CK_RV rv)
{
    return Format("%lxh", rv);
}

// ---- texts --------------------------------------------------------------------

std::string TokenBufToStr(const char* buffer, size_t n)
{
    if (!buffer)
        return {};
    size_t length = 0;
    while (length < n && buffer[length] != '\0')
        ++length;
    return u3::Trim(std::string_view(buffer, length));
}

std::string DecodeTokenText(const char* buffer, size_t n)
{
    if (!buffer)
        return {};
    const std::string_view bytes(buffer, n);
    const std::string_view probe = bytes.substr(0, std::min<size_t>(n, 1023));
    // A 0xC3 says UTF-8 (the lead byte of the Latin-1 letters); bytes that
    // then do not decode as UTF-8 are read like any other.
    if (probe.find('\xC3') != std::string_view::npos && u3::IsValidUtf8(bytes))
        return u3::Trim(bytes);
    return u3::Trim(u3::XMLCodePageToUtf8(bytes, u3::XMLCodePage::kCp1252));
}

std::string X509NameToDisplay(const unsigned char* der, size_t length)
{
    const unsigned char* p = der;
    X509_NAME* name = der ? d2i_X509_NAME(nullptr, &p, static_cast<long>(length)) : nullptr;
    if (!name)
        return {};
    std::string result;
    for (const int nid : {NID_countryName, NID_localityName, NID_organizationName, NID_commonName}) {
        const int index = X509_NAME_get_index_by_NID(name, nid, -1);
        if (index < 0)
            continue;
        ASN1_STRING* data = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, index));
        const std::string_view raw(reinterpret_cast<const char*>(ASN1_STRING_get0_data(data)),
                                   static_cast<size_t>(std::max(0, ASN1_STRING_length(data))));
        std::string text;
        // Some cards put UTF-8 bytes into string types that OpenSSL would
        // read as Latin-1; take those as they are.
        if (raw.size() > 1 && raw.find('\xC3', 1) != std::string_view::npos && u3::IsValidUtf8(raw)) {
            text = std::string(raw);
        } else {
            unsigned char* utf8 = nullptr;
            const int n = ASN1_STRING_to_UTF8(&utf8, data);
            if (n > 0)
                text.assign(reinterpret_cast<const char*>(utf8), static_cast<size_t>(n));
            OPENSSL_free(utf8);
        }
        if (text.empty())
            continue;
        if (!result.empty())
            result += ", ";
        result += text;
    }
    X509_NAME_free(name);
    return result;
}

} // namespace submission
