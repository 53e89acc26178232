#include "client/FrmIP.h"
#include "e3/edits/Edit.h"
#include "e3/display/Image.h"
#include "e3/buttons/RadioButton.h"
#include "e3/buttons/SpeedButton.h"
#include "multilang/LanguageTable.h"
#include "support/TempDir.h"
#include "u3/Files.h"
#include "u3/IniFile.h"

#include <QTest>
#include <QTimer>
#include <QSet>
#include <gtest/gtest.h>

namespace {

class FormIPTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        u3::SetExeNameOverride(dir.str() + "/front");
        client::Reconnect = false;
        form = multilang::TMLForm::Create<client::TFormIP>(nullptr);
    }
    void TearDown() override
    {
        delete form;
        u3::SetExeNameOverride("");
    }
    std::string Ini(const char* section, const char* key)
    {
        return u3::IniFile(dir.str() + "/front.ini").ReadString(section, key, "(missing)");
    }

    e3test::TempDir dir;
    client::TFormIP* form = nullptr;
};

TEST_F(FormIPTest, WithoutIniFileTheDefaultsShow)
{
    form->FormShow(form);
    EXPECT_TRUE(form->rbtnCorba->GetChecked());
    EXPECT_FALSE(form->rbtnSoap->GetChecked());
    EXPECT_EQ(form->edtIPAddress->GetText(), "localhost");
    EXPECT_EQ(form->edtIPPort->GetText(), "11000");
    form->rbtnSoap->SetChecked(true);
    form->rbtnSoapClick(form->rbtnSoap);
    EXPECT_EQ(form->edtIPPort->GetText(), "21000");
}

TEST_F(FormIPTest, OkStoresTheAddressOfTheChosenTransportOnly)
{
    u3::IniFile(dir.str() + "/front.ini").WriteString("CORBA", "ORBBINDADDR", "inet:corbahost:11111");
    form->FormShow(form);
    form->rbtnSoap->SetChecked(true);
    form->edtIPAddress->SetText("10.0.0.5");
    form->edtIPPort->SetText("21000");
    form->spbOkClick(form->spbOk);
    EXPECT_EQ(Ini("SOAP", "ORBBINDADDR"), "inet:10.0.0.5:21000");
    EXPECT_EQ(Ini("Common", "CORBA"), "0");
    EXPECT_EQ(Ini("Web", "Port"), "88");
    EXPECT_EQ(Ini("Web", "IP"), "10.0.0.5");
    EXPECT_EQ(Ini("CORBA", "ORBBINDADDR"), "inet:corbahost:11111");
    EXPECT_EQ(client::OrbBindAddr, "inet:10.0.0.5:21000");
    EXPECT_EQ(client::ServerHost, "10.0.0.5");
    EXPECT_EQ(client::ServerPort, "21000");
    EXPECT_FALSE(client::Reconnect);
    EXPECT_EQ(form->GetModalResult(), fw::mrOk);
}

TEST_F(FormIPTest, ConnectStoresAndAsksForAnotherPass)
{
    form->FormShow(form);
    form->spbConnectClick(form->spbConnect);
    EXPECT_EQ(Ini("CORBA", "ORBBINDADDR"), "inet:localhost:11000");
    EXPECT_EQ(Ini("Common", "CORBA"), "1");
    EXPECT_TRUE(client::Reconnect);
}

TEST_F(FormIPTest, AnAddressWithoutPortChangesOnlyTheHost)
{
    u3::IniFile ini(dir.str() + "/front.ini");
    ini.WriteString("Common", "CORBA", "1");
    ini.WriteString("Web", "Port", "8080");
    form->edtIPPort->SetText("999");
    ini.WriteString("CORBA", "ORBBINDADDR", "inet:myhost");
    form->FormShow(form);
    EXPECT_EQ(form->edtIPAddress->GetText(), "myhost");
    EXPECT_EQ(form->edtIPPort->GetText(), "999");
    form->spbOkClick(form->spbOk);
    EXPECT_EQ(Ini("Web", "Port"), "8080");
}

