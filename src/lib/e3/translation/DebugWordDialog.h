#pragma once
// The dialog in which a translator types the words a dictionary lacks: one
// labelled edit per language in a scroll box, and OK, Cancel and Ignore all.
#include "e3/dictionary/ItemSession.h"
#include "framework/Form.h"

#include <vector>

namespace e3 {

class Te3Edit;
class Te3Label;
class Te3Panel;
class Te3ScrollBox;

// A push button that closes its form with a modal result.
class TDebugButton : public fw::TWinControl {
    FW_CLASS()
public:
    TDebugButton(fw::TComponent* owner, fw::TModalResult result);
    void SetText(const std::string& text) override;
    void DoClick() override;

private:
    fw::TModalResult result_;
};

class TfrmDebugWordML : public fw::TCustomForm {
    FW_CLASS()
public:
    // row holds one entry per language and takes what the translator types.
    TfrmDebugWordML(fw::TComponent* owner, const TLanguageList& languages, TLanguageWord& row);

    TDebugButton* bbnOk;
    TDebugButton* bbnCancel;
    TDebugButton* bbnIgnoreAll;
    Te3ScrollBox* scrDebug;

    Te3Edit* Edit(int number) const { return edits_.at(static_cast<size_t>(number)); }
    int CurrentNumber() const { return current_; }

    // Buttons 4 pixels above the bottom, centred, the scroll box above them.
    void ArrangeControls();

private:
    void EditEntered(fw::TObject* sender);
    void EditChanged(fw::TObject* sender);

    TLanguageWord& row_;
    std::vector<Te3Edit*> edits_;
    int current_ = 0;
};

} // namespace e3
