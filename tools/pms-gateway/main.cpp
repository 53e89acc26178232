// pms-gateway: a stand-in for the PMS gateway of the local server.
//
//   pms-gateway [--port N] [--log-dir DIR] [--archive ZIP] [--wait-for PATH]
//
// Prints "pms PORT" and "ready" once it listens on 127.0.0.1, then answers one
// SOAP call per connection until it is stopped. Each call's request document
// ("meta"), the attachment it carried and the raw request are written to
// DIR/request-N.xml, DIR/attachment-N.bin and DIR/http-N.txt (N from 1).
// validate, export and information return ZIP as a binary part. With
// --wait-for, each call is answered only once PATH exists (a folder: once it
// holds an entry), for at most 30 s: tests use it to let a server that the
// client starts beside the call come up before the call ends.
//
// The request's user_name steers the reply, for tests of the failure paths:
//   "fault:TEXT"  a SOAP fault with TEXT as its faultstring (HTTP 500)
//   "garbage"     a body that is not XML
//   "empty"       an empty body
//   "noarchive"   no archive even for the commands that return one
//   "noresponse"  no PMSResponse parameter
#include <pugixml.hpp>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>
#include <cctype>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr const char* kURN = "urn:SOAPServer_Intf-IIPMSGateway";
constexpr const char* kBoundary = "gateway-part-boundary-7f3a";
constexpr const char* kArchiveID = "returned_archive";

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

bool SendAll(int fd, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

struct HttpRequest {
    std::map<std::string, std::string> headers; // lower-case names
    std::string body;
    std::string raw;
};

bool ReadRequest(int fd, HttpRequest& request)
{
    std::string data;
    char buffer[65536];
    std::size_t headerEnd = std::string::npos;
    while (headerEnd == std::string::npos) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return false;
        data.append(buffer, static_cast<std::size_t>(n));
        headerEnd = data.find("\r\n\r\n");
    }
    std::istringstream lines(data.substr(0, headerEnd));
    std::string line;
    std::getline(lines, line); // request line
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(" \t"));
        request.headers[Lower(line.substr(0, colon))] = value;
    }
    const std::size_t length = std::stoul(request.headers.count("content-length") ? request.headers["content-length"]
                                                                                  : std::string("0"));
    while (data.size() < headerEnd + 4 + length) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return false;
        data.append(buffer, static_cast<std::size_t>(n));
    }
    request.body = data.substr(headerEnd + 4, length);
    request.raw = std::move(data);
    return true;
}

// The value of a header parameter such as boundary="...".
std::string HeaderParameter(const std::string& header, const std::string& name)
{
    const std::string lower = Lower(header);
    const std::size_t at = lower.find(name + "=");
    if (at == std::string::npos)
        return {};
    std::string value = header.substr(at + name.size() + 1);
    if (!value.empty() && value.front() == '"') {
        value = value.substr(1, value.find('"', 1) - 1);
    } else {
        value = value.substr(0, value.find_first_of("; \t"));
    }
    return value;
}

struct Part {
    std::map<std::string, std::string> headers;
    std::string content;
};

// The parts of a multipart body; a part's Content-Length, when given, fixes
// its size, otherwise it runs to the next delimiter.
std::vector<Part> SplitMultipart(const std::string& body, const std::string& boundary)
{
    std::vector<Part> parts;
    const std::string delimiter = "--" + boundary;
    std::size_t at = body.find(delimiter);
    while (at != std::string::npos) {
        std::size_t start = at + delimiter.size();
        if (body.compare(start, 2, "--") == 0)
            break;
        start = body.find("\r\n", start);
        if (start == std::string::npos)
            break;
        start += 2;
        const std::size_t headerEnd = body.find("\r\n\r\n", start);
        if (headerEnd == std::string::npos)
            break;
        Part part;
        std::istringstream lines(body.substr(start, headerEnd - start));
        std::string line;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const std::size_t colon = line.find(':');
            if (colon == std::string::npos)
                continue;
            std::string value = line.substr(colon + 1);
            value.erase(0, value.find_first_not_of(" \t"));
            part.headers[Lower(line.substr(0, colon))] = value;
        }
        const std::size_t contentStart = headerEnd + 4;
        std::size_t next;
        if (part.headers.count("content-length")) {
            const std::size_t length = std::stoul(part.headers["content-length"]);
            part.content = body.substr(contentStart, length);
            next = body.find(delimiter, contentStart + part.content.size());
        } else {
            next = body.find("\r\n" + delimiter, contentStart);
            part.content = body.substr(contentStart, next == std::string::npos ? std::string::npos : next - contentStart);
            if (next != std::string::npos)
                next += 2;
        }
        parts.push_back(std::move(part));
        at = next;
    }
    return parts;
}

std::string LocalName(const char* name)
{
    const char* colon = std::strchr(name, ':');
    return colon ? colon + 1 : name;
}

