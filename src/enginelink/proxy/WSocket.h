#pragma once
// An asynchronous TCP client socket on a non-blocking POSIX socket. Nothing
// happens by itself: the caller's loop runs WSocketProcessMessages, which
// waits for the sockets that are alive and delivers their notifications
// (connected, data available, data sent, closed) in the calling thread.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "u3/Exceptions.h"

namespace e3net {

// Error numbers of the socket layer. Callers keep tables keyed by these, so
// they follow the numbering that the program has always reported.
enum TSocketError : int {
    WSAEWOULDBLOCK = 10035,
    WSAENETUNREACH = 10051,
    WSAECONNABORTED = 10053,
    WSAECONNRESET = 10054,
    WSAETIMEDOUT = 10060,
    WSAECONNREFUSED = 10061,
    WSAEHOSTUNREACH = 10065,
    WSAHOST_NOT_FOUND = 11001,
};
// errno of a failed socket call as one of the numbers above; other values
// become 10000 + errno.
int SocketErrorFromErrno(int err);
std::string SocketErrorDesc(int error);

// The socket's error path: a call that is not allowed in the socket's state,
// or a name that does not resolve.
class ESocketException : public u3::Exception {
public:
    using Exception::Exception;
};

enum TSocketState { wsInvalidState, wsOpened, wsBound, wsConnecting, wsSocksConnected, wsConnected, wsAccepting, wsListening, wsClosed };

class TCustomWSocket {
public:
    using TSessionEvent = std::function<void(TCustomWSocket& sender, int error)>;
    using TTextEvent = std::function<void(TCustomWSocket& sender, const std::string& text)>;

    TCustomWSocket();
    virtual ~TCustomWSocket();
    TCustomWSocket(const TCustomWSocket&) = delete;
    TCustomWSocket& operator=(const TCustomWSocket&) = delete;

    // Target host (name or address) and port (number or service name).
    std::string Addr;
    std::string Port;

    TSocketState State() const { return state_; }
    int Handle() const { return fd_; }
    // The error of the last failed call or notification.
    int LastError = 0;

    // Resolves the target (throws ESocketException "connect: ..." when it does
    // not resolve) and starts connecting; OnSessionConnected tells the outcome.
    virtual void Connect();
    // Closes at once; an open session hears OnSessionClosed.
    virtual void Close();
    void CloseWithError(int error);
    void Abort() { Close(); }

    // Queues bytes and writes what the peer takes now; the rest goes out as the
    // socket drains, and OnDataSent fires when everything is out. -1 when the
    // session is not open.
    virtual int Send(const void* data, size_t length);
    int SendStr(std::string_view text) { return Send(text.data(), text.size()); }
    // Bytes waiting to go out.
    size_t BufferedOutput() const { return out_.size(); }
    // Up to length bytes that have arrived: > 0 bytes read, 0 when the peer
    // closed, -1 when nothing is waiting (LastError WSAEWOULDBLOCK) or on error.
    virtual int Receive(void* buffer, size_t length);
    // Everything that can be read now.
    virtual std::string ReceiveStr();

    TSessionEvent OnSessionConnected;
    TSessionEvent OnSessionClosed;
    TSessionEvent OnDataAvailable;
    TSessionEvent OnDataSent;
    // Debug texts of the socket and the layers above it.
    TTextEvent OnDisplay;
    // An exception that escaped one of the notifications; without a handler it
    // leaves WSocketProcessMessages.
    TTextEvent OnException;

    // Internal to the dispatcher.
    short PollInterest() const;
    virtual bool HasBufferedInput() const { return !pushedBack_.empty(); }
    void HandleEvents(short revents);

protected:
    virtual void AssignDefaultValue();
    virtual void TriggerSessionConnected(int error);
    virtual void TriggerSessionClosed(int error);
    virtual void TriggerDataAvailable(int error);
    virtual void TriggerDataSent(int error);
    void TriggerDisplay(const std::string& text);

    // Resolves host and port and starts a non-blocking connect there; throws
    // ESocketException "connect: " + reason when they do not resolve.
    void ConnectTo(const std::string& host, const std::string& port);
    // Closes the descriptor without telling anyone (a proxy that is asked again).
    void CloseSilently();
    // Bytes that were read too far (behind a proxy's reply) and belong to the
    // next reader.
    void PutBack(std::string bytes);

    // Moves bytes between the socket and the layer above it; the SSL socket
    // puts its session here. Return: bytes moved, 0 for end of stream (read)
    // or "not now" (write), -1 on error with LastError set.
    virtual long ReadSome(void* buffer, size_t length);
    virtual long WriteSome(const void* data, size_t length);
    // Whether the layer needs the socket writable although nothing is queued.
    virtual bool WantsWrite() const { return false; }
    // Called when the descriptor is writable and connected, before queued
    // output is written.
    virtual void Writable() {}
    // Called while the descriptor is still open, just before it is closed.
    virtual void BeforeClose() {}

    long RawRead(void* buffer, size_t length);
    long RawWrite(const void* data, size_t length);
    // Writes the queue; true when it is empty afterwards. Errors close.
    bool Flush();

    std::shared_ptr<bool> alive_;

private:
    void Dispatch(short revents);

    int fd_ = -1;
    TSocketState state_ = wsClosed;
    std::string out_;
    std::string pushedBack_;
    bool readCalled_ = false;
    bool eof_ = false;
    int readError_ = 0;
};

// Waits at most waitMs milliseconds until one of the live sockets has
// something to report (no wait when one has input buffered), then delivers
// the notifications of every socket that is ready. Returns their number.
// Without sockets it simply waits.
int WSocketProcessMessages(int waitMs);
// Runs fn at the start of the next WSocketProcessMessages of this thread,
// unless *alive is false by then (its owner has gone). Lets a caller hear of
// a failure after the call that caused it has returned.
void PostSocketMessage(std::shared_ptr<bool> alive, std::function<void()> fn);

// Credentials in a request head replaced by "*****" (the values of
// Authorization and Proxy-Authorization, after their scheme), for debug texts.
std::string MaskCredentials(std::string_view text);

} // namespace e3net
