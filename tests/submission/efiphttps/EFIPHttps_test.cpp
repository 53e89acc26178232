// Whole submissions over TLS with a client key file, against the test
// reception server on a loopback port.
#include "submission/efiphttps/EFIPHttpsConnection.h"

#include "submission/efip/EFIPEnvironment.h"
#include "submission/efip/EFIPProtocol.h"
#include "submission/ssl/SSLContext.h"

#include "TestPki.h"
#include "support/SeededBytes.h"
#include "support/ChildProcess.h"
#include "support/ProxyPeers.h"
#include "support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <random>

using namespace efip;
using namespace std::chrono_literals;
using ::testing::HasSubstr;

namespace {

const std::string kServer = std::string(E3_BUILD_DIR) + "/tools/efip-server/efip-server";

struct ExitReport {
    int32_t state;
    int32_t error;
    std::string msg;
    int32_t stateExit;
};

class EFIPHttps : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(pki.Make(dir.str(), error)) << error;
        UseHttpsConnections();
        e3ssl::SetSSLCADir(pki.caDerFolder);
        e3ssl::SetSSLVerify(true);
        receipt = dir.write("served-receipt.xml", e3test::SeededBytes(230000, 7));
    }
    void TearDown() override
    {
        component.reset();
        if (server)
            server->Stop();
        SetConnectionFactory(nullptr);
        SetSSLContextHooks({});
    }

    void StartServer(std::vector<std::string> extra = {})
    {
        std::filesystem::create_directories(dir.path() / "store");
        std::vector<std::string> args {kServer,      "--cert", pki.serverCert, "--key", pki.serverKey, "--ca",
                                       pki.caPem,    "--receipt", receipt,      "--store", dir.str() + "/store",
                                       "--log",      dir.str() + "/server.log"};
        args.insert(args.end(), extra.begin(), extra.end());
        server = std::make_unique<e3test::ChildProcess>(args, SIGTERM);
        server->ReadFirstLine();
        port = server->PrintedPort("PORT");
        ASSERT_GT(port, 0);

        header = dir.write("package.hdr", e3test::SeededBytes(1500, 1));
        package = dir.write("package.wasp", e3test::SeededBytes(350000, 2));
        component = std::make_unique<Te3_EFIPProtocol>(nullptr);
        auto& c = *component;
        c.SetServerURL("https://localhost:" + std::to_string(port) + "/");
        c.SetHeaderFile(header);
        c.SetBlobFile(package);
        c.SetReceiptFile(dir.str() + "/receipt.xml");
        c.SetSoftwareSecurity(true);
        c.SetSoftwareKeyFileName(pki.clientP12);
        c.SetSecurityPassword(pki.password);
        c.SetHidden(true);
        c.SetRecursiveTimeOut(0);
        c.SetGetStatusTimeOut(0);
        c.OnEFIPExit = [this](fw::TObject*, int32_t state, int32_t error, const std::string& msg, int32_t stateExit,
                              bool) { exits.push_back({state, error, msg, stateExit}); };
    }

    std::vector<std::string> Requests(const std::string& type) const
    {
        std::vector<std::string> out;
        std::ifstream in(dir.str() + "/server.log");
        std::string line;
        while (std::getline(in, line))
            if (line.rfind(type, 0) == 0)
                out.push_back(line);
        return out;
    }

    static bool Same(const std::string& a, const std::string& b)
    {
        return e3test::RunProgram({"cmp", a, b}).first == 0;
    }

    e3test::TempDir dir;
    efipserver::TestPki pki;
    std::unique_ptr<e3test::ChildProcess> server;
    int port = 0;
    std::string receipt, header, package;
    std::unique_ptr<Te3_EFIPProtocol> component;
    std::vector<ExitReport> exits;
};

} // namespace

TEST_F(EFIPHttps, WholeRunWithKeyFile)
{
    StartServer();
    int receipts = 0;
    component->OnEFIPReceipt = [&](fw::TObject*, int32_t, int32_t&, std::string&) { ++receipts; };
    component->Execute();
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].error, 0) << exits[0].msg;
    EXPECT_EQ(exits[0].state, epClose);
    EXPECT_EQ(receipts, 2);
    EXPECT_TRUE(Same(dir.str() + "/receipt.xml", receipt));
    EXPECT_TRUE(Same(dir.str() + "/store/header.bin", header));
    EXPECT_TRUE(Same(dir.str() + "/store/package.bin", package));
    EXPECT_EQ(Requests("pdat").size(), 4u);
    EXPECT_EQ(Requests("pend").size(), 1u);
}

