#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/ssl.h>

#include "TestPKI.h"
#include "submission/ssl/HttpSCli.h"
#include "submission/ssl/SSLContext.h"
#include "support/ChildProcess.h"
#include "support/LoopbackSocket.h"
#include "support/ProxyPeers.h"
#include "support/TempDir.h"

using namespace e3ssl;
using e3test::TestPKI;
using namespace std::chrono_literals;

namespace {

bool Pump(const std::function<bool()>& done, std::chrono::seconds limit = 30s)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < deadline)
        e3net::WSocketProcessMessages(20);
    return done();
}

bool Listening(int port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

enum class Peer { OpenSSL, GnuTLS };
enum class Tls { V11, V12, V13 };

const char* Name(Peer p) { return p == Peer::OpenSSL ? "openssl s_server" : "gnutls-serv"; }
const char* Name(Tls t) { return t == Tls::V11 ? "TLS 1.1" : t == Tls::V12 ? "TLS 1.2" : "TLS 1.3"; }

// A TLS server program on a free loopback port, answering HTTP requests.
class TlsServer {
public:
    TlsServer(Peer peer, Tls tls, const TestPKI::Issued& identity, std::vector<std::string> extra = {})
    {
        port_ = e3test::FreeLoopbackPort();
        std::vector<std::string> args;
        if (peer == Peer::OpenSSL) {
            args = {"openssl", "s_server", "-accept", "127.0.0.1:" + std::to_string(port_), "-cert", identity.certPem,
                    "-key", identity.keyPem, "-www", "-quiet"};
            if (tls == Tls::V11) // only below the library's default security level
                args.insert(args.end(), {"-tls1_1", "-cipher", "DEFAULT@SECLEVEL=0"});
            else
                args.push_back(tls == Tls::V12 ? "-tls1_2" : "-tls1_3");
        } else {
            args = {"gnutls-serv", "--http", "--quiet", "--port=" + std::to_string(port_),
                    "--x509certfile=" + identity.certPem, "--x509keyfile=" + identity.keyPem,
                    std::string("--priority=NORMAL:-VERS-ALL:") + (tls == Tls::V12 ? "+VERS-TLS1.2" : "+VERS-TLS1.3")};
        }
        args.insert(args.end(), extra.begin(), extra.end());
        process_.emplace(args, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < deadline && !process_->Exited() && !Listening(port_))
            std::this_thread::sleep_for(20ms);
    }
    bool ready() { return process_->Pid() > 0 && !process_->Exited() && Listening(port_); }
    int port() const { return port_; }

private:
    int port_ = 0;
    std::optional<e3test::ChildProcess> process_;
};

struct Outcome {
    bool done = false;
    int error = -1;
    int status = 0;
    int sslConnected = 0;
    int sslConnecting = 0;
    int verifyError = 0;
    std::string body;
};

// One GET over a fresh HTTPS client, with the expected server named by serverURL.
Outcome Fetch(int port, const std::string& serverURL = "https://localhost/",
              const std::function<void(THttpSCli&)>& setup = {})
{
    SetSSLServerURL(serverURL);
    THttpSCli client;
    if (setup)
        setup(client);
    Outcome o;
    client.SSLSocket().OnSSLSessionConnected = [&, inner = client.SSLSocket().OnSSLSessionConnected](
                                                   TSSLSocket& s, int error) {
        ++o.sslConnected;
        inner(s, error);
    };
    client.SSLSocket().OnSSLSessionConnecting = [&](TSSLSocket&, int) { ++o.sslConnecting; };
    client.OnRequestDone = [&](e3net::THttpCli& c, e3net::THttpRequest, int error) {
        o.done = true;
        o.error = error;
        o.status = c.StatusCode;
        o.body = c.RcvdStream;
    };
    client.URL = "https://127.0.0.1:" + std::to_string(port) + "/";
    client.GetASync();
    Pump([&] { return o.done; });
    // TLS 1.3 tickets arrive after the handshake; give them the chance to
    // be counted (wrongly) as another connection.
    for (int i = 0; i < 5; ++i)
        e3net::WSocketProcessMessages(20);
    o.verifyError = SSLLastVerifyError();
    return o;
}

class SSLLayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(InitSSLContext("SSLv23"));
        SetSSLVerify(true);
        caDir_ = dir_.str() + "/ca";
        std::filesystem::create_directory(caDir_);
        SetSSLCADir(caDir_);
        ca_ = pki_.Issue("ca", {"E3 Test Root", {}, -10, 3650, true, nullptr});
        TestPKI::WriteDer(ca_.cert, caDir_ + "/root.der");
        server_ = pki_.Issue("server", {"localhost", {"DNS:localhost", "IP:127.0.0.1"}, -1, 30, false, &ca_});
    }
    void TearDown() override
    {
        SetSSLVerify(true);
        FreeSSLContext();
    }

    e3test::TempDir dir_;
    TestPKI pki_{dir_.str()};
    std::string caDir_;
    TestPKI::Issued ca_;
    TestPKI::Issued server_;
};

