#include "submission/sign/Sign.h"

#include "client/ClassRegistry.h"
#include "client/Client.h"
#include "client/FrmIP.h"
#include "client/Globals.h"
#include "client/MessageDialog.h"
#include "client/StartUp.h"
#include "platform/MessagePump.h"
#include "platform/SmartCardChecker.h"
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

std::string LangText(const std::string& key, const std::string& defaultText)
{
    client::TClient* c = client::Client();
    return c ? c->GetLangText(key, defaultText) : defaultText;
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
        const std::string iniName = client::ProgramIniFileName();
        const std::string prohibited = u3::IniFile(iniName).ReadString("Common", "CertProib", "");
        if (IssuerProhibited(prohibited, issuer)) {
            error_ = true;
            list = "CHANCELA";
        }
    }
    return list;
}

void TCustomSign::GetCertificates()
{
    platform::DrainMessageQueue();
    std::string list;
    if (!LoadCryptoProviders()) {
        if (!hidden_)
            client::MessageDialog(LangText("g3Sign.pas.Message.3", "Error"),
                                  LangText("g3Sign.pas.Message.5", "OpenSSL library initialisation failed."), {"OK"});
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
            list = platform::GetSmartCardCertList();
        }
    }
    if (!list.empty())
        certList_ = list;
    else
        error_ = true;
    platform::DrainMessageQueue();
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
        platform::DrainMessageQueue();
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
        } else if (!platform::SignFileWithSmartCard(inFileName_, outFileName_)) {
            error_ = true;
        }
        // A Base64 copy that could not be written is a failed signing for
        // whoever reads that copy.
        if (!error_ && base64_ && !WriteWholeFile(base64FileName_, u3::FileToBase64(outFileName_)))
            error_ = true;
    }
    platform::DrainMessageQueue();
    if (TOnSign handler = OnSign)
        handler(this, error_);
}

void TCustomSign::CheckPin()
{
    platform::DrainMessageQueue();
    if (TOnCheckPin handler = OnCheckPin)
        handler(this, 0);
}

void TCustomSign::TestPassword()
{
    if (platform::GetSmartCardCertList().empty())
        return;
    if (!platform::SignFileWithSmartCard(tempName_, WithExtension(tempName_, ".sgn"))) {
        if (TOnCheckPin handler = OnCheckPin)
            handler(this, 1001);
    }
}

void TCustomSign::OpenScard()
{
    platform::RestartSmartCardChecker(client::ClientDirectory());
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

void RegisterSignClasses()
{
    client::RegisterClass(Te3Sign::StaticClass());
    client::RegisterClass(Te3_Sign::StaticClass());
}

} // namespace submission
