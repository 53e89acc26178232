#include "client/ClientMain.h"

#include "client/BusyCursor.h"
#include "client/Client.h"
#include "client/ClientLink.h"
#include "client/ClientSender.h"
#include "client/EventList.h"
#include "client/FrmIP.h"
#include "client/Globals.h"
#include "client/MemoryTextStream.h"
#include "client/StartUp.h"
#include "e3/dock/DockTree.h"
#include "framework/ApplicationException.h"
#include "framework/Component.h"
#include "multilang/ClientTranslation.h"
#include "multilang/LanguageTable.h"
#include "u3/Exceptions.h"
#include "u3/IniFile.h"
#include "u3/Logger.h"
#include "u3/ProgramEnd.h"
#include "u3/StrLib.h"
#include "u3/UserMessages.h"

#include <QCoreApplication>

#include <dlfcn.h>

#include <exception>
#include <memory>

namespace client {

namespace {

// The client and the event list of a run, freed on every way out of the
// connect loop: the client first, then the event list (the local engine is
// stopped after both).
struct SessionObjects {
    std::unique_ptr<TClient> client;
    std::unique_ptr<TEventList> eventList;

    SessionObjects() = default;
    SessionObjects(const SessionObjects&) = delete;
    SessionObjects& operator=(const SessionObjects&) = delete;
    ~SessionObjects() { Free(); }

