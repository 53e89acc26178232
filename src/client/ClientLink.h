#pragma once
// The client's side of the link between clients (platform/GUICOMClient.h):
// the sink that passes broadcasts on to the engine, and the bookkeeping of
// engine calls that holds broadcasts back while one waits.
#include "platform/GUICOMClient.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace client {

// Marks an engine call under way. The transports block without running the
// event loop, but a transport or a seam that does run it must not let a
// broadcast start a second engine call: what waits for the end of all calls
// runs from the event loop once the outermost call has returned.
class EngineCallScope {
public:
    EngineCallScope();
    ~EngineCallScope();
    EngineCallScope(const EngineCallScope&) = delete;
    EngineCallScope& operator=(const EngineCallScope&) = delete;
    static bool Waiting();
    // Runs fn from the event loop after the outermost call has returned.
    static void WhenReturned(std::function<void()> fn);
};

// Closes the document viewer form when one is open; the program sets it when
// it has a viewer. Unset: there is no viewer to close.
void SetDocumentViewerCloser(std::function<void()> closer);

// Receives the broadcasts of the registration the start-up makes. A
// "Close_PDF_Preview" of type "0" from another client closes the document
// viewer; every other message goes to the engine as "Client.OnMessage".
// Failures end here: the sender of a broadcast learns nothing of them.
class TGUIClientAdvise final : public platform::IGUIClientAdvise,
                               public std::enable_shared_from_this<TGUIClientAdvise> {
public:
    void OnClientMessage(const std::string& nameEngine, const std::string& uid, int32_t localID,
                         const std::string& mid, const std::string& mString, const std::string& mType) override;
    // Broadcasts held back while an engine call waits.
    size_t Queued() const { return queued_.size(); }

private:
    struct Message {
        std::string nameEngine, uid;
        int32_t localID;
        std::string mid, mString, mType;
    };
    void Handle(const Message& m);
    void Drain();

    std::deque<Message> queued_;
    bool drainPending_ = false;
};

} // namespace client