TEST_F(EFIPHttps, ShortRepliesEndWithPend)
{
    StartServer({"--fault", "short:pdat:11"});
    component->Execute();
    EXPECT_EQ(Requests("pdat").size(), 11u);
    ASSERT_EQ(Requests("pend").size(), 1u);
    EXPECT_THAT(Requests("pend")[0], HasSubstr("arc=8AC7"));
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].error, -30009);
    EXPECT_EQ(exits[0].state, epClose);
}

TEST_F(EFIPHttps, HttpFailuresEndWithoutPend)
{
    StartServer({"--fault", "http500:phdr:11"});
    component->Execute();
    EXPECT_EQ(Requests("phdr").size(), 11u);
    EXPECT_TRUE(Requests("pend").empty());
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].error, 500);
}

TEST_F(EFIPHttps, ReceiptRefusedWithCode3)
{
    StartServer();
    component->OnEFIPReceipt = [&](fw::TObject*, int32_t, int32_t& code, std::string&) { code = 3; };
    component->Execute();
    ASSERT_EQ(Requests("pend").size(), 1u);
    EXPECT_THAT(Requests("pend")[0], HasSubstr("arc=0003"));
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].error, 3);
}

TEST_F(EFIPHttps, SuspendStopResume)
{
    StartServer({"--fault", "notready:prct:1000000"});
    component->SetGetStatusTimeOut(1);
    component->SetCommandTimeOut(1);
    int asked = 0;
    component->OnEFIPDebug = [&](fw::TObject*, const std::string& msg) {
        if (msg.find("Send command:  get_receipt") != std::string::npos && ++asked == 2)
            component->Suspend();
    };
    component->Execute();
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].stateExit, 1);
    EXPECT_EQ(exits[0].state, epGet_receipt);

    component->Stop();
    ASSERT_EQ(exits.size(), 2u);
    EXPECT_EQ(exits[1].stateExit, 3);
    EXPECT_TRUE(Requests("pend").empty());

    component->Resume();
    ASSERT_EQ(exits.size(), 3u);
    EXPECT_EQ(exits[2].stateExit, 0);
    EXPECT_EQ(exits[2].state, epClose);
    EXPECT_EQ(Requests("pend").size(), 1u);
}

TEST_F(EFIPHttps, StopEndsARunThatWouldNotFinish)
{
    StartServer({"--fault", "notready:prct:1000000"});
    component->SetGetStatusTimeOut(0);
    component->SetCommandTimeOut(1);
    bool stopped = false;
    component->OnEFIPDebug = [&](fw::TObject*, const std::string& msg) {
        if (!stopped && msg.find("get_receipt") != std::string::npos) {
            stopped = true;
            component->Stop();
        }
    };
    component->Execute();
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].stateExit, 6);
}

TEST_F(EFIPHttps, UntrustedServerIsRefused)
{
    StartServer();
    e3ssl::SetSSLCADir(dir.str() + "/no-such-folder");
    component->SetRecursiveCount(1);
    component->Execute();
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].error, -30012);
    EXPECT_THAT(exits[0].msg, HasSubstr("is not trusted"));
    EXPECT_TRUE(Requests("pbeg").empty());
}

TEST_F(EFIPHttps, ThroughTheTunnelProxy)
{
    if (!e3test::SquidPeer::Installed(false))
        GTEST_SKIP() << "squid is not installed";
    e3test::TempDir squidDir;
    e3test::SquidPeer squid(squidDir.str(), {true, false, "alice", "s3cret"});
    ASSERT_TRUE(squid.ready()) << squid.log();
    StartServer();
    std::string debug;
    component->OnEFIPDebug = [&](fw::TObject*, const std::string& msg) { debug += msg + "\n"; };
    component->SetServerURL("https://localhost:" + std::to_string(port) + "/");
    component->SetTunnelProxyServer("127.0.0.1");
    component->SetTunnelProxyPort(std::to_string(squid.port()));
    component->SetTunnelProxyUsercode("alice");
    component->SetTunnelProxyPassword("s3cret");
    component->Execute();
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].error, 0) << exits[0].msg << "\n" << squid.log();
    EXPECT_TRUE(Same(dir.str() + "/receipt.xml", receipt));
    EXPECT_EQ(debug.find("s3cret"), std::string::npos);

    // A wrong password is the proxy's refusal, repeated and then given up.
    exits.clear();
    component->SetTunnelProxyPassword("wrong");
    component->SetRecursiveCount(1);
    component->Execute();
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].error, -30006) << exits[0].msg;
}
