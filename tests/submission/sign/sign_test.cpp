// The signing component as the engine drives it: made by class name,
// configured through published properties, run through its actions.
#include "submission/sign/Sign.h"

#include "client/submission/SignRegistration.h"

#include "client/ClassRegistry.h"
#include "client/EventList.h"
#include "platform/SmartCardChecker.h"
#include "submission/crypto/Crypto.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"
#include "u3/Base64.h"
#include "u3/CommandLine.h"
#include "u3/Files.h"
#include "u3/ProcUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

namespace {

using namespace std::chrono_literals;
using namespace submission;
using e3test::ReadWholeFile;

const std::string kStandIn = std::string(E3_BUILD_DIR) + "/tools/scard-standin/SCard";

struct Events {
    int certificateLists = 0;
    int signs = 0;
    std::vector<int32_t> checkPins;
    bool error = false;
    std::string certList;
};

class SignTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR"))
            oldRuntimeDir_ = old;
        ::setenv("XDG_RUNTIME_DIR", runtime_.str().c_str(), 1);
        u3::SetExeNameOverride(Path("filingclient"));
        CryptoSettings() = CryptoReporting {};

        RegisterSignClasses();
        sign_.reset(client::CreateComponentByClassName("Te3Sign", nullptr));
        ASSERT_TRUE(sign_);
        ASSERT_EQ(sign_->ClassName(), "Te3_Sign");
        auto* s = static_cast<TCustomSign*>(sign_.get());
        s->OnCertificateList = [this](fw::TObject*, bool error, const std::string& list) {
            ++events_.certificateLists;
            events_.error = error;
            events_.certList = list;
        };
        s->OnSign = [this](fw::TObject*, bool error) {
            ++events_.signs;
            events_.error = error;
        };
        s->OnCheckPin = [this](fw::TObject*, int32_t error) { events_.checkPins.push_back(error); };
    }
    void TearDown() override
    {
        platform::CloseSmartCardChecker();
        if (checker_ > 0)
            u3::TerminateProcessExecute(checker_, false);
        sign_.reset();
        u3::SetExeNameOverride("");
        if (oldRuntimeDir_)
            ::setenv("XDG_RUNTIME_DIR", oldRuntimeDir_->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
    }

    std::string Path(const std::string& name) const { return (dir_.path() / name).string(); }

    // Writes a published property or action the way the engine does.
    void Set(const std::string& name, const fw::PropValue& value)
    {
        const fw::TPropInfo* p = sign_->ClassType().FindProperty(name);
        ASSERT_NE(p, nullptr) << name;
        p->set(*sign_, value);
    }
    fw::PropValue Get(const std::string& name)
    {
        return sign_->ClassType().FindProperty(name)->get(*sign_);
    }
    std::string Text(const std::string& name) { return std::get<std::string>(Get(name)); }
    bool Flag(const std::string& name) { return std::get<int64_t>(Get(name)) != 0; }

    void MakeKeyFile()
    {
        ASSERT_EQ(e3test::RunProgram({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
                                      Path("key.pem"), "-out", Path("cert.pem"), "-subj", "/CN=Signer",
                                      "-days", "30"})
                      .first,
                  0);
        ASSERT_EQ(e3test::RunProgram({"openssl", "pkcs12", "-export", "-legacy", "-in", Path("cert.pem"), "-inkey",
                                      Path("key.pem"), "-out", Path("key.p12"), "-passout", "pass:secret"})
                      .first,
                  0);
        Set("SoftwareSecurity", int64_t {1});
        Set("SoftwareKeyFileName", Path("key.p12"));
        Set("SecurityPassword", std::string("secret"));
    }

    ::testing::AssertionResult StartChecker(const std::string& list)
    {
        checker_ = u3::StartCommandLine(u3::JoinCommandLine({kStandIn, "--list", list}));
        if (checker_ == 0)
            return ::testing::AssertionFailure() << "could not start " << kStandIn;
        const auto deadline = std::chrono::steady_clock::now() + 15s;
        while (!platform::SmartCardCheckerRunning()) {
            if (std::chrono::steady_clock::now() > deadline)
                return ::testing::AssertionFailure() << "the stand-in never answered";
            std::this_thread::sleep_for(10ms);
        }
        return ::testing::AssertionSuccess();
    }

    e3test::TempDir dir_;
    e3test::TempDir runtime_;
    std::unique_ptr<fw::TComponent> sign_;
    Events events_;
    uint32_t checker_ = 0;

private:
    std::optional<std::string> oldRuntimeDir_;
};

