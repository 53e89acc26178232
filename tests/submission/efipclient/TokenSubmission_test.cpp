// A whole submission whose client key lives on a card (SoftHSM2): the
// checker lists the card's certificates, the user picks one in the chooser and
// types the PIN, the card signs the TLS handshake, and the test reception
// server, which insists on a client certificate from its CA, hands back the
// receipt.
#include "SoftHsmFixture.h"

#include "submission/efip/EFIPProtocol.h"
#include "client/submission/EFIPRegistration.h"
#include "submission/pkcs11/Pkcs11.h"
#include "submission/ssl/SSLContext.h"

#include "client/CertificateList.h"
#include "client/FrmPin.h"
#include "e3/buttons/SpeedButton.h"
#include "e3/edits/UnicodeEdit.h"
#include "e3/grids/DLDrawGrid.h"
#include "platform/SmartCardChecker.h"
#include "support/SeededBytes.h"
#include "support/ChildProcess.h"
#include "u3/CommandLine.h"
#include "u3/ProcUtils.h"

#include <QTimer>

#include <gmock/gmock.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <random>
#include <thread>

namespace e3test {
namespace {

using namespace std::chrono_literals;

const std::string kServer = std::string(E3_BUILD_DIR) + "/tools/efip-server/efip-server";
const std::string kStandIn = std::string(E3_BUILD_DIR) + "/tools/scard-standin/SCard";

// The list text a checker gives for the cards: every certificate numbered in
// the order the token layer finds them.
std::string CheckerListOfTheCards()
{
    std::string text;
    const submission::TCERTS& certs = submission::TokenCertificates();
    for (size_t i = 0; i < certs.size(); ++i) {
        if (i > 0)
            text += "<|>";
        text += std::to_string(i + 1) + "||" + std::to_string(certs[i].keyUsage & 0xFF) + "||" + certs[i].subject +
                "||" + certs[i].issuer;
    }
    return text;
}

class TokenSubmission : public SoftHsmTest {
protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR"))
            oldRuntimeDir_ = old;
        SoftHsmTest::SetUp();
        if (HasFatalFailure())
            return;
        std::filesystem::create_directories(dir_.path() / "runtime");
        ::setenv("XDG_RUNTIME_DIR", Path("runtime").c_str(), 1);
        std::filesystem::create_directories(dir_.path() / "cadir");
        MustRun({"openssl", "x509", "-in", Path("ca.pem"), "-outform", "DER", "-out", Path("cadir/ca.der")});
        e3ssl::SetSSLCADir(Path("cadir"));
        e3ssl::SetSSLVerify(true);
        efip::RegisterEFIPClasses();
    }
    void TearDown() override
    {
        component_.reset();
        if (server_)
            server_->Stop();
        platform::CloseSmartCardChecker();
        if (checker_ > 0)
            u3::TerminateProcessExecute(checker_, false);
        if (oldRuntimeDir_)
            ::setenv("XDG_RUNTIME_DIR", oldRuntimeDir_->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
        SoftHsmTest::TearDown();
    }

    void StartChecker(const std::string& list)
    {
        checker_ = u3::StartCommandLine(u3::JoinCommandLine({kStandIn, "--list", list}));
        ASSERT_GT(checker_, 0) << kStandIn;
        const auto deadline = std::chrono::steady_clock::now() + 15s;
        while (!platform::SmartCardCheckerRunning()) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the stand-in never answered";
            std::this_thread::sleep_for(10ms);
        }
    }

    void StartServer()
    {
        std::filesystem::create_directories(dir_.path() / "store");
        receipt_ = dir_.write("served-receipt.xml", e3test::SeededBytes(120000, 7));
        server_ = std::make_unique<ChildProcess>(
            std::vector<std::string> {kServer, "--cert", Path("server.pem"), "--key", Path("server.key"), "--ca",
                                      Path("ca.pem"), "--receipt", receipt_, "--store", Path("store"), "--log",
                                      Path("server.log")},
            SIGTERM);
        server_->ReadFirstLine();
        port_ = server_->PrintedPort("PORT");
        ASSERT_GT(port_, 0);
    }

