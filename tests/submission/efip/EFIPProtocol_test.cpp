#include "submission/efip/ClientCertificate.h"
#include "submission/efip/EFIPEnvironment.h"
#include "submission/efip/EFIPProtocol.h"

#include "InProcessConnection.h"
#include "e3/buttons/SpeedButton.h"
#include "e3/containers/GroupBox.h"
#include "e3/dialogs/ProgressForms.h"
#include "e3/display/Gauge.h"
#include "e3/display/Label.h"
#include "support/SeededBytes.h"
#include "support/FakePollClock.h"
#include "support/RecordingUserMessages.h"
#include "support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

using namespace efip;
using namespace std::chrono_literals;
using ::testing::HasSubstr;

namespace {

struct ErrorReport {
    int32_t state;
    int32_t error;
    std::string msg;
};

struct ExitReport {
    int32_t state;
    int32_t error;
    std::string msg;
    int32_t stateExit;
    bool goodBye;
};

class EFIPRun : public ::testing::Test {
protected:
    ~EFIPRun() override
    {
        component.reset();
        SetConnectionFactory(nullptr);
        SetTempFolderSource(nullptr);
        SetFreeHandler(nullptr);
    }

    // A component with a header of headerSize bytes and a package of
    // packageSize bytes, against a reception session with options.
    void Prepare(efipserver::Options options, size_t headerSize = 1500, size_t packageSize = 250000)
    {
        receipt = options.receipt;
        session = std::make_unique<efipserver::ReceptionSession>(std::move(options));
        SetConnectionFactory([this]() {
            auto c = std::make_unique<e3test::InProcessConnection>(*session);
            conn = c.get();
            return c;
        });
        SetTempFolderSource([this]() { return dir.str(); });
        header = e3test::SeededBytes(headerSize, 1);
        package = e3test::SeededBytes(packageSize, 2);
        component = std::make_unique<Te3_EFIPProtocol>(nullptr);
        auto& c = *component;
        c.SetServerURL("https://reception.test/efip");
        c.SetHeaderFile(dir.write("in/package.hdr", header));
        c.SetBlobFile(dir.write("in/package.wasp", package));
        c.SetReceiptFile((dir.path() / "receipt.xml").string());
        c.SetSoftwareSecurity(true);
        c.SetSoftwareKeyFileName(dir.write("client.p12", "key"));
        c.SetSecurityPassword("pw");
        c.OnEFIPDebug = [this](fw::TObject*, const std::string& msg) { debug.push_back(msg); };
        c.OnEFIPError = [this](fw::TObject*, int32_t state, int32_t error, const std::string& msg) {
            errors.push_back({state, error, msg});
        };
        c.OnEFIPExit = [this](fw::TObject*, int32_t state, int32_t error, const std::string& msg, int32_t stateExit,
                              bool goodBye) { exits.push_back({state, error, msg, stateExit, goodBye}); };
    }

    std::vector<std::string> Requests(const std::string& type) const
    {
        std::vector<std::string> out;
        for (const auto& line : session->Log())
            if (line.rfind(type, 0) == 0)
                out.push_back(line);
        return out;
    }

    bool Logged(const std::string& text) const
    {
        for (const auto& d : debug)
            if (d.find(text) != std::string::npos)
                return true;
        return false;
    }

    std::string ReceiptOnDisk() const
    {
        const auto name = dir.path() / "receipt.xml";
        return std::filesystem::exists(name) ? e3test::ReadWholeFile(name.string()) : std::string("<none>");
    }

    e3test::FakePollClock clock {0us};
    e3test::TempDir dir;
    e3test::RecordingUserMessages messages;
    std::unique_ptr<efipserver::ReceptionSession> session;
    e3test::InProcessConnection* conn = nullptr;
    std::unique_ptr<Te3_EFIPProtocol> component;
    std::string header, package, receipt;
    std::vector<std::string> debug;
    std::vector<ErrorReport> errors;
    std::vector<ExitReport> exits;
};

efipserver::Options WithReceipt(size_t size)
{
    efipserver::Options o;
    o.receipt = e3test::SeededBytes(size, 3);
    return o;
}

efipserver::Fault Fault(const std::string& text)
{
    efipserver::Fault f;
    EXPECT_TRUE(efipserver::ParseFault(text, f)) << text;
    return f;
}

} // namespace

