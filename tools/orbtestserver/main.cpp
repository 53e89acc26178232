// An engine for the CORBA transport's tests and benchmark: a GUIEngine servant,
// a factory that hands it out, and a bind responder that gives the factory's
// reference for each factory id. Prints "PORT <bind port>" on stdout once it
// serves, then runs until it is killed or its parent ends.
//
// Options:
//   --reply-entries N  ExecuteEvent answers a fixed reply of N entries instead
//                      of echoing its arguments
//   --exit-on OP       the process ends abruptly when engine operation OP comes
//   --fail-create      CreateInstance raises a system exception
//   --wrong-object     the factory ids are bound to the engine object itself
//   --endpoint-port P  the ORB listens on loopback port P (default: any)
//   --publish-port P   references name loopback port P instead (a relay's)
//
// Echoes are "Operation|arg|arg..." with the argument bytes unchanged.
// GetFile with file type "Size" answers that many Base64 characters; SetFile
// answers "OK|<length of the data>|type|path". CommandGUIEngine with the
// command "CallLog" answers every call received so far, one per line.
#include "idl/GUIServer.hh"
#include "orbbind/BindResponder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <mutex>
#include <signal.h>
#include <string>
#include <sys/prctl.h>
#include <unistd.h>
#include <vector>

namespace {

struct Options {
    int replyEntries = -1;
    std::string exitOn;
    bool failCreate = false;
    bool wrongObject = false;
    std::string endpointPort;
    std::string publishPort;
};

std::string Join(std::initializer_list<std::string> parts)
{
    std::string text;
    for (const auto& p : parts) {
        if (!text.empty())
            text += '|';
        text += p;
    }
    return text;
}

class Engine final : public POA_GUIServer::GUIEngine {
public:
    explicit Engine(const Options& options) : options_(options)
    {
        if (options.replyEntries >= 0) {
            for (int i = 0; i < options.replyEntries; ++i)
                fixedReply_ += "Edit" + std::to_string(i) + ".Text=Value number " + std::to_string(i) + "\r\n";
        }
    }

    char* ExecuteEvent(const char* senderClass, const char* senderName, const char* senderType,
                       const char* eventName, const char* eventValues) override
    {
        const std::string call = Join({"ExecuteEvent", senderClass, senderName, senderType, eventName, eventValues});
        Enter("ExecuteEvent", call);
        return CORBA::string_dup(options_.replyEntries >= 0 ? fixedReply_.c_str() : call.c_str());
    }
    char* GetFile(const char* fileName, const char* fileType, const char* path) override
    {
        const std::string call = Join({"GetFile", fileName, fileType, path});
        Enter("GetFile", call);
        if (std::strcmp(fileType, "Size") == 0) {
            const std::size_t size = std::strtoull(fileName, nullptr, 10);
            if (file_.size() != size)
                file_.assign(size, 'Q');
            return CORBA::string_dup(file_.c_str());
        }
        return CORBA::string_dup(call.c_str());
    }
    char* SetFile(const char* fileName, const char* fileType, const char* path) override
    {
        const std::string call = Join({"SetFile", std::to_string(std::strlen(fileName)), fileType, path});
        Enter("SetFile", call);
        return CORBA::string_dup(Join({"OK", std::to_string(std::strlen(fileName)), fileType, path}).c_str());
    }
    char* OnMessage(const char* messageType, const char* paramString) override
    {
        const std::string call = Join({"OnMessage", messageType, paramString});
        Enter("OnMessage", call);
        return CORBA::string_dup(call.c_str());
    }
    char* GetGUIEngine(const char* first, const char* second, char*& third,
                       GUIServer::GUIEngine_ptr& engine) override
    {
        const std::string call =
            Join({"GetGUIEngine", first, second, third, CORBA::is_nil(engine) ? "nil" : "object"});
        Enter("GetGUIEngine", call);
        CORBA::string_free(third);
        third = CORBA::string_dup((std::string("back:") + first).c_str());
        CORBA::release(engine);
        engine = _this(); // a reference the client has to cope with
        return CORBA::string_dup(call.c_str());
    }
    char* SetGUIEngine(const char* first, const char* second, const char* third,
                       GUIServer::GUIEngine_ptr engine) override
    {
        const std::string call =
            Join({"SetGUIEngine", first, second, third, CORBA::is_nil(engine) ? "nil" : "object"});
        Enter("SetGUIEngine", call);
        return CORBA::string_dup(call.c_str());
    }
    char* CommandGUIEngine(const char* engineName, const char* paramString, const char* idEngine,
                           const char* command) override
    {
        if (std::strcmp(command, "CallLog") == 0) {
            std::lock_guard<std::mutex> guard(lock_);
            std::string log;
            for (const auto& line : calls_)
                log += line + "\n";
            return CORBA::string_dup(log.c_str());
        }
        const std::string call = Join({"CommandGUIEngine", engineName, paramString, idEngine, command});
        Enter("CommandGUIEngine", call);
        return CORBA::string_dup(call.c_str());
    }

private:
    void Enter(const char* operation, const std::string& call)
    {
        if (options_.exitOn == operation)
            ::_exit(3);
        if (options_.replyEntries >= 0)
            return; // the benchmark's calls are not kept
        std::lock_guard<std::mutex> guard(lock_);
        calls_.push_back(call.size() > 200 ? call.substr(0, 200) : call);
    }

