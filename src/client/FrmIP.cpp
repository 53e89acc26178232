#include "client/FrmIP.h"

#include "client/FormReader.h"
#include "e3/display/Bevel.h"
#include "e3/edits/Edit.h"
#include "e3/display/Image.h"
#include "e3/display/Label.h"
#include "e3/containers/Panel.h"
#include "e3/buttons/RadioButton.h"
#include "e3/buttons/SpeedButton.h"
#include "u3/Files.h"
#include "u3/IniFile.h"
#include "u3/StrLib.h"

namespace client {

std::string OrbBindAddr;
std::string ServerHost;
std::string ServerPort;
bool Reconnect = false;

namespace {

// Sets published properties by name, as a form resource would.
template <class T>
T* Make(fw::TComponent* owner, fw::TWinControl* parent, const std::string& name,
        std::initializer_list<std::pair<const char*, const char*>> properties)
{
    auto* control = new T(owner);
    // Loading: the caption does not take the name.
    control->BeginLoading();
    control->SetName(name);
    if (parent)
        control->SetParent(parent);
    for (const auto& [path, value] : properties)
        SetPropertyByPath(control, path, control->ClassName(), value);
    static_cast<fw::TComponent*>(control)->Loaded();
    return control;
}

} // namespace

std::string ProgramIniFileName()
{
    return u3::RemoveFileExt(u3::GetExeName()) + ".ini";
}

const fw::TClassInfo& TFormIP::StaticClass()
{
    static const fw::TClassInfo info {"TFormIP", &TMLForm::StaticClass(), {}};
    return info;
}

TFormIP::TFormIP(fw::TComponent* owner)
    : TMLForm(owner)
{
    SetName("FormIP");
    SetCaption("Server address information");
    SetPosition(fw::poScreenCenter);
    SetBorderStyle(fw::bsDialog);
    SetClientWidth(300);
    SetClientHeight(150);

    StatusPanel = Make<e3::Te3_Panel>(this, this, "StatusPanel",
                                      {{"Align", "alBottom"}, {"Height", "24"}, {"Caption", ""}});
    PanelRight = Make<e3::Te3_Panel>(this, StatusPanel, "PanelRight",
                                     {{"Align", "alRight"}, {"Width", "216"}, {"Caption", ""}, {"BevelOuter", "bvNone"}});
    spbConnect = Make<e3::Te3_SpeedButton>(this, PanelRight, "spbConnect",
                                           {{"Left", "2"}, {"Top", "1"}, {"Width", "68"}, {"Height", "22"},
                                            {"Caption", "Connect"}, {"Flat", "1"}, {"ModalResult", "1"}});
    Make<e3::Te3_Bevel>(this, PanelRight, "Bevel1",
                        {{"Left", "71"}, {"Top", "2"}, {"Width", "2"}, {"Height", "20"}, {"Shape", "bsLeftLine"}});
    spbOk = Make<e3::Te3_SpeedButton>(this, PanelRight, "spbOk",
                                      {{"Left", "74"}, {"Top", "1"}, {"Width", "68"}, {"Height", "22"},
                                       {"Caption", "Ok"}, {"Flat", "1"}, {"ModalResult", "1"}});
    Make<e3::Te3_Bevel>(this, PanelRight, "Bevel2",
                        {{"Left", "143"}, {"Top", "2"}, {"Width", "2"}, {"Height", "20"}, {"Shape", "bsLeftLine"}});
    spbCancel = Make<e3::Te3_SpeedButton>(this, PanelRight, "spbCancel",
                                          {{"Left", "146"}, {"Top", "1"}, {"Width", "68"}, {"Height", "22"},
                                           {"Caption", "Cancel"}, {"Flat", "1"}, {"ModalResult", "2"}});

    PanelMain = Make<e3::Te3_Panel>(this, this, "PanelMain", {{"Align", "alClient"}, {"Caption", ""}});
    lblNote = Make<e3::Te3_Label>(this, PanelMain, "lblNote",
                                  {{"Left", "8"}, {"Top", "92"}, {"Width", "284"}, {"Height", "30"},
                                   {"WordWrap", "1"}, {"Visible", "0"},
                                   {"Caption", "WARNING: SOAP only works with version 3 procedures, i.e. not with "
                                               "VAZ and other v2 procedures."}});
    rbtnCorba = Make<e3::Te3_RadioButton>(this, PanelMain, "rbtnCorba",
                                          {{"Left", "8"}, {"Top", "8"}, {"Width", "80"}, {"Height", "17"},
                                           {"Caption", "CORBA"}, {"Checked", "1"}});
    rbtnSoap = Make<e3::Te3_RadioButton>(this, PanelMain, "rbtnSoap",
                                         {{"Left", "100"}, {"Top", "8"}, {"Width", "80"}, {"Height", "17"},
                                          {"Caption", "SOAP"}});
    lIPAddress = Make<e3::Te3_Label>(this, PanelMain, "lIPAddress",
                                     {{"Left", "8"}, {"Top", "38"}, {"Width", "80"}, {"Height", "13"},
                                      {"Caption", "IP Address"}});
    edtIPAddress = Make<e3::Te3_Edit>(this, PanelMain, "edtIPAddress",
                                      {{"Left", "100"}, {"Top", "34"}, {"Width", "190"}, {"Height", "21"}});
    lPort = Make<e3::Te3_Label>(this, PanelMain, "lPort",
                                {{"Left", "8"}, {"Top", "66"}, {"Width", "80"}, {"Height", "13"}, {"Caption", "Port"}});
    edtIPPort = Make<e3::Te3_Edit>(this, PanelMain, "edtIPPort",
                                   {{"Left", "100"}, {"Top", "62"}, {"Width", "60"}, {"Height", "21"},
                                    {"EditType", "etInteger"}, {"MaxLength", "5"}});

    OnShow = [this](fw::TObject* s) { FormShow(s); };
    rbtnCorba->OnClick = [this](fw::TObject* s) { rbtnCorbaClick(s); };
    rbtnSoap->OnClick = [this](fw::TObject* s) { rbtnSoapClick(s); };
    spbOk->OnClick = [this](fw::TObject* s) { spbOkClick(s); };
    spbConnect->OnClick = [this](fw::TObject* s) { spbConnectClick(s); };
}

void TFormIP::FormShow(fw::TObject*)
{
    const u3::IniFile ini(ProgramIniFileName());
    const bool corba = ini.ReadString("Common", "CORBA", "1") == "1";
    rbtnCorba->SetChecked(corba);
    rbtnSoap->SetChecked(!corba);
    int64_t port = 0;
    webPort_ = u3::TryStrToInt64(ini.ReadString("Web", "Port", "88"), port) && port >= INT32_MIN && port <= INT32_MAX
        ? static_cast<int>(port)
        : 88;
    LoadAddress();
    (corba ? rbtnCorba : rbtnSoap)->SetFocus();
}

void TFormIP::LoadAddress()
{
    const u3::IniFile ini(ProgramIniFileName());
    const std::string address = rbtnCorba->GetChecked()
        ? ini.ReadString("CORBA", "ORBBINDADDR", "inet:localhost:11000")
        : ini.ReadString("SOAP", "ORBBINDADDR", "inet:localhost:21000");
    if (u3::Trim(address).empty())
        return;
    const int fields = u3::TokenCount(address, ":");
    if (fields >= 2)
        edtIPAddress->SetText(u3::TokenAt(address, 1, ":"));
    if (fields >= 3)
        edtIPPort->SetText(u3::TokenAt(address, 2, ":"));
}

void TFormIP::rbtnCorbaClick(fw::TObject*)
{
    LoadAddress();
}

void TFormIP::rbtnSoapClick(fw::TObject*)
{
    LoadAddress();
}

void TFormIP::StoreSettings()
{
    const std::string ip = edtIPAddress->GetText();
    const std::string port = edtIPPort->GetText();
    OrbBindAddr = "inet:" + ip + ":" + port;
    ServerHost = ip;
    ServerPort = port;
    u3::IniFile ini(ProgramIniFileName());
    if (rbtnCorba->GetChecked()) {
        ini.WriteString("CORBA", "ORBBINDADDR", OrbBindAddr);
        ini.WriteString("Common", "CORBA", "1");
    } else {
        ini.WriteString("SOAP", "ORBBINDADDR", OrbBindAddr);
        ini.WriteString("Common", "CORBA", "0");
    }
    ini.WriteString("Web", "Port", std::to_string(webPort_));
    ini.WriteString("Web", "IP", ip);
}

void TFormIP::spbOkClick(fw::TObject*)
{
    StoreSettings();
    SetModalResult(fw::mrOk);
}

void TFormIP::spbConnectClick(fw::TObject* sender)
{
    spbOkClick(sender);
    Reconnect = true;
}

// --- splash -------------------------------------------------------------------

const fw::TClassInfo& TFormSplash::StaticClass()
{
    static const fw::TClassInfo info {"TFormSplash", &TMLForm::StaticClass(), {}};
    return info;
}

TFormSplash::TFormSplash(fw::TComponent* owner)
    : TMLForm(owner)
{
    // Built as its resource would be: the caption stays empty.
    BeginLoading();
    SetName("FormSplash");
    Loaded();
    SetBorderStyle(fw::bsNone);
    SetPosition(fw::poScreenCenter);
    SetClientWidth(497 + 4);
    SetClientHeight(240 + 4);
    imgLogo = Make<e3::Te3_Image>(this, this, "imgLogo", {{"Visible", "0"}});
    pnlSplashTop = Make<e3::Te3_Panel>(this, this, "pnlSplashTop",
                                       {{"Align", "alClient"}, {"BevelOuter", "bvNone"}, {"Caption", ""}});
    imgSplashHeader = Make<e3::Te3_Image>(this, pnlSplashTop, "imgSplashHeader", {{"Align", "alClient"}, {"Visible", "0"}});
    imgFr = Make<e3::Te3_Image>(this, pnlSplashTop, "imgFr", {{"Align", "alClient"}, {"Visible", "0"}});
    imgDE = Make<e3::Te3_Image>(this, pnlSplashTop, "imgDE", {{"Align", "alClient"}, {"Visible", "0"}});
    // The header picture is ours: the program's name on the form's colours.
    QImage header(497, 249, QImage::Format_RGB32);
    header.fill(QColor(0x00, 0x00, 0x80));
    imgSplashHeader->AssignImage(header);
}

void TFormSplash::ShowPictureFor(int languageNumber)
{
    constexpr int german = 3, french = 5;
    e3::Te3_Image* shown = languageNumber == german ? imgDE : languageNumber == french ? imgFr : imgSplashHeader;
    for (e3::Te3_Image* image : {imgSplashHeader, imgFr, imgDE})
        image->SetVisible(image == shown);
}

} // namespace client