TEST_F(SignTest, PublishesItsDefaults)
{
    EXPECT_EQ(std::get<int64_t>(Get("CertIndex")), -1);
    EXPECT_EQ(Text("SecurityPKCS11Index"), "-1");
    EXPECT_EQ(std::get<int64_t>(Get("Tipo")), 1);
    EXPECT_EQ(std::get<int64_t>(Get("SecurityPasswordLevel")), 1);
    EXPECT_TRUE(Flag("AtivaScard"));
    EXPECT_FALSE(Flag("SoftwareSecurity"));
    Set("CertIndex", int64_t {3});
    EXPECT_EQ(Text("SecurityPKCS11Index"), "3");
    // Actions take whatever the engine writes.
    for (const char* action : {"_GetCertificates", "_Sign", "_CheckPin", "_TestPassword", "_OpenScard", "_CloseSession"})
        EXPECT_TRUE(sign_->ClassType().FindProperty(action)) << action;
    Set("_CheckPin", std::string("True"));
    EXPECT_EQ(events_.checkPins, std::vector<int32_t>({0}));
}

TEST_F(SignTest, SignsWithAKeyFileAndWritesTheBase64CopyOnlyOnSuccess)
{
    MakeKeyFile();
    std::string content = "to be signed\n";
    content += '\0';
    dir_.write("in.txt", content);
    Set("InFileName", Path("in.txt"));
    Set("OutFileName", Path("in.p7s"));
    Set("Base64", int64_t {1});
    Set("Base64FileName", Path("in.b64"));

    Set("_Sign", std::string("1"));
    EXPECT_EQ(events_.signs, 1);
    EXPECT_FALSE(events_.error);
    EXPECT_FALSE(Flag("Error"));
    const std::string signature = ReadWholeFile(Path("in.p7s"));
    ASSERT_FALSE(signature.empty());
    EXPECT_EQ(ReadWholeFile(Path("in.b64")), u3::StringToBase64(signature));

    // A wrong password: OnSign still comes (with the default of raising
    // crypto failures), Error and ErrorMessage say why, no Base64 copy.
    std::filesystem::remove(Path("in.b64"));
    Set("SecurityPassword", std::string("wrong"));
    Set("_Sign", std::string("1"));
    EXPECT_EQ(events_.signs, 2);
    EXPECT_TRUE(events_.error);
    EXPECT_TRUE(Flag("Error"));
    EXPECT_EQ(Text("ErrorMessage"), "Could not read certificate from " + Path("key.p12"));
    EXPECT_FALSE(std::filesystem::exists(Path("in.b64")));

    // No input file at all.
    Set("InFileName", Path("missing.txt"));
    Set("SecurityPassword", std::string("secret"));
    Set("_Sign", std::string("1"));
    EXPECT_EQ(events_.signs, 3);
    EXPECT_TRUE(events_.error);
}

TEST_F(SignTest, ListsTheKeyFileCertificateUnlessItsIssuerIsProhibited)
{
    MakeKeyFile();
    Set("Tipo", int64_t {0});
    struct Case {
        const char* certProib;
        bool error;
        std::string list;
    };
    const std::string normal = "1||0||/CN=Signer||/CN=Signer||/CN=Signer";
    for (const Case& c : {Case {nullptr, false, normal},
                          Case {"", false, normal},
                          Case {"Other CA;;", false, normal},
                          Case {"a;;b", false, normal},
                          Case {"Other CA;cn=SIGN", true, "CHANCELA"}}) {
        SCOPED_TRACE(c.certProib ? c.certProib : "(no key)");
        if (c.certProib)
            dir_.write("filingclient.ini", std::string("[Common]\r\nCertProib=") + c.certProib + "\r\n");
        events_ = {};
        Set("_GetCertificates", std::string("1"));
        EXPECT_EQ(events_.certificateLists, 1);
        EXPECT_EQ(events_.error, c.error);
        EXPECT_EQ(events_.certList, c.list);
        EXPECT_EQ(Text("CertList"), c.list);
    }

    // Tipo 1 with a key file: no list, no event.
    Set("Tipo", int64_t {1});
    Set("CertList", std::string());
    events_ = {};
    Set("_GetCertificates", std::string("1"));
    EXPECT_EQ(events_.certificateLists, 0);
    EXPECT_EQ(Text("CertList"), "");

    // A key file that does not open is an error without a list.
    Set("Tipo", int64_t {0});
    Set("SecurityPassword", std::string("wrong"));
    Set("_GetCertificates", std::string("1"));
    EXPECT_EQ(events_.certificateLists, 1);
    EXPECT_TRUE(events_.error);
}

