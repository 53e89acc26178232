#include "client/FrmPin.h"

#include "client/Client.h"
#include "client/Globals.h"
#include "client/MessageDialog.h"
#include "client/OwnFormParts.h"
#include "e3/buttons/SpeedButton.h"
#include "e3/containers/Panel.h"
#include "e3/display/Label.h"
#include "e3/edits/UnicodeEdit.h"
#include "framework/MessagePump.h"
#include "submission/crypto/Crypto.h"
#include "submission/ssl/SSLContext.h"
#include "u3/StrLib.h"

#include <memory>

namespace client {

namespace {

std::string Lang(const std::string& key, const std::string& defaultText)
{
    return OwnFormText(key, defaultText);
}

using KeyRecordPtr = std::unique_ptr<submission::KEY_RECORD, void (*)(submission::KEY_RECORD*)>;

} // namespace

const fw::TClassInfo& TFormPin::StaticClass()
{
    static const fw::TClassInfo info {"TFormPin", &fw::TCustomForm::StaticClass(), {}};
    return info;
}

TFormPin::TFormPin(fw::TComponent* owner)
    : fw::TCustomForm(owner)
{
    SetName("ClientFormPin");
    SetBorderStyle(fw::bsDialog);
    SetPosition(fw::poScreenCenter);
    SetKeyPreview(true);
    SetClientWidth(330);
    SetClientHeight(150);
    pnlButtons = MakeFormPart<e3::Te3_Panel>(this, this, "pnlButtons",
                                             {{"Align", "alBottom"}, {"Height", "30"}, {"Caption", ""},
                                              {"BevelOuter", "bvNone"}});
    btnOk = MakeFormPart<e3::Te3_SpeedButton>(this, pnlButtons, "btnOk",
                                              {{"Left", "170"}, {"Top", "4"}, {"Width", "75"}, {"Height", "22"},
                                               {"Caption", "OK"}});
    btnCancel = MakeFormPart<e3::Te3_SpeedButton>(this, pnlButtons, "btnCancel",
                                                  {{"Left", "250"}, {"Top", "4"}, {"Width", "75"}, {"Height", "22"},
                                                   {"Caption", "Cancel"}});
    pnlMain = MakeFormPart<e3::Te3_Panel>(this, this, "pnlMain", {{"Align", "alClient"}, {"Caption", ""}});
    lblEnter = MakeFormPart<e3::Te3_Label>(this, pnlMain, "lblEnter",
                                           {{"Left", "8"}, {"Top", "8"}, {"Width", "314"}, {"Height", "13"},
                                            {"Caption", ""}});
    edtPin = MakeFormPart<e3::Te3_UnicodeEdit>(this, pnlMain, "edtPin",
                                               {{"Left", "8"}, {"Top", "26"}, {"Width", "314"}, {"Height", "21"},
                                                {"PasswordChar", "*"}});
    lblInfo = MakeFormPart<e3::Te3_Label>(this, pnlMain, "lblInfo",
                                          {{"Left", "8"}, {"Top", "52"}, {"Width", "314"}, {"Height", "60"},
                                           {"WordWrap", "1"}, {"Caption", ""}});
    OnShow = [this](fw::TObject* s) { FormShow(s); };
    OnKeyDown = [this](fw::TObject*, uint16_t& key, fw::TShiftState shift) { FormKeyDown(key, shift); };
    btnOk->OnClick = [this](fw::TObject* s) { btnOkClick(s); };
    btnCancel->OnClick = [this](fw::TObject* s) { btnCancelClick(s); };
    if (TClient* c = Client())
        c->AddForm(GetName(), this);
    SendOwnFormEvent(this, "OnCreate");
}

void TFormPin::FormShow(fw::TObject*)
{
    SetCaption(Lang("FrmPin.pas.Message.5", "Please enter PIN"));
    btnOk->SetText(Lang("FrmPin.pas.Message.6", "OK"));
    btnCancel->SetText(Lang("FrmPin.pas.Message.7", "Cancel"));
    const std::string info =
        HideSessionInfo || HideSubmitInfo
            ? std::string()
            : Lang("FrmPin.pas.Message.8",
                   "It will be used to establish a secure session with the server and to submit the application.");
    if (Mode == pmPassword) {
        SetCaption(Lang("FrmPin.pas.Message.10", "Please enter password"));
        lblEnter->SetText(Lang("FrmPin.pas.Message.12", "Enter password for: ") +
                             u3::ExtractFileNameAny(KeyFileName));
        lblInfo->SetText(Lang("FrmPin.pas.Message.9", "Ready to sign data using your password.") + "\r\n\r\n" +
                            info);
    } else {
        lblInfo->SetText("\r\n\r\n" + info);
    }
    edtPin->Widget()->setFocus();
    SendOwnFormEvent(this, "OnShow");
}

void TFormPin::btnOkClick(fw::TObject*)
{
    if (Mode == pmPassword) {
        const KeyRecordPtr record(submission::ReadPKCS12File(KeyFileName, edtPin->GetText()),
                                  submission::FreeKeyRecord);
        // The form steps aside while the message is up.
        const bool wasShowing = IsShowing();
        if (!record || !record->cert) {
            Hide();
            MessageDialog(Lang("FrmPin.pas.Message.15", "Error"),
                          Lang("FrmPin.pas.Message.16", "Incorrect password entered"), {"OK"});
            if (wasShowing)
                Show();
            edtPin->Widget()->setFocus();
            return;
        }
        if (e3ssl::CheckCertValidity(record->cert) != 0) {
            Hide();
            MessageDialog(Lang("FrmPin.pas.Message.17", "Error"),
                          Lang("FrmPin.pas.Message.18", "Your certificate has expired"), {"OK"});
            SetModalResult(fw::mrCancel);
            return;
        }
    }
    SetModalResult(fw::mrOk);
}

void TFormPin::btnCancelClick(fw::TObject*)
{
    SetModalResult(fw::mrCancel);
}

void TFormPin::FormKeyDown(uint16_t& key, fw::TShiftState)
{
    constexpr uint16_t enter = 13, escape = 27;
    if (key == enter) {
        key = 0;
        btnOkClick(btnOk);
    } else if (key == escape) {
        key = 0;
        btnCancelClick(btnCancel);
    }
}

namespace {

bool RunPinForm(TFormPin::TPinMode mode, const std::string& keyFileName, int index, std::string& text, bool& entered)
{
    std::unique_ptr<TFormPin> form = std::make_unique<TFormPin>(nullptr);
    form->Mode = mode;
    form->KeyFileName = keyFileName;
    form->CertificateIndex = index;
    entered = form->ShowModal() == fw::mrOk;
    if (entered)
        text = form->edtPin->GetText();
    form.reset();
    fw::DrainMessageQueue();
    return entered;
}

} // namespace

bool AskKeyFilePassword(const std::string& keyFileName, std::string& password, bool& entered)
{
    return RunPinForm(TFormPin::pmPassword, keyFileName, -1, password, entered);
}

bool AskTokenPin(int index, bool& entered, std::string& pin)
{
    return RunPinForm(TFormPin::pmPin, "", index, pin, entered);
}

} // namespace client