TEST_F(FormIPTest, ShownModallyTheButtonsCloseIt)
{
    QTimer::singleShot(20, [this] { QTest::mouseClick(form->spbCancel->Widget(), Qt::LeftButton); });
    EXPECT_EQ(form->ShowModal(), fw::mrCancel);
    EXPECT_EQ(Ini("Common", "CORBA"), "(missing)");
    form->Widget()->grab().save(QString::fromStdString(std::string(E3_BUILD_DIR) + "/formip.png"));

    // Shown again: the user picks SOAP, types a host and presses Ok.
    QTimer::singleShot(20, [this] {
        QTest::mouseClick(form->rbtnSoap->Widget(), Qt::LeftButton);
        form->edtIPAddress->SetText("");
        QTest::keyClicks(form->edtIPAddress->Widget(), "server.example");
        QTest::mouseClick(form->spbOk->Widget(), Qt::LeftButton);
    });
    EXPECT_EQ(form->ShowModal(), fw::mrOk);
    EXPECT_EQ(Ini("SOAP", "ORBBINDADDR"), "inet:server.example:21000");
    EXPECT_EQ(Ini("Common", "CORBA"), "0");
}

TEST(FormSplash, ThePictureFollowsTheLanguage)
{
    std::unique_ptr<client::TFormSplash> splash(multilang::TMLForm::Create<client::TFormSplash>(nullptr));
    struct Case {
        int language;
        e3::Te3_Image* shown;
    };
    const Case cases[] = {{3, splash->imgDE}, {5, splash->imgFr}, {2, splash->imgSplashHeader},
                          {0, splash->imgSplashHeader}, {32, splash->imgSplashHeader}};
    for (const auto& c : cases) {
        splash->ShowPictureFor(c.language);
        for (e3::Te3_Image* image : {splash->imgSplashHeader, splash->imgFr, splash->imgDE})
            EXPECT_EQ(image->GetVisible(), image == c.shown) << c.language << " " << image->GetName();
    }
    EXPECT_EQ(splash->ClientWidth(), 501);
    EXPECT_EQ(splash->GetBorderStyle(), fw::bsNone);
    EXPECT_EQ(splash->GetCaption(), "");
}

TEST(FormSplash, TheHeaderShowsAPictureOnlyTheOthersStayEmpty)
{
    std::unique_ptr<client::TFormSplash> splash(multilang::TMLForm::Create<client::TFormSplash>(nullptr));
    const QImage header = splash->imgSplashHeader->GetPicture()->Image();
    ASSERT_EQ(header.size(), QSize(497, 249));
    EXPECT_TRUE(header == client::SplashPicture());
    // A drawing, not a plain fill: many colours, light and dark.
    QSet<QRgb> colours;
    int light = 0, dark = 0;
    for (int y = 0; y < header.height(); y += 3)
        for (int x = 0; x < header.width(); x += 3) {
            const QRgb c = header.pixel(x, y);
            colours.insert(c);
            light += qGray(c) > 200;
            dark += qGray(c) < 80;
        }
    EXPECT_GT(colours.size(), 50);
    EXPECT_GT(light, 100);
    EXPECT_GT(dark, 100);
    EXPECT_TRUE(splash->imgDE->GetPicture()->Empty());
    EXPECT_TRUE(splash->imgFr->GetPicture()->Empty());
}

} // namespace

#include "e3/dictionary/ItemSession.h"
#include "e3/display/Label.h"
#include "multilang/ClientTranslation.h"

