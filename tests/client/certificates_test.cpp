// The certificate list text and the PIN and password form.
#include "client/CertificateList.h"
#include "client/FrmPin.h"
#include "client/MessageDialog.h"
#include "e3/buttons/SpeedButton.h"
#include "e3/display/Label.h"
#include "e3/edits/UnicodeEdit.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <QLabel>
#include <QTimer>

#include <gtest/gtest.h>

#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <cstdio>

namespace {

TEST(CertificateList, EntriesFieldsAndIndexes)
{
    const auto entries =
        client::ParseCertificateList("  1||128||CN=Alice||CN=CA||extra<|>x||64||CN=Bob<|>12||0||CN=Carol||CN=CA \r\n");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(client::CertificateField(entries[0], 2), "CN=Alice");
    EXPECT_EQ(client::CertificateField(entries[0], 4), "extra");
    EXPECT_EQ(client::CertificateField(entries[1], 3), ""); // missing field
    EXPECT_EQ(client::CertificateField(entries[2], 3), "CN=CA");
    EXPECT_EQ(client::CertificateIndex(entries[0]), 1);
    EXPECT_EQ(client::CertificateIndex(entries[1]), -1);
    EXPECT_EQ(client::CertificateIndex(entries[2]), 12);
    EXPECT_TRUE(client::ParseCertificateList(" \r\n").empty());
    EXPECT_EQ(client::ParseCertificateList("7||128||CN=Only||CN=CA").size(), 1u);
}

TEST(CertificateList, KeyUsageNames)
{
    const struct {
        std::string field, names;
    } cases[] = {
        {"240", "Digital Signature, Key encipherment, Data encipherment, Non repudiation"},
        {"64", "Non repudiation"},
        {"160", "Digital Signature, Key encipherment"},
        {"0", ""},
        {"", ""},
        {"sign", ""},
        {"386", "Digital Signature"}, // bits above the first byte are not key usages shown here
    };
    for (const auto& c : cases)
        EXPECT_EQ(client::KeyUsageNames(c.field), c.names) << c.field;
}

// Answers every message dialog with its first button and records its text.
class Messages final : public client::MessageDialogSeam {
public:
    Messages() { client::SetMessageDialogSeam(this); }
    ~Messages() override { client::SetMessageDialogSeam(nullptr); }
    void Run(client::TMessageForm& form) override
    {
        texts.push_back(form.MessageLabel()->text().toStdString());
        form.ButtonClick(0);
    }
    void Beep() override {}
    std::vector<std::string> texts;
};

// A key file protected by "secret"; valid now or expired since yesterday.
std::string MakeKeyFile(const e3test::TempDir& dir, const std::string& name, bool expired)
{
    EVP_PKEY* key = EVP_RSA_gen(2048);
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 7);
    X509_gmtime_adj(X509_getm_notBefore(cert), expired ? -30L * 86400 : -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), expired ? -86400 : 30L * 86400);
    X509_NAME* subject = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("Signer"), -1, -1, 0);
    X509_set_issuer_name(cert, subject);
    X509_set_pubkey(cert, key);
    X509_sign(cert, key, EVP_sha256());
    PKCS12* p12 = PKCS12_create("secret", "key", key, cert, nullptr, 0, 0, 0, 0, 0);
    const std::string path = dir.str() + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    i2d_PKCS12_fp(f, p12);
    std::fclose(f);
    PKCS12_free(p12);
    X509_free(cert);
    EVP_PKEY_free(key);
    return path;
}

TEST(FormPin, PasswordModeTriesThePasswordOnTheKeyFile)
{
    e3test::TempDir dir;
    const std::string good = MakeKeyFile(dir, "good.p12", false);
    const std::string old = MakeKeyFile(dir, "old.p12", true);
    Messages messages;

    client::TFormPin form(nullptr);
    form.Mode = client::TFormPin::pmPassword;
    form.KeyFileName = good;
    form.FormShow(&form);
    EXPECT_EQ(form.GetCaption(), "Please enter password");
    EXPECT_EQ(form.lblEnter->GetText(), "Enter password for: good.p12");
    EXPECT_EQ(form.lblInfo->GetText(), "Ready to sign data using your password.\r\n\r\nIt will be used to establish a "
                                       "secure session with the server and to submit the application.");
    EXPECT_EQ(form.edtPin->GetPasswordChar(), "*");

    // A wrong password keeps the form for another try.
    form.edtPin->SetText("wrong");
    form.btnOkClick(form.btnOk);
    EXPECT_EQ(messages.texts, (std::vector<std::string> {"Incorrect password entered"}));
    EXPECT_EQ(form.GetModalResult(), fw::mrNone);
    form.edtPin->SetText("secret");
    uint16_t enter = 13;
    form.FormKeyDown(enter, 0);
    EXPECT_EQ(form.GetModalResult(), fw::mrOk);
    EXPECT_EQ(messages.texts.size(), 1u);

    // An expired certificate closes the form with Cancel.
    client::TFormPin expired(nullptr);
    expired.Mode = client::TFormPin::pmPassword;
    expired.KeyFileName = old;
    expired.edtPin->SetText("secret");
    expired.btnOkClick(expired.btnOk);
    EXPECT_EQ(messages.texts.back(), "Your certificate has expired");
    EXPECT_EQ(expired.GetModalResult(), fw::mrCancel);
}

TEST(FormPin, PinModeAsksAndAnswers)
{
    Messages messages;
    // The form runs modally; the test types and presses what a user would.
    const auto answer = [](const std::string& typed, uint16_t key) {
        QTimer::singleShot(0, [typed, key] {
            for (fw::TCustomForm* f : fw::TCustomForm::AllForms())
                if (auto* pin = dynamic_cast<client::TFormPin*>(f)) {
                    EXPECT_EQ(pin->GetName(), "ClientFormPin");
                    if (pin->Mode == client::TFormPin::pmPin) {
                        EXPECT_EQ(pin->GetCaption(), "Please enter PIN");
                        EXPECT_EQ(pin->lblInfo->GetText().substr(0, 6), "\r\n\r\nIt");
                    }
                    pin->edtPin->SetText(typed);
                    uint16_t k = key;
                    pin->FormKeyDown(k, 0);
                }
        });
    };
    bool entered = false;
    std::string pin = "old";
    answer("1234", 13);
    EXPECT_TRUE(client::AskTokenPin(3, entered, pin));
    EXPECT_TRUE(entered);
    EXPECT_EQ(pin, "1234");

    answer("9999", 27);
    EXPECT_FALSE(client::AskTokenPin(3, entered, pin));
    EXPECT_FALSE(entered);
    EXPECT_EQ(pin, "1234");
    EXPECT_TRUE(messages.texts.empty()); // a PIN is not checked here

    // The password form gives the typed password only when it opens the key file.
    e3test::TempDir dir;
    const std::string good = MakeKeyFile(dir, "good.p12", false);
    std::string password = "engine's";
    answer("secret", 13);
    EXPECT_TRUE(client::AskKeyFilePassword(good, password, entered));
    EXPECT_EQ(password, "secret");
    answer("secret", 27);
    password = "engine's";
    EXPECT_FALSE(client::AskKeyFilePassword(good, password, entered));
    EXPECT_FALSE(entered);
    EXPECT_EQ(password, "engine's");
    // No form is left behind.
    for (fw::TCustomForm* f : fw::TCustomForm::AllForms())
        EXPECT_EQ(dynamic_cast<client::TFormPin*>(f), nullptr);
}

} // namespace
