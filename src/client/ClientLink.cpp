#include "client/ClientLink.h"

#include "client/Client.h"
#include "client/EventList.h"
#include "client/Globals.h"
#include "u3/Logger.h"
#include "u3/StrLib.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <exception>
#include <vector>

namespace client {

namespace {

int engineCalls = 0;
std::vector<std::function<void()>>& WaitingForReturn()
{
    static std::vector<std::function<void()>> list;
    return list;
}

std::function<void()>& ViewerCloser()
{
    static std::function<void()> closer;
    return closer;
}

void Log(const std::string& text)
{
    u3::ApplicationLogger().Log(1, text);
}

} // namespace

EngineCallScope::EngineCallScope()
{
    ++engineCalls;
}

EngineCallScope::~EngineCallScope()
{
    if (--engineCalls > 0 || WaitingForReturn().empty())
        return;
    std::vector<std::function<void()>> due;
    due.swap(WaitingForReturn());
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    for (auto& fn : due)
        QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

bool EngineCallScope::Waiting()
{
    return engineCalls > 0;
}

void EngineCallScope::WhenReturned(std::function<void()> fn)
{
    WaitingForReturn().push_back(std::move(fn));
}

void SetDocumentViewerCloser(std::function<void()> closer)
{
    ViewerCloser() = std::move(closer);
}

void TGUIClientAdvise::OnClientMessage(const std::string& nameEngine, const std::string& uid, int32_t localID,
                                       const std::string& mid, const std::string& mString, const std::string& mType)
{
    Message m {nameEngine, uid, localID, mid, mString, mType};
    if (EngineCallScope::Waiting() || !queued_.empty()) {
        queued_.push_back(std::move(m));
        if (!drainPending_) {
            drainPending_ = true;
            std::weak_ptr<TGUIClientAdvise> self = weak_from_this();
            auto drain = [self] {
                if (auto sink = self.lock())
                    sink->Drain();
            };
            if (EngineCallScope::Waiting())
                EngineCallScope::WhenReturned(drain);
            else if (QCoreApplication* app = QCoreApplication::instance())
                QMetaObject::invokeMethod(app, drain, Qt::QueuedConnection);
        }
        return;
    }
    Handle(m);
}

void TGUIClientAdvise::Drain()
{
    drainPending_ = false;
    while (!queued_.empty()) {
        if (EngineCallScope::Waiting()) {
            // A call began in between (a handler ran the event loop): wait for it.
            drainPending_ = true;
            std::weak_ptr<TGUIClientAdvise> self = weak_from_this();
            EngineCallScope::WhenReturned([self] {
                if (auto sink = self.lock())
                    sink->Drain();
            });
            return;
        }
        const Message m = std::move(queued_.front());
        queued_.pop_front();
        Handle(m);
    }
}

void TGUIClientAdvise::Handle(const Message& m)
{
    try {
        TClient* c = Client();
        if (m.mType == "0" && m.mString == "Close_PDF_Preview" && (!c || m.localID != c->Cookie())) {
            if (ViewerCloser())
                ViewerCloser()();
            return;
        }
        auto* list = dynamic_cast<TEventList*>(EventListObject());
        if (!list)
            return;
        list->ForwardClientMessage(m.nameEngine, m.uid, m.localID, m.mid, m.mString, m.mType);
    } catch (const std::exception& e) {
        Log(std::string("A client message was not passed on: ") + e.what());
    } catch (...) {
        Log("A client message was not passed on.");
    }
}

// --- TClient ---------------------------------------------------------------

void TClient::SetCOMClient(std::unique_ptr<platform::IGUICOMClient> link)
{
    comClient_ = std::move(link);
}

void TClient::SetCookie(int32_t cookie)
{
    cookie_ = cookie;
}

void TClient::BroadcastMessage(const std::string& nameEngine, const std::string& uid, int32_t localID,
                               const std::string& mid, const std::string& mString, const std::string& mType)
{
    if (!comClient_)
        return;
    try {
        comClient_->BroadcastMessage(nameEngine, uid, localID, mid, mString, mType);
    } catch (const std::exception& e) {
        Log(std::string("A client message was not broadcast: ") + e.what());
    }
}

void TClient::_Message(const std::string& value)
{
    auto field = [&](int i) { return u3::TokenAt(value, i, "<|>"); };
    int64_t localID = 0;
    if (!u3::TryStrToInt64(field(2), localID) || localID < INT32_MIN || localID > INT32_MAX)
        localID = 0;
    BroadcastMessage(field(0), field(1), static_cast<int32_t>(localID), field(3), field(4), field(5));
}

void TClient::UnregisterFromLink()
{
    if (!comClient_ || cookie_ == -1)
        return;
    try {
        comClient_->UnregisterClient(cookie_);
    } catch (const std::exception& e) {
        Log(std::string("The link between clients refused the unregistration: ") + e.what());
    }
    cookie_ = -1;
}

} // namespace client
