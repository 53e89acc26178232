#pragma once
// A TCP socket on 127.0.0.1 at a port of the kernel's choice, listening or
// merely bound (which keeps the port from others while nobody answers on it).
// Closed when it goes out of scope.
#include <vector>

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

// n different loopback ports, free at the moment of the call (each one held
// until all are chosen, so the kernel cannot hand out one of them twice).
std::vector<int> FreeLoopbackPorts(int n);

} // namespace e3test
