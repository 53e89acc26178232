#include "client/FrmIP.h"

#include "client/OwnFormParts.h"
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

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace client {

std::string OrbBindAddr;
std::string ServerHost;
std::string ServerPort;
bool Reconnect = false;

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

    StatusPanel = MakeFormPart<e3::Te3_Panel>(this, this, "StatusPanel",
                                              {{"Align", "alBottom"}, {"Height", "24"}, {"Caption", ""}});
    PanelRight = MakeFormPart<e3::Te3_Panel>(this, StatusPanel, "PanelRight",
                                             {{"Align", "alRight"}, {"Width", "216"}, {"Caption", ""},
                                              {"BevelOuter", "bvNone"}});
    spbConnect = MakeFormPart<e3::Te3_SpeedButton>(this, PanelRight, "spbConnect",
                                                   {{"Left", "2"}, {"Top", "1"}, {"Width", "68"}, {"Height", "22"},
                                                    {"Caption", "Connect"}, {"Flat", "1"}, {"ModalResult", "1"}});
    MakeFormPart<e3::Te3_Bevel>(this, PanelRight, "Bevel1",
                                {{"Left", "71"}, {"Top", "2"}, {"Width", "2"}, {"Height", "20"},
                                 {"Shape", "bsLeftLine"}});
    spbOk = MakeFormPart<e3::Te3_SpeedButton>(this, PanelRight, "spbOk",
                                              {{"Left", "74"}, {"Top", "1"}, {"Width", "68"}, {"Height", "22"},
                                               {"Caption", "Ok"}, {"Flat", "1"}, {"ModalResult", "1"}});
    MakeFormPart<e3::Te3_Bevel>(this, PanelRight, "Bevel2",
                                {{"Left", "143"}, {"Top", "2"}, {"Width", "2"}, {"Height", "20"},
                                 {"Shape", "bsLeftLine"}});
    spbCancel = MakeFormPart<e3::Te3_SpeedButton>(this, PanelRight, "spbCancel",
                                                  {{"Left", "146"}, {"Top", "1"}, {"Width", "68"}, {"Height", "22"},
                                                   {"Caption", "Cancel"}, {"Flat", "1"}, {"ModalResult", "2"}});

    PanelMain = MakeFormPart<e3::Te3_Panel>(this, this, "PanelMain", {{"Align", "alClient"}, {"Caption", ""}});
    lblNote = MakeFormPart<e3::Te3_Label>(this, PanelMain, "lblNote",
                                          {{"Left", "8"}, {"Top", "92"}, {"Width", "284"}, {"Height", "30"},
                                           {"WordWrap", "1"}, {"Visible", "0"},
                                           {"Caption", "WARNING: SOAP only works with version 3 procedures, i.e. not with "
                                                       "VAZ and other v2 procedures."}});
    rbtnCorba = MakeFormPart<e3::Te3_RadioButton>(this, PanelMain, "rbtnCorba",
                                                  {{"Left", "8"}, {"Top", "8"}, {"Width", "80"}, {"Height", "17"},
                                                   {"Caption", "CORBA"}, {"Checked", "1"}});
    rbtnSoap = MakeFormPart<e3::Te3_RadioButton>(this, PanelMain, "rbtnSoap",
                                                 {{"Left", "100"}, {"Top", "8"}, {"Width", "80"}, {"Height", "17"},
                                                  {"Caption", "SOAP"}});
    lIPAddress = MakeFormPart<e3::Te3_Label>(this, PanelMain, "lIPAddress",
                                             {{"Left", "8"}, {"Top", "38"}, {"Width", "80"}, {"Height", "13"},
                                              {"Caption", "IP Address"}});
    edtIPAddress = MakeFormPart<e3::Te3_Edit>(this, PanelMain, "edtIPAddress",
                                              {{"Left", "100"}, {"Top", "34"}, {"Width", "190"}, {"Height", "21"}});
    lPort = MakeFormPart<e3::Te3_Label>(this, PanelMain, "lPort",
                                        {{"Left", "8"}, {"Top", "66"}, {"Width", "80"}, {"Height", "13"},
                                         {"Caption", "Port"}});
    edtIPPort = MakeFormPart<e3::Te3_Edit>(this, PanelMain, "edtIPPort",
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

QImage SplashPicture()
{
    constexpr int width = 497, height = 249;
    QImage picture(width, height, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor(0x10, 0x2a, 0x5c));
    sky.setColorAt(1, QColor(0x1d, 0x6f, 0x8a));
    painter.fillRect(picture.rect(), sky);

    // A filed sheet with a folded corner and a seal: the emblem on the left.
    const QRectF sheet(40, 52, 110, 145);
    QPainterPath page;
    page.moveTo(sheet.topLeft());
    page.lineTo(sheet.right() - 28, sheet.top());
    page.lineTo(sheet.right(), sheet.top() + 28);
    page.lineTo(sheet.bottomRight());
    page.lineTo(sheet.bottomLeft());
    page.closeSubpath();
    painter.setPen(QPen(QColor(0xd8, 0xe4, 0xf0), 2));
    painter.setBrush(QColor(0xf7, 0xfa, 0xfc));
    painter.drawPath(page);
    painter.setBrush(QColor(0xc4, 0xd4, 0xe4));
    painter.drawPolygon(QPolygonF({QPointF(sheet.right() - 28, sheet.top()), QPointF(sheet.right() - 28, sheet.top() + 28),
                                   QPointF(sheet.right(), sheet.top() + 28)}));
    painter.setPen(QPen(QColor(0x8a, 0xa4, 0xbf), 3, Qt::SolidLine, Qt::RoundCap));
    for (int line = 0; line < 5; ++line) {
        const qreal y = sheet.top() + 45 + line * 15;
        painter.drawLine(QPointF(sheet.left() + 14, y), QPointF(sheet.right() - (line == 4 ? 50 : 14), y));
    }
    painter.setPen(QPen(QColor(0x9c, 0x1c, 0x1c), 2));
    painter.setBrush(QColor(0xc8, 0x2b, 0x2b));
    painter.drawEllipse(QPointF(sheet.right() - 18, sheet.bottom() - 20), 17, 17);
    painter.setPen(QPen(QColor(0xf7, 0xfa, 0xfc), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(QPolygonF({QPointF(sheet.right() - 26, sheet.bottom() - 20),
                                    QPointF(sheet.right() - 20, sheet.bottom() - 13),
                                    QPointF(sheet.right() - 9, sheet.bottom() - 28)}));

    // The program's name beside it.
    QFont title(QStringLiteral("Sans Serif"));
    title.setPixelSize(30);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(180, 70, width - 200, 80), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                     QStringLiteral("Electronic filing client"));
    QFont subtitle(QStringLiteral("Sans Serif"));
    subtitle.setPixelSize(15);
    painter.setFont(subtitle);
    painter.setPen(QColor(0xc8, 0xdc, 0xec));
    painter.drawText(QRectF(180, 155, width - 200, 24), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Patents and trademarks, filed online"));
    painter.setPen(QPen(QColor(0xc8, 0xdc, 0xec), 1));
    painter.drawLine(QPointF(180, 150), QPointF(width - 30, 150));
    return picture;
}

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
    imgLogo = MakeFormPart<e3::Te3_Image>(this, this, "imgLogo", {{"Visible", "0"}});
    pnlSplashTop = MakeFormPart<e3::Te3_Panel>(this, this, "pnlSplashTop",
                                               {{"Align", "alClient"}, {"BevelOuter", "bvNone"}, {"Caption", ""}});
    imgSplashHeader = MakeFormPart<e3::Te3_Image>(this, pnlSplashTop, "imgSplashHeader",
                                                  {{"Align", "alClient"}, {"Visible", "0"}});
    imgFr = MakeFormPart<e3::Te3_Image>(this, pnlSplashTop, "imgFr", {{"Align", "alClient"}, {"Visible", "0"}});
    imgDE = MakeFormPart<e3::Te3_Image>(this, pnlSplashTop, "imgDE", {{"Align", "alClient"}, {"Visible", "0"}});
    imgSplashHeader->AssignImage(SplashPicture());
}

void TFormSplash::ShowPictureFor(int languageNumber)
{
    constexpr int german = 3, french = 5;
    e3::Te3_Image* shown = languageNumber == german ? imgDE : languageNumber == french ? imgFr : imgSplashHeader;
    for (e3::Te3_Image* image : {imgSplashHeader, imgFr, imgDE})
        image->SetVisible(image == shown);
}

} // namespace client
