#pragma once
// An HTTPS client for the submission component that hands each POST to an
// in-process reception session and delivers the reply on the next poll. Time
// passes through the poll clock, so a fake clock makes long waits instant.
#include "submission/efip/EFIPConnection.h"

#include "ReceptionSession.h"
#include "u3/PollClock.h"

#include <optional>

namespace e3test {

class InProcessConnection final : public efip::EFIPConnection {
public:
    explicit InProcessConnection(efipserver::ReceptionSession& session) : session_(session) {}

    void SetEvents(efip::ConnectionEvents events) override { events_ = std::move(events); }
    void Post(const efip::ConnectionSettings& settings, std::string body) override
    {
        lastSettings = settings;
        pending_ = std::move(body);
        ++posts;
    }
    void Abort() override
    {
        connected_ = false;
        if (pending_) {
            pending_.reset();
            if (events_.requestDone)
                events_.requestDone(0, "Aborted", {});
        }
    }
    bool Connected() const override { return connected_ && !failHandshake; }
    bool Poll(std::chrono::milliseconds maxWait) override
    {
        if (!pending_) {
            if (maxWait.count() > 0)
                u3::CurrentPollClock().Sleep(maxWait);
            return false;
        }
        if (!connected_) {
            if (refuseConnection) {
                // The component aborts, which completes the request.
                events_.sessionConnected(10061, {});
                return true;
            }
            connected_ = true;
            events_.sessionConnected(0, {});
            if (!failHandshake)
                events_.sslConnected();
        }
        const std::string body = std::move(*pending_);
        pending_.reset();
        const efipserver::HttpReply reply = session_.Handle(body);
        if (!keepAlive)
            connected_ = false;
        events_.requestDone(reply.status, reply.reason, reply.body);
        return true;
    }
    int32_t LastVerifyError() const override { return verifyError; }
    std::string SSLErrorText() override { return "handshake failed"; }
    bool UseKeyFile(const std::string& fileName, const std::string& password, std::string& subject,
                    std::string& issuer) override
    {
        keyFile = fileName;
        keyPassword = password;
        subject = "CN=Test Client";
        issuer = "CN=Test CA";
        return certificate;
    }

    bool certificate = true;
    bool failHandshake = false;
    bool refuseConnection = false;
    bool keepAlive = true;
    int32_t verifyError = 0;
    int posts = 0;
    std::string keyFile, keyPassword;
    efip::ConnectionSettings lastSettings;

private:
    efipserver::ReceptionSession& session_;
    efip::ConnectionEvents events_;
    std::optional<std::string> pending_;
    bool connected_ = false;
};

} // namespace e3test
