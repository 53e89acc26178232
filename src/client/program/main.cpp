// The filing client: the Qt application around the client's entry, with the
// real engine transports, the user's service manager and the smart-card
// checker link.
#include "client/ClientMain.h"
#include "enginelink/CorbaClient.h"
#include "enginelink/SOAPClient.h"
#include "platform/Dialogs.h"
#include "platform/SmartCardChecker.h"
#include "platform/SystemdServiceManager.h"
#include "submission/efipclient/EFIPRegistration.h"
#include "submission/pkcs11/Pkcs11.h"
#include "submission/sign/Sign.h"

#include <QApplication>

#include <memory>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("filingclient"));
    platform::InstallQtUserMessages();
    submission::RegisterSignClasses();
    efip::RegisterEFIPClasses();
    // The token layer reaches the cards through the module the start checks.
    submission::SetPkcs11ModuleName(client::PKCS11ModuleName());

    platform::SystemdServiceManager serviceManager;
    client::ClientMainServices services;
    services.makeCorbaTransport = [](const std::string& engineName, const std::string& address, bool silent,
                                     int retries) -> std::shared_ptr<client::IClientGUIEngine> {
        auto transport = std::make_shared<enginelink::TmtdORBClient>(engineName, address, silent);
        transport->SetRetries(retries);
        return transport;
    };
    services.makeSoapTransport = [](const std::string& host, const std::string& port, bool silent,
                                    int retries) -> std::shared_ptr<client::IClientGUIEngine> {
        auto transport = std::make_shared<enginelink::Te3SOAPClient>(host, port, silent);
        transport->SetRetries(retries);
        return transport;
    };
    services.serviceManager = &serviceManager;
    services.startSmartCardChecker = platform::StartSmartCardChecker;
    services.closeSmartCardChecker = platform::CloseSmartCardChecker;

    // Qt has taken the arguments it understands out of argv.
    std::vector<std::string> params;
    for (int i = 1; i < argc; ++i)
        params.emplace_back(argv[i]);
    const int code = client::ClientMain(params, services);
    submission::Pkcs11Finalize();
    submission::UnloadPkcs11Module();
    return code;
}