TEST_F(SignTest, TheSmartCardPathGoesThroughTheChecker)
{
    const std::string list = "1||192||CN=Holder||CN=Card CA";
    ASSERT_TRUE(StartChecker(list));
    Set("_GetCertificates", std::string("1"));
    EXPECT_EQ(events_.certificateLists, 1);
    EXPECT_FALSE(events_.error);
    EXPECT_EQ(events_.certList, list);

    dir_.write("in.txt", "abc");
    Set("InFileName", Path("in.txt"));
    Set("OutFileName", Path("in.sig"));
    // Without a chosen certificate the checker is not asked.
    Set("_Sign", std::string("1"));
    EXPECT_TRUE(events_.error);
    EXPECT_FALSE(std::filesystem::exists(Path("in.sig")));

    Set("CertIndex", int64_t {1});
    Set("_Sign", std::string("1"));
    EXPECT_FALSE(events_.error);
    // The stand-in writes the SHA-1 of what it signed.
    EXPECT_EQ(ReadWholeFile(Path("in.sig")), "a9993e364706816aba3e25717850c26c9cd0d89d");

    // _TestPassword signs the test file beside itself and is silent on success.
    dir_.write("probe.tmp", "abc");
    Set("TempName", Path("probe.tmp"));
    Set("_TestPassword", std::string("1"));
    EXPECT_TRUE(std::filesystem::exists(Path("probe.sgn")));
    EXPECT_TRUE(events_.checkPins.empty());
    // A test file the checker cannot read: OnCheckPin 1001.
    Set("TempName", Path("missing.tmp"));
    Set("_TestPassword", std::string("1"));
    EXPECT_EQ(events_.checkPins, std::vector<int32_t>({1001}));
}

TEST_F(SignTest, WithoutACheckerTheListIsAnErrorAndTestPasswordIsSilent)
{
    Set("_GetCertificates", std::string("1"));
    EXPECT_EQ(events_.certificateLists, 1);
    EXPECT_TRUE(events_.error);
    EXPECT_EQ(events_.certList, "");
    Set("_TestPassword", std::string("1"));
    EXPECT_TRUE(events_.checkPins.empty());
}

TEST_F(SignTest, UnconnectedItReachesNoCheckerEvenWhenOneRuns)
{
    ASSERT_TRUE(StartChecker("1||192||CN=Holder||CN=Card CA"));
    SetSignHooks({});
    Set("_GetCertificates", std::string("1"));
    EXPECT_EQ(events_.certificateLists, 1);
    EXPECT_TRUE(events_.error);
    EXPECT_EQ(events_.certList, "");
    dir_.write("in.txt", "abc");
    Set("InFileName", Path("in.txt"));
    Set("OutFileName", Path("in.sig"));
    Set("CertIndex", int64_t {1});
    Set("_Sign", std::string("1"));
    EXPECT_TRUE(events_.error);
    EXPECT_FALSE(std::filesystem::exists(Path("in.sig")));
}

TEST(IssuerProhibited, EmptyEntriesNeverMatch)
{
    EXPECT_FALSE(IssuerProhibited("", "/CN=Any"));
    EXPECT_FALSE(IssuerProhibited(";;", "/CN=Any"));
    EXPECT_FALSE(IssuerProhibited("a;;b", "/CN=Xyz"));
    EXPECT_TRUE(IssuerProhibited("a;;b", "/CN=Bob"));
    EXPECT_TRUE(IssuerProhibited("x;CN=ANY", "/cn=any ca"));
}

} // namespace

namespace {

// The engine binds the component's events to the event list's handlers,
// which must therefore have the very same signatures.
TEST(SignEvents, BindToTheEventListsHandlers)
{
    client::TEventList list(nullptr);
    submission::Te3_Sign sign(nullptr);
    for (const char* name : {"OnCertificateList", "OnSign", "OnCheckPin"}) {
        SCOPED_TRACE(name);
        const fw::TPropInfo* handler = list.ClassType().FindProperty(name);
        const fw::TPropInfo* event = sign.ClassType().FindProperty(name);
        ASSERT_TRUE(handler && event);
        EXPECT_NO_THROW(event->set(sign, handler->get(list)));
        EXPECT_EQ(event->eventType->handlerType, handler->eventType->handlerType);
    }
    EXPECT_TRUE(static_cast<bool>(sign.OnSign));
    // Published for the engine, never raised: the event list has no handler.
    EXPECT_TRUE(sign.ClassType().FindProperty("OnOpenScard"));
}

} // namespace
