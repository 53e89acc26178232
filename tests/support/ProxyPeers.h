#pragma once
// The HTTP proxies users meet, started for one test on a free loopback port
// with their own configuration in the test's scratch folder: squid (Basic
// against a password file, squid's fake NTLM helper, or both) and tinyproxy
// (Basic).
#include <optional>
#include <string>

#include "support/ChildProcess.h"

namespace e3test {

class ProxyPeer {
public:
    virtual ~ProxyPeer() = default;
    int port() const { return port_; }
    // Listening and still running.
    bool ready();
    // The proxy's own log, for failure messages.
    std::string log() const;

protected:
    void StartAndWait(const std::vector<std::string>& args);
    int port_ = 0;
    std::string logFile_;
    std::optional<ChildProcess> process_;
};

class SquidPeer : public ProxyPeer {
public:
    struct Auth {
        bool basic = false; // basic_ncsa_auth with user:password
        bool ntlm = false;  // ntlm_fake_auth: any NTLM answer passes
        std::string user, password;
    };
    SquidPeer(const std::string& folder, const Auth& auth);
    static bool Installed(bool ntlm);
};

class TinyproxyPeer : public ProxyPeer {
public:
    TinyproxyPeer(const std::string& folder, const std::string& user, const std::string& password);
    static bool Installed();
};

} // namespace e3test
