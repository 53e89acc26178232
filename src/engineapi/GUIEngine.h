#pragma once
// The GUI engine's operations as the client sees them. Every argument and result
// is a text; file contents travel as Base64. The transports (SOAP, CORBA) and the
// scripted engine of the tests implement IClientGUIEngine.
#include <memory>
#include <string>

namespace client {

class IGUIEngine {
public:
    virtual ~IGUIEngine() = default;

    // SenderClass is always empty; SenderType is "TForm", "TClient" or
    // "TDGDataListClient". The reply text, empty when there is nothing to apply.
    virtual std::string ExecuteEvent(const std::string& senderClass, const std::string& senderName,
                                     const std::string& senderType, const std::string& eventName,
                                     const std::string& eventValues) = 0;
    // FileType "Form", "Image", "File", "BPart" or "Part"; "snil" when there is none.
    virtual std::string GetFile(const std::string& fileName, const std::string& fileType,
                                const std::string& path) = 0;
    // The data (Base64 or "snil") travels as fileName; FileType "File",
    // "PartStart", "Part" or "PartEnd". Answered "OK".
    virtual std::string SetFile(const std::string& fileName, const std::string& fileType,
                                const std::string& path) = 0;
    virtual std::string OnMessage(const std::string& messageType, const std::string& paramString) = 0;
    virtual std::string GetGUIEngine(const std::string& first, const std::string& second,
                                     std::string& third, std::shared_ptr<IGUIEngine>& engine) = 0;
    virtual std::string SetGUIEngine(const std::string& first, const std::string& second,
                                     const std::string& third, std::shared_ptr<IGUIEngine> engine) = 0;
    virtual std::string CommandGUIEngine(const std::string& engineName, const std::string& paramString,
                                         const std::string& idEngine, const std::string& command) = 0;
};

class IClientGUIEngine : public IGUIEngine {
public:
    // True when the link stands; no other call comes before it.
    virtual bool Connect() = 0;
};

class IFGUIEngineFactory {
public:
    virtual ~IFGUIEngineFactory() = default;
    virtual std::shared_ptr<IGUIEngine> CreateInstance(const std::string& repositoryId) = 0;
    virtual std::string GetServerUsersInfo() = 0;
    virtual std::string GetUserLog(const std::string& user) = 0;
    virtual std::string TerminateUser(const std::string& user) = 0;
};

} // namespace client
