#pragma once
// Answers the client's bind request on a loopback TCP port: a GIOP 1.0 Request
// with an empty object key and the operation "_bind", whose arguments are the
// repository id (string) and an object id (sequence<octet>, empty). The reply
// carries a ulong status (1 = the object is here, 0 = not known) and, when
// found, the object reference registered for that repository id. Used by the
// sample engine and by tests; never linked into the client.
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <atomic>
#include <cstdint>
#include <vector>

namespace orbbind {

class BindResponder {
public:
    // objects: repository id -> stringified reference ("IOR:..."). port 0 picks a
    // free port. Throws std::runtime_error when the port cannot be bound.
    BindResponder(const std::string& host, int port, std::map<std::string, std::string> objects);
    ~BindResponder(); // stops the thread, closes the socket

    int Port() const;
    // Every repository id asked for, in order (for tests).
    std::vector<std::string> Requests() const;

    BindResponder(const BindResponder&) = delete;
    BindResponder& operator=(const BindResponder&) = delete;

private:
    struct Connection {
        int fd;
        std::string pending; // bytes of an incomplete message
    };

    void Run();
    // Answers every complete message in c.pending; false when the connection
    // must be closed (garbage, a message we do not serve, a failed send).
    bool Serve(Connection& c);
    std::string Answer(std::uint32_t requestId, const std::string& repositoryId, bool littleEndian);

    std::map<std::string, std::string> objects_;
    int listenFd_ = -1;
    int wakeFds_[2] = {-1, -1};
    int port_ = 0;
    mutable std::mutex lock_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

} // namespace orbbind
