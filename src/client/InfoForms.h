#pragma once
// Small stay-on-top windows that tell the user what the client is doing while
// it works: a text alone, or a text with a line of growing dots below it. The
// caller shows them without waiting and hides them later.
#include "e3/containers/Panel.h"
#include "e3/display/ProgressLabel.h"
#include "framework/Form.h"

class QFrame;
class QLabel;

namespace e3 {
class Te3SpeedButton;
}

namespace client {

class TFormMessage : public fw::TCustomForm {
    FW_CLASS()
public:
    explicit TFormMessage(fw::TComponent* owner);

    void FormCreate();
    // The pressed button's Tag becomes the result (-1 for any other sender);
    // the form closes.
    void btnClick(fw::TObject* sender);
    // Escape without modifier keys presses the cancel button, when there is one.
    void FormKeyDown(uint16_t& key, fw::TShiftState shift);

    e3::Te3_Panel* Panel1;
    e3::Te3_Panel* Panel2;
    QLabel* Label1;
    QFrame* Bevel3;
    fw::Guard<e3::Te3SpeedButton> CancelButton; // pressed by Escape
    int Result = -1;
};

class TFormProgressInfo : public fw::TCustomForm {
    FW_CLASS()
public:
    explicit TFormProgressInfo(fw::TComponent* owner);

    // Both stop the dots.
    void FormHide();
    void Button1Click();

    e3::Te3_Panel* Panel1;
    e3::Te3_Panel* Panel2;
    QFrame* Bevel3;
    QLabel* lblStaticText;
    e3::Te3_ProgressLabel* ProgressLabel = nullptr; // created on first use
    int Result = -1;
};

// Creates the form when none is given, else reuses and resizes it.
TFormMessage* PrepareInfoMessage(TFormMessage* form, const std::string& caption, const std::string& text);
TFormProgressInfo* PrepareProgressInfo(TFormProgressInfo* form, const std::string& caption, const std::string& text,
                                       const std::string& progressText);

} // namespace client
