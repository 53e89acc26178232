// The SSL preparation the engine asks for before a submission, and the folder
// of trusted certificates it sets.
#include "ClientFixture.h"

#include "client/MessageDialog.h"
#include "submission/crypto/Crypto.h"
#include "submission/ssl/SSLContext.h"
#include "support/RecordingUserMessages.h"

#include <QToolButton>
#include <QLabel>

using namespace e3test;

namespace {

class RecordingDialogs final : public client::MessageDialogSeam {
public:
    RecordingDialogs() { client::SetMessageDialogSeam(this); }
    ~RecordingDialogs() override { client::SetMessageDialogSeam(nullptr); }
    void Run(client::TMessageForm& form) override
    {
        shown.push_back(form.GetCaption() + "|" + form.MessageLabel()->text().toStdString());
        for (auto* b : form.Buttons())
            captions.push_back(b->text().toStdString());
        form.ButtonClick(0);
    }
    void Beep() override {}
    std::vector<std::string> shown, captions;
};

class InitOpenSSLTest : public ClientFixture {
protected:
    void SetUp() override
    {
        ClientFixture::SetUp();
        e3ssl::FreeSSLContext();
        e3ssl::SetSSLVerify(true);
        saved_ = submission::CryptoSettings();
    }
    void TearDown() override
    {
        e3ssl::FreeSSLContext();
        e3ssl::SetSSLVerify(true);
        e3ssl::SetSSLCADir("");
        submission::CryptoSettings() = saved_;
        ClientFixture::TearDown();
    }
    void Set(const std::string& property, const std::string& value)
    {
        const fw::TPropInfo* p = theClient->ClassType().FindProperty(property);
        ASSERT_NE(p, nullptr) << property;
        p->set(*theClient, value);
    }

private:
    submission::CryptoReporting saved_;
};

TEST_F(InitOpenSSLTest, VerificationFollowsTheIniAndAnOffSwitchIsShown)
{
    struct Case {
        const char* ini; // nullptr: no INI file
        bool verify;
        bool warned;
    };
    const Case cases[] = {
        {nullptr, true, false},
        {"[Common]\nSSLVerify=1\n", true, false},
        {"[Common]\nSSLVerify=0\n", false, true},
        {"[Common]\nSSLVerify=no\n", true, false}, // not a number: the default
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini ? c.ini : "no INI");
        std::remove((dir.str() + "/front.ini").c_str());
        if (c.ini)
            dir.write("front.ini", c.ini);
        e3ssl::FreeSSLContext();
        RecordingDialogs dialogs;
        Set("_InitOpenSSL", "");
        EXPECT_EQ(e3ssl::SSLVerify(), c.verify);
        if (c.warned) {
            EXPECT_EQ(dialogs.shown, std::vector<std::string> {"Warning|SSLVerify"});
            EXPECT_EQ(dialogs.captions, std::vector<std::string> {"&OK"});
        } else {
            EXPECT_TRUE(dialogs.shown.empty());
        }
        ASSERT_NE(e3ssl::GlobalSSLContext(), nullptr);
        EXPECT_EQ(e3ssl::GlobalSSLContext()->Version(), e3ssl::sslVersionSSLv3);
    }
}

TEST_F(InitOpenSSLTest, TheMethodNamePicksTheContextAndCryptoErrorsStopRaising)
{
    Set("_InitOpenSSL", "SSLv23");
    ASSERT_NE(e3ssl::GlobalSSLContext(), nullptr);
    EXPECT_EQ(e3ssl::GlobalSSLContext()->Version(), e3ssl::sslVersionSSLv23);
    EXPECT_FALSE(submission::CryptoSettings().raise);
    EXPECT_FALSE(submission::CryptoSettings().logToFile);
}

TEST_F(InitOpenSSLTest, CADirGoesToTheSSLLayer)
{
    Set("CADir", dir.str() + "/ca");
    EXPECT_EQ(e3ssl::SSLCADir(), dir.str() + "/ca");
}

} // namespace
