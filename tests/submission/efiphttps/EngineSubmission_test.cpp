// The engine's road to a submission: it creates the component by class name,
// sets its properties, binds its events to the event list and writes
// _Execute; the package goes through squid's tunnel to the test reception
// server, and the receipt and the outcome come back as engine events.
#include "client/submission/EFIPRegistration.h"

#include "submission/efip/EFIPConnection.h"
#include "submission/ssl/SSLContext.h"

#include "TestPki.h"
#include "client/Client.h"
#include "client/ClientSender.h"
#include "client/EventList.h"
#include "client/Globals.h"
#include "support/ChildProcess.h"
#include "support/ProxyPeers.h"
#include "support/ScriptedEngine.h"
#include "support/TempDir.h"
#include "u3/Files.h"


#include <gtest/gtest.h>

#include <random>

namespace {

const std::string kServer = std::string(E3_BUILD_DIR) + "/tools/efip-server/efip-server";

std::string Lines(const std::string& barSeparated)
{
    std::string out;
    size_t start = 0;
    while (true) {
        const size_t bar = barSeparated.find(" | ", start);
        out += barSeparated.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        out += "\r\n";
        if (bar == std::string::npos)
            return out;
        start = bar + 3;
    }
}

} // namespace

TEST(EngineSubmission, EngineDrivesAWholeSubmissionThroughTheTunnel)
{
    if (!e3test::SquidPeer::Installed(false))
        GTEST_SKIP() << "squid is not installed";
    e3test::TempDir dir;
    efipserver::TestPki pki;
    std::string error;
    ASSERT_TRUE(pki.Make(dir.str(), error)) << error;
    e3test::TempDir squidDir;
    e3test::SquidPeer squid(squidDir.str(), {true, false, "alice", "s3cret"});
    ASSERT_TRUE(squid.ready()) << squid.log();

    std::mt19937 gen(5);
    std::string package(300000, '\0');
    for (char& c : package)
        c = static_cast<char>(gen() & 0xFF);
    const std::string receipt = dir.write("served.xml", "<receipt>accepted</receipt>");
    const std::string packageFile = dir.write("package.wasp", package);
    const std::string headerFile = dir.write("package.hdr", "header of the package");
    e3test::ChildProcess server({kServer, "--cert", pki.serverCert, "--key", pki.serverKey, "--ca", pki.caPem,
                                 "--receipt", receipt},
                                SIGTERM);
    server.ReadFirstLine();
    const int port = server.PrintedPort("PORT");
    ASSERT_GT(port, 0);

    u3::SetExeNameOverride(dir.str() + "/front");
    e3test::ScriptedEngine engine;
    auto theClient = std::make_unique<client::TClient>("Test");
    theClient->SetEngine(&engine);
    client::SetClient(theClient.get());
    auto list = std::make_unique<client::TEventList>(nullptr);
    client::SetEventListObject(list.get());
    efip::RegisterEFIPClasses();
    e3ssl::SetSSLCADir(pki.caDerFolder);

    engine.ServeFile("Form", "FormMain",
                     Lines("desc | [ | 0 | Te3_ClientForm | Parent | NIL | NAME | FormMain | CAPTION | Filing | ] | "
                           "} | x | { | EFIP1.OnEFIPReceipt | Main.Receipt | x | EFIP1.OnEFIPExit | Main.Exit | x | } | x | { | }"));
    const std::string got = dir.str() + "/receipt.xml";
    engine.QueueReply(
        "Main.Submit",
        Lines("{ | ; | Client._CreateForm | FormMain | ; | Client._Create | Te3EFIPProtocol<|>FormMain<|>EFIP1 | ; | "
              "EFIP1.ServerURL | https://localhost:" + std::to_string(port) + "/ | ; | "
              "EFIP1.HeaderFile | " + headerFile + " | ; | EFIP1.BlobFile | " + packageFile + " | ; | "
              "EFIP1.ReceiptFile | " + got + " | ; | EFIP1.SoftwareSecurity | 1 | ; | "
              "EFIP1.SoftwareKeyFileName | " + pki.clientP12 + " | ; | EFIP1.SecurityPassword | " + pki.password +
              " | ; | EFIP1.EnterSecurityPassword | 1" +
              " | ; | EFIP1.Hidden | 1 | ; | EFIP1.ShowProgress | 0 | ; | "
              "EFIP1.TunnelProxyServer | 127.0.0.1 | ; | EFIP1.TunnelProxyPort | " + std::to_string(squid.port()) +
              " | ; | EFIP1.TunnelProxyUsercode | alice | ; | EFIP1.TunnelProxyPassword | s3cret | ; | "
              "EFIP1.OnEFIPReceipt | Main.Receipt | ; | EFIP1.OnEFIPExit | Main.Exit | ; | EFIP1._Execute | 1 | ; | }"));

    client::TClientSender sender = client::TClientSender::CreateForClient("Main.Submit");
    sender.WriteRequest();
    sender.Execute();

    EXPECT_EQ(e3test::ReadWholeFile(got), "<receipt>accepted</receipt>");
    std::vector<std::string> names;
    std::string exitBody, all;
    for (const auto& call : engine.CallsOf("OnMessage"))
        all += "message " + call.args.at(0) + ": " + call.args.at(1) + "\n";
    for (const auto& call : engine.CallsOf("ExecuteEvent")) {
        names.push_back(call.args.at(3));
        all += call.args.at(3) + ": " + call.args.at(4) + "\n";
        if (call.args.at(3) == "Main.Exit")
            exitBody = call.args.at(4);
    }
    EXPECT_EQ(names, (std::vector<std::string> {"Main.Submit", "Main.Receipt", "Main.Receipt", "Main.Exit"})) << all;
    EXPECT_NE(exitBody.find("State\r\n7\r\n;\r\nError\r\n0\r\n"), std::string::npos) << exitBody;
    EXPECT_EQ(all.find("s3cret"), std::string::npos);

    client::SetEventListObject(nullptr);
    theClient.reset();
    client::SetClient(nullptr);
    list.reset();
    fw::TComponent::DeleteReleased();
    u3::SetExeNameOverride("");
    efip::SetConnectionFactory(nullptr);
}
