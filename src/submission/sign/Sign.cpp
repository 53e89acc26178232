#include "submission/sign/Sign.h"

#include "framework/MessagePump.h"
#include "submission/crypto/Crypto.h"
#include "submission/pkcs11/Pkcs11.h"
#include "u3/Base64.h"
#include "u3/IniFile.h"
#include "u3/StrLib.h"

#include <filesystem>
#include <fstream>
#include <memory>

namespace submission {

const fw::TEventType OnCertificateListType {"TOnCertificateList", typeid(TOnCertificateList)};
const fw::TEventType OnSignType {"TOnSign", typeid(TOnSign)};
const fw::TEventType OnCheckPinType {"TOnCheckPin", typeid(TOnCheckPin)};
const fw::TEventType OnOpenScardType {"TOnOpenScard", typeid(TOnOpenScard)};

namespace {

SignHooks& Hooks()
{
    static SignHooks hooks;
    return hooks;
}

std::string LangText(const std::string& key, const std::string& defaultText)
{
    return Hooks().langText ? Hooks().langText(key, defaultText) : defaultText;
}

std::string SmartCardCertList()
{
    return Hooks().getSmartCardCertList ? Hooks().getSmartCardCertList() : std::string();
}

bool SignWithSmartCard(const std::string& inputFile, const std::string& outputFile)
{
    return Hooks().signWithSmartCard && Hooks().signWithSmartCard(inputFile, outputFile);
}

bool FileExists(const std::string& name)
{
    std::error_code ec;
    return !name.empty() && std::filesystem::is_regular_file(name, ec);
}

std::string WithExtension(const std::string& name, const std::string& extension)
{
    return u3::RemoveFileExt(name) + extension;
}

bool WriteWholeFile(const std::string& name, const std::string& bytes)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    return static_cast<bool>(out);
}

using KeyRecordPtr = std::unique_ptr<KEY_RECORD, void (*)(KEY_RECORD*)>;

// An action whose written value means nothing: any text is taken.
fw::TRow<TCustomSign> Action(std::string name, void (TCustomSign::*action)())
{
    fw::TPropInfo p;
    p.name = std::move(name);
    p.kind = fw::TypeKind::String;
    p.get = [](fw::TObject&) -> fw::PropValue { return std::string(); };
    p.set = [action](fw::TObject& o, const fw::PropValue&) { (static_cast<TCustomSign&>(o).*action)(); };
    return fw::TRow<TCustomSign>(std::move(p));
}

} // namespace

