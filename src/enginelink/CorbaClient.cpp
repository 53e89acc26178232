#include "enginelink/CorbaClient.h"

#include "enginelink/KeepAlive.h"
#include "enginelink/OrbBind.h"
#include "enginelink/WireText.h"
#include "idl/GUIServer.hh"
#include "u3/Logger.h"
#include "u3/ProgramEnd.h"
#include "u3/StrLib.h"

#include <chrono>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace enginelink {
namespace {

using namespace std::chrono_literals;

// A bind that hangs must not hang the start-up; engine calls have no limit.
constexpr auto kBindTimeout = 10s;
constexpr auto kPauseAfterFailedBind = 3000ms;
constexpr const char* kEngineRepositoryId = "IDL:GUIEngine:1.0";

CORBA::ORB_ptr TheOrb()
{
    static std::once_flag once;
    static CORBA::ORB_var orb;
    std::call_once(once, [] {
        // Files travel as Base64 in one string, up to 50 MB of file each way.
        // ISO-8859-1 as the native code set keeps every byte as it is: the
        // Windows-1252 conversion is ours.
        const char* argv[] = {"client", "-ORBgiopMaxMsgSize", "268435456", "-ORBnativeCharCodeSet", "ISO-8859-1",
                              nullptr};
        int argc = 5;
        orb = CORBA::ORB_init(argc, const_cast<char**>(argv));
        KeepOrbConnectionsAlive();
    });
    return orb.in();
}

std::string Describe(const CORBA::Exception& e)
{
    std::string text = std::string("CORBA exception ") + e._name();
    if (const auto* system = CORBA::SystemException::_downcast(&e)) {
        text += " (minor " + std::to_string(system->minor()) + ", " +
                (system->completed() == CORBA::COMPLETED_YES  ? "completed"
                 : system->completed() == CORBA::COMPLETED_NO ? "not completed"
                                                              : "maybe completed") +
                ")";
    }
    return text;
}

} // namespace

struct TmtdORBClient::OrbState {
    CORBA::ORB_var orb;
    // Released before the ORB, engine first.
    GUIServer::FGUIEngineFactory_var factory;
    GUIServer::GUIEngine_var engine;
};

// Holds converted arguments for the length of one call. Plain ASCII, the
// common case and the case of every Base64 file, goes out without a copy.
struct TmtdORBClient::WireArgs {
    bool lost = false;
    std::deque<std::string> converted;

    const char* Out(const std::string& utf8)
    {
        if (IsPlainAscii(utf8))
            return utf8.c_str();
        converted.push_back(Utf8ToWire(utf8, lost));
        return converted.back().c_str();
    }
};

TmtdORBClient::TmtdORBClient(const std::string& engineName, const std::string& address, bool quiet)
    : quiet_(quiet), engineName_(engineName), address_(address), orb_(std::make_unique<OrbState>())
{
}

TmtdORBClient::~TmtdORBClient() = default;

std::string TmtdORBClient::FactoryRepositoryId(const std::string& engineName)
{
    if (u3::SameText(engineName, "GUIEngine"))
        return "IDL:FFMGUIEngineFactory:3.0";
    if (u3::SameText(engineName, "PCTGUIEngine"))
        return "IDL:FPCTGUIEngineFactory:1.0";
    return "IDL:FPluginGUIEngineFactory:3.0";
}

bool TmtdORBClient::Connect()
{
    auto& log = u3::ApplicationLogger();
    try {
        orb_->orb = CORBA::ORB::_duplicate(TheOrb());
        const std::string factoryId = FactoryRepositoryId(engineName_);
        std::optional<std::string> reference;
        for (int attempt = 1; attempt <= retries_ && !reference; ++attempt) {
            std::string why;
            reference = BindObject(address_, factoryId, kBindTimeout, &why);
            if (!reference) {
                log.Log(2, "Bind " + std::to_string(attempt) + " of " + factoryId + " at " + address_ + " failed: " + why);
                std::this_thread::sleep_for(kPauseAfterFailedBind);
            }
        }
        if (!reference) {
            log.Log(1, "No engine factory at " + address_);
            return false;
        }
        CORBA::Object_var object = orb_->orb->string_to_object(reference->c_str());
        orb_->factory = GUIServer::FGUIEngineFactory::_narrow(object);
        if (CORBA::is_nil(orb_->factory)) {
            log.Log(1, "The object bound as " + factoryId + " at " + address_ + " is no engine factory");
            return false;
        }
        orb_->engine = orb_->factory->CreateInstance(kEngineRepositoryId);
        if (CORBA::is_nil(orb_->engine)) {
            log.Log(1, "The engine factory at " + address_ + " gave no engine");
            return false;
        }
        return true;
    } catch (const CORBA::Exception& e) {
        log.Log(1, "Connecting to the engine at " + address_ + " failed: " + Describe(e));
    } catch (const std::exception& e) {
        log.Log(1, "Connecting to the engine at " + address_ + " failed: " + e.what());
    }
    orb_->engine = GUIServer::GUIEngine::_nil();
    orb_->factory = GUIServer::FGUIEngineFactory::_nil();
    return false;
}

