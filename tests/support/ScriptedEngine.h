#pragma once
// An in-process engine for tests: records every call in order and answers from
// tables that the test fills.
#include "engineapi/GUIEngine.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace e3test {

struct EngineCall {
    std::string operation;
    std::vector<std::string> args;
};

class ScriptedEngine final : public client::IClientGUIEngine {
public:
    // Replies to ExecuteEvent by engine event name, used up in order; an event
    // without a queued reply is answered with an empty text.
    void QueueReply(const std::string& eventName, std::string replyText);
    // Computes the reply instead (takes precedence over the queue when set).
    std::function<std::string(const EngineCall&)> onExecuteEvent;
    // GetFile answers by (FileType, FileName); "snil" when absent.
    void ServeFile(const std::string& fileType, const std::string& fileName, std::string content);
    // Compute the answers of GetFile and SetFile instead (the call is recorded first).
    std::function<std::string(const EngineCall&)> onGetFile;
    std::function<std::string(const EngineCall&)> onSetFile;

    bool connectResult = true;
    std::vector<EngineCall> calls;

    // Calls of one operation, in order.
    std::vector<EngineCall> CallsOf(const std::string& operation) const;

    bool Connect() override;
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

private:
    std::map<std::string, std::deque<std::string>> replies_;
    std::map<std::pair<std::string, std::string>, std::string> files_;
};

} // namespace e3test
