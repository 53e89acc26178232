#pragma once
// The single-line edit the engine puts on its forms: typed input and input
// mask (TAlignEdit), the engine's lock, colours and marker (Te3CustomEdit), the
// published design properties (Te3Edit) and the class the engine creates
// (Te3_Edit).
#include "e3/common/Contract.h"
#include "e3/common/EditCommands.h"
#include "e3/common/ControlBase.h"
#include "e3/edits/EditInput.h"
#include "e3/edits/EditMask.h"

#include <QLineEdit>

namespace e3 {

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TEditBorderStyle { bsNone, bsSingle };

extern const fw::TEnumType EditTypesType;
extern const fw::TEnumType AlignmentType;
extern const fw::TEnumType EditBorderStyleType;

// What an edit does that would wait for a person or make a noise; tests
// install a recording one.
class EditFeedback {
public:
    virtual ~EditFeedback() = default;
    virtual void Beep() = 0;
    // A message box with an OK button.
    virtual void ShowWarning(const std::string& title, const std::string& text) = 0;
};
EditFeedback& CurrentEditFeedback();
// Installs an implementation (not owned); nullptr restores the Qt one.
void SetEditFeedback(EditFeedback* feedback);

inline constexpr const char* InvalidMaskInputText = "Invalid input value.  Use escape key to abandon changes";

class EditWidget;

class TAlignEdit : public Te3Control<fw::TWinControl>, public IEditCommands {
    FW_CLASS()
public:
    explicit TAlignEdit(fw::TComponent* owner);

    TEditTypes GetEditType() const { return editType_; }
    void SetEditType(TEditTypes value);
    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    int32_t GetIntegerPlaces() const { return integerPlaces_; }
    void SetIntegerPlaces(int32_t value);
    int32_t GetDecimalPlaces() const { return decimalPlaces_; }
    void SetDecimalPlaces(int32_t value);
    double GetMinValue() const { return minValue_; }
    void SetMinValue(double value);
    double GetMaxValue() const { return maxValue_; }
    void SetMaxValue(double value);
    std::string GetEditMask() const { return mask_.maskText(); }
    void SetEditMask(const std::string& value);
    // The text as shown, mask literals and blanks included.
    std::string GetEditText() const;
    void SetEditText(const std::string& value);
    std::string GetEnumerationChar() const { return enumerationChar_; }
    void SetEnumerationChar(const std::string& value) { enumerationChar_ = value; }
    bool GetSaveText() const { return saveText_; }
    void SetSaveText(bool value) { saveText_ = value; }
    int32_t GetMaxLength() const { return maxLength_; }
    void SetMaxLength(int32_t value);
    bool GetAllEvents() const { return allEvents_; }
    void SetAllEvents(bool value) { allEvents_ = value; }
    bool GetAutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool value) { autoSelect_ = value; }
    bool GetReadOnly() const;
    void SetReadOnly(bool value) { ReadOnlyMessage(value); }
    bool GetModified() const { return modified_; }
    void SetModified(bool value) { modified_ = value; }
    int32_t GetSelStart() const;
    void SetSelStart(int32_t value);
    int32_t GetSelLength() const;
    void SetSelLength(int32_t value);
    std::string GetSelText() const;
    void SetSelText(const std::string& value);
    TEditBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TEditBorderStyle value);
    std::string GetStrFloat() const;
    void SetStrFloat(const std::string& value);

    // Masked: the value without the blank characters (literals as the mask
    // says); otherwise the shown text.
    std::string GetText() const override;
    void SetText(const std::string& text) override;

    void SelectAll();
    void SetFocus();
    // The clipboard commands a menu sends to the edit window: the same input
    // rules as the keys.
    void CutToClipboard() { CheckedCut(); }
    void PasteFromClipboard() { CheckedPaste(); }
    void ClearSelection() { CheckedClear(); }

    // The Edit menu's commands.
    EditCommandState GetEditState() const override;
    void EditUndo(bool forwards) override;
    void SetEditModified(bool value) override;
    void EditCut() override;
    void EditCopy() override;
    void EditPaste() override;
    void EditClear() override;
    void EditSelectAll() override;
    // The number the text stands for, held to the range.
    double CurrentNumber() const;

    fw::TNotifyEvent OnChange;

    QLineEdit* LineEdit() const;

