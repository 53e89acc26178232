// The certificate list text, the certificate chooser and the PIN and password form.
#include "ClientFixture.h"
#include "client/CertificateList.h"
#include "client/FrmPin.h"
#include "client/MessageDialog.h"
#include "e3/buttons/SpeedButton.h"
#include "e3/display/Label.h"
#include "e3/edits/UnicodeEdit.h"
#include "e3/grids/DLDrawGrid.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTimer>

#include <gtest/gtest.h>

#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <cstdio>
#include <functional>

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
        for (fw::TCustomForm* f : fw::TCustomForm::AllForms())
            if (dynamic_cast<client::TFormPin*>(f) && f->IsShowing())
                ++pinFormsShowing;
        form.ButtonClick(0);
    }
    void Beep() override {}
    std::vector<std::string> texts;
    int pinFormsShowing = 0; // PIN forms in sight while a message was up
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

    // The password form gives the typed password only when it opens the key
    // file; after a wrong one it steps aside for the message, then comes back.
    e3test::TempDir dir;
    const std::string good = MakeKeyFile(dir, "good.p12", false);
    std::string password = "engine's";
    QTimer::singleShot(0, [&answer] {
        for (fw::TCustomForm* f : fw::TCustomForm::AllForms())
            if (auto* pin = dynamic_cast<client::TFormPin*>(f)) {
                pin->edtPin->SetText("wrong");
                uint16_t k = 13;
                pin->FormKeyDown(k, 0);
                EXPECT_TRUE(pin->IsShowing());
            }
        answer("secret", 13);
    });
    EXPECT_TRUE(client::AskKeyFilePassword(good, password, entered));
    EXPECT_EQ(password, "secret");
    EXPECT_EQ(messages.texts, (std::vector<std::string> {"Incorrect password entered"}));
    EXPECT_EQ(messages.pinFormsShowing, 0);
    messages.texts.clear();
    answer("secret", 27);
    password = "engine's";
    EXPECT_FALSE(client::AskKeyFilePassword(good, password, entered));
    EXPECT_FALSE(entered);
    EXPECT_EQ(password, "engine's");
    // No form is left behind.
    for (fw::TCustomForm* f : fw::TCustomForm::AllForms())
        EXPECT_EQ(dynamic_cast<client::TFormPin*>(f), nullptr);
}

// --- the certificate chooser ----------------------------------------------------------

const std::string kThree = "4||192||CN=Alice,O=Firma||CN=CA One<|>"
                           "9||32||CN=Bob||CN=CA Two||more<|>"
                           "x||16||CN=Nobody||CN=CA Three";

client::TFormCertificates* OpenChooser()
{
    for (fw::TCustomForm* f : fw::TCustomForm::AllForms())
        if (auto* form = dynamic_cast<client::TFormCertificates*>(f))
            return form;
    return nullptr;
}

// Once the chooser runs modally, looks at it and answers it as a user would;
// counts the choosers it met, so that a chooser that should not appear shows.
struct ChooserAnswer {
    explicit ChooserAnswer(std::function<void(client::TFormCertificates&)> answer)
    {
        QTimer::singleShot(0, [this, answer] {
            if (client::TFormCertificates* form = OpenChooser()) {
                ++seen;
                answer(*form);
            }
        });
    }
    int seen = 0;
};

