#pragma once
// A TCP socket on 127.0.0.1 at a port of the kernel's choice, listening or
// merely bound (which keeps the port from others while nobody answers on it).
// Closed when it goes out of scope.
namespace e3test {

class LoopbackSocket {
public:
    explicit LoopbackSocket(bool listen); // throws std::runtime_error
    ~LoopbackSocket() { Close(); }
    LoopbackSocket(const LoopbackSocket&) = delete;
    LoopbackSocket& operator=(const LoopbackSocket&) = delete;

    void Listen(int backlog); // throws std::runtime_error
    void Close();
    int Fd() const { return fd_; }
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// A loopback port on which nothing listens at the moment of the call.
int FreeLoopbackPort();

} // namespace e3test