TEST_F(SSLLayerTest, ValidServerIsAcceptedByBothPeersAndVersions)
{
    for (Peer peer : {Peer::OpenSSL, Peer::GnuTLS})
        for (Tls tls : {Tls::V12, Tls::V13}) {
            TlsServer server(peer, tls, server_);
            ASSERT_TRUE(server.ready()) << Name(peer) << " " << Name(tls);
            const Outcome o = Fetch(server.port());
            EXPECT_TRUE(o.done) << Name(peer) << " " << Name(tls);
            EXPECT_EQ(o.error, 0) << Name(peer) << " " << Name(tls);
            EXPECT_EQ(o.status, 200) << Name(peer) << " " << Name(tls);
            EXPECT_EQ(o.verifyError, 0) << Name(peer) << " " << Name(tls);
            // One connection, one "connected", also with TLS 1.3 session tickets.
            EXPECT_EQ(o.sslConnected, 1) << Name(peer) << " " << Name(tls);
            EXPECT_EQ(o.sslConnecting, 1) << Name(peer) << " " << Name(tls);
        }
}

TEST_F(SSLLayerTest, RefusedServerCertificates)
{
    TestPKI::Issued otherRoot = pki_.Issue("other-root", {"Other Root", {}, -10, 3650, true, nullptr});
    const struct {
        const char* name;
        TestPKI::Issued identity;
        std::string serverURL;
        int expected;
    } cases[] = {
        {"expired", pki_.Issue("expired", {"localhost", {"DNS:localhost"}, -30, -1, false, &ca_}), "https://localhost/",
         SSLVerifyErrorDates},
        {"not yet valid", pki_.Issue("future", {"localhost", {"DNS:localhost"}, 2, 30, false, &ca_}), "https://localhost/",
         SSLVerifyErrorDates},
        {"wrong host", pki_.Issue("wronghost", {"other.example", {"DNS:other.example"}, -1, 30, false, &ca_}),
         "https://localhost/", SSLVerifyErrorHost},
        // A sibling name under the same parent is another host.
        {"sibling host", pki_.Issue("sibling", {"a.example.test", {"DNS:a.example.test"}, -1, 30, false, &ca_}),
         "https://b.example.test:8443/efip", SSLVerifyErrorHost},
        // The name only in the common name does not count when the certificate
        // lists other names.
        {"name only in CN", pki_.Issue("cnonly", {"localhost", {"DNS:other.example"}, -1, 30, false, &ca_}),
         "https://localhost/", SSLVerifyErrorHost},
        {"unknown CA", pki_.Issue("unknownca", {"localhost", {"DNS:localhost"}, -1, 30, false, &otherRoot}),
         "https://localhost/", SSLVerifyErrorUntrusted},
    };
    for (const auto& k : cases) {
        TlsServer server(Peer::OpenSSL, Tls::V13, k.identity);
        ASSERT_TRUE(server.ready()) << k.name;
        const Outcome o = Fetch(server.port(), k.serverURL);
        EXPECT_TRUE(o.done) << k.name;
        EXPECT_NE(o.error, 0) << k.name;
        EXPECT_EQ(o.sslConnected, 0) << k.name;
        EXPECT_EQ(o.verifyError, k.expected) << k.name;
    }

    // The same with the other peer and version, for the three outcomes.
    for (const auto& k : {cases[0], cases[2], cases[5]}) {
        TlsServer server(Peer::GnuTLS, Tls::V12, k.identity);
        ASSERT_TRUE(server.ready()) << k.name;
        const Outcome o = Fetch(server.port(), k.serverURL);
        EXPECT_EQ(o.sslConnected, 0) << k.name;
        EXPECT_EQ(o.verifyError, k.expected) << "gnutls " << k.name;
    }
}

