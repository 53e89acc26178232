#pragma once
// Smart cards through a PKCS#11 module loaded at run time: loading and
// initialising the module, the certificates of every token, one selected
// certificate read from its card, and an RSA method whose private-key
// operations run on the card, so that a TLS handshake signs there.
#include "u3/Exceptions.h"

#include <p11-kit/pkcs11.h>

#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace submission {

// One certificate object of a token.
struct CERT_INFO {
    std::string label;          // CKA_LABEL, at most 1024 bytes
    CK_SLOT_ID slot = 0;
    std::vector<unsigned char> id; // CKA_ID
    size_t idLength = 0;
    std::string subject;        // CKA_SUBJECT for display
    std::string issuer;         // CKA_ISSUER for display
    std::string issuerName;     // the issuer of CKA_VALUE, one-line form
    bool slotFlag = false;      // slot information read and not a hardware slot
    int keyUsage = 0;           // first byte of the key-usage bits + 256 * the second
};

using TCERTS = std::vector<CERT_INFO>;
using TSlots = std::vector<CK_SLOT_ID>;

// The module's file name: a bare name is found by the dynamic loader's
// search, a path is taken as it is.
void SetPkcs11ModuleName(const std::string& fileName);
std::string Pkcs11ModuleName();

// Loads the module and looks up its 67 entry points (all but
// C_GetFunctionList) by name; a single missing one makes the module unusable.
// True at once after a success; after a failure the next call tries again.
bool LoadPkcs11Module();
// Frees the module (finalise it first).
void UnloadPkcs11Module();

// Loads and initialises the module; true when no failure was recorded.
bool Pkcs11Initialize();
// C_Finalize when initialised; clears the initialised state.
bool Pkcs11Finalize();

// Rebuilds the certificate list from every token present; pin may be empty
// (no login). A slot whose session cannot be opened (a blank token) is skipped
// and logged; a failed login ends the enumeration.
bool EnumTokenCertificates(const std::string& pin);
// The certificates of the last enumeration, numbered from 1 in the order found.
const TCERTS& TokenCertificates();
// Selects entry n (from 1) with the PIN to sign with; false without a list or
// for an n outside it.
bool SelectTokenCertificate(int n, const std::string& pin);
// The selected slot, id and PIN.
CK_SLOT_ID SelectedSlot();
const std::vector<unsigned char>& SelectedKeyId();
// The length of the last signature the card made.
unsigned long LastSignatureLength();

// Reads the certificate with that id from the selected slot; nullptr when it
// is not there. The caller frees it.
X509* ReadTokenCertificate(const unsigned char* id, size_t idLength);

// The RSA method whose private encrypt signs on the card (C_Sign) and whose
// private decrypt decrypts on the card (C_Decrypt); everything else is
// OpenSSL's own. Its failures never raise: they are reported (see below) with
// raising held back and end the operation with -1.
const RSA_METHOD* TokenRsaMethod();
// Gives target the certificate's modulus and public exponent.
bool CopyRSAPublicNumbers(RSA* target, X509* certificate);
// A private key for the certificate whose operations run on the card through
// TokenRsaMethod(), for the selected slot and id; nullptr for a certificate
// without an RSA key.
EVP_PKEY* CreateTokenPrivateKey(X509* certificate);

// How the token layer reports, program-wide.
struct Pkcs11Reporting {
    std::function<void(const std::string&)> callback;
    bool logToFile = false;       // Pkcs11Log lines to logFileName
    bool logFailures = false;     // failures to logFileName
    bool raise = true;            // EPkcs11Error
    std::string logFileName = "PKCS11.log";
    bool errorFlag = false;
    CK_RV lastRv = CKR_OK;
    std::string lastError;
};
Pkcs11Reporting& Pkcs11Settings();

class EPkcs11Error : public u3::Exception {
public:
    using u3::Exception::Exception;
};

void Pkcs11Log(const std::string& text);
// Reports a failure: to the callback ("error:  " + text), to the log file when
// failures are logged, then raises EPkcs11Error when raising is on; the error
// flag, the return value and the text are kept in every case.
void Pkcs11Error(CK_RV rv, const std::string& text);
// The "%xh" of the failure texts: the value in hexadecimal followed by "h".
std::string RvText(CK_RV rv);

// Text up to the first zero byte, at most n bytes, trimmed.
std::string TokenBufToStr(const char* buffer, size_t n);
// At most n bytes, trimmed; read as UTF-8 when a 0xC3 byte occurs among the
// first min(n, 1023) bytes and the bytes are UTF-8, as Windows-1252 otherwise.
// The result is always UTF-8.
std::string DecodeTokenText(const char* buffer, size_t n);
// The non-empty country, locality, organisation and common name of a DER
// name, in this order, joined by ", ".
std::string X509NameToDisplay(const unsigned char* der, size_t length);

} // namespace submission