std::string TmtdORBClient::Invoke(const char* operation, const std::function<std::string(WireArgs&)>& call)
{
    if (disconnected_)
        return {};
    WireArgs args;
    std::string result;
    try {
        if (CORBA::is_nil(orb_->engine))
            throw CORBA::OBJECT_NOT_EXIST(); // no engine was ever obtained
        result = call(args);
    } catch (const CORBA::Exception& e) {
        ConnectionLost(operation, Describe(e));
    } catch (const std::exception& e) {
        ConnectionLost(operation, e.what());
    } catch (...) {
        ConnectionLost(operation, "unknown exception");
    }
    if (args.lost && !reportingLoss_)
        ReportLostCharacters(operation);
    return result;
}

void TmtdORBClient::ConnectionLost(const std::string& operation, const std::string& reason)
{
    disconnected_ = true;
    u3::ApplicationLogger().Log(1, "The engine call " + operation + " failed: " + reason);
    u3::EndProgramAfterLostLink(quiet_ ? "" : u3::ServerNotFoundText(), 1);
}

void TmtdORBClient::ReportLostCharacters(const std::string& operation)
{
    const std::string text = "Characters that the engine's code page cannot hold were sent as \"?\" in " + operation;
    u3::ApplicationLogger().Log(1, text);
    reportingLoss_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{reportingLoss_};
    OnMessage("ClientError", text);
}

std::string TmtdORBClient::ExecuteEvent(const std::string& senderClass, const std::string& senderName,
                                        const std::string& senderType, const std::string& eventName,
                                        const std::string& eventValues)
{
    if (u3::SameText(eventName, "Client.OnClientDone"))
        quiet_ = true;
    return Invoke("ExecuteEvent", [&](WireArgs& a) {
        CORBA::String_var r = orb_->engine->ExecuteEvent(a.Out(senderClass), a.Out(senderName), a.Out(senderType),
                                                         a.Out(eventName), a.Out(eventValues));
        return WireToUtf8(r.in());
    });
}

std::string TmtdORBClient::GetFile(const std::string& fileName, const std::string& fileType, const std::string& path)
{
    return Invoke("GetFile", [&](WireArgs& a) {
        CORBA::String_var r = orb_->engine->GetFile(a.Out(fileName), a.Out(fileType), a.Out(path));
        return WireToUtf8(r.in());
    });
}

std::string TmtdORBClient::SetFile(const std::string& fileName, const std::string& fileType, const std::string& path)
{
    return Invoke("SetFile", [&](WireArgs& a) {
        CORBA::String_var r = orb_->engine->SetFile(a.Out(fileName), a.Out(fileType), a.Out(path));
        return WireToUtf8(r.in());
    });
}

std::string TmtdORBClient::OnMessage(const std::string& messageType, const std::string& paramString)
{
    return Invoke("OnMessage", [&](WireArgs& a) {
        CORBA::String_var r = orb_->engine->OnMessage(a.Out(messageType), a.Out(paramString));
        return WireToUtf8(r.in());
    });
}

// The engine argument is an object of this process, which has no servant to
// offer for it: it travels as a nil reference, and the reference the engine
// gives back is released, leaving engine as it was.
std::string TmtdORBClient::GetGUIEngine(const std::string& first, const std::string& second, std::string& third,
                                        std::shared_ptr<client::IGUIEngine>& /*engine*/)
{
    return Invoke("GetGUIEngine", [&](WireArgs& a) {
        CORBA::String_var thirdOnWire = CORBA::string_dup(a.Out(third));
        GUIServer::GUIEngine_var engineOnWire = GUIServer::GUIEngine::_nil();
        CORBA::String_var r =
            orb_->engine->GetGUIEngine(a.Out(first), a.Out(second), thirdOnWire.inout(), engineOnWire.inout());
        third = WireToUtf8(thirdOnWire.in());
        return WireToUtf8(r.in());
    });
}

std::string TmtdORBClient::SetGUIEngine(const std::string& first, const std::string& second, const std::string& third,
                                        std::shared_ptr<client::IGUIEngine> /*engine*/)
{
    return Invoke("SetGUIEngine", [&](WireArgs& a) {
        CORBA::String_var r = orb_->engine->SetGUIEngine(a.Out(first), a.Out(second), a.Out(third),
                                                         GUIServer::GUIEngine::_nil());
        return WireToUtf8(r.in());
    });
}

std::string TmtdORBClient::CommandGUIEngine(const std::string& engineName, const std::string& paramString,
                                            const std::string& idEngine, const std::string& command)
{
    return Invoke("CommandGUIEngine", [&](WireArgs& a) {
        CORBA::String_var r = orb_->engine->CommandGUIEngine(a.Out(engineName), a.Out(paramString), a.Out(idEngine),
                                                             a.Out(command));
        return WireToUtf8(r.in());
    });
}

} // namespace enginelink
