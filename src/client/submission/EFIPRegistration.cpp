#include "client/submission/EFIPRegistration.h"

#include "submission/efip/EFIPEnvironment.h"
#include "submission/efip/EFIPProtocol.h"
#include "submission/efipclient/TokenCertificate.h"
#include "submission/efiphttps/EFIPHttpsConnection.h"
#include "submission/ssl/SSLContext.h"

#include "client/CertificateList.h"
#include "client/ClassRegistry.h"
#include "client/Client.h"
#include "client/FormReader.h"
#include "client/FrmPin.h"
#include "client/Globals.h"
#include "client/MessageDialog.h"
#include "client/submission/ClientTexts.h"
#include "platform/SmartCardChecker.h"

#include <filesystem>

namespace efip {

void RegisterEFIPClasses()
{
    client::RegisterClass(Te3EFIPProtocol::StaticClass());
    client::RegisterClass(Te3_EFIPProtocol::StaticClass());
    UseHttpsConnections();
    SetLangTextSource(client::ClientLangText);
    SetTempFolderSource([]() -> std::string {
        client::TClient* c = client::Client();
        if (!c || c->TempFolder().empty())
            return {};
        std::error_code ec;
        std::filesystem::create_directories(c->TempFolder(), ec);
        return c->TempFolder();
    });
    SetFreeHandler([](fw::TComponent* component) { client::FreeEngineComponent(component); });

    // The client certificate comes from a key file or, chosen by the user,
    // from a smart card; the dialogs are the client's.
    ClientCertificateHooks certificates;
    certificates.initSSL = [] { return e3ssl::InitDefaultSSLContext(); };
    certificates.getSmartCardCertList = [] { return platform::GetSmartCardCertList(); };
    certificates.chooseCertificate = client::ChooseCertificate;
    certificates.askTokenPin = client::AskTokenPin;
    certificates.askKeyFilePassword = client::AskKeyFilePassword;
    certificates.useTokenCertificate = UseTokenCertificate;
    certificates.showError = [](const std::string& title, const std::string& text) {
        client::MessageDialog(title, text, {"OK"});
    };
    SetClientCertificateHooks(std::move(certificates));
}

} // namespace efip