TEST(CertificatesList, FeedsTheGridWithTitlesUsagesAndNamesScaledThreeToFiveToFive)
{
    client::TFormCertificates form(nullptr);
    form.SetClientWidth(650);
    form.SetListText(kThree);
    e3::Te3_DLDrawGrid& grid = *form.grdCertificates;
    ASSERT_EQ(grid.GetDataList(), form.certificates);
    EXPECT_EQ(form.GetName(), "ClientFormCertificates");
    EXPECT_EQ(form.GetCaption(), "User Certificate Selection");
    EXPECT_EQ(grid.GetColCount(), 3);
    EXPECT_TRUE(grid.GetTitleVisible());
    EXPECT_EQ(grid.Get_RowCount(), 3);
    EXPECT_FALSE(form.certificates->GetEmptyGrid());
    EXPECT_TRUE(grid.HasOption(e3::goRowSelect));
    EXPECT_FALSE(grid.HasOption(e3::goColMoving));
    const char* titles[] = {"Key Usage", "Subject", "Issuer"};
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(grid.GetColumns()->GetColumn(c)->GetTitle()->GetCaption(), titles[c]);

    // What each cell shows, read back through the grid.
    const std::vector<std::vector<std::string>> cells {
        {"Digital Signature, Non repudiation", "CN=Alice,O=Firma", "CN=CA One"},
        {"Key encipherment", "CN=Bob", "CN=CA Two"},
        {"Data encipherment", "CN=Nobody", "CN=CA Three"},
    };
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            std::string extra, text;
            grid.CellTextAt(c, r + 1, extra, text);
            EXPECT_EQ(text, cells[r][c]) << r << "," << c;
        }
    EXPECT_EQ(form.certificates->CellText(3, 0), " ");
    EXPECT_EQ(form.certificates->CellText(0, 3), " ");

    // The columns share the grid's width 3 : 5 : 5.
    form.FormShow(&form);
    const double w0 = grid.ColWidths(0), w1 = grid.ColWidths(1), w2 = grid.ColWidths(2);
    ASSERT_GT(w0, 50);
    EXPECT_NEAR(w1 / w0, 5.0 / 3.0, 0.05);
    EXPECT_NEAR(w2, w1, 2);
    EXPECT_LE(w0 + w1 + w2, grid.ClientWidth());
    EXPECT_GE(w0 + w1 + w2 + 3, grid.ClientWidth() - 3);
    EXPECT_EQ(grid.Get_Row(), 0); // the first entry is selected on showing

    // A shorter list replaces the rows; an empty one marks the grid empty.
    form.SetListText("5||128||CN=Carol||CN=CA Four");
    EXPECT_EQ(grid.Get_RowCount(), 1);
    EXPECT_EQ(form.certificates->Cache().Count(), 1u);
    std::string extra, text;
    grid.CellTextAt(1, 1, extra, text);
    EXPECT_EQ(text, "CN=Carol");
    form.SetListText("  ");
    EXPECT_TRUE(form.certificates->GetEmptyGrid());
    EXPECT_EQ(form.certificates->EntryCount(), 0);
}

TEST(ChooseCertificate, OneEntryIsTakenWithoutAsking)
{
    const struct {
        std::string list;
        int index;
    } cases[] = {{"7||128||CN=Only||CN=CA", 7}, {" x||128||CN=Only||CN=CA \r\n", -1}};
    for (const auto& c : cases) {
        ChooserAnswer answer([](client::TFormCertificates& form) { form.btnCancelClick(form.btnCancel); });
        EXPECT_EQ(client::ChooseCertificate(c.list), c.index) << c.list;
        QCoreApplication::processEvents();
        EXPECT_EQ(answer.seen, 0);
    }
}

TEST(ChooseCertificate, TheUsersChoiceOfSeveral)
{
    const struct {
        const char* what;
        int row; // the row selected before the button; -1 leaves the first
        bool submit;
        int index;
    } cases[] = {
        {"first row as shown", -1, true, 4},
        {"second row", 1, true, 9},
        {"a row whose index is no number", 2, true, -1},
        {"cancelled", 1, false, -1},
    };
    for (const auto& c : cases) {
        ChooserAnswer answer([&c](client::TFormCertificates& form) {
            if (c.row >= 0)
                form.grdCertificates->Set_Row(c.row);
            if (c.submit)
                form.btnSubmitClick(form.btnSubmit);
            else
                form.btnCancelClick(form.btnCancel);
        });
        EXPECT_EQ(client::ChooseCertificate(kThree), c.index) << c.what;
        EXPECT_EQ(answer.seen, 1) << c.what;
        EXPECT_EQ(OpenChooser(), nullptr) << c.what; // freed
    }
}

class OwnFormsListed : public e3test::ClientFixture {};

TEST_F(OwnFormsListed, ChooserAndPinFormAreInTheClientsFormsWhileTheyExist)
{
    const auto listed = [this](const std::string& name) { return theClient->Forms().Find(name) != nullptr; };
    {
        client::TFormCertificates chooser(nullptr);
        client::TFormPin pin(nullptr);
        EXPECT_EQ(theClient->Forms().Find("ClientFormCertificates"), &chooser);
        EXPECT_EQ(theClient->Forms().Find("ClientFormPin"), &pin);
    }
    EXPECT_FALSE(listed("ClientFormCertificates"));
    EXPECT_FALSE(listed("ClientFormPin"));
}

TEST(FormPin, EitherDisplayFlagLeavesOutTheInformationText)
{
    const struct {
        client::TFormPin::TPinMode mode;
        bool session, submit;
        std::string info;
    } cases[] = {
        {client::TFormPin::pmPin, true, false, "\r\n\r\n"},
        {client::TFormPin::pmPin, false, true, "\r\n\r\n"},
        {client::TFormPin::pmPassword, true, true, "Ready to sign data using your password.\r\n\r\n"},
        {client::TFormPin::pmPin, false, false,
         "\r\n\r\nIt will be used to establish a secure session with the server and to submit the application."},
    };
    for (const auto& c : cases) {
        client::TFormPin form(nullptr);
        form.Mode = c.mode;
        form.HideSessionInfo = c.session;
        form.HideSubmitInfo = c.submit;
        form.FormShow(&form);
        EXPECT_EQ(form.lblInfo->GetText(), c.info);
    }
}

} // namespace