TEST_F(EFIPRun, WholeTransactionMovesEveryByte)
{
    Prepare(WithReceipt(250001), 1500, 250000);
    bool receiptOnDiskAtEvent = false;
    std::vector<int32_t> steps;
    component->OnEFIPReceipt = [&](fw::TObject*, int32_t step, int32_t&, std::string&) {
        steps.push_back(step);
        receiptOnDiskAtEvent = ReceiptOnDisk() == receipt;
    };
    component->Execute();

    EXPECT_EQ(session->ReceivedHeader(), header);
    EXPECT_EQ(session->ReceivedPackage(), package);
    EXPECT_EQ(ReceiptOnDisk(), receipt);
    EXPECT_TRUE(receiptOnDiskAtEvent);
    EXPECT_EQ(steps, (std::vector<int32_t> {0, 1}));
    EXPECT_EQ(component->GetEFIPProtocolState(), epClose);
    EXPECT_EQ(component->GetError(), 0);
    EXPECT_TRUE(errors.empty());
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].state, epClose);
    EXPECT_EQ(exits[0].stateExit, 0);
    EXPECT_FALSE(exits[0].goodBye);
    EXPECT_TRUE(Logged("Your Application filing has been completed."));

    EXPECT_EQ(Requests("pbeg").size(), 1u);
    EXPECT_EQ(Requests("phdr").size(), 1u);
    EXPECT_EQ(Requests("pdat").size(), 3u);
    EXPECT_EQ(Requests("prct").size(), 3u); // 100000 + 100000 + 50001
    EXPECT_EQ(Requests("pend").size(), 1u);
    for (const auto& line : session->Log())
        EXPECT_THAT(line, HasSubstr("hash=ok"));

    EXPECT_THAT(Requests("pend")[0], HasSubstr("arc=0000"));
    // No temporary receipt is left beside the receipt.
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().find("receipt.xml."), std::string::npos) << e.path();
    EXPECT_EQ(conn->keyFile, component->GetSoftwareKeyFileName());
    EXPECT_EQ(conn->keyPassword, "pw");
}

TEST_F(EFIPRun, ProgressFormFollowsTheRunAndItsCancelTerminates)
{
    Prepare(WithReceipt(1000), 1500, 250000);
    std::vector<std::string> seen;
    component->OnEFIPReceipt = [&](fw::TObject*, int32_t step, int32_t&, std::string&) {
        e3::TFormProgress* form = e3::FormProgress();
        ASSERT_NE(form, nullptr);
        seen.push_back(form->GroupBox->GetText() + " / " + form->lblPercent->GetText() + " / " +
                       std::to_string(form->Gauge->GetProgress()) + (form->GetVisible() ? " / shown" : " / hidden"));
        if (step == 0)
            form->spbCancel->Click();
    };
    component->Execute();
    const std::string percent = std::to_string(component->ProgressPosition());
    const std::string shown = "Checking Receipt / " + percent + "% / " + percent + " / shown";
    // Step 1 of the receipt event still comes: Cancel ends the loop, not the step.
    EXPECT_EQ(seen, (std::vector<std::string> {shown, shown}));
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].stateExit, 4) << "Cancel terminates the run";
    ASSERT_NE(e3::FormProgress(), nullptr);
    EXPECT_FALSE(e3::FormProgress()->GetVisible());
    EXPECT_EQ(e3::FormProgress()->GetCaption(), "Progress ...");

    // The component that made the form takes it along.
    component.reset();
    EXPECT_EQ(e3::FormProgress(), nullptr);
}

TEST_F(EFIPRun, WithoutShowProgressNoFormAppears)
{
    Prepare(WithReceipt(1000), 1500, 1000);
    component->SetShowProgress(false);
    component->Execute();
    EXPECT_EQ(component->GetError(), 0);
    EXPECT_EQ(e3::FormProgress(), nullptr);
}

TEST_F(EFIPRun, DivisionsFollowTheBlockSize)
{
    const struct {
        const char* serverBlock;
        size_t headerSize;
        std::vector<const char*> headerLengths;
    } cases[] = {
        {"0000000000100000", 100000, {"length=100000 offset=0"}},
        {"0000000000100000", 100001, {"length=100000 offset=0", "length=1 offset=100000"}},
        {"0000000000050000", 100001, {"length=50000 offset=0", "length=50000 offset=50000", "length=1 offset=100000"}},
        {"0000000000200000", 100001, {"length=100000 offset=0", "length=1 offset=100000"}},
        {"not a number!!!!", 100001, {"length=100000 offset=0", "length=1 offset=100000"}},
        {"0000000000000000", 100001, {"length=100000 offset=0", "length=1 offset=100000"}},
    };
    for (const auto& c : cases) {
        efipserver::Options o;
        o.blockSizeText = c.serverBlock;
        debug.clear();
        exits.clear();
        Prepare(o, c.headerSize, 10);
        component->Execute();
        const auto sent = Requests("phdr");
        ASSERT_EQ(sent.size(), c.headerLengths.size()) << c.serverBlock << " " << c.headerSize;
        for (size_t i = 0; i < sent.size(); ++i)
            EXPECT_THAT(sent[i], HasSubstr(c.headerLengths[i])) << c.serverBlock;
        EXPECT_EQ(session->ReceivedHeader(), header);
        EXPECT_EQ(component->GetError(), 0) << c.serverBlock;
    }
    EXPECT_EQ(component->GetBlockSize(), 100000);
}