TEST_F(SSLLayerTest, WildcardAndVerificationSwitch)
{
    TestPKI::Issued wildcard = pki_.Issue("wild", {"*.example.test", {"DNS:*.example.test"}, -1, 30, false, &ca_});
    TlsServer server(Peer::OpenSSL, Tls::V12, wildcard);
    ASSERT_TRUE(server.ready());
    EXPECT_EQ(Fetch(server.port(), "https://x.example.test/").error, 0);
    EXPECT_EQ(Fetch(server.port(), "https://a.b.example.test/").verifyError, SSLVerifyErrorHost);

    // Switched off, every certificate passes and no error is left.
    TestPKI::Issued stranger = pki_.Issue("stranger", {"nobody", {}, -30, -1, true, nullptr});
    TlsServer strangerServer(Peer::OpenSSL, Tls::V13, stranger);
    ASSERT_TRUE(strangerServer.ready());
    SetSSLVerify(false);
    const Outcome o = Fetch(strangerServer.port());
    EXPECT_EQ(o.error, 0);
    EXPECT_EQ(o.verifyError, 0);
    EXPECT_EQ(o.sslConnected, 1);
}

TEST_F(SSLLayerTest, SessionFailuresReachTheClientsSessionEvent)
{
    // Nobody listening, and a server that refuses the certificate: the
    // client's own event hears both, the socket's event stays the user's.
    TestPKI::Issued expired = pki_.Issue("expired", {"localhost", {"DNS:localhost"}, -30, -1, false, &ca_});
    TlsServer server(Peer::OpenSSL, Tls::V12, expired);
    ASSERT_TRUE(server.ready());
    for (int port : {e3test::FreeLoopbackPort(), server.port()}) {
        std::vector<int> sessionErrors, socketErrors;
        const Outcome o = Fetch(port, "https://localhost/", [&](THttpSCli& client) {
            client.OnSessionConnected = [&](e3net::THttpCli&, int error) { sessionErrors.push_back(error); };
            client.SSLSocket().OnSessionConnected = [&](e3net::TCustomWSocket&, int error) { socketErrors.push_back(error); };
        });
        EXPECT_NE(o.error, 0) << port;
        ASSERT_EQ(sessionErrors.size(), 1u) << port;
        EXPECT_EQ(sessionErrors[0], o.error) << port;
        if (port == server.port()) {
            EXPECT_EQ(sessionErrors[0], SSLSessionError);
            EXPECT_EQ(socketErrors, std::vector<int>{0}); // the TCP connection itself stood
            EXPECT_EQ(o.verifyError, SSLVerifyErrorDates);
        } else {
            EXPECT_EQ(sessionErrors[0], e3net::WSAECONNREFUSED);
            EXPECT_EQ(socketErrors, std::vector<int>{e3net::WSAECONNREFUSED});
        }
    }
}

TEST_F(SSLLayerTest, ServersBelowTLS12AreRefused)
{
    TlsServer server(Peer::OpenSSL, Tls::V11, server_);
    ASSERT_TRUE(server.ready());
    const Outcome o = Fetch(server.port());
    EXPECT_TRUE(o.done);
    EXPECT_NE(o.error, 0);
    EXPECT_EQ(o.sslConnected, 0);
}

TEST_F(SSLLayerTest, ClientCertificateFromKeyFile)
{
    TestPKI::Issued client = pki_.Issue("client", {"Applicant", {}, -1, 30, false, &ca_});
    const std::string keyFile = pki_.WriteKeyFile(client, "client", "pin-1234");
    EXPECT_FALSE(ReadPKCS12KeyFile(keyFile, "wrong"));
    EXPECT_FALSE(ReadPKCS12KeyFile(dir_.str() + "/missing.p12", "pin-1234"));
    EXPECT_FALSE(ReadPKCS12KeyFile(server_.certPem, "pin-1234"));

    TlsServer server(Peer::OpenSSL, Tls::V13, server_, {"-Verify", "1", "-CAfile", ca_.certPem});
    ASSERT_TRUE(server.ready());
    // Without a certificate the server ends the session.
    Outcome refused = Fetch(server.port());
    EXPECT_NE(refused.error == 0 && refused.status == 200, true);

    auto credentials = ReadPKCS12KeyFile(keyFile, "pin-1234");
    ASSERT_TRUE(credentials);
    ASSERT_TRUE(GlobalSSLContext()->UseCertificate(credentials.certificate, credentials.privateKey));
    const Outcome o = Fetch(server.port());
    EXPECT_EQ(o.error, 0);
    EXPECT_EQ(o.status, 200);
    // s_server's status page names the client's certificate.
    EXPECT_NE(o.body.find("Applicant"), std::string::npos) << o.body.substr(0, 400);
}