namespace {

// The dialog's texts come from the local dictionary under keys built from its
// component names, or are shown marked when it has none.
class FormIPTranslation : public ::testing::Test {
protected:
    void SetUp() override
    {
        multilang::StartLanguageTable();
        multilang::DoneMultiLanguage();
        u3::SetExeNameOverride(dir.str() + "/front");
    }
    void TearDown() override
    {
        multilang::DoneMultiLanguage();
        multilang::CurrentLanguage = 2;
        u3::SetExeNameOverride("");
    }
    void WriteGermanDictionary()
    {
        e3::TItemSession dictionary;
        for (const char* caption : {"Unilang:", "Unitext:", "English:", "German:"}) {
            auto lang = std::make_unique<e3::TLanguage>();
            lang->Name = caption;
            lang->Caption = caption;
            lang->Prefix = std::string("-") + caption;
            dictionary.AddLanguage(lang);
        }
        const std::vector<std::vector<std::string>> rows = {
            {"FormIP.StatusPanel.PanelRight.spbOk.Caption", "Ok", "Ok", "Gut"},
            {"FormIP.PanelMain.lIPAddress.Caption", "IP Address", "IP Address", "IP-Adresse"},
            {"FormIP.Caption", "Server address information", "Server address information", "Serveradresse"},
        };
        for (const auto& words : rows) {
            e3::TLanguageWord row;
            row.Words = words;
            dictionary.AddItem(row);
        }
        ASSERT_TRUE(dictionary.SaveToFile(multilang::LocalDictionaryFileName()));
    }
    e3test::TempDir dir;
};

TEST_F(FormIPTranslation, TextsComeFromTheDictionaryByComponentPath)
{
    WriteGermanDictionary();
    multilang::CurrentLanguage = 3;
    multilang::SetUpLocalTranslation();
    std::unique_ptr<client::TFormIP> form(multilang::TMLForm::Create<client::TFormIP>(nullptr));
    EXPECT_EQ(form->spbOk->GetText(), "Gut");
    EXPECT_EQ(form->lIPAddress->GetText(), "IP-Adresse");
    EXPECT_EQ(form->GetCaption(), "Serveradresse");
    form->Widget()->grab().save(QString::fromStdString(std::string(E3_BUILD_DIR) + "/formip_de.png"));
}

TEST_F(FormIPTranslation, WithoutDictionaryTheTextsAreMarked)
{
    multilang::SetUpLocalTranslation();
    std::unique_ptr<client::TFormIP> form(multilang::TMLForm::Create<client::TFormIP>(nullptr));
    EXPECT_EQ(form->lIPAddress->GetText(), "IP_Address");
    EXPECT_EQ(form->spbCancel->GetText(), "_Cancel");
}

} // namespace

#include "client/ClientForm.h"
#include "e3/menus/Menus.h"

namespace {

// A translating form that holds an engine frame: the frame's controls and the
// menus the frame owns are keyed from the frame's name.
class FramedForm : public multilang::TMLForm {
public:
    explicit FramedForm(fw::TComponent* owner) : TMLForm(owner)
    {
        SetName("Outer");
        frame = new client::Te3_ClientFrame(this);
        frame->SetName("Frame1");
        frame->SetParent(this);
        label = new e3::Te3_Label(frame);
        label->SetName("lblName");
        label->SetParent(frame);
        label->SetText("Name");
        menu = new e3::Te3_PopupMenu(frame);
        menu->SetName("Popup1");
        item = new e3::Te3MenuItem(frame);
        item->SetName("mnCut");
        item->SetCaption("Cut");
        menu->Items()->Add(item);
    }
    client::Te3_ClientFrame* frame;
    e3::Te3_Label* label;
    e3::Te3_PopupMenu* menu;
    e3::Te3MenuItem* item;
};

TEST_F(FormIPTranslation, AFrameStartsAKeyPathOfItsOwn)
{
    e3::TItemSession dictionary;
    for (const char* caption : {"Unilang:", "Unitext:", "English:"}) {
        auto lang = std::make_unique<e3::TLanguage>();
        lang->Name = lang->Caption = caption;
        lang->Prefix = std::string("-") + caption;
        dictionary.AddLanguage(lang);
    }
    for (const std::vector<std::string>& words : std::vector<std::vector<std::string>> {
             {"Frame1.lblName.Caption", "", "Your name"},
             {"Frame1.Popup1.mnCut.Caption", "", "Cut out"},
             {"Outer.Frame1.lblName.Caption", "", "wrong"},
         }) {
        e3::TLanguageWord row;
        row.Words = words;
        dictionary.AddItem(row);
    }
    ASSERT_TRUE(dictionary.SaveToFile(multilang::LocalDictionaryFileName()));
    multilang::SetUpLocalTranslation();

    std::unique_ptr<FramedForm> form(multilang::TMLForm::Create<FramedForm>(nullptr));
    EXPECT_EQ(form->label->GetText(), "Your name");
    EXPECT_EQ(form->item->GetCaption(), "Cut out");
}

} // namespace