    void MakeComponent()
    {
        component_ = std::make_unique<efip::Te3_EFIPProtocol>(nullptr);
        auto& c = *component_;
        c.SetServerURL("https://localhost:" + std::to_string(port_) + "/");
        c.SetHeaderFile(dir_.write("package.hdr", e3test::SeededBytes(1500, 1)));
        c.SetBlobFile(dir_.write("package.wasp", e3test::SeededBytes(250000, 2)));
        c.SetReceiptFile(Path("receipt.xml"));
        c.SetSoftwareSecurity(false);
        c.SetShowProgress(false);
        c.SetRecursiveCount(0); // a failure shows at once, not after repetitions
        c.SetGetStatusTimeOut(0);
        c.OnEFIPExit = [this](fw::TObject*, int32_t state, int32_t error, const std::string& msg, int32_t, bool) {
            exits_.push_back({state, error, msg});
        };
    }

    // Answers the chooser (picking the certificate whose subject holds
    // subject) and the PIN form as a user would, whenever they are open.
    void AnswerDialogs(const std::string& subject, const std::string& pin)
    {
        answering_.setInterval(10);
        QObject::connect(&answering_, &QTimer::timeout, [this, subject, pin] {
            for (fw::TCustomForm* f : fw::TCustomForm::AllForms()) {
                if (auto* chooser = dynamic_cast<client::TFormCertificates*>(f); chooser && chooser->IsShowing()) {
                    ++choosers_;
                    const auto& entries = chooser->certificates->Entries();
                    for (size_t r = 0; r < entries.size(); ++r)
                        if (client::CertificateField(entries[r], 2).find(subject) != std::string::npos)
                            chooser->grdCertificates->Set_Row(static_cast<int32_t>(r));
                    chooser->btnSubmitClick(chooser->btnSubmit);
                    return;
                }
                if (auto* form = dynamic_cast<client::TFormPin*>(f); form && form->IsShowing()) {
                    ++pinForms_;
                    form->edtPin->SetText(pin);
                    uint16_t enter = 13;
                    form->FormKeyDown(enter, 0);
                    return;
                }
            }
        });
        answering_.start();
    }

    struct Exit {
        int32_t state, error;
        std::string msg;
    };
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<efip::Te3_EFIPProtocol> component_;
    std::vector<Exit> exits_;
    std::string receipt_;
    int port_ = 0;
    pid_t checker_ = 0;
    QTimer answering_;
    int choosers_ = 0, pinForms_ = 0;

private:
    std::optional<std::string> oldRuntimeDir_;
};

TEST_F(TokenSubmission, TheCardsKeySignsTheHandshakeOfAWholeRun)
{
    ASSERT_TRUE(submission::EnumTokenCertificates(""));
    ASSERT_EQ(submission::TokenCertificates().size(), 5u);
    StartChecker(CheckerListOfTheCards());
    StartServer();
    MakeComponent();
    AnswerDialogs("Client One", kTokenPin);

    Mark();
    component_->Execute();
    answering_.stop();
    ASSERT_EQ(exits_.size(), 1u);
    EXPECT_EQ(exits_[0].error, 0) << exits_[0].msg;
    EXPECT_EQ(exits_[0].state, efip::epClose);
    EXPECT_EQ(ReadWholeFile(Path("receipt.xml")), ReadWholeFile(receipt_));
    EXPECT_EQ(ReadWholeFile(Path("store/package.bin")), ReadWholeFile(Path("package.wasp")));
    EXPECT_EQ(choosers_, 1);
    EXPECT_EQ(pinForms_, 1);
    // The handshake's signature was made on the card, after a login with the PIN.
    EXPECT_GE(CountSinceMark("C_Sign"), 1);
    EXPECT_GE(CountSinceMark("C_Login"), 1);
}

TEST_F(TokenSubmission, ACertificateWithoutItsKeyOnTheCardEndsTheRunWithoutAReceipt)
{
    ASSERT_TRUE(submission::EnumTokenCertificates(""));
    StartChecker(CheckerListOfTheCards());
    StartServer();
    MakeComponent();
    // The card holds no private key under the id of "Client Two": nothing
    // can sign the handshake.
    AnswerDialogs("Client Two", kTokenPin);

    Mark();
    component_->Execute();
    answering_.stop();
    ASSERT_EQ(exits_.size(), 1u);
    EXPECT_EQ(exits_[0].error, -30008) << exits_[0].msg; // the handshake failed
    EXPECT_EQ(exits_[0].msg, "SSL handshake failure");
    EXPECT_FALSE(std::filesystem::exists(Path("receipt.xml")));
    EXPECT_FALSE(std::filesystem::exists(Path("store/header.bin")));
    EXPECT_EQ(choosers_, 1);
    EXPECT_EQ(CountSinceMark("C_Sign"), 0);
}

} // namespace
} // namespace e3test