TEST_F(EFIPRun, ServerWithoutPackageNeedGoesStraightToTheReceipt)
{
    efipserver::Options o = WithReceipt(10);
    o.noPackage = true;
    Prepare(o, 150000, 5000);
    component->Execute();
    EXPECT_EQ(Requests("phdr").size(), 2u); // the early division's RC is 0, the last one's 1
    EXPECT_TRUE(Requests("pdat").empty());
    EXPECT_EQ(ReceiptOnDisk(), receipt);
    EXPECT_EQ(component->GetError(), 0);
}

TEST_F(EFIPRun, ShortRepliesAreRepeatedThenEndedWithPend)
{
    efipserver::Options o = WithReceipt(100);
    o.faults.push_back(Fault("short:phdr:11"));
    Prepare(o);
    component->Execute();

    EXPECT_EQ(Requests("phdr").size(), 11u);
    ASSERT_EQ(Requests("pend").size(), 1u);
    EXPECT_THAT(Requests("pend")[0], HasSubstr("arc=8AC7")); // -30009 in 16 bits
    EXPECT_EQ(component->GetError(), -30009);
    EXPECT_EQ(component->GetEFIPProtocolState(), epClose);
    // Ten waits of more than RecursiveTimeOut seconds.
    EXPECT_GT(clock.elapsed, 50s);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].state, epSend_package_header);
    EXPECT_EQ(errors[1].state, epClose);
    EXPECT_EQ(errors[1].error, -30009);
    EXPECT_EQ(errors[1].msg, "bad response header");
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].error, -30009);
    EXPECT_TRUE(exits[0].goodBye);
    EXPECT_TRUE(Logged("ignore error: recursive counter 10\r\n-30009  bad response header"));
    EXPECT_EQ(ReceiptOnDisk(), "<none>");
}

TEST_F(EFIPRun, HttpFailuresEndTheRunWithoutPend)
{
    efipserver::Options o;
    o.faults.push_back(Fault("http500:pdat:11"));
    Prepare(o);
    component->Execute();
    EXPECT_EQ(Requests("pdat").size(), 11u);
    EXPECT_TRUE(Requests("pend").empty());
    EXPECT_EQ(component->GetError(), 500);
    EXPECT_EQ(component->GetLastMsg(), "Internal Server Error");
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].error, 500);
    EXPECT_TRUE(Logged("http status code: 500  Internal Server Error"));
}

TEST_F(EFIPRun, HttpFailureThatClearsIsNotAnError)
{
    efipserver::Options o = WithReceipt(10);
    o.faults.push_back(Fault("http500:pbeg:3"));
    Prepare(o);
    component->Execute();
    EXPECT_EQ(Requests("pbeg").size(), 4u);
    EXPECT_EQ(component->GetError(), 0);
    EXPECT_EQ(ReceiptOnDisk(), receipt);
}

TEST_F(EFIPRun, ReceiptRefusedByTheEngine)
{
    Prepare(WithReceipt(1000));
    std::vector<int32_t> steps;
    component->OnEFIPReceipt = [&](fw::TObject*, int32_t step, int32_t& code, std::string& msg) {
        steps.push_back(step);
        code = 3;
        msg = "receipt refused";
    };
    component->Execute();
    EXPECT_EQ(steps, (std::vector<int32_t> {0}));
    ASSERT_EQ(Requests("pend").size(), 1u);
    EXPECT_THAT(Requests("pend")[0], HasSubstr("arc=0003"));
    EXPECT_EQ(component->GetError(), 3);
    EXPECT_EQ(component->GetGoodBye(), 3);
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].error, 3);
    EXPECT_EQ(exits[0].msg, "receipt refused");
    EXPECT_EQ(ReceiptOnDisk(), receipt);
}

