#pragma once
// The program's entry: start-up, the connect loop and the end. The transports,
// the service control and the smart-card checker come in from the program, so
// that the same entry runs against scripted engines in tests.
#include "engineapi/GUIEngine.h"

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace u3 {
class ServiceManager;
}
namespace platform {
class IGUICOMClient;
}

namespace client {

struct ClientMainServices {
    // One transport per connect pass; the last argument is the retry count.
    std::function<std::shared_ptr<IClientGUIEngine>(const std::string& engineName, const std::string& orbBindAddr,
                                                    bool silent, int retries)>
        makeCorbaTransport;
    std::function<std::shared_ptr<IClientGUIEngine>(const std::string& host, const std::string& port, bool silent,
                                                    int retries)>
        makeSoapTransport;
    // Runs the local server when it is a service; null: no service is started.
    u3::ServiceManager* serviceManager = nullptr;
    // Start the checker beside the program (when it is there) and close it.
    std::function<void(const std::string& programDir)> startSmartCardChecker;
    std::function<void()> closeSmartCardChecker;
    // The window-less batch mode: whether a first parameter is one of its
    // commands, and the run of one request, which gives the exit code.
    std::function<bool(const std::string& firstParam)> isPMSCommand;
    std::function<int(const std::vector<std::string>& params)> runPMSRequest;
    // The link between clients, made with the client object; it raises when
    // it cannot be made (the client then works without it). Null: no link.
    std::function<std::unique_ptr<platform::IGUICOMClient>()> makeCOMClient;
};

// The PKCS#11 module every start loads first: [Common] PKCS11Module of the
// program's INI file, by default p11-kit's proxy.
std::string PKCS11ModuleName();

// The text a failure that reached the event loop shows: its message, with a
// full stop added unless it ends in one or in another mark below it.
std::string ApplicationExceptionText(const std::string& message);
// Shows a failure that reached the event loop in an error box titled with the
// application title (the start-up installs it for the run of the client).
void ShowApplicationException(const std::exception& error);

// Runs the client with the program's parameters (without the program path)
// and returns the exit code: 0 after a normal end or a cancelled settings
// dialog, 1 when the PKCS#11 module cannot be loaded or the last connect pass
// found no engine; a batch request's own code in the batch mode.
int ClientMain(const std::vector<std::string>& params, const ClientMainServices& services);

} // namespace client
