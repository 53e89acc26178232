// Test reception server for the submission protocol: HTTPS on loopback with
// client certificates, one ReceptionSession behind every POST to "/", and a
// "/sink" path that swallows any upload (the benchmark's peer target).
//
//   efip-server --cert F --key F [--ca F] [--port N] [--receipt F] [--store DIR]
//               [--log F] [--block-size TEXT] [--omit-block-size] [--no-package]
//               [--fault KIND:STEP:COUNT[:ARG]]... [--plain]
//
// Prints "PORT <n>" on standard output once it listens. --ca makes a client
// certificate issued by that CA mandatory. Ends on SIGTERM or SIGINT.
#include "ReceptionSession.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

namespace {

constexpr size_t kMaxEfipBody = 64u << 20;

struct Config {
    std::string cert, key, ca, receiptFile, store, logFile;
    int port = 0;
    bool plain = false;
    efipserver::Options options;
};

std::mutex g_sessionLock;
efipserver::ReceptionSession* g_session = nullptr;
Config g_config;

class Conn {
public:
    Conn(int fd, SSL* ssl) : fd_(fd), ssl_(ssl) {}
    ~Conn()
    {
        if (ssl_) {
            SSL_shutdown(ssl_);
            SSL_free(ssl_);
        }
        close(fd_);
    }
    long Read(char* buf, size_t n)
    {
        if (ssl_) {
            size_t got = 0;
            return SSL_read_ex(ssl_, buf, n, &got) == 1 ? static_cast<long>(got) : -1;
        }
        const ssize_t r = recv(fd_, buf, n, 0);
        return r > 0 ? r : -1;
    }
    bool Write(const std::string& data)
    {
        size_t done = 0;
        while (done < data.size()) {
            if (ssl_) {
                size_t w = 0;
                if (SSL_write_ex(ssl_, data.data() + done, data.size() - done, &w) != 1)
                    return false;
                done += w;
            } else {
                const ssize_t w = send(fd_, data.data() + done, data.size() - done, MSG_NOSIGNAL);
                if (w <= 0)
                    return false;
                done += static_cast<size_t>(w);
            }
        }
        return true;
    }

private:
    int fd_;
    SSL* ssl_;
};

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

void WriteLog()
{
    if (g_config.logFile.empty())
        return;
    std::ofstream out(g_config.logFile, std::ios::trunc);
    for (const auto& line : g_session->Log())
        out << line << '\n';
}

void WriteStore()
{
    if (g_config.store.empty())
        return;
    std::ofstream(g_config.store + "/header.bin", std::ios::binary | std::ios::trunc) << g_session->ReceivedHeader();
    std::ofstream(g_config.store + "/package.bin", std::ios::binary | std::ios::trunc) << g_session->ReceivedPackage();
}

void Serve(Conn& conn)
{
    std::string in;
    char buf[1 << 16];
    for (;;) {
        size_t headerEnd;
        while ((headerEnd = in.find("\r\n\r\n")) == std::string::npos) {
            if (in.size() > (1 << 20))
                return;
            const long n = conn.Read(buf, sizeof buf);
            if (n <= 0)
                return;
            in.append(buf, static_cast<size_t>(n));
        }
        std::istringstream head(in.substr(0, headerEnd));
        std::string requestLine;
        std::getline(head, requestLine);
        std::string method, path, version;
        std::istringstream(requestLine) >> method >> path >> version;
        long long contentLength = -1;
        bool keepAlive = Lower(version).find("http/1.1") != std::string::npos;
        std::string line;
        while (std::getline(head, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const size_t colon = line.find(':');
            if (colon == std::string::npos)
                continue;
            const std::string name = Lower(line.substr(0, colon));
            std::string value = line.substr(colon + 1);
            while (!value.empty() && value.front() == ' ')
                value.erase(0, 1);
            if (name == "content-length")
                contentLength = std::atoll(value.c_str());
            else if (name == "connection")
                keepAlive = Lower(value) == "keep-alive" ? true : Lower(value) == "close" ? false : keepAlive;
        }
        in.erase(0, headerEnd + 4);
        efipserver::HttpReply reply;
        if (method != "POST" || contentLength < 0) {
            reply.status = 400;
            reply.reason = "Bad Request";
            keepAlive = false;
        } else if (path == "/sink") {
            // Read and drop: the upload peer's bytes are only counted.
            long long left = contentLength - static_cast<long long>(in.size());
            in.clear();
            while (left > 0) {
                const long n = conn.Read(buf, sizeof buf);
                if (n <= 0)
                    return;
                left -= n;
            }
            if (left < 0)
                return;
            reply.body = std::to_string(contentLength);
        } else if (static_cast<unsigned long long>(contentLength) > kMaxEfipBody) {
            reply.status = 413;
            reply.reason = "Payload Too Large";
            keepAlive = false;
        } else {
            while (in.size() < static_cast<size_t>(contentLength)) {
                const long n = conn.Read(buf, sizeof buf);
                if (n <= 0)
                    return;
                in.append(buf, static_cast<size_t>(n));
            }
            const std::string body = in.substr(0, static_cast<size_t>(contentLength));
            in.erase(0, static_cast<size_t>(contentLength));
            std::lock_guard<std::mutex> lock(g_sessionLock);
            reply = g_session->Handle(body);
            WriteLog();
            WriteStore();
        }
        std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " " + reply.reason + "\r\n" +
                          "Content-Type: application/octet-stream\r\n" +
                          "Content-Length: " + std::to_string(reply.body.size()) + "\r\n" +
                          (keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n") + "\r\n" + reply.body;
        if (!conn.Write(out) || !keepAlive)
            return;
    }
}

bool ReadFile(const std::string& name, std::string& out)
{
    std::ifstream in(name, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    out = s.str();
    return true;
}

int Usage()
{
    std::cerr << "usage: efip-server --cert F --key F [--ca F] [--port N] [--receipt F] [--store DIR] [--log F]\n"
                 "                   [--block-size TEXT] [--omit-block-size] [--no-package]\n"
                 "                   [--fault KIND:STEP:COUNT[:ARG]]... [--plain]\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    Config& c = g_config;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : std::string(); };
        if (a == "--cert") c.cert = next();
        else if (a == "--key") c.key = next();
        else if (a == "--ca") c.ca = next();
        else if (a == "--port") c.port = std::atoi(next().c_str());
        else if (a == "--receipt") c.receiptFile = next();
        else if (a == "--store") c.store = next();
        else if (a == "--log") c.logFile = next();
        else if (a == "--block-size") c.options.blockSizeText = next();
        else if (a == "--omit-block-size") c.options.omitBlockSize = true;
        else if (a == "--no-package") c.options.noPackage = true;
        else if (a == "--plain") c.plain = true;
        else if (a == "--fault") {
            efipserver::Fault f;
            if (!efipserver::ParseFault(next(), f))
                return Usage();
            c.options.faults.push_back(f);
        } else
            return Usage();
    }
    if (!c.plain && (c.cert.empty() || c.key.empty()))
        return Usage();
    if (!c.receiptFile.empty() && !ReadFile(c.receiptFile, c.options.receipt)) {
        std::cerr << "cannot read " << c.receiptFile << "\n";
        return 1;
    }
    signal(SIGPIPE, SIG_IGN);

    SSL_CTX* ctx = nullptr;
    if (!c.plain) {
        ctx = SSL_CTX_new(TLS_server_method());
        SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
        if (SSL_CTX_use_certificate_chain_file(ctx, c.cert.c_str()) != 1 ||
            SSL_CTX_use_PrivateKey_file(ctx, c.key.c_str(), SSL_FILETYPE_PEM) != 1) {
            ERR_print_errors_fp(stderr);
            return 1;
        }
        if (!c.ca.empty()) {
            if (SSL_CTX_load_verify_locations(ctx, c.ca.c_str(), nullptr) != 1) {
                ERR_print_errors_fp(stderr);
                return 1;
            }
            SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
        }
    }

    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(c.port));
    if (bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listener, 16) != 0) {
        std::perror("efip-server: listen");
        return 1;
    }
    socklen_t len = sizeof addr;
    getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);

    efipserver::ReceptionSession session(c.options);
    g_session = &session;
    std::cout << "PORT " << ntohs(addr.sin_port) << std::endl;

    for (;;) {
        const int fd = accept(listener, nullptr, nullptr);
        if (fd < 0)
            continue;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::thread([fd, ctx]() {
            SSL* ssl = nullptr;
            if (ctx) {
                ssl = SSL_new(ctx);
                SSL_set_fd(ssl, fd);
                if (SSL_accept(ssl) != 1) {
                    SSL_free(ssl);
                    close(fd);
                    return;
                }
            }
            Conn conn(fd, ssl);
            Serve(conn);
        }).detach();
    }
}