TEST_F(EFIPRun, ReceiptNotReadyIsAskedAgainWithoutLimit)
{
    efipserver::Options o = WithReceipt(10);
    o.faults.push_back(Fault("notready:prct:25"));
    Prepare(o);
    component->SetGetStatusTimeOut(7);
    component->Execute();
    const auto asked = Requests("prct");
    ASSERT_EQ(asked.size(), 26u);
    for (const auto& line : asked)
        EXPECT_THAT(line, HasSubstr("drc=0000")); // not a repetition after a failure
    EXPECT_GT(clock.elapsed, 25 * 7s);
    EXPECT_EQ(component->GetError(), 0);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(ReceiptOnDisk(), receipt);
}

TEST_F(EFIPRun, RefusalIsFatalAndToldWithPend)
{
    efipserver::Options o;
    o.faults.push_back(Fault("refuse:pdat:1:8000"));
    Prepare(o);
    component->Execute();
    EXPECT_EQ(Requests("pdat").size(), 1u);
    ASSERT_EQ(Requests("pend").size(), 1u);
    EXPECT_THAT(Requests("pend")[0], HasSubstr("arc=8000"));
    EXPECT_EQ(component->GetError(), -32768);
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors[0].error, -32768);
    EXPECT_EQ(errors[0].msg, "refused by test server");
}

TEST_F(EFIPRun, BadReceiptDivisionsAreAskedForAgain)
{
    for (const char* fault : {"badhash", "wrongoffset", "zerolength", "longlength"}) {
        efipserver::Options o = WithReceipt(250000);
        o.faults.push_back(Fault(std::string(fault) + ":prct:2"));
        errors.clear();
        Prepare(o, 100, 100);
        component->Execute();
        EXPECT_EQ(ReceiptOnDisk(), receipt) << fault;
        EXPECT_EQ(component->GetError(), 0) << fault;
        const auto asked = Requests("prct");
        ASSERT_EQ(asked.size(), 5u) << fault;
        EXPECT_THAT(asked[1], HasSubstr("drc=FFFE")) << fault;
        EXPECT_THAT(asked[2], HasSubstr("drc=FFFE")) << fault;
    }
    EXPECT_TRUE(Logged("Hash of division is wrong: hash = "));
}

TEST_F(EFIPRun, ReceiptFromAnotherPlaceNeverCompletes)
{
    efipserver::Options o = WithReceipt(5000);
    o.faults.push_back(Fault("wrongoffset:prct:11"));
    Prepare(o);
    component->Execute();
    EXPECT_EQ(Requests("prct").size(), 11u);
    ASSERT_EQ(Requests("pend").size(), 1u);
    EXPECT_EQ(component->GetError(), -30009);
    EXPECT_EQ(ReceiptOnDisk(), "<none>");
    // Nothing of the half-received receipt stays behind.
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().find("receipt"), std::string::npos);
}

TEST_F(EFIPRun, AnEarlierReceiptIsReplacedOnlyByAWholeOne)
{
    efipserver::Options o = WithReceipt(5000);
    o.faults.push_back(Fault("wrongoffset:prct:11"));
    Prepare(o);
    dir.write("receipt.xml", "earlier receipt");
    component->Execute();
    EXPECT_EQ(component->GetError(), -30009);
    EXPECT_EQ(ReceiptOnDisk(), "earlier receipt");
}

TEST_F(EFIPRun, SuspendStopAndResume)
{
    Prepare(WithReceipt(10));
    bool suspendedOnce = false;
    component->OnEFIPDebug = [&](fw::TObject*, const std::string& msg) {
        if (!suspendedOnce && msg.find("send_WASP") != std::string::npos) {
            suspendedOnce = true;
            component->Suspend();
        }
    };
    component->Execute();
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].stateExit, 1);
    EXPECT_EQ(exits[0].state, epSend_WASP);
    EXPECT_TRUE(component->GetSuspended());

    component->Stop();
    ASSERT_EQ(exits.size(), 2u);
    EXPECT_EQ(exits[1].stateExit, 3);
    EXPECT_EQ(component->GetEFIPProtocolState(), epEnd_transaction);
    EXPECT_TRUE(Requests("pend").empty());

    component->Resume();
    ASSERT_EQ(exits.size(), 3u);
    EXPECT_EQ(exits[2].stateExit, 0);
    EXPECT_EQ(Requests("pend").size(), 1u);
    EXPECT_EQ(component->GetEFIPProtocolState(), epClose);
}

