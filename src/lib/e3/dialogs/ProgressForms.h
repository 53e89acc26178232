#pragma once
// The two small progress windows: TFormProgress, the program's one window for
// the progress of a submission transfer, and TFormGauge, a form the engine
// creates by name whose progress loop it drives through engine events.
#include "framework/Events.h"
#include "framework/Form.h"

#include <functional>
#include <string>

class QLabel;

namespace e3 {

class Te3_Bevel;
class Te3_Gauge;
class Te3_GroupBox;
class Te3_Label;
class Te3_Memo;
class Te3_Panel;
class Te3_SpeedButton;

class TFormProgress : public fw::TCustomForm {
    FW_CLASS()
public:
    explicit TFormProgress(fw::TComponent* owner);
    ~TFormProgress() override;

    // Closing is always allowed.
    bool CloseQuery() override { return true; }

    Te3_Panel* Panel = nullptr;
    Te3_GroupBox* GroupBox = nullptr;
    Te3_Gauge* Gauge = nullptr;
    Te3_Label* lblPercent = nullptr;
    Te3_SpeedButton* spbCancel = nullptr;

    // Called with the Cancel button when it is clicked (after the form took
    // its modal result).
    fw::TNotifyEvent OnCancel;
};

// The program's progress form, or nullptr while there is none.
TFormProgress* FormProgress();
// The progress form, created (without owner, not shown) when there is none.
// While it exists, losing the engine link frees it before anything else is
// shown to the user.
TFormProgress* CreateFormProgress();
// Frees the progress form when there is one.
void FreeFormProgress();

// The engine's gauge form.

class TFormGauge : public fw::TCustomForm {
    FW_CLASS()
public:
    explicit TFormGauge(fw::TComponent* owner);
    ~TFormGauge() override;

    // Published, all write-only.
    void ShowAction(const std::string&);
    void ShowModalAction(const std::string&);
    void ResizeAction(const std::string&);
    void ExecuteAction(const std::string&);
    void SetCancel(bool value) { cancel_ = value; }
    void SetMinValue(int32_t value);
    void SetMaxValue(int32_t value);
    void SetProgress(int32_t value);

    bool Cancelled() const { return cancel_; }

    Te3_Panel* pnlTop = nullptr;
    Te3_Label* lblComments = nullptr;
    Te3_Bevel* Bevel1 = nullptr;
    Te3_Panel* pnlMain = nullptr;
    Te3_Label* Comentarios = nullptr;
    Te3_Memo* Memo = nullptr;
    Te3_GroupBox* gbxProgress = nullptr;
    Te3_Gauge* ProgressBar = nullptr;
    Te3_Panel* pnlBottom = nullptr;
    Te3_SpeedButton* spbOk = nullptr;
    Te3_SpeedButton* spbCancel = nullptr;

    // The loop's start, progress and end events; _Execute sets them to the
    // event list's handlers (kept when the client has none to give).
    fw::TNotifyEvent OnStart;
    fw::TNotifyEvent OnStep;
    fw::TMaxValueEvent OnEnd;

private:
    void CancelClick();

    bool cancel_ = false;
};

} // namespace e3
