#pragma once
// A proxy on a loopback port that answers each request head it reads with
// the next scripted reply, so that tests can walk a client through any
// negotiation. After a reply marked as a tunnel it echoes what it receives.
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace e3test {

class ScriptedProxy {
public:
    struct Step {
        std::string reply;           // sent as it stands (may be split by parts)
        std::vector<std::string> parts; // when set, sent one after another with a pause
        bool closeAfter = false;     // close the connection after the reply
        bool tunnel = false;         // echo everything afterwards
    };

    explicit ScriptedProxy(std::vector<Step> steps);
    ~ScriptedProxy();
    ScriptedProxy(const ScriptedProxy&) = delete;
    ScriptedProxy& operator=(const ScriptedProxy&) = delete;

    int port() const { return port_; }
    // Request heads read so far, with the number of the connection each came on.
    struct Request {
        int connection;
        std::string head;
    };
    std::vector<Request> requests() const;
    int connections() const;

private:
    void Run();
    bool Serve(int fd, int connection);

    int listenFd_ = -1;
    int wakeFd_[2] = {-1, -1};
    int port_ = 0;
    std::vector<Step> steps_;
    size_t next_ = 0;
    mutable std::mutex mutex_;
    std::vector<Request> requests_;
    int connections_ = 0;
    std::thread thread_;
};

} // namespace e3test
