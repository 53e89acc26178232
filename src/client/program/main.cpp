// The filing client: the Qt application around the client's entry, with the
// real engine transports, the user's service manager and the smart-card
// checker link.
#include "client/ClientLink.h"
#include "client/ClientMain.h"
#include "client/submission/EFIPRegistration.h"
#include "client/submission/SignRegistration.h"
#include "client/submission/ViewerConnection.h"
#include "enginelink/CorbaClient.h"
#include "enginelink/SOAPClient.h"
#include "enginelink/pms/PMSSOAPClient.h"
#include "platform/Dialogs.h"
#include "platform/GUICOMClient.h"
#include "platform/SmartCardChecker.h"
#include "platform/SystemdServiceManager.h"
#include "submission/pkcs11/Pkcs11.h"
#include "DocumentViewerLink.h"

#include <QApplication>
#include <QCoreApplication>

#include <memory>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    // A batch request runs without a window, so without a display: no GUI
    // application and no message boxes (messages go to standard error).
    const bool batch = argc > 1 && enginelink::PMSCommandKind(argv[1]) >= 0;
    std::unique_ptr<QCoreApplication> application;
    if (batch) {
        application = std::make_unique<QCoreApplication>(argc, argv);
    } else {
        application = std::make_unique<QApplication>(argc, argv);
        platform::InstallQtUserMessages();
        submission::RegisterSignClasses();
        efip::RegisterEFIPClasses();
        client::ConnectDocumentViewer();
    }
    QCoreApplication::setApplicationName(QStringLiteral("filingclient"));
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
    services.isPMSCommand = [](const std::string& param) { return enginelink::PMSCommandKind(param) >= 0; };
    services.runPMSRequest = enginelink::RunPMSBatch;
    services.makeCOMClient = platform::CoGUICOMClient::Create;
    program::TDocumentViewerLink documentViewer;
    services.documentViewer = &documentViewer;
    // Another client that takes the PDF reader asks this one to close its viewer.
    client::SetDocumentViewerCloser([&documentViewer] { documentViewer.CloseViewer(); });

    // Qt has taken the arguments it understands out of argv.
    std::vector<std::string> params;
    for (int i = 1; i < argc; ++i)
        params.emplace_back(argv[i]);
    const int code = client::ClientMain(params, services);
    client::SetDocumentViewerCloser(nullptr);
    submission::Pkcs11Finalize();
    submission::UnloadPkcs11Module();
    return code;
}
