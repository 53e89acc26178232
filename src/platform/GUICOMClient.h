#pragma once
// The link between clients on one machine: several clients exchange short
// messages. Each client registers a sink; a message that one client broadcasts
// reaches the sinks of every registered client, its own included.
//
// The link travels on the D-Bus session bus. A broadcast is the signal
//     path       /org/e3client/ClientLink
//     interface  org.e3client.ClientLink
//     member     ClientMessage
//     arguments  NameEngine (s), UID (s), LocalID (i), MID (s), MString (s), MType (s)
// so that any program on the bus (dbus-send among them) can send one. A
// registration listens to that signal; its cookie is the number of the link's
// own bus connection (the N of the unique name ":1.N"), unique on the bus.
// Without a session bus the link cannot be created.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace platform {

inline constexpr const char* kClientLinkPath = "/org/e3client/ClientLink";
inline constexpr const char* kClientLinkInterface = "org.e3client.ClientLink";
inline constexpr const char* kClientLinkMember = "ClientMessage";

// What receives the broadcasts of a registration. Called in the GUI thread
// from the event loop; it must not throw.
class IGUIClientAdvise {
public:
    virtual ~IGUIClientAdvise() = default;
    virtual void OnClientMessage(const std::string& nameEngine, const std::string& uid, int32_t localID,
                                 const std::string& mid, const std::string& mString, const std::string& mType) = 0;
};

class EClientLinkError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The link object. Failures raise EClientLinkError.
class IGUICOMClient {
public:
    virtual ~IGUICOMClient() = default;
    // Registers the sink (it must outlive its registration) and gives the
    // cookie. A link holds one registration at a time.
    virtual int32_t RegisterClient(const std::string& engineName, const std::string& uid,
                                   std::shared_ptr<IGUIClientAdvise> sink) = 0;
    virtual void BroadcastMessage(const std::string& nameEngine, const std::string& uid, int32_t localID,
                                  const std::string& mid, const std::string& mString, const std::string& mType) = 0;
    virtual void UnregisterClient(int32_t cookie) = 0;
};

class CoGUICOMClient {
public:
    // A link on the session bus; raises EClientLinkError when there is none.
    static std::unique_ptr<IGUICOMClient> Create();
};

} // namespace platform