bool IssuerProhibited(const std::string& prohibited, const std::string& issuer)
{
    const std::string upperIssuer = u3::UpperCase(issuer);
    for (const std::string& text : u3::SplitTokens(prohibited, ";")) {
        // "a;;b" or a trailing ";" would otherwise match every issuer.
        if (!text.empty() && upperIssuer.find(u3::UpperCase(text)) != std::string::npos)
            return true;
    }
    return false;
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& TCustomSign::StaticClass()
{
    static const fw::TClassInfo info {"TCustomSign", &fw::TComponent::StaticClass(), {}};
    return info;
}

TCustomSign::TCustomSign(fw::TComponent* owner) : fw::TComponent(owner) {}

void TCustomSign::SetCertIndex(int32_t v)
{
    certIndex_ = v;
    securityPKCS11Index_ = std::to_string(v);
}

std::string TCustomSign::ReadKeyFileCertificate()
{
    // The password form is not part of this client yet: the password the
    // engine set is the one used.
    KeyRecordPtr record(ReadPKCS12File(softwareKeyFileName_, securityPassword_), FreeKeyRecord);
    std::string list;
    if (!record->cert) {
        error_ = true;
    } else {
        const std::string issuer = GetCertName(false, record->cert);
        list = "1||0||" + GetCertName(true, record->cert) + "||" + issuer + "||" + issuer;
        const std::string iniName = Hooks().iniFileName ? Hooks().iniFileName() : std::string();
        const std::string prohibited =
            iniName.empty() ? std::string() : u3::IniFile(iniName).ReadString("Common", "CertProib", "");
        if (IssuerProhibited(prohibited, issuer)) {
            error_ = true;
            list = "CHANCELA";
        }
    }
    return list;
}

void TCustomSign::GetCertificates()
{
    fw::DrainMessageQueue();
    std::string list;
    if (!LoadCryptoProviders()) {
        if (!hidden_ && Hooks().showError)
            Hooks().showError(LangText("g3Sign.pas.Message.3", "Error"),
                              LangText("g3Sign.pas.Message.5", "OpenSSL library initialisation failed."));
        error_ = true;
    } else {
        Pkcs11Settings().errorFlag = false;
        error_ = false;
        certList_.clear();
        if (softwareSecurity_) {
            if (tipo_ == 1)
                return;
            list = ReadKeyFileCertificate();
        } else {
            list = SmartCardCertList();
        }
    }
    if (!list.empty())
        certList_ = list;
    else
        error_ = true;
    fw::DrainMessageQueue();
    if (TOnCertificateList handler = OnCertificateList)
        handler(this, error_, certList_);
}

void TCustomSign::Sign()
{
    Pkcs11Settings().errorFlag = false;
    error_ = false;
    if (!FileExists(inFileName_)) {
        error_ = true;
    } else {
        fw::DrainMessageQueue();
        if (softwareSecurity_) {
            try {
                error_ = !SignFilePKCS7(softwareKeyFileName_, securityPassword_, inFileName_, outFileName_);
            } catch (const ECryptoError&) {
                // Raised or not, a failed signature is this action's outcome
                // and the engine hears of it through OnSign.
                error_ = true;
            }
            if (error_)
                errorMessage_ = CryptoSettings().lastError;
        } else if (securityPKCS11Index_ == "-1") {
            error_ = true;
        } else if (!SignWithSmartCard(inFileName_, outFileName_)) {
            error_ = true;
        }
        // A Base64 copy that could not be written is a failed signing for
        // whoever reads that copy.
        if (!error_ && base64_ && !WriteWholeFile(base64FileName_, u3::FileToBase64(outFileName_)))
            error_ = true;
    }
    fw::DrainMessageQueue();
    if (TOnSign handler = OnSign)
        handler(this, error_);
}

void TCustomSign::CheckPin()
{
    fw::DrainMessageQueue();
    if (TOnCheckPin handler = OnCheckPin)
        handler(this, 0);
}

void TCustomSign::TestPassword()
{
    if (SmartCardCertList().empty())
        return;
    if (!SignWithSmartCard(tempName_, WithExtension(tempName_, ".sgn"))) {
        if (TOnCheckPin handler = OnCheckPin)
            handler(this, 1001);
    }
}

void TCustomSign::OpenScard()
{
    if (Hooks().restartSmartCardChecker)
        Hooks().restartSmartCardChecker();
}

// ---------------------------------------------------------------------------

const fw::TClassInfo& Te3Sign::StaticClass()
{
    using T = TCustomSign;
    namespace prop = fw::prop;
    static const fw::TClassInfo info {
        "Te3Sign",
        &TCustomSign::StaticClass(),
        fw::TRows<Te3Sign> {
            prop::String("InFileName", &T::GetInFileName, &T::SetInFileName),
            prop::String("OutFileName", &T::GetOutFileName, &T::SetOutFileName),
            prop::String("TempName", &T::GetTempName, &T::SetTempName),
            prop::String("Base64FileName", &T::GetBase64FileName, &T::SetBase64FileName),
            prop::Boolean("Base64", &T::GetBase64, &T::SetBase64),
            prop::Boolean("Error", &T::GetError, &T::SetError),
            prop::String("ErrorMessage", &T::GetErrorMessage, &T::SetErrorMessage),
            prop::String("CertList", &T::GetCertList, &T::SetCertList),
            prop::Integer("CertIndex", &T::GetCertIndex, &T::SetCertIndex),
            prop::String("SecurityPKCS11Index", &T::GetSecurityPKCS11Index, &T::SetSecurityPKCS11Index),
            prop::Boolean("SoftwareSecurity", &T::GetSoftwareSecurity, &T::SetSoftwareSecurity),
            prop::Integer("Tipo", &T::GetTipo, &T::SetTipo),
            prop::String("SoftwareKeyFileName", &T::GetSoftwareKeyFileName, &T::SetSoftwareKeyFileName),
            prop::String("SecurityPassword", &T::GetSecurityPassword, &T::SetSecurityPassword),
            prop::Boolean("EnterSecurityPassword", &T::GetEnterSecurityPassword, &T::SetEnterSecurityPassword),
            prop::Integer("SecurityPasswordLevel", &T::GetSecurityPasswordLevel, &T::SetSecurityPasswordLevel),
            prop::String("SecurityPin", &T::GetSecurityPin, &T::SetSecurityPin),
            prop::Boolean("EnterSecurityPin", &T::GetEnterSecurityPin, &T::SetEnterSecurityPin),
            prop::Integer("SecurityPinLevel", &T::GetSecurityPinLevel, &T::SetSecurityPinLevel),
            prop::Boolean("AtivaScard", &T::GetAtivaScard, &T::SetAtivaScard),
            prop::Integer("CertType", &T::GetCertType, &T::SetCertType),
            prop::Boolean("Hidden", &T::GetHidden, &T::SetHidden),
            prop::Event("OnCertificateList", OnCertificateListType, &T::OnCertificateList),
            prop::Event("OnSign", OnSignType, &T::OnSign),
            prop::Event("OnCheckPin", OnCheckPinType, &T::OnCheckPin),
            prop::Event("OnOpenScard", OnOpenScardType, &T::OnOpenScard),
        },
    };
    return info;
}

const fw::TClassInfo& Te3_Sign::StaticClass()
{
    using T = TCustomSign;
    namespace prop = fw::prop;
    static const fw::TClassInfo info {
        "Te3_Sign",
        &Te3Sign::StaticClass(),
        fw::TRows<Te3_Sign> {
            Action("_GetCertificates", &T::GetCertificates),
            Action("_Sign", &T::Sign),
            Action("_CheckPin", &T::CheckPin),
            Action("_TestPassword", &T::TestPassword),
            Action("_OpenScard", &T::OpenScard),
            Action("_CloseSession", &T::CloseSession),
            prop::String("CertList", &T::GetCertList, &T::SetCertList),
        },
        fw::MakeFactory<Te3_Sign>(),
    };
    return info;
}

void SetSignHooks(SignHooks hooks)
{
    Hooks() = std::move(hooks);
}

} // namespace submission