TEST_F(EFIPRun, StopTerminatesAfterTheCommandTimeOut)
{
    efipserver::Options o = WithReceipt(10);
    o.faults.push_back(Fault("notready:prct:1000000"));
    Prepare(o);
    bool stopped = false;
    component->OnEFIPDebug = [&](fw::TObject*, const std::string& msg) {
        if (!stopped && msg.find("get_receipt") != std::string::npos) {
            stopped = true;
            component->Stop();
        }
    };
    const auto start = clock.Now();
    component->Execute();
    ASSERT_EQ(exits.size(), 1u);
    EXPECT_EQ(exits[0].stateExit, 6);
    EXPECT_TRUE(component->GetTerminated());
    EXPECT_GT(clock.Now() - start, 600s);
    EXPECT_LT(clock.Now() - start, 700s);
}

TEST_F(EFIPRun, MissingPackageSendsNothing)
{
    const struct {
        bool certificate;
        bool enterPin;
        int32_t error;
        size_t errorReports;
    } cases[] = {
        {true, false, -30002, 0},
        {true, true, -30002, 1},
        {false, false, -30001, 0},
    };
    for (const auto& c : cases) {
        errors.clear();
        exits.clear();
        Prepare({});
        conn->certificate = c.certificate;
        component->SetEnterSecurityPin(c.enterPin);
        component->SetBlobFile((dir.path() / "missing.wasp").string());
        component->Execute();
        EXPECT_EQ(conn->posts, 0);
        EXPECT_EQ(component->GetError(), c.error);
        EXPECT_EQ(component->GetGoodBye(), 1);
        EXPECT_EQ(errors.size(), c.errorReports);
        ASSERT_EQ(exits.size(), 1u);
        EXPECT_EQ(exits[0].error, c.error);
    }
    // The key file's failure was shown (the component is not Hidden).
    ASSERT_EQ(messages.plain.size(), 1u);
    EXPECT_THAT(messages.plain[0], HasSubstr("client certificate is missing"));
}

TEST_F(EFIPRun, FailedHandshakeTakesTheVerificationVerdict)
{
    const struct {
        int32_t verify;
        int32_t error;
        const char* msg;
    } cases[] = {
        {-30011, -30011, "The URL on the server certificate does not match"},
        {-30012, -30012, "is not trusted"},
        {-30009, -30009, "has expired"},
        {0, -30008, "SSL handshake failure"},
    };
    for (const auto& c : cases) {
        errors.clear();
        Prepare({});
        conn->failHandshake = true;
        conn->verifyError = c.verify;
        component->SetRecursiveCount(2);
        component->Execute();
        EXPECT_EQ(component->GetError(), c.error) << c.verify;
        ASSERT_FALSE(errors.empty());
        EXPECT_THAT(errors[0].msg, HasSubstr(c.msg));
        EXPECT_TRUE(session->ReceivedHeader().empty());
    }
}

TEST_F(EFIPRun, RefusedConnectionIsRepeated)
{
    Prepare({});
    conn->refuseConnection = true;
    component->SetRecursiveCount(3);
    component->Execute();
    EXPECT_EQ(conn->posts, 4 + 4); // "pbeg" four times, then "pend" as often
    EXPECT_EQ(component->GetError(), -10061);
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors[0].msg, "Socket connected error: socket connect refused");
}

TEST_F(EFIPRun, FreeInTheExitEventWaitsForTheRunToReturn)
{
    Prepare(WithReceipt(10));
    bool freed = false;
    bool freedDuringRun = false;
    SetFreeHandler([&](fw::TComponent* c) {
        freed = true;
        freedDuringRun = static_cast<TCustomEFIPProtocol*>(c)->Running();
    });
    component->OnEFIPExit = [&](fw::TObject*, int32_t, int32_t, const std::string&, int32_t, bool) {
        component->Free();
        EXPECT_FALSE(freed);
    };
    component->Execute();
    EXPECT_TRUE(freed);
    EXPECT_FALSE(freedDuringRun);
}