    void Free()
    {
        SetEventListObject(nullptr);
        if (client) {
            client.reset();
            SetClient(nullptr);
        }
        if (eventList) {
            eventList.reset();
            fw::TComponent::DeleteReleased();
        }
    }
};

// Nothing in the module is called; loading it proves the token layer is
// there before the user starts to work.
class LoadedModule {
public:
    explicit LoadedModule(const std::string& name) : handle_(::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    ~LoadedModule()
    {
        if (handle_)
            ::dlclose(handle_);
    }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    bool Loaded() const { return handle_ != nullptr; }

private:
    void* handle_;
};

bool OnlySettingsParameter(const std::vector<std::string>& params)
{
    return params.size() == 1 && u3::SameText(params[0], "-settings");
}

// Modal; its Connect button sets Reconnect.
void ShowServerAddressDialog()
{
    std::unique_ptr<TFormIP> form(multilang::TMLForm::Create<TFormIP>(nullptr));
    form->ShowModal();
}

std::shared_ptr<IClientGUIEngine> MakeTransport(const ClientMainServices& services)
{
    if (UseCORBA)
        return services.makeCorbaTransport ? services.makeCorbaTransport(EngineName, OrbBindAddr, Silent, ConnectRetries)
                                           : nullptr;
    return services.makeSoapTransport ? services.makeSoapTransport(ServerHost, ServerPort, Silent, ConnectRetries)
                                      : nullptr;
}

// The user's whole session runs inside the reply to "Client.OnClientInit".
void RunSession(IClientGUIEngine& engine, const std::vector<std::string>& params)
{
    try {
        if (params.size() == 2)
            engine.CommandGUIEngine(EngineName, params[1], "", "InitStr");

        TClientSender init = TClientSender::CreateForClient("Client.OnClientInit");
        init.ShowBusyCursor = false;
        init.WriteRequest();
        init.WriteEntry("ClientDirectory", ClientDirectory());
        init.WriteEntry("CommandLine", ClientCommandLine(params));
        init.WriteEntry("Language", multilang::LanguageCodeByNumber(multilang::CurrentLanguage));
        init.Execute();

        TClientSender done = TClientSender::CreateForClient("Client.OnClientDone");
        {
            fw::HandlerScope scope;
            std::string reply;
            {
                const EngineCallScope call;
                reply = engine.ExecuteEvent("", "Client", "TClient", "Client.OnClientDone", "");
            }
            if (!reply.empty()) {
                TMemoryTextStream stream(reply);
                done.ApplyReply(stream);
            }
        }
        {
            const EngineCallScope call;
            engine.ExecuteEvent("", "Client", "TClient", "Client.OnDestroy", "");
        }
    } catch (const u3::EAbort&) {
    } catch (const std::exception& e) {
        u3::ApplicationLogger().Log(1, std::string("The session ended with an error: ") + e.what());
        u3::CurrentUserMessages().ShowMessage(e.what());
    }
}

void ConnectFailed(const std::vector<std::string>& params)
{
    if (params.empty() || OnlySettingsParameter(params)) {
        ShowServerAddressDialog();
        QCoreApplication::processEvents();
    } else if (!Silent) {
        u3::CurrentUserMessages().ShowMessage(u3::ServerNotFoundText());
    }
}

// One transport for one pass; true when it connected.
bool RunPass(const std::vector<std::string>& params, const ClientMainServices& services)
{
    Reconnect = false;
    std::shared_ptr<IClientGUIEngine> engine;
    bool connected = false;
    try {
        // A transport that cannot be made or that throws while connecting
        // found no engine, like one that reports so.
        try {
            engine = MakeTransport(services);
            if (engine) {
                Client()->SetEngine(engine.get());
                connected = engine->Connect();
            }
        } catch (...) {
            StartUpLog("Connect failed: " + ErrorText(std::current_exception()));
            connected = false;
        }
        if (connected)
            RunSession(*engine, params);
        else
            ConnectFailed(params);
    } catch (...) {
        StartUpLog("Connect pass ended: " + ErrorText(std::current_exception()));
    }
    Client()->SetEngine(nullptr);
    return connected;
}

std::unique_ptr<platform::IGUICOMClient> MakeCOMClient(const ClientMainServices& services)
{
    if (!services.makeCOMClient)
        return nullptr;
    try {
        return services.makeCOMClient();
    } catch (...) {
        StartUpLog("No link between clients: " + ErrorText(std::current_exception()));
        return nullptr;
    }
}

// A client that cannot register works on without the link's messages.
void RegisterAtLink(TClient& client, const std::shared_ptr<TGUIClientAdvise>& sink)
{
    if (!client.COMClient() || !sink)
        return;
    try {
        client.SetCookie(client.COMClient()->RegisterClient(client.EngineName(), "", sink));
    } catch (...) {
        StartUpLog("The link between clients refused the registration: " + ErrorText(std::current_exception()));
    }
}

// For the run of the client: failures that reach the event loop are shown,
// and engine calls show the hourglass.
class SessionHandlers {
public:
    SessionHandlers() : previous_(fw::ApplicationExceptionHandler)
    {
        fw::ApplicationExceptionHandler = ShowApplicationException;
        InstallScreenBusyCursor();
    }
    ~SessionHandlers()
    {
        RemoveScreenBusyCursor();
        fw::ApplicationExceptionHandler = previous_;
    }
    SessionHandlers(const SessionHandlers&) = delete;
    SessionHandlers& operator=(const SessionHandlers&) = delete;

private:
    fw::TExceptionHandler previous_;
};

} // namespace

std::string ApplicationExceptionText(const std::string& message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + ".";
    return message;
}

void ShowApplicationException(const std::exception& error)
{
    u3::CurrentUserMessages().ShowError(ApplicationExceptionText(error.what()));
}

std::string PKCS11ModuleName()
{
    return u3::IniFile(ProgramIniFileName()).ReadString("Common", "PKCS11Module", "p11-kit-proxy.so");
}

int ClientMain(const std::vector<std::string>& params, const ClientMainServices& services)
{
    u3::SetProgramArguments(params);

    const std::string moduleName = PKCS11ModuleName();
    const LoadedModule pkcs11(moduleName);
    if (!pkcs11.Loaded()) {
        u3::CurrentUserMessages().ShowMessage("PKCS11 library " + moduleName + " initialisation failed.");
        return 1;
    }

    LoadLanguageSettings();
    // Every dock site arranges its docked forms side by side under caption bars.
    fw::SetDefaultDockManagerClass([](fw::TWinControl& site) -> std::unique_ptr<fw::IDockManager> {
        return std::make_unique<e3::Tg3DockTree>(site);
    });
    Reconnect = false;
    const SessionHandlers handlers;

    if (!params.empty() && !params[0].empty() && services.isPMSCommand && services.runPMSRequest &&
        services.isPMSCommand(params[0])) {
        ReadEngineName(params);
        ReadConnectionSettings(params, services.serviceManager);
        const int serverStep = AddLocalEngineEndStep(services.serviceManager);
        int exitCode = 2;
        try {
            exitCode = services.runPMSRequest(params);
        } catch (...) {
            StartUpLog("PMS request failed: " + ErrorText(std::current_exception()));
        }
        if (serverStep >= 0)
            u3::RemoveProgramEndStep(serverStep);
        StopLocalEngine(services.serviceManager);
        multilang::DoneMultiLanguage();
        return exitCode;
    }

    if (OnlySettingsParameter(params)) {
        ShowServerAddressDialog();
        if (!Reconnect) {
            multilang::DoneMultiLanguage();
            return 0;
        }
    }
    Reconnect = true;

    int checkerStep = -1;
    if (services.startSmartCardChecker)
        services.startSmartCardChecker(ClientDirectory());
    if (services.closeSmartCardChecker)
        checkerStep = u3::AddProgramEndStep("close the smart-card checker", services.closeSmartCardChecker);

    ReadEngineName(params);
    Silent = SilentParameters(params);

    fw::Guard<TFormSplash> splash;
    if (u3::SameText(EngineName, kDefaultEngineName) && !Silent) {
        splash = multilang::TMLForm::Create<TFormSplash>(nullptr);
        splash->ShowPictureFor(multilang::CurrentLanguage);
        splash->Show();
        QCoreApplication::processEvents();
    }

    ReadConnectionSettings(params, services.serviceManager);
    const int serverStep = AddLocalEngineEndStep(services.serviceManager);

    SessionObjects session;
    session.client = std::make_unique<TClient>(EngineName);
    SetClient(session.client.get());
    session.client->SetCOMClient(MakeCOMClient(services));
    // The engine reaches the splash by its name, to hide it when its first form shows.
    if (TFormSplash* form = splash.get())
        session.client->AddCreatedComponent(form->GetName(), form);
    session.eventList = std::make_unique<TEventList>(nullptr);
    SetEventListObject(session.eventList.get());
    std::shared_ptr<TGUIClientAdvise> adviseSink = std::make_shared<TGUIClientAdvise>();
    RegisterAtLink(*session.client, adviseSink);

    bool connected = false;
    while (Reconnect)
        connected = RunPass(params, services);

    adviseSink.reset();
    if ((ServiceStarted || ProgramStarted) && !Silent)
        session.client->KillPlugins();
    session.Free();

    if (serverStep >= 0)
        u3::RemoveProgramEndStep(serverStep);
    StopLocalEngine(services.serviceManager);
    if (checkerStep >= 0)
        u3::RemoveProgramEndStep(checkerStep);
    if (services.closeSmartCardChecker)
        services.closeSmartCardChecker();

    delete splash.get();
    multilang::DoneMultiLanguage();
    return connected ? 0 : 1;
}

} // namespace client
