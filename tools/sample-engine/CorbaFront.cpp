#include "CorbaFront.h"

#include "idl/GUIServer.hh"
#include "orbbind/BindResponder.h"
#include "u3/XMLCodePage.h"

#include <map>
#include <stdexcept>
#include <vector>

namespace sampleengine {

const char* const CorbaFront::kFactoryIds[3] = {"IDL:FFMGUIEngineFactory:3.0", "IDL:FPCTGUIEngineFactory:1.0",
                                                 "IDL:FPluginGUIEngineFactory:3.0"};

namespace {

// Large enough for a 50 MB file in Base64 inside one string, both ways.
constexpr const char* kMaxMessageSize = "268435456";

std::string In(const char* text)
{
    return text ? u3::XMLCodePageToUtf8(text, u3::XMLCodePage::kCp1252) : std::string();
}

char* Out(const std::string& utf8)
{
    return CORBA::string_dup(u3::Utf8ToXMLCodePage(utf8, u3::XMLCodePage::kCp1252).c_str());
}

char* Reply(SampleEngine& engine, const char* operation, const std::vector<std::string>& args)
{
    const Answer answer = engine.Call({"corba", "", ""}, operation, args);
    switch (answer.fault) {
    case FaultKind::kNone:
        return Out(answer.text);
    case FaultKind::kDrop:
        throw CORBA::COMM_FAILURE(0, CORBA::COMPLETED_MAYBE);
    case FaultKind::kFault500:
    case FaultKind::kFault200:
        throw CORBA::UNKNOWN(0, CORBA::COMPLETED_MAYBE);
    case FaultKind::kGarbage:
        return CORBA::string_dup("\x01<garbage>\x02");
    default:
        return Out(answer.text);
    }
}

class EngineServant final : public POA_GUIServer::GUIEngine {
public:
    explicit EngineServant(SampleEngine& engine) : engine_(engine) {}

    char* ExecuteEvent(const char* senderClass, const char* senderName, const char* senderType, const char* eventName,
                       const char* eventValues) override
    {
        return Reply(engine_, "ExecuteEvent",
                     {In(senderClass), In(senderName), In(senderType), In(eventName), In(eventValues)});
    }
    char* GetFile(const char* fileName, const char* fileType, const char* path) override
    {
        return Reply(engine_, "GetFile", {In(fileName), In(fileType), In(path)});
    }
    char* SetFile(const char* fileName, const char* fileType, const char* path) override
    {
        return Reply(engine_, "SetFile", {In(fileName), In(fileType), In(path)});
    }
    char* OnMessage(const char* messageType, const char* paramString) override
    {
        return Reply(engine_, "OnMessage", {In(messageType), In(paramString)});
    }
    char* GetGUIEngine(const char* first, const char* second, char*& third, GUIServer::GUIEngine_ptr&) override
    {
        return Reply(engine_, "GetGUIEngine", {In(first), In(second), In(third)});
    }
    char* SetGUIEngine(const char* first, const char* second, const char* third, GUIServer::GUIEngine_ptr) override
    {
        return Reply(engine_, "SetGUIEngine", {In(first), In(second), In(third)});
    }
    char* CommandGUIEngine(const char* engineName, const char* paramString, const char* idEngine,
                           const char* command) override
    {
        return Reply(engine_, "CommandGUIEngine", {In(engineName), In(paramString), In(idEngine), In(command)});
    }

private:
    SampleEngine& engine_;
};

class FactoryServant final : public POA_GUIServer::FGUIEngineFactory {
public:
    FactoryServant(SampleEngine& engine, std::string factoryId, GUIServer::GUIEngine_ptr instance)
        : engine_(engine), factoryId_(std::move(factoryId)), instance_(GUIServer::GUIEngine::_duplicate(instance))
    {
    }

    GUIServer::GUIEngine_ptr CreateInstance(const char* id) override
    {
        const Answer answer = engine_.Call({"corba", "", ""}, "CreateInstance", {factoryId_, In(id)});
        if (answer.fault != FaultKind::kNone && answer.fault != FaultKind::kGarbage)
            throw CORBA::COMM_FAILURE(0, CORBA::COMPLETED_MAYBE);
        return GUIServer::GUIEngine::_duplicate(instance_.in());
    }
    char* GetServerUsersInfo() override { return CORBA::string_dup(""); }
    char* GetUserLog(const char*) override { return CORBA::string_dup(""); }
    char* TerminateUser(const char*) override { return CORBA::string_dup(""); }

private:
    SampleEngine& engine_;
    std::string factoryId_;
    GUIServer::GUIEngine_var instance_;
};

} // namespace

struct CorbaFront::State {
    CORBA::ORB_var orb;
    EngineServant* engine = nullptr;
    std::vector<FactoryServant*> factories;
    std::map<std::string, std::string> references;
    std::unique_ptr<orbbind::BindResponder> responder;
};

CorbaFront::CorbaFront(SampleEngine& engine, const std::string& host, int bindPort) : state_(std::make_unique<State>())
{
    const std::string endPoint = "giop:tcp:" + host + ":";
    const char* options[][2] = {
        {"endPoint", endPoint.c_str()},
        {"giopMaxMsgSize", kMaxMessageSize},
        {nullptr, nullptr},
    };
    int argc = 0;
    char* argv[] = {nullptr};
    try {
        state_->orb = CORBA::ORB_init(argc, argv, "omniORB4", options);
        CORBA::Object_var poaObject = state_->orb->resolve_initial_references("RootPOA");
        PortableServer::POA_var poa = PortableServer::POA::_narrow(poaObject);
        state_->engine = new EngineServant(engine);
        PortableServer::ObjectId_var engineId = poa->activate_object(state_->engine);
        CORBA::Object_var engineObject = poa->id_to_reference(engineId);
        GUIServer::GUIEngine_var engineRef = GUIServer::GUIEngine::_narrow(engineObject);
        for (const char* factoryId : kFactoryIds) {
            auto* factory = new FactoryServant(engine, factoryId, engineRef);
            state_->factories.push_back(factory);
            PortableServer::ObjectId_var id = poa->activate_object(factory);
            CORBA::Object_var object = poa->id_to_reference(id);
            CORBA::String_var ior = state_->orb->object_to_string(object);
            state_->references[factoryId] = ior.in();
        }
        PortableServer::POAManager_var manager = poa->the_POAManager();
        manager->activate();
    } catch (const CORBA::Exception& e) {
        if (!CORBA::is_nil(state_->orb))
            state_->orb->destroy();
        throw std::runtime_error(std::string("CORBA front cannot start: ") + e._name());
    }
    try {
        state_->responder = std::make_unique<orbbind::BindResponder>(host, bindPort, state_->references);
    } catch (...) {
        state_->orb->shutdown(true);
        state_->orb->destroy();
        throw;
    }
}

CorbaFront::~CorbaFront()
{
    state_->responder.reset();
    try {
        state_->orb->shutdown(true);
        state_->orb->destroy();
    } catch (const CORBA::Exception&) {
        // Nothing left to save at the end.
    }
    for (FactoryServant* factory : state_->factories)
        factory->_remove_ref();
    if (state_->engine)
        state_->engine->_remove_ref();
}

int CorbaFront::Port() const
{
    return state_->responder->Port();
}

std::string CorbaFront::FactoryReference(const std::string& repositoryId) const
{
    const auto found = state_->references.find(repositoryId);
    return found == state_->references.end() ? std::string() : found->second;
}

} // namespace sampleengine
