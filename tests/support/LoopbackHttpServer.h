#pragma once
// A small HTTP server on 127.0.0.1 for transport tests: it records every
// request byte for byte and answers canned replies in the order queued (then
// the default reply), or drops the connection without a reply. A request that
// asks for keep-alive keeps its connection open for the next one.
#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace e3test {

class LoopbackHttpServer {
public:
    struct Reply {
        int status = 200;
        std::string contentType = "text/xml; charset=\"utf-8\"";
        std::string body;
        bool closeWithoutReply = false;
        bool closeAfterReply = false; // though the reply says keep-alive
    };

    LoopbackHttpServer();
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    int port() const { return port_; }
    void queueReply(Reply reply);
    void setDefaultReply(Reply reply);

    // Raw bytes of each request received (header and body), in order.
    std::vector<std::string> requests() const;
    std::vector<std::chrono::steady_clock::time_point> requestTimes() const;
    std::size_t connectionCount() const { return connections_.load(); }

    // A loopback port on which nothing listens at the moment of the call.
    static int UnusedPort();

private:
    void acceptLoop();
    void serve(int fd);
    Reply nextReply();

    int listenFd_ = -1;
    int wakeFd_ = -1;
    int port_ = 0;
    std::atomic<std::size_t> connections_{0};
    mutable std::mutex mutex_;
    std::deque<Reply> queue_;
    Reply defaultReply_;
    std::vector<std::string> requests_;
    std::vector<std::chrono::steady_clock::time_point> times_;
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};

} // namespace e3test
