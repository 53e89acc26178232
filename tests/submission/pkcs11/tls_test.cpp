// TLS client authentication whose private key lives on the token, against
// real TLS servers that insist on a client certificate.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "SoftHsmFixture.h"

#include "submission/pkcs11/Pkcs11.h"
#include "support/ChildProcess.h"
#include "support/LoopbackSocket.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace e3test {
namespace {

using namespace std::chrono_literals;
using namespace submission;

// A TCP connection to the loopback port, tried until the server listens.
int ConnectWhenListening(int port)
{
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (std::chrono::steady_clock::now() < deadline) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
            // No read may hang the test when the server goes quiet.
            timeval limit {30, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
            return fd;
        }
        ::close(fd);
        std::this_thread::sleep_for(20ms);
    }
    return -1;
}

std::string OpenSslErrors()
{
    std::string text;
    while (const unsigned long e = ERR_get_error()) {
        char line[256];
        ERR_error_string_n(e, line, sizeof(line));
        text += std::string(line) + "\n";
    }
    return text;
}

class TokenTlsTest : public SoftHsmTest {};

TEST_F(TokenTlsTest, ServersThatDemandAClientCertificateAcceptTheCardsSignature)
{
    ASSERT_TRUE(EnumTokenCertificates(""));
    const int n = EntryNumberOfLabel("Client One");
    ASSERT_TRUE(SelectTokenCertificate(n, kTokenPin));
    const CERT_INFO& info = TokenCertificates()[static_cast<size_t>(n) - 1];

    struct Case {
        const char* server;
        std::vector<std::string> args;
        int version;
        std::string reply;
    };
    const std::string port = std::to_string(FreeLoopbackPort());
    const std::vector<std::string> sServer {"openssl", "s_server", "-accept", port, "-cert", Path("server.pem"),
                                            "-key", Path("server.key"), "-CAfile", Path("ca.pem"), "-Verify", "1",
                                            "-rev", "-naccept", "1", "-quiet"};
    const std::vector<Case> cases {
        {"s_server, TLS 1.2", sServer, TLS1_2_VERSION, "gnip"},
        {"s_server, TLS 1.3", sServer, TLS1_3_VERSION, "gnip"},
        {"gnutls-serv", {"gnutls-serv", "--port", port, "--x509certfile", Path("server.pem"), "--x509keyfile",
                         Path("server.key"), "--x509cafile", Path("ca.pem"), "--verify-client-cert", "--echo"},
         TLS1_2_VERSION, "ping"},
        {"gnutls-serv, TLS 1.3", {"gnutls-serv", "--port", port, "--x509certfile", Path("server.pem"),
                                  "--x509keyfile", Path("server.key"), "--x509cafile", Path("ca.pem"),
                                  "--verify-client-cert", "--echo"},
         TLS1_3_VERSION, "ping"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.server);
        ChildProcess server(c.args, SIGTERM);
        ASSERT_GT(server.Pid(), 0);

        // What a submission run does with the card's certificate.
        X509* certificate = ReadTokenCertificate(info.id.data(), info.idLength);
        ASSERT_NE(certificate, nullptr);
        EVP_PKEY* key = CreateTokenPrivateKey(certificate);
        ASSERT_NE(key, nullptr);
        SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
        SSL_CTX_set_min_proto_version(ctx, c.version);
        SSL_CTX_set_max_proto_version(ctx, c.version);
        ASSERT_EQ(SSL_CTX_load_verify_locations(ctx, Path("ca.pem").c_str(), nullptr), 1);
        SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
        ASSERT_EQ(SSL_CTX_use_certificate(ctx, certificate), 1);
        ASSERT_EQ(SSL_CTX_use_PrivateKey(ctx, key), 1) << OpenSslErrors();
        X509_free(certificate);
        EVP_PKEY_free(key);

        const int fd = ConnectWhenListening(std::stoi(port));
        ASSERT_GE(fd, 0);
        SSL* ssl = SSL_new(ctx);
        SSL_set_fd(ssl, fd);
        Mark();
        EXPECT_EQ(SSL_connect(ssl), 1) << OpenSslErrors();
        // A server that refuses the client's signature says so at the latest
        // in its answer to the first record.
        std::string received;
        if (SSL_write(ssl, "ping\n", 5) == 5) {
            char buffer[256];
            while (received.find('\n') == std::string::npos) {
                const int got = SSL_read(ssl, buffer, sizeof(buffer));
                if (got <= 0)
                    break;
                received.append(buffer, static_cast<size_t>(got));
            }
        }
        EXPECT_EQ(received.substr(0, 4), c.reply) << OpenSslErrors();
        EXPECT_EQ(SSL_version(ssl), c.version);
        EXPECT_GE(CountSinceMark("C_Sign"), 1);
        EXPECT_EQ(CountSinceMark("C_Decrypt"), 0);
        SSL_shutdown(ssl);
        SSL_free(ssl);
        ::close(fd);
        SSL_CTX_free(ctx);
        server.Stop();
    }
}

} // namespace
} // namespace e3test