    Options options_;
    std::string fixedReply_;
    std::string file_;
    std::mutex lock_;
    std::vector<std::string> calls_;
};

class Factory final : public POA_GUIServer::FGUIEngineFactory {
public:
    Factory(GUIServer::GUIEngine_ptr engine, bool failCreate)
        : engine_(GUIServer::GUIEngine::_duplicate(engine)), failCreate_(failCreate) {}

    GUIServer::GUIEngine_ptr CreateInstance(const char* id) override
    {
        if (failCreate_ || std::strcmp(id, "IDL:GUIEngine:1.0") != 0)
            throw CORBA::NO_RESOURCES();
        return GUIServer::GUIEngine::_duplicate(engine_);
    }
    char* GetServerUsersInfo() override { return CORBA::string_dup(""); }
    char* GetUserLog(const char*) override { return CORBA::string_dup(""); }
    char* TerminateUser(const char*) override { return CORBA::string_dup(""); }

private:
    GUIServer::GUIEngine_var engine_;
    bool failCreate_;
};

int Usage()
{
    std::cerr << "usage: orbtestserver [--reply-entries N] [--exit-on OPERATION] [--fail-create] [--wrong-object]"
                 " [--endpoint-port P] [--publish-port P]\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    // A test that dies must not leave its engine behind.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--reply-entries" && i + 1 < argc)
            options.replyEntries = std::atoi(argv[++i]);
        else if (arg == "--exit-on" && i + 1 < argc)
            options.exitOn = argv[++i];
        else if (arg == "--fail-create")
            options.failCreate = true;
        else if (arg == "--wrong-object")
            options.wrongObject = true;
        else if (arg == "--endpoint-port" && i + 1 < argc)
            options.endpointPort = argv[++i];
        else if (arg == "--publish-port" && i + 1 < argc)
            options.publishPort = argv[++i];
        else
            return Usage();
    }
    try {
        const std::string endpoint = "giop:tcp:127.0.0.1:" + options.endpointPort;
        const std::string published = "giop:tcp:127.0.0.1:" + options.publishPort;
        std::vector<const char*> orbArgv = {"orbtestserver", "-ORBgiopMaxMsgSize", "268435456", "-ORBendPoint",
                                            endpoint.c_str()};
        if (!options.publishPort.empty()) {
            orbArgv.push_back("-ORBendPointPublish");
            orbArgv.push_back(published.c_str());
        }
        int orbArgc = static_cast<int>(orbArgv.size());
        orbArgv.push_back(nullptr);
        CORBA::ORB_var orb = CORBA::ORB_init(orbArgc, const_cast<char**>(orbArgv.data()));
        PortableServer::POA_var root = PortableServer::POA::_narrow(orb->resolve_initial_references("RootPOA"));
        CORBA::PolicyList policies;
        policies.length(1);
        policies[0] = root->create_id_assignment_policy(PortableServer::USER_ID);
        PortableServer::POA_var poa = root->create_POA("engine", root->the_POAManager(), policies);

        auto* engine = new Engine(options);
        PortableServer::ObjectId_var engineId = PortableServer::string_to_ObjectId("engine");
        poa->activate_object_with_id(engineId, engine);
        CORBA::Object_var engineObject = poa->id_to_reference(engineId);
        GUIServer::GUIEngine_var engineRef = GUIServer::GUIEngine::_narrow(engineObject);

        auto* factory = new Factory(engineRef, options.failCreate);
        PortableServer::ObjectId_var factoryId = PortableServer::string_to_ObjectId("factory");
        poa->activate_object_with_id(factoryId, factory);

        // The engine-specific ids get references that carry their own type id,
        // so that the client has to ask the factory whether it is one.
        std::map<std::string, std::string> objects;
        for (const char* id : {"IDL:FFMGUIEngineFactory:3.0", "IDL:FPCTGUIEngineFactory:1.0",
                               "IDL:FPluginGUIEngineFactory:3.0"}) {
            CORBA::Object_var reference = options.wrongObject ? CORBA::Object::_duplicate(engineObject)
                                                              : poa->create_reference_with_id(factoryId, id);
            CORBA::String_var text = orb->object_to_string(reference);
            objects[id] = text.in();
        }
        root->the_POAManager()->activate();
        orbbind::BindResponder responder("127.0.0.1", 0, objects);
        std::cout << "PORT " << responder.Port() << std::endl;
        orb->run();
    } catch (const CORBA::Exception& e) {
        std::cerr << "orbtestserver: CORBA exception " << e._name() << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "orbtestserver: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
