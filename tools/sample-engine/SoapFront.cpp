#include "SoapFront.h"

#include "soapH.h"
#include "IIZerk3Service.nsmap"

#include "u3/StrLib.h"

#include <cstring>
#include <stdexcept>

#include <netinet/in.h>
#include <sys/socket.h>

namespace sampleengine {
namespace {

// What one connection's handlers need: the engine, and the switch that turns
// the next fault reply's status 500 into 200.
struct Connection {
    SampleEngine* engine = nullptr;
    int (*defaultResponse)(struct soap*, int, ULONG64) = nullptr;
    int (*defaultParseHeader)(struct soap*, const char*, const char*) = nullptr;
    bool faultAs200 = false;
    // gSOAP closes every HTTP/1.0 connection after one reply; our client asks
    // HTTP/1.0 with "Connection: Keep-Alive" and expects the link to stay.
    bool keepAlive = false;
};

Connection& ConnectionOf(struct soap* soap)
{
    return *static_cast<Connection*>(soap->user);
}

// Our client posts its envelopes with the HTTP client's default form type;
// gSOAP would hand such a body to a form handler, so it is read as XML.
int ParseHeader(struct soap* soap, const char* key, const char* value)
{
    Connection& connection = ConnectionOf(soap);
    if (key && value && u3::SameText(key, "Content-Type") &&
        u3::UpperCase(value).rfind("APPLICATION/X-WWW-FORM-URLENCODED", 0) == 0)
        return connection.defaultParseHeader(soap, key, "text/xml; charset=utf-8");
    if (key && value && u3::SameText(key, "Connection"))
        connection.keepAlive = u3::SameText(value, "keep-alive");
    return connection.defaultParseHeader(soap, key, value);
}

int Response(struct soap* soap, int status, ULONG64 count)
{
    Connection& connection = ConnectionOf(soap);
    if (connection.faultAs200 && (status == SOAP_FAULT || status == 500)) {
        connection.faultAs200 = false;
        status = SOAP_OK;
    }
    return connection.defaultResponse(soap, status, count);
}

// Memory of one request is freed once its reply is out, so that a long
// keep-alive connection with large files does not grow.
int AfterRequest(struct soap* soap)
{
    ConnectionOf(soap).keepAlive = false;
    soap_destroy(soap);
    soap_end(soap);
    return SOAP_OK;
}

std::string Text(const char* value)
{
    return value ? value : "";
}

template <class Reply>
int Respond(struct soap* soap, const char* operation, const char* serverUserID, const char* requestID,
           std::vector<std::string> args, Reply& reply)
{
    Connection& connection = ConnectionOf(soap);
    SampleEngine& engine = *connection.engine;
    if (Text(soap->path) != "/soap/IIZerk3Service")
        return 404;
    if (connection.keepAlive && soap->keep_alive == 0)
        soap->keep_alive = 1;
    const Answer answer =
        engine.Call({"soap", Text(serverUserID), Text(requestID)}, operation, args);
    switch (answer.fault) {
    case FaultKind::kNone:
        break;
    case FaultKind::kDrop:
        soap->keep_alive = 0;
        return SOAP_STOP;
    case FaultKind::kFault200:
        connection.faultAs200 = true;
        return soap_receiver_fault(soap, answer.faultText.c_str(), nullptr);
    case FaultKind::kFault500:
        return soap_receiver_fault(soap, answer.faultText.c_str(), nullptr);
    case FaultKind::kGarbage: {
        static const char garbage[] = "<html><body>502 this is no SOAP envelope</body>";
        soap->keep_alive = 0;
        soap->http_content = "text/xml; charset=utf-8";
        if (soap_response(soap, SOAP_FILE) || soap_send_raw(soap, garbage, sizeof garbage - 1) ||
            soap_end_send(soap))
            return soap->error;
        return SOAP_STOP;
    }
    default:
        break;
    }
    reply.ServerUserID = soap_strdup(soap, engine.ServerUserID().c_str());
    reply.RequestID = soap_strdup(soap, engine.NextRequestID().c_str());
    // gSOAP writes a CR as "&#xD;" but a line feed raw, and the client reads a
    // raw line end as CR LF: line breaks go out as bare line feeds, so that
    // the client reads back the CR LF lines of the reply, as from a Windows
    // engine that writes its line ends raw.
    std::string text;
    text.reserve(answer.text.size());
    for (std::size_t i = 0; i < answer.text.size(); ++i)
        if (!(answer.text[i] == '\r' && i + 1 < answer.text.size() && answer.text[i + 1] == '\n'))
            text += answer.text[i];
    reply.return_ = static_cast<char*>(soap_malloc(soap, text.size() + 1));
    if (!reply.return_)
        return SOAP_EOM;
    std::memcpy(reply.return_, text.c_str(), text.size() + 1);
    return SOAP_OK;
}

} // namespace

SoapFront::SoapFront(SampleEngine& engine, const std::string& host, int port) : engine_(engine)
{
    master_ = soap_new2(SOAP_IO_KEEPALIVE | SOAP_C_UTFSTRING, SOAP_IO_KEEPALIVE | SOAP_C_UTFSTRING | SOAP_XML_INDENT);
    if (!master_)
        throw std::runtime_error("out of memory");
    master_->bind_flags = SO_REUSEADDR;
    master_->accept_timeout = -200000; // microseconds: the loop looks at the stop flag
    if (!soap_valid_socket(soap_bind(master_, host.c_str(), port, 64))) {
        char message[256] = "";
        soap_sprint_fault(master_, message, sizeof message);
        soap_free(master_);
        throw std::runtime_error("SOAP front cannot listen on " + host + ":" + std::to_string(port) + ": " + message);
    }
    sockaddr_in address {};
    socklen_t length = sizeof address;
    ::getsockname(master_->master, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

SoapFront::~SoapFront()
{
    stopping_ = true;
    acceptThread_.join();
    std::unique_lock guard(lock_);
    for (int socket : sockets_)
        ::shutdown(socket, SHUT_RDWR);
    allDone_.wait(guard, [this] { return running_ == 0; });
    guard.unlock();
    soap_destroy(master_);
    soap_end(master_);
    soap_free(master_);
}

void SoapFront::AcceptLoop()
{
    while (!stopping_) {
        if (!soap_valid_socket(soap_accept(master_)))
            continue; // time-out or a failed accept; the flag decides
        // The copy takes the accepted socket over; the master keeps listening.
        struct soap* connection = soap_copy(master_);
        if (!connection) {
            soap_force_closesock(master_);
            continue;
        }
        std::lock_guard guard(lock_);
        if (stopping_) {
            soap_closesock(connection);
            soap_free(connection);
            break;
        }
        sockets_.insert(connection->socket);
        ++running_;
        std::thread([this, connection] { Serve(connection); }).detach();
    }
}

void SoapFront::Serve(struct soap* soap)
{
    Connection connection;
    connection.engine = &engine_;
    connection.defaultResponse = soap->fresponse;
    connection.defaultParseHeader = soap->fparsehdr;
    soap->user = &connection;
    soap->fresponse = Response;
    soap->fparsehdr = ParseHeader;
    soap->fserveloop = AfterRequest;
    soap->max_keep_alive = 0; // no limit on requests per connection
    soap->recv_maxlength = 256ull << 20;
    soap->maxlength = 0;
    soap->accept_timeout = 0;
    const int socket = soap->socket;
    soap_serve(soap);
    {
        // Forgotten before it is closed: the number may be reused at once.
        std::lock_guard guard(lock_);
        sockets_.erase(socket);
    }
    soap_destroy(soap);
    soap_end(soap);
    soap_closesock(soap);
    soap_free(soap);
    std::lock_guard guard(lock_);
    if (--running_ == 0)
        allDone_.notify_all();
}

} // namespace sampleengine

// The service operations soapcpp2 declares.
int m__ExecuteEvent(struct soap* soap, char* ServerUserID, char* RequestID, char* SenderClass, char* SenderName,
                    char* SenderType, char* EventName, char* EventValues, struct m__ExecuteEventResponse& response)
{
    using sampleengine::Text;
    return sampleengine::Respond(soap, "ExecuteEvent", ServerUserID, RequestID,
                                {Text(SenderClass), Text(SenderName), Text(SenderType), Text(EventName),
                                 Text(EventValues)},
                                response);
}

int m__GetFile(struct soap* soap, char* ServerUserID, char* RequestID, char* FileName, char* FileType, char* Path,
               struct m__GetFileResponse& response)
{
    using sampleengine::Text;
    return sampleengine::Respond(soap, "GetFile", ServerUserID, RequestID, {Text(FileName), Text(FileType), Text(Path)},
                                response);
}

int m__SetFile(struct soap* soap, char* ServerUserID, char* RequestID, char* FileName, char* FileType, char* Path,
               struct m__SetFileResponse& response)
{
    using sampleengine::Text;
    return sampleengine::Respond(soap, "SetFile", ServerUserID, RequestID, {Text(FileName), Text(FileType), Text(Path)},
                                response);
}

int m__OnMessage(struct soap* soap, char* ServerUserID, char* RequestID, char* MessageType, char* ParamString,
                 struct m__OnMessageResponse& response)
{
    using sampleengine::Text;
    return sampleengine::Respond(soap, "OnMessage", ServerUserID, RequestID, {Text(MessageType), Text(ParamString)},
                                response);
}

int m__CommandGUIEngine(struct soap* soap, char* ServerUserID, char* RequestID, char* EngineName, char* ParamString,
                        char* IDEngine, char* Command, struct m__CommandGUIEngineResponse& response)
{
    using sampleengine::Text;
    return sampleengine::Respond(soap, "CommandGUIEngine", ServerUserID, RequestID,
                                {Text(EngineName), Text(ParamString), Text(IDEngine), Text(Command)}, response);
}

int m__Connect(struct soap* soap, char* ServerUserID, char* RequestID, struct m__ConnectResponse& response)
{
    return sampleengine::Respond(soap, "Connect", ServerUserID, RequestID, {}, response);
}