TEST_F(EFIPRun, DebugLogFile)
{
    Prepare(WithReceipt(10));
    component->SetTunnelProxyServer("proxy.test");
    component->SetTunnelProxyPassword("secret-password");
    component->Execute();
    const std::string logName = (dir.path() / "package.tmp").string();
    EXPECT_EQ(component->LogFileName(), logName);
    const std::string log = e3test::ReadWholeFile(logName);
    EXPECT_THAT(log, HasSubstr("<ProxyServer>proxy.test</ProxyServer>"));
    EXPECT_THAT(log, HasSubstr("<ProxyPassword>*****</ProxyPassword>"));
    EXPECT_EQ(log.find("secret-password"), std::string::npos);
    EXPECT_THAT(log, HasSubstr("\r\nSend command:  send_WASP  250000  200000  50000"));
    EXPECT_THAT(log, HasSubstr(std::string(27, ' ') + "transaction_type: pend"));
    EXPECT_THAT(log, HasSubstr("<Client sertificate>\r\n  <Subject>\r\n    CN=Test Client\r\n"));
    EXPECT_THAT(log, ::testing::ContainsRegex("\r\n\r\n\\[[0-9][0-9]\\.[0-9][0-9]\\.[0-9]{4} [0-9][0-9]:[0-9][0-9]:[0-9][0-9]:[0-9]{3}\\]\r\nTriggerExit\r\n"));
    // Each Run starts the file afresh.
    component->Execute();
    const std::string again = e3test::ReadWholeFile(logName);
    EXPECT_EQ(again.find("<URL>"), again.rfind("<URL>"));
}

TEST(EFIPProtocol, ProxyPropertiesFollowTheSSLFlag)
{
    Te3_EFIPProtocol c(nullptr);
    c.SetTunnelProxyServer("tunnel");
    c.SetTunnelProxyPort("3128");
    c.SetSSL(false);
    EXPECT_EQ(c.GetTunnelProxyServer(), "");
    c.SetTunnelProxyServer("plain");
    EXPECT_EQ(c.GetTunnelProxyServer(), "plain");
    c.SetSSL(true);
    EXPECT_EQ(c.GetTunnelProxyServer(), "");   // cleared when the plain one was set
    EXPECT_EQ(c.GetTunnelProxyPort(), "3128"); // untouched
}

TEST(EFIPProtocol, SmallRules)
{
    EXPECT_EQ(ProgressPercent(3, 4, 1000000 / 100000 + 7), 35);
    EXPECT_EQ(ProgressPercent(1, 0, 17), 0);
    EXPECT_EQ(ProgressPercent(0, 0, 17), 0);
    EXPECT_EQ(ProgressPercent(6, 30, 17), 100);

    const struct {
        const char* text;
        int version;
    } versions[] = {{"ssl", 0}, {"SSLv2", 0}, {"sslv3", 1}, {"SSLv23", 2}, {"TLSv1", 3},
                    {"", 2},    {"V3", 2},    {"TLS", 3},   {"x", 2}};
    for (const auto& v : versions)
        EXPECT_EQ(SSLVersionFromText(v.text), v.version) << v.text;
    EXPECT_STREQ(SSLVersionName(-1), "SSLv23");
}

TEST(EFIPProtocol, PublishedNames)
{
    const fw::TClassInfo& c = Te3_EFIPProtocol::StaticClass();
    for (const char* name :
         {"ServerURL", "HeaderFile", "BlobFile", "ReceiptFile", "BlockSize", "RequestTimeOut", "CommandTimeOut",
          "GetStatusTimeOut", "RecursiveCount", "RecursiveTimeOut", "ShowProgress", "Hidden", "SSL", "SSLVersion",
          "KeepAlive", "HTTPVersion", "AcceptLanguage", "ProxyResolveHost", "TunnelProxyServer", "TunnelProxyPort",
          "TunnelProxyUsercode", "TunnelProxyPassword", "SoftwareSecurity", "SoftwareKeyFileName", "SecurityPassword",
          "EnterSecurityPassword", "SecurityPasswordLevel", "SecurityPin", "EnterSecurityPin", "SecurityPinLevel",
          "CertIndex", "CertType", "EFIPProtocolState", "Error", "LastMsg", "GoodBye", "Suspended", "Terminated",
          "SessionStatus", "SessionMessage", "ServerVersion", "OnEFIPDebug", "OnEFIPError", "OnEFIPExit",
          "OnEFIPReceipt", "OnEFIPWaitRequest", "OnEFIPWaitCommand", "_Execute", "_Resume", "_Suspend", "_Stop",
          "_Terminate", "_Free"})
        EXPECT_NE(c.FindProperty(name), nullptr) << name;
    EXPECT_EQ(Te3EFIPProtocol::StaticClass().FindProperty("_Execute"), nullptr);
    EXPECT_TRUE(c.InheritsFromName("TCustomEFIPProtocol"));
    ASSERT_NE(c.Factory(), nullptr);

    // Defaults as the engine finds them.
    std::unique_ptr<fw::TComponent> made(c.Factory()(nullptr));
    auto& p = static_cast<Te3_EFIPProtocol&>(*made);
    EXPECT_EQ(p.GetBlockSize(), 100000);
    // A block size that could never move a transfer on is not taken.
    for (const int32_t refused : {0, -1, -100000}) {
        c.FindProperty("BlockSize")->set(p, int64_t {refused});
        EXPECT_EQ(p.GetBlockSize(), 100000) << refused;
    }
    c.FindProperty("BlockSize")->set(p, int64_t {4096});
    EXPECT_EQ(p.GetBlockSize(), 4096);
    c.FindProperty("BlockSize")->set(p, int64_t {100000});
    EXPECT_EQ(p.GetRequestTimeOut(), 60);
    EXPECT_EQ(p.GetCommandTimeOut(), 600);
    EXPECT_EQ(p.GetGetStatusTimeOut(), 5);
    EXPECT_EQ(p.GetRecursiveCount(), 10);
    EXPECT_EQ(p.GetRecursiveTimeOut(), 5);
    EXPECT_TRUE(p.GetShowProgress());
    EXPECT_TRUE(p.GetSSL());
    EXPECT_EQ(p.GetCertIndex(), -1);
    EXPECT_EQ(p.GetSSLVersion(), "SSLv23");
}

