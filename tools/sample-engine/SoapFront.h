#pragma once
// The sample engine's SOAP front (gSOAP): "/soap/IIZerk3Service" on a loopback
// port, HTTP/1.0 and 1.1 with keep-alive, one thread per connection.
#include "SampleEngine.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

struct soap;

namespace sampleengine {

class SoapFront {
public:
    // port 0 picks a free port. Throws std::runtime_error when it cannot listen.
    SoapFront(SampleEngine& engine, const std::string& host, int port);
    ~SoapFront(); // closes every connection and waits for their threads

    SoapFront(const SoapFront&) = delete;
    SoapFront& operator=(const SoapFront&) = delete;

    int Port() const { return port_; }

private:
    void AcceptLoop();
    void Serve(struct soap* connection);

    SampleEngine& engine_;
    struct soap* master_ = nullptr;
    int port_ = 0;
    std::atomic<bool> stopping_ {false};
    std::thread acceptThread_;
    std::mutex lock_;
    std::condition_variable allDone_;
    std::set<int> sockets_;
    int running_ = 0;
};

} // namespace sampleengine
