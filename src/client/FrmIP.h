#pragma once
// The server address dialog and the splash form.
#include "multilang/MLForm.h"

#include <QImage>

#include <string>

namespace e3 {
class Te3_Edit;
class Te3_RadioButton;
class Te3_SpeedButton;
class Te3_Panel;
class Te3_Label;
class Te3_Image;
} // namespace e3

namespace client {

// The program's current server address ("inet:" + host + ":" + port) and its
// parts; the start-up runs its connect pass again while Reconnect is true.
extern std::string OrbBindAddr;
extern std::string ServerHost;
extern std::string ServerPort;
extern bool Reconnect;

// The program's INI file: its path with ".ini".
std::string ProgramIniFileName();

// Lets the user choose the transport and the server address and stores them.
class TFormIP : public multilang::TMLForm {
    FW_CLASS()
public:
    explicit TFormIP(fw::TComponent* owner);

    void FormShow(fw::TObject* sender);
    void LoadAddress();
    void rbtnCorbaClick(fw::TObject* sender);
    void rbtnSoapClick(fw::TObject* sender);
    void spbOkClick(fw::TObject* sender);
    void spbConnectClick(fw::TObject* sender);

    e3::Te3_Panel* PanelMain;
    e3::Te3_Label* lblNote;
    e3::Te3_RadioButton* rbtnCorba;
    e3::Te3_RadioButton* rbtnSoap;
    e3::Te3_Label* lIPAddress;
    e3::Te3_Edit* edtIPAddress;
    e3::Te3_Label* lPort;
    e3::Te3_Edit* edtIPPort;
    e3::Te3_Panel* StatusPanel;
    e3::Te3_Panel* PanelRight;
    e3::Te3_SpeedButton* spbConnect;
    e3::Te3_SpeedButton* spbOk;
    e3::Te3_SpeedButton* spbCancel;

private:
    void StoreSettings();
    int webPort_ = 88;
};

// The picture shown while the client starts.
// The picture of the splash's header: this program's emblem and name.
QImage SplashPicture();

class TFormSplash : public multilang::TMLForm {
    FW_CLASS()
public:
    explicit TFormSplash(fw::TComponent* owner);
    // imgDE for German, imgFr for French, imgSplashHeader otherwise.
    void ShowPictureFor(int languageNumber);

    e3::Te3_Panel* pnlSplashTop;
    e3::Te3_Image* imgSplashHeader;
    e3::Te3_Image* imgFr;
    e3::Te3_Image* imgDE;
    e3::Te3_Image* imgLogo;
};

} // namespace client
