#pragma once
// Small stay-on-top windows that tell the user what the client is doing while
// it works: a text alone, or a text with a line of growing dots below it. The
// caller shows them without waiting and hides them later.
#include "e3/Panel.h"
#include "framework/Form.h"

class QFrame;
class QLabel;
class QTimer;

namespace client {

class TFormMessage : public fw::TCustomForm {
    FW_CLASS()
public:
    explicit TFormMessage(fw::TComponent* owner);

    e3::Te3_Panel* Panel1;
    e3::Te3_Panel* Panel2;
    QLabel* Label1;
    QFrame* Bevel3;
    int Result = -1;
};

class TFormProgressInfo : public fw::TCustomForm {
    FW_CLASS()
public:
    explicit TFormProgressInfo(fw::TComponent* owner);

    // Both stop the dots.
    void FormHide();
    void Button1Click();
    // One more dot, up to 20, then the bare caption again.
    void AdvanceDots();
    bool DotsRunning() const;
    std::string ProgressCaption() const;

    e3::Te3_Panel* Panel1;
    e3::Te3_Panel* Panel2;
    QFrame* Bevel3;
    QLabel* lblStaticText;
    QLabel* ProgressLabel = nullptr; // created on first use
    int Result = -1;

private:
    friend TFormProgressInfo* PrepareProgressInfo(TFormProgressInfo*, const std::string&, const std::string&,
                                                  const std::string&);
    void StartDots(const std::string& caption);

    QTimer* timer_;
    std::string progressText_;
    int dots_ = 0;
};

// Creates the form when none is given, else reuses and resizes it.
TFormMessage* PrepareInfoMessage(TFormMessage* form, const std::string& caption, const std::string& text);
TFormProgressInfo* PrepareProgressInfo(TFormProgressInfo* form, const std::string& caption, const std::string& text,
                                       const std::string& progressText);

} // namespace client