TEST_F(SSLLayerTest, ThroughAnAuthenticatingProxy)
{
    if (!e3test::SquidPeer::Installed(false))
        GTEST_SKIP() << "squid is not installed";
    e3test::TempDir squidDir;
    e3test::SquidPeer squid(squidDir.str(), {true, false, "alice", "s3cret"});
    ASSERT_TRUE(squid.ready()) << squid.log();
    TlsServer server(Peer::OpenSSL, Tls::V13, server_);
    ASSERT_TRUE(server.ready());

    std::string display;
    int tunnelErrors = 0;
    const Outcome o = Fetch(server.port(), "https://localhost/", [&](THttpSCli& client) {
        TSSLSocket& socket = client.SSLSocket();
        socket.SetTunnelProxyServer("127.0.0.1");
        socket.SetTunnelProxyPort(std::to_string(squid.port()));
        socket.TunnelProxyUsercode = "alice";
        socket.TunnelProxyPassword = "s3cret";
        socket.TunnelExtraHeader = "Proxy-Connection: Keep-Alive";
        socket.OnDisplay = [&](e3net::TCustomWSocket&, const std::string& text) { display += text; };
        socket.OnTunnelProxyError = [&](e3net::TTunnelProxySocket&, int, const std::string&) { ++tunnelErrors; };
    });
    EXPECT_EQ(o.error, 0) << squid.log();
    EXPECT_EQ(o.status, 200);
    EXPECT_EQ(o.sslConnected, 1);
    EXPECT_EQ(tunnelErrors, 0);
    EXPECT_NE(display.find("Proxy-Authorization: Basic *****"), std::string::npos);
    EXPECT_EQ(display.find("s3cret"), std::string::npos);

    // A certificate refused behind the tunnel is refused all the same.
    SetSSLCADir(dir_.str());
    const Outcome refused = Fetch(server.port(), "https://localhost/", [&](THttpSCli& client) {
        client.SSLSocket().SetTunnelProxyServer("127.0.0.1");
        client.SSLSocket().SetTunnelProxyPort(std::to_string(squid.port()));
        client.SSLSocket().TunnelProxyUsercode = "alice";
        client.SSLSocket().TunnelProxyPassword = "s3cret";
    });
    EXPECT_NE(refused.error, 0);
    EXPECT_EQ(refused.sslConnected, 0);
    EXPECT_EQ(refused.verifyError, SSLVerifyErrorUntrusted);
}

TEST_F(SSLLayerTest, CertificateDatesInBothTimeForms)
{
    const struct {
        const char* name;
        long notBefore, notAfter;
        int expected;
    } cases[] = {
        {"valid", -1, 30, 0},
        {"expired", -30, -1, X509_V_ERR_CERT_HAS_EXPIRED},
        {"not yet valid", 1, 30, X509_V_ERR_CERT_NOT_YET_VALID},
        // Beyond 2049 the end date is a GeneralizedTime.
        {"ends after 2049", -1, 365L * 60, 0},
        {"starts after 2049", 365L * 60, 365L * 61, X509_V_ERR_CERT_NOT_YET_VALID},
    };
    for (const auto& k : cases) {
        const auto issued = pki_.Issue(std::string("dates-") + std::to_string(&k - cases), {"x", {}, k.notBefore, k.notAfter, false, &ca_});
        EXPECT_EQ(CheckCertValidity(issued.cert), k.expected) << k.name;
    }
}

TEST_F(SSLLayerTest, HostNames)
{
    const struct {
        std::vector<std::string> names;
        const char* host;
        bool matches;
    } cases[] = {
        {{"DNS:*.b.c"}, "x.b.c", true},
        {{"DNS:*.b.c"}, "b.c", false},
        {{"DNS:b.c.d.e"}, "w.b.c", false},
        {{"DNS:a.example.test"}, "b.example.test", false},
        {{"DNS:A.Example.Test"}, "a.example.test", true},
        {{"DNS:one.test", "DNS:two.test"}, "two.test", true},
        {{"IP:127.0.0.1"}, "127.0.0.1", true},
        {{"DNS:localhost"}, "127.0.0.1", false},
    };
    for (const auto& k : cases) {
        const auto issued = pki_.Issue("host" + std::to_string(&k - cases), {"cn", k.names, -1, 30, false, &ca_});
        EXPECT_EQ(CertMatchesHost(issued.cert, k.host), k.matches) << k.names[0] << " vs " << k.host;
    }
    // A certificate without alternative names is judged by its common name.
    const auto cnOnly = pki_.Issue("cnonly", {"legacy.example", {}, -1, 30, false, &ca_});
    EXPECT_TRUE(CertMatchesHost(cnOnly.cert, "legacy.example"));
    EXPECT_FALSE(CertMatchesHost(cnOnly.cert, "other.example"));

    const std::pair<const char*, const char*> urls[] = {
        {"https://efiling.office.example:8443/efip/submit", "efiling.office.example"},
        {"https://user@host.example/x", "host.example"},
        {"https://[::1]:443/", "::1"},
        {"host.example", "host.example"},
        {"http://a.b.c.d/path?q=1", "a.b.c.d"},
    };
    for (const auto& [url, host] : urls)
        EXPECT_EQ(ExtractURLHost(url), host) << url;
}