protected:
    // The window's read-only switch; the contract layer intercepts it.
    virtual void ReadOnlyMessage(bool value);
    // The edit raises OnKeyPress, OnEnter and OnExit from its own window, where
    // the typed input, the decimal reformat and the mask check decide them; the
    // framework's input bridge must not raise them a second time.
    void DoKeyPress(char32_t&) override {}
    void DoEnter() override {}
    void DoExit() override {}
    void MarkReadOnly(bool value);

    // Entry points from the window, for edits that shape their text as it is
    // typed. KeyPress answers true when the key was dealt with.
    virtual bool KeyPress(QKeyEvent* event);
    virtual void FocusIn(Qt::FocusReason reason);
    virtual void FocusOut(Qt::FocusReason reason);
    virtual void TextChanged();
    // After the window's own handling of a mouse button release.
    virtual void MouseReleased();

private:
    friend class EditWidget;

    TEditTypes EffectiveType() const;
    EditInputRules Rules() const;
    EditState CurrentState() const;
    void ShowText(const std::string& text);
    void ApplyState(const EditState& state);
    void ApplyForcedMaxLength();
    void ReformatDecimal();

    bool MaskedKey(QKeyEvent* event);
    bool WantsEscape() const;
    void DeliverKey(char32_t key);
    void CheckedCut();
    void CheckedPaste();
    void CheckedClear();
    void MaskedPaste();
    void MaskedCut();
    void ApplyMasked(const MaskedText& state, bool byUser);
    void PutMaskCaretRight();
    void ValidateMask();
    void ShowMaskWarning();

    EditWidget* edit_;
    TEditTypes editType_ = etString;
    TAlignment alignment_ = taLeftJustify;
    int32_t integerPlaces_ = 5;
    int32_t decimalPlaces_ = 2;
    double minValue_ = 0;
    double maxValue_ = 0;
    EditMask mask_;
    std::string enumerationChar_;
    bool saveText_ = true;
    int32_t maxLength_ = 0;
    bool allEvents_ = false;
    bool autoSelect_ = true;
    bool modified_ = false;
    TEditBorderStyle borderStyle_ = bsSingle;
    std::string lastTextWritten_;
    std::string enteredText_;
    bool reentering_ = false;
};

class Te3CustomEdit : public TAlignEdit {
    FW_CLASS()
public:
    explicit Te3CustomEdit(fw::TComponent* owner);

    void SetEnabled(bool value) override;
    void Loaded() override;
    void SetColor(fw::TColor color) override;
    void SetParent(fw::TWinControl* parent) override;

    bool GetLockedEdit() const { return readOnlyLock_.Locked(); }
    void SetLockedEdit(bool value);
    fw::TColor GetDisabledColor() const { return colors_.disabledColor; }
    void SetDisabledColor(fw::TColor value);
    fw::TColor NormalColor() const { return colors_.normalColor; }

    bool GetMnShow() const { return marker_.GetShow(); }
    void SetMnShow(bool value) { marker_.SetShow(value); }
    int32_t GetMnWidth() const { return marker_.GetWidth(); }
    void SetMnWidth(int32_t value) { marker_.SetWidth(value); }
    int32_t GetMnHeight() const { return marker_.GetHeight(); }
    void SetMnHeight(int32_t value) { marker_.SetHeight(value); }
    fw::TColor GetMnColor() const { return marker_.GetColor(); }
    void SetMnColor(fw::TColor value) { marker_.SetColor(value); }
    const MandatoryMarker& Marker() const { return marker_.Widget(); }

protected:
    void ReadOnlyMessage(bool value) override;
    void ApplyEnabled() override;
    void Ctl3DChanged() override;

private:
    bool Designing() const { return HasState(fw::csDesigning); }
    void UpdateMarker();
    void SwitchReadOnly(bool value);

    ColorContract colors_;
    ReadOnlyLock readOnlyLock_;
    LazyMandatoryMarker marker_;
};

class Te3Edit : public Te3CustomEdit {
    FW_CLASS()
public:
    using Te3CustomEdit::Te3CustomEdit;
};

class Te3_Edit : public Te3Edit {
    FW_CLASS()
public:
    using Te3Edit::Te3Edit;
};

} // namespace e3
