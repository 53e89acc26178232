#pragma once
// The GUI engine interface over CORBA (omniORB). Connect binds the engine
// factory of the configured engine at "inet:" host ":" port with our own bind
// request, narrows it to the factory and asks it for an engine object. Any
// failure of a later engine call ends the program after the connection-lost text.
#include "engineapi/GUIEngine.h"

#include <functional>
#include <memory>
#include <string>

namespace enginelink {

class TmtdORBClient final : public client::IClientGUIEngine {
public:
    TmtdORBClient(const std::string& engineName, const std::string& address, bool quiet);
    ~TmtdORBClient() override;

    void SetRetries(int retries) { retries_ = retries; }
    int Retries() const { return retries_; }

    std::string ExecuteEvent(const std::string& senderClass, const std::string& senderName,
                             const std::string& senderType, const std::string& eventName,
                             const std::string& eventValues) override;
    std::string GetFile(const std::string& fileName, const std::string& fileType,
                        const std::string& path) override;
    std::string SetFile(const std::string& fileName, const std::string& fileType,
                        const std::string& path) override;
    std::string OnMessage(const std::string& messageType, const std::string& paramString) override;
    std::string GetGUIEngine(const std::string& first, const std::string& second, std::string& third,
                             std::shared_ptr<client::IGUIEngine>& engine) override;
    std::string SetGUIEngine(const std::string& first, const std::string& second, const std::string& third,
                             std::shared_ptr<client::IGUIEngine> engine) override;
    std::string CommandGUIEngine(const std::string& engineName, const std::string& paramString,
                                 const std::string& idEngine, const std::string& command) override;
    bool Connect() override;

    // The factory repository id bound for an engine name.
    static std::string FactoryRepositoryId(const std::string& engineName);

private:
    struct WireArgs; // the call's arguments in the wire's code page

    // Runs call unless the link is down; any exception from it is a lost link.
    // Characters the wire could not carry are reported after the call.
    std::string Invoke(const char* operation, const std::function<std::string(WireArgs&)>& call);
    [[noreturn]] void ConnectionLost(const std::string& operation, const std::string& reason);
    void ReportLostCharacters(const std::string& operation);

    bool reportingLoss_ = false;
    int retries_ = 5;
    bool quiet_;
    bool disconnected_ = false;
    std::string engineName_;
    std::string address_;
    struct OrbState; // the ORB, the factory and the engine references
    std::unique_ptr<OrbState> orb_;
};

} // namespace enginelink