TEST_F(SSLLayerTest, CAFolderWithBundles)
{
    // The bundle holds three roots, the second expired: only the valid two count.
    const auto root1 = pki_.Issue("root1", {"Root One", {}, -10, 3650, true, nullptr});
    const auto root2 = pki_.Issue("root2", {"Root Two", {}, -100, -1, true, nullptr});
    const auto root3 = pki_.Issue("root3", {"Root Three", {}, -10, 3650, true, nullptr});
    const std::string folder = dir_.str() + "/bundle";
    std::filesystem::create_directory(folder);
    {
        std::ofstream all(dir_.str() + "/three.pem", std::ios::binary);
        for (const auto* r : {&root1, &root2, &root3})
            all << e3test::ReadWholeFile(r->certPem);
    }
    const auto [rc, out] = e3test::RunProgram({"openssl", "crl2pkcs7", "-nocrl", "-certfile", dir_.str() + "/three.pem",
                                               "-outform", "DER", "-out", folder + "/Bundle.DER"});
    ASSERT_EQ(rc, 0) << out;
    // Files that are neither certificates nor bundles are passed over.
    std::ofstream(folder + "/junk.der") << "not a certificate";
    std::ofstream(folder + "/notes.txt") << "ignored";

    const auto by1 = pki_.Issue("by1", {"leaf", {}, -1, 30, false, &root1});
    const auto by2 = pki_.Issue("by2", {"leaf", {}, -1, 30, false, &root2});
    const auto by3 = pki_.Issue("by3", {"leaf", {}, -1, 30, false, &root3});
    EXPECT_EQ(VerifyCertWithCADir(by1.cert, folder), 1);
    EXPECT_NE(VerifyCertWithCADir(by2.cert, folder), 1);
    EXPECT_EQ(VerifyCertWithCADir(by3.cert, folder), 1);
    // Not issued by anything in the folder.
    EXPECT_NE(VerifyCertWithCADir(server_.cert, folder), 1);
    EXPECT_NE(VerifyCertWithCADir(by1.cert, dir_.str() + "/no-such-folder"), 1);
    EXPECT_EQ(VerifyCertWithCADir(server_.cert, caDir_), 1);
}

TEST(SSLContextTest, VersionLabelsAllNegotiateModernTLS)
{
    const std::pair<const char*, TSSLVersion> labels[] = {
        {"SSLv2", sslVersionSSLv2}, {"ssl", sslVersionSSLv2},   {"SSLv23", sslVersionSSLv23},
        {"SSLv3", sslVersionSSLv3}, {"TLSv1", sslVersionSSLv3}, {"", sslVersionSSLv3},
    };
    for (const auto& [label, version] : labels) {
        ASSERT_TRUE(InitSSLContext(label));
        ASSERT_NE(GlobalSSLContext(), nullptr);
        EXPECT_EQ(GlobalSSLContext()->Version(), version) << label;
        EXPECT_EQ(SSL_CTX_get_min_proto_version(GlobalSSLContext()->Context()), TLS1_2_VERSION) << label;
        // A second call keeps the context that exists.
        ASSERT_TRUE(InitSSLContext("SSLv2"));
        EXPECT_EQ(GlobalSSLContext()->Version(), version) << label;
        FreeSSLContext();
        EXPECT_EQ(GlobalSSLContext(), nullptr);
    }
    ASSERT_TRUE(InitDefaultSSLContext());
    EXPECT_EQ(GlobalSSLContext()->Version(), sslVersionSSLv3);
    RecreateSSLContext(sslVersionTLSv1);
    EXPECT_EQ(GlobalSSLContext()->Version(), sslVersionTLSv1);
    FreeSSLContext();
}

} // namespace