pugi::xml_node ChildByLocalName(pugi::xml_node node, const std::string& name)
{
    for (pugi::xml_node child : node.children()) {
        if (child.type() == pugi::node_element && LocalName(child.name()) == name)
            return child;
    }
    return {};
}

std::string Base64Decode(const std::string& text)
{
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    int value = 0;
    int bits = -8;
    for (unsigned char c : text) {
        const std::size_t digit = alphabet.find(static_cast<char>(c));
        if (digit == std::string::npos)
            continue;
        value = (value << 6) + static_cast<int>(digit);
        bits += 6;
        if (bits >= 0) {
            out += static_cast<char>((value >> bits) & 0xFF);
            bits -= 8;
        }
    }
    return out;
}

std::string ToText(const pugi::xml_document& document)
{
    std::ostringstream out;
    document.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

std::string HttpReply(int status, const std::string& contentType, const std::string& body)
{
    std::string reply = "HTTP/1.0 " + std::to_string(status) + (status == 200 ? " OK" : " Internal Server Error") +
                        "\r\nContent-Type: " + contentType + "\r\nContent-Length: " + std::to_string(body.size()) +
                        "\r\nConnection: close\r\n\r\n";
    return reply + body;
}

std::string FaultReply(const std::string& text)
{
    pugi::xml_document document;
    auto declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    auto envelope = document.append_child("SOAP-ENV:Envelope");
    envelope.append_attribute("xmlns:SOAP-ENV") = "http://schemas.xmlsoap.org/soap/envelope/";
    auto fault = envelope.append_child("SOAP-ENV:Body").append_child("SOAP-ENV:Fault");
    fault.append_child("faultcode").text() = "SOAP-ENV:Server";
    fault.append_child("faultstring").text() = text.c_str();
    return HttpReply(500, "text/xml; charset=utf-8", ToText(document));
}

struct Received {
    std::string operation;
    std::string meta;
    std::string attachmentID;
    std::string attachment;
    bool hasAttachment = false;
};

class Gateway {
public:
    Gateway(std::string logDir, std::string archive) : logDir_(std::move(logDir)), archive_(std::move(archive)) {}

    std::string Answer(const HttpRequest& request)
    {
        ++count_;
        if (!logDir_.empty())
            WriteFile(logDir_ + "/http-" + std::to_string(count_) + ".txt", request.raw);

        Received received;
        std::string envelopeText = request.body;
        const auto type = request.headers.find("content-type");
        if (type != request.headers.end() && Lower(type->second).find("multipart/related") != std::string::npos) {
            const std::vector<Part> parts = SplitMultipart(request.body, HeaderParameter(type->second, "boundary"));
            if (parts.empty())
                return FaultReply("multipart request without parts");
            envelopeText = parts[0].content;
            for (std::size_t i = 1; i < parts.size(); ++i) {
                const auto idHeader = parts[i].headers.find("content-id");
                std::string id = idHeader == parts[i].headers.end() ? std::string() : idHeader->second;
                if (id.size() >= 2 && id.front() == '<' && id.back() == '>')
                    id = id.substr(1, id.size() - 2);
                received.attachmentID = id;
                received.attachment = parts[i].content;
                received.hasAttachment = true;
            }
        }

        pugi::xml_document envelope;
        if (!envelope.load_buffer(envelopeText.data(), envelopeText.size()))
            return FaultReply("request is not XML");
        pugi::xml_node body = ChildByLocalName(envelope.document_element(), "Body");
        pugi::xml_node call;
        for (pugi::xml_node child : body.children()) {
            if (child.type() == pugi::node_element) {
                call = child;
                break;
            }
        }
        if (!call)
            return FaultReply("request without a call");
        received.operation = LocalName(call.name());
        received.meta = ChildByLocalName(call, "meta").text().get();
        if (pugi::xml_node attachment = ChildByLocalName(call, "attachment")) {
            const std::string href = attachment.attribute("href").value();
            if (href.rfind("cid:", 0) != 0 || (received.hasAttachment && href.substr(4) != received.attachmentID))
                return FaultReply("attachment reference " + href + " names no part");
        }
        if (!logDir_.empty()) {
            WriteFile(logDir_ + "/request-" + std::to_string(count_) + ".xml", received.meta);
            if (received.hasAttachment)
                WriteFile(logDir_ + "/attachment-" + std::to_string(count_) + ".bin", received.attachment);
        }

        pugi::xml_document meta;
        if (!meta.load_string(received.meta.c_str()))
            return FaultReply("parameter meta is not XML");
        pugi::xml_node input = meta.child("PMS_2_KVT_input");
        const std::string user = input.attribute("user_name").value();
        if (user.rfind("fault:", 0) == 0)
            return FaultReply(user.substr(6));
        if (user == "garbage")
            return HttpReply(200, "text/xml", "this is not an envelope");
        if (user == "empty")
            return HttpReply(200, "text/xml", "");

        const std::string response = ResponseDocument(input, received);
        const bool returnsArchive = received.operation == "validate" || received.operation == "export" ||
                                    received.operation == "information";
        const bool withArchive = returnsArchive && user != "noarchive" && !archive_.empty();

        pugi::xml_document reply;
        auto declaration = reply.append_child(pugi::node_declaration);
        declaration.append_attribute("version") = "1.0";
        declaration.append_attribute("encoding") = "UTF-8";
        auto root = reply.append_child("SOAP-ENV:Envelope");
        root.append_attribute("xmlns:SOAP-ENV") = "http://schemas.xmlsoap.org/soap/envelope/";
        auto result = root.append_child("SOAP-ENV:Body").append_child(("m:" + received.operation + "Result").c_str());
        result.append_attribute("xmlns:m") = kURN;
        if (user != "noresponse")
            result.append_child("PMSResponse").text() = response.c_str();
        if (withArchive)
            result.append_child("rattachment").append_attribute("href") = (std::string("cid:") + kArchiveID).c_str();
        const std::string envelopeOut = ToText(reply);
        if (!withArchive)
            return HttpReply(200, "text/xml; charset=utf-8", envelopeOut);

        std::string multipart = std::string("--") + kBoundary + "\r\nContent-Type: text/xml; charset=utf-8\r\n" +
                                "Content-ID: <envelope>\r\n\r\n" + envelopeOut + "\r\n--" + kBoundary +
                                "\r\nContent-Type: application/binary\r\nContent-Transfer-Encoding: binary\r\n" +
                                "Content-ID: <" + kArchiveID + ">\r\n\r\n" + ReadFile(archive_) + "\r\n--" +
                                kBoundary + "--\r\n";
        return HttpReply(200, std::string("multipart/related; boundary=\"") + kBoundary + "\"", multipart);
    }

private:
    std::string ResponseDocument(pugi::xml_node input, const Received& received) const
    {
        pugi::xml_document document;
        auto declaration = document.append_child(pugi::node_declaration);
        declaration.append_attribute("version") = "1.0";
        declaration.append_attribute("encoding") = "UTF-8";
        document.append_child(pugi::node_doctype).set_value("KVT_2_PMS_response SYSTEM \"KVT_2_PMS_response.dtd\"");
        auto root = document.append_child("KVT_2_PMS_response");
        root.append_attribute("mode") = input.attribute("mode").value();
        root.append_attribute("language") = input.attribute("language").value();

        // The request's action element must be the operation called.
        pugi::xml_node action;
        for (pugi::xml_node child : input.children()) {
            if (child.type() == pugi::node_element) {
                action = child;
                break;
            }
        }
        const bool matches = action && received.operation == action.name();
        root.append_attribute("result") = matches ? "success" : "failure";
        auto values = root.append_child("return_values");
        if (!matches) {
            auto value = values.append_child("return_value");
            value.append_attribute("error_ID") = 42;
            value.text() = ("The value of parameter \"meta\" doesn't match command " + received.operation).c_str();
        }
        auto echo = root.append_child("received");
        echo.append_attribute("operation") = received.operation.c_str();
        echo.append_attribute("user_name") = input.attribute("user_name").value();
        echo.append_attribute("password") = Base64Decode(input.attribute("password").value()).c_str();
        echo.append_attribute("attachment") = received.attachmentID.c_str();
        echo.append_attribute("attachment_bytes") = static_cast<unsigned long long>(received.attachment.size());
        return ToText(document);
    }

    std::string logDir_;
    std::string archive_;
    int count_ = 0;
};

void WaitFor(const std::string& path)
{
    namespace fs = std::filesystem;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        std::error_code error;
        if (fs::is_directory(path, error) ? !fs::is_empty(path, error) : fs::exists(path, error))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

volatile std::sig_atomic_t stopping = 0;

void OnStop(int)
{
    stopping = 1;
}

} // namespace

int main(int argc, char** argv)
{
    int port = 0;
    std::string logDir;
    std::string archive;
    std::string waitFor;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--port")
            port = std::stoi(argv[i + 1]);
        else if (option == "--log-dir")
            logDir = argv[i + 1];
        else if (option == "--archive")
            archive = argv[i + 1];
        else if (option == "--wait-for")
            waitFor = argv[i + 1];
        else {
            std::cerr << "pms-gateway: unknown option " << option << "\n";
            return 2;
        }
    }

    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener, 16) != 0) {
        std::cerr << "pms-gateway: cannot listen: " << std::strerror(errno) << "\n";
        return 1;
    }
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);

    struct sigaction action {};
    action.sa_handler = OnStop;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);

    std::cout << "pms " << ntohs(address.sin_port) << "\nready" << std::endl;

    Gateway gateway(logDir, archive);
    while (!stopping) {
        const int connection = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        HttpRequest request;
        if (ReadRequest(connection, request)) {
            if (!waitFor.empty())
                WaitFor(waitFor);
            try {
                SendAll(connection, gateway.Answer(request));
            } catch (const std::exception& e) {
                SendAll(connection, FaultReply(std::string("gateway error: ") + e.what()));
            }
        }
        ::close(connection);
    }
    ::close(listener);
    return 0;
}
