#pragma once
// The signing component the engine creates by class name: it lists the
// certificates of a key file or of the smart-card checker and signs files,
// with a key file itself (PKCS#7) or through the checker, and reports each
// outcome through an event.
#include "framework/Component.h"
#include "framework/Rtti.h"

#include <functional>
#include <string>

namespace submission {

using TOnCertificateList = std::function<void(fw::TObject* sender, bool error, const std::string& certList)>;
using TOnSign = std::function<void(fw::TObject* sender, bool error)>;
using TOnCheckPin = std::function<void(fw::TObject* sender, int32_t error)>;
using TOnOpenScard = std::function<void(fw::TObject* sender, int32_t error)>;

extern const fw::TEventType OnCertificateListType;
extern const fw::TEventType OnSignType;
extern const fw::TEventType OnCheckPinType;
extern const fw::TEventType OnOpenScardType;

class TCustomSign : public fw::TComponent {
    FW_CLASS()
public:
    explicit TCustomSign(fw::TComponent* owner);

    void GetCertificates();
    void Sign();
    void CheckPin();
    void TestPassword();
    void OpenScard();
    void CloseSession() {}

    std::string GetInFileName() const { return inFileName_; }
    void SetInFileName(const std::string& v) { inFileName_ = v; }
    std::string GetOutFileName() const { return outFileName_; }
    void SetOutFileName(const std::string& v) { outFileName_ = v; }
    std::string GetTempName() const { return tempName_; }
    void SetTempName(const std::string& v) { tempName_ = v; }
    std::string GetBase64FileName() const { return base64FileName_; }
    void SetBase64FileName(const std::string& v) { base64FileName_ = v; }
    bool GetBase64() const { return base64_; }
    void SetBase64(bool v) { base64_ = v; }
    bool GetError() const { return error_; }
    void SetError(bool v) { error_ = v; }
    std::string GetErrorMessage() const { return errorMessage_; }
    void SetErrorMessage(const std::string& v) { errorMessage_ = v; }
    std::string GetCertList() const { return certList_; }
    void SetCertList(const std::string& v) { certList_ = v; }
    int32_t GetCertIndex() const { return certIndex_; }
    // Also sets SecurityPKCS11Index to the index as text.
    void SetCertIndex(int32_t v);
    std::string GetSecurityPKCS11Index() const { return securityPKCS11Index_; }
    void SetSecurityPKCS11Index(const std::string& v) { securityPKCS11Index_ = v; }
    bool GetSoftwareSecurity() const { return softwareSecurity_; }
    void SetSoftwareSecurity(bool v) { softwareSecurity_ = v; }
    int32_t GetTipo() const { return tipo_; }
    void SetTipo(int32_t v) { tipo_ = v; }
    std::string GetSoftwareKeyFileName() const { return softwareKeyFileName_; }
    void SetSoftwareKeyFileName(const std::string& v) { softwareKeyFileName_ = v; }
    std::string GetSecurityPassword() const { return securityPassword_; }
    void SetSecurityPassword(const std::string& v) { securityPassword_ = v; }
    bool GetEnterSecurityPassword() const { return enterSecurityPassword_; }
    void SetEnterSecurityPassword(bool v) { enterSecurityPassword_ = v; }
    int32_t GetSecurityPasswordLevel() const { return securityPasswordLevel_; }
    void SetSecurityPasswordLevel(int32_t v) { securityPasswordLevel_ = v; }
    std::string GetSecurityPin() const { return securityPin_; }
    void SetSecurityPin(const std::string& v) { securityPin_ = v; }
    bool GetEnterSecurityPin() const { return enterSecurityPin_; }
    void SetEnterSecurityPin(bool v) { enterSecurityPin_ = v; }
    int32_t GetSecurityPinLevel() const { return securityPinLevel_; }
    void SetSecurityPinLevel(int32_t v) { securityPinLevel_ = v; }
    bool GetAtivaScard() const { return ativaScard_; }
    void SetAtivaScard(bool v) { ativaScard_ = v; }
    int32_t GetCertType() const { return certType_; }
    void SetCertType(int32_t v) { certType_ = v; }
    bool GetHidden() const { return hidden_; }
    void SetHidden(bool v) { hidden_ = v; }

    TOnCertificateList OnCertificateList;
    TOnSign OnSign;
    TOnCheckPin OnCheckPin;
    TOnOpenScard OnOpenScard;

private:
    // The list text of the key file's certificate; sets Error when there is none.
    std::string ReadKeyFileCertificate();

    std::string inFileName_, outFileName_, tempName_, base64FileName_;
    bool base64_ = false;
    bool error_ = false;
    std::string errorMessage_, certList_;
    int32_t certIndex_ = -1;
    std::string securityPKCS11Index_ = "-1";
    bool softwareSecurity_ = false;
    int32_t tipo_ = 1;
    std::string softwareKeyFileName_, securityPassword_;
    bool enterSecurityPassword_ = false;
    int32_t securityPasswordLevel_ = 1;
    std::string securityPin_;
    bool enterSecurityPin_ = false;
    int32_t securityPinLevel_ = 1;
    bool ativaScard_ = true;
    int32_t certType_ = 0;
    bool hidden_ = false;
};

class Te3Sign : public TCustomSign {
    FW_CLASS()
public:
    using TCustomSign::TCustomSign;
};

class Te3_Sign : public Te3Sign {
    FW_CLASS()
public:
    using Te3Sign::Te3Sign;
};

// Whether one of the ";"-separated texts of prohibited occurs in issuer,
// letter case ignored; empty texts match nothing.
bool IssuerProhibited(const std::string& prohibited, const std::string& issuer);

// What the signing component needs from the program around it: its message
// texts, its error box, its settings file and the smart-card checker. The
// program fills them in at start; a hook left empty gives the default text, no
// box, no settings, no smart-card certificate and no smart-card signature.
struct SignHooks {
    std::function<std::string(const std::string& key, const std::string& defaultText)> langText;
    std::function<void(const std::string& title, const std::string& text)> showError;
    std::function<std::string()> iniFileName;
    std::function<std::string()> getSmartCardCertList;
    std::function<bool(const std::string& inputFile, const std::string& outputFile)> signWithSmartCard;
    std::function<void()> restartSmartCardChecker;
};
void SetSignHooks(SignHooks hooks);

} // namespace submission