namespace {

// Records the dialogs and token calls of the certificate set-up and answers
// them as scripted.
struct CertificateScript {
    std::string list = "1||128||CN=Alice||CN=CA<|>2||64||CN=Alice Sign||CN=CA";
    int choice = 2;
    bool pinOk = true;
    bool passwordOk = true;
    TokenCertificateResult token {TokenCertificateResult::InPlace, "", "CN=Alice Sign", "CN=CA"};
    std::string tokenFailure; // raised by the token layer when not empty
    std::vector<std::string> calls;
    std::vector<std::string> shown;

    ClientCertificateHooks Hooks()
    {
        ClientCertificateHooks h;
        h.getSmartCardCertList = [this] {
            calls.push_back("list");
            return list;
        };
        h.chooseCertificate = [this](const std::string& text) {
            calls.push_back("choose " + std::to_string(text.size()));
            return choice;
        };
        h.askTokenPin = [this](int index, bool& entered, std::string& pin) {
            calls.push_back("pin " + std::to_string(index));
            entered = pinOk;
            if (pinOk)
                pin = "4321";
            return pinOk;
        };
        h.askKeyFilePassword = [this](const std::string&, std::string& password, bool& entered) {
            calls.push_back("password");
            entered = passwordOk;
            if (passwordOk)
                password = "typed";
            return passwordOk;
        };
        h.useTokenCertificate = [this](int index, const std::string& pin) {
            calls.push_back("token " + std::to_string(index) + " " + pin);
            if (!tokenFailure.empty())
                throw u3::Exception(tokenFailure);
            return token;
        };
        h.showError = [this](const std::string& title, const std::string& text) { shown.push_back(title + ": " + text); };
        return h;
    }
};

class CertificateSetup : public EFIPRun {
protected:
    ~CertificateSetup() override { SetClientCertificateHooks({}); }
    void PrepareCard()
    {
        Prepare(WithReceipt(10), 100, 100);
        component->SetSoftwareSecurity(false);
        SetClientCertificateHooks(script.Hooks());
    }
    void RunOnce()
    {
        script.calls.clear();
        exits.clear();
        component->Execute();
    }
    CertificateScript script;
};

TEST_F(CertificateSetup, SmartCardChoiceAndPin)
{
    PrepareCard();
    RunOnce();
    EXPECT_EQ(script.calls, (std::vector<std::string> {"list", "choose 53", "pin 2", "token 2 4321"}));
    EXPECT_EQ(component->GetError(), 0);
    EXPECT_TRUE(Logged("<Client sertificate>\r\n  <Subject>\r\n    CN=Alice Sign\r\n  </Subject>"));
    EXPECT_EQ(ReceiptOnDisk().size(), 10u);

    // The PIN was entered: a run at level 0 asks nothing and uses the card again.
    RunOnce();
    EXPECT_EQ(script.calls, (std::vector<std::string> {"token 2 4321"}));

    // Level 1 asks for the certificate and the PIN on every run.
    component->SetSecurityPinLevel(1);
    script.choice = 1;
    RunOnce();
    EXPECT_EQ(script.calls, (std::vector<std::string> {"list", "choose 53", "pin 1", "token 1 4321"}));

    // At level 0 an index the engine set is used as it is.
    component->SetSecurityPinLevel(0);
    component->SetEnterSecurityPin(false);
    component->SetCertIndex(5);
    RunOnce();
    EXPECT_EQ(script.calls, (std::vector<std::string> {"token 5 4321"}));
    EXPECT_TRUE(script.shown.empty());
}

TEST_F(CertificateSetup, SmartCardFailures)
{
    const struct {
        const char* name;
        std::function<void(CertificateScript&)> setUp;
        std::vector<std::string> calls;
        int32_t error;
        std::string lastMsg;
        std::string shown;
    } cases[] = {
        {"no list", [](CertificateScript& s) { s.list.clear(); }, {"list"}, -30016,
         "PKCS11 library initialisation failed.", ""},
        {"nothing chosen", [](CertificateScript& s) { s.choice = -1; }, {"list", "choose 53"}, -30001,
         "client certificate is missing", ""},
        {"PIN cancelled", [](CertificateScript& s) { s.pinOk = false; }, {"list", "choose 53", "pin 2"}, -30001,
         "client certificate is missing", ""},
        {"no tokens", [](CertificateScript& s) { s.token = {TokenCertificateResult::NoTokens, "", "", ""}; },
         {"list", "choose 53", "pin 2", "token 2 4321"}, -30001, "client certificate is missing",
         "Error: error get certificates from PKCS11"},
        {"not found", [](CertificateScript& s) { s.token = {TokenCertificateResult::NotFound, "0a1b", "", ""}; },
         {"list", "choose 53", "pin 2", "token 2 4321"}, -30001, "client certificate is missing",
         "Error: Could not found certificate key_id - 0a1b or PIN wrong"},
        {"expired", [](CertificateScript& s) { s.token = {TokenCertificateResult::Expired, "", "", ""}; },
         {"list", "choose 53", "pin 2", "token 2 4321"}, -30001, "client certificate is missing",
         "Error: User certificate appears to have expired. Please contact VTQ customer services."},
        {"token layer raises", [](CertificateScript& s) { s.tokenFailure = "C_Login failed: a0h"; },
         {"list", "choose 53", "pin 2", "token 2 4321"}, -30016, "C_Login failed: a0h", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        script = CertificateScript();
        c.setUp(script);
        PrepareCard();
        RunOnce();
        EXPECT_EQ(script.calls, c.calls);
        EXPECT_EQ(component->GetError(), c.error);
        EXPECT_EQ(component->GetLastMsg(), c.lastMsg);
        EXPECT_EQ(component->GetGoodBye(), 1);
        ASSERT_EQ(exits.size(), 1u);
        EXPECT_EQ(exits[0].error, c.error);
        EXPECT_EQ(script.shown, c.shown.empty() ? std::vector<std::string>() : std::vector<std::string> {c.shown});
        EXPECT_TRUE(Requests("").empty());
        // Nothing usable was chosen: the next run asks again from the list.
        const std::string name = c.name;
        if (name == "no list" || name == "nothing chosen" || name == "PIN cancelled") {
            script.calls.clear();
            script.list.clear();
            RunOnce();
            ASSERT_FALSE(script.calls.empty());
            EXPECT_EQ(script.calls[0], "list");
        }
    }
    // Hidden: the failures are not shown.
    script = CertificateScript();
    script.token = {TokenCertificateResult::Expired, "", "", ""};
    PrepareCard();
    component->SetHidden(true);
    RunOnce();
    EXPECT_EQ(component->GetError(), -30001);
    EXPECT_TRUE(script.shown.empty());
}

TEST_F(CertificateSetup, KeyFilePassword)
{
    Prepare(WithReceipt(10), 100, 100);
    SetClientCertificateHooks(script.Hooks());
    script.passwordOk = false;
    RunOnce();
    EXPECT_EQ(script.calls, (std::vector<std::string> {"password"}));
    EXPECT_EQ(component->GetError(), -30001);
    EXPECT_TRUE(script.shown.empty()); // a cancelled dialog is no message
    EXPECT_TRUE(messages.plain.empty());

    script.passwordOk = true;
    RunOnce();
    EXPECT_EQ(script.calls, (std::vector<std::string> {"password"}));
    EXPECT_EQ(conn->keyPassword, "typed");
    EXPECT_EQ(component->GetError(), 0);

    // Entered at level 0: not asked again.
    RunOnce();
    EXPECT_TRUE(script.calls.empty());

    // The SSL library cannot be used: nothing is asked.
    auto hooks = script.Hooks();
    hooks.initSSL = [] { return false; };
    SetClientCertificateHooks(hooks);
    component->SetSecurityPasswordLevel(1);
    RunOnce();
    EXPECT_TRUE(script.calls.empty());
    EXPECT_EQ(component->GetError(), -30015);
}

} // namespace
