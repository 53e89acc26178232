#include "support/ScriptedEngine.h"

namespace e3test {

void ScriptedEngine::QueueReply(const std::string& eventName, std::string replyText)
{
    replies_[eventName].push_back(std::move(replyText));
}

void ScriptedEngine::ServeFile(const std::string& fileType, const std::string& fileName, std::string content)
{
    files_[{fileType, fileName}] = std::move(content);
}

std::vector<EngineCall> ScriptedEngine::CallsOf(const std::string& operation) const
{
    std::vector<EngineCall> out;
    for (const auto& call : calls)
        if (call.operation == operation)
            out.push_back(call);
    return out;
}

bool ScriptedEngine::Connect()
{
    calls.push_back({"Connect", {}});
    return connectResult;
}

std::string ScriptedEngine::ExecuteEvent(const std::string& senderClass, const std::string& senderName,
                                         const std::string& senderType, const std::string& eventName,
                                         const std::string& eventValues)
{
    calls.push_back({"ExecuteEvent", {senderClass, senderName, senderType, eventName, eventValues}});
    if (onExecuteEvent)
        return onExecuteEvent(calls.back());
    auto it = replies_.find(eventName);
    if (it == replies_.end() || it->second.empty())
        return {};
    std::string reply = std::move(it->second.front());
    it->second.pop_front();
    return reply;
}

std::string ScriptedEngine::GetFile(const std::string& fileName, const std::string& fileType,
                                    const std::string& path)
{
    calls.push_back({"GetFile", {fileName, fileType, path}});
    if (onGetFile)
        return onGetFile(calls.back());
    auto it = files_.find({fileType, fileType == "Form" || fileType == "Image" ? fileName : path});
    return it == files_.end() ? std::string("snil") : it->second;
}

std::string ScriptedEngine::SetFile(const std::string& fileName, const std::string& fileType,
                                    const std::string& path)
{
    calls.push_back({"SetFile", {fileName, fileType, path}});
    if (onSetFile)
        return onSetFile(calls.back());
    return "OK";
}

std::string ScriptedEngine::OnMessage(const std::string& messageType, const std::string& paramString)
{
    calls.push_back({"OnMessage", {messageType, paramString}});
    return {};
}

std::string ScriptedEngine::GetGUIEngine(const std::string& first, const std::string& second,
                                         std::string& third, std::shared_ptr<client::IGUIEngine>&)
{
    calls.push_back({"GetGUIEngine", {first, second, third}});
    return {};
}

std::string ScriptedEngine::SetGUIEngine(const std::string& first, const std::string& second,
                                         const std::string& third, std::shared_ptr<client::IGUIEngine>)
{
    calls.push_back({"SetGUIEngine", {first, second, third}});
    return {};
}

std::string ScriptedEngine::CommandGUIEngine(const std::string& engineName, const std::string& paramString,
                                             const std::string& idEngine, const std::string& command)
{
    calls.push_back({"CommandGUIEngine", {engineName, paramString, idEngine, command}});
    return {};
}

} // namespace e3test
