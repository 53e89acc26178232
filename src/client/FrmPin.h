#pragma once
// The form that asks for a smart card's PIN or for a key file's password
// before a secure session is set up, and the two calls that run it.
#include "framework/Form.h"

#include <string>

namespace e3 {
class Te3_Label;
class Te3_Panel;
class Te3_SpeedButton;
class Te3_UnicodeEdit;
}

namespace client {

class TFormPin : public fw::TCustomForm {
    FW_CLASS()
public:
    enum TPinMode { pmPin, pmPassword };

    // Listed among the client's forms as "ClientFormPin" while it exists.
    explicit TFormPin(fw::TComponent* owner);

    void FormShow(fw::TObject* sender);
    // PIN mode closes with OK. Password mode first tries the typed password
    // on the key file: a wrong one is said and the form stays for another
    // try; an expired certificate is said and the form closes with Cancel.
    void btnOkClick(fw::TObject* sender);
    void btnCancelClick(fw::TObject* sender);
    // Enter acts as OK, Escape as Cancel.
    void FormKeyDown(uint16_t& key, fw::TShiftState shift);

    TPinMode Mode = pmPin;
    std::string KeyFileName;  // password mode
    int CertificateIndex = -1; // PIN mode: the chosen certificate
    // Either flag leaves out the information text about the secure session
    // and the submission; the submission component sets neither.
    bool HideSessionInfo = false;
    bool HideSubmitInfo = false;

    e3::Te3_Panel* pnlMain;
    e3::Te3_Label* lblEnter;
    e3::Te3_UnicodeEdit* edtPin;
    e3::Te3_Label* lblInfo;
    e3::Te3_Panel* pnlButtons;
    e3::Te3_SpeedButton* btnOk;
    e3::Te3_SpeedButton* btnCancel;
};

// A modal password form for the key file: OK stores the typed password and
// sets entered; any other close clears entered. The result is entered.
bool AskKeyFilePassword(const std::string& keyFileName, std::string& password, bool& entered);
// The same for the PIN of the card that holds certificate index.
bool AskTokenPin(int index, bool& entered, std::string& pin);

} // namespace client
