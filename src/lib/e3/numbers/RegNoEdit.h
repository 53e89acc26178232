#pragma once
// The registration-number edit: a one-line edit that keeps a number of one of
// the kinds of u3/RegNoCheck.h in the shape number part, separator, check part
// while it is typed, and reports an invalid number when the focus leaves.
//
// The number part plays the numeric edit's integer places (RegNoLength), the
// check part its decimal places.
#include "e3/edits/Edit.h"
#include "u3/RegNoCheck.h"

#include <QString>

class QObject;

namespace e3 {

extern const fw::TEnumType RegNoModeType;

class RegNoKeyFilter;

class TRegNoEdit : public Te3CustomEdit {
    FW_CLASS()
public:
    explicit TRegNoEdit(fw::TComponent* owner);
    ~TRegNoEdit() override;

    const fw::TClassInfo& GetLanguageClass() const override;

    u3::TRegNoMode GetInputMode() const { return inputMode_; }
    virtual void SetInputMode(u3::TRegNoMode value);
    bool GetVerify() const { return verify_; }
    void SetVerify(bool value);
    bool GetVisibleCheckDigit() const { return visibleCheckDigit_; }
    void SetVisibleCheckDigit(bool value);
    int32_t GetMaxLengthInc() const { return maxLengthInc_; }
    void SetMaxLengthInc(int32_t value);
    int32_t GetRegNoLength() const { return GetIntegerPlaces(); }
    void SetRegNoLength(int32_t value);

    void SetText(const std::string& text) override;

    // 0 when the text is a valid number of the kind, else 2.
    virtual int Validate(const std::string& text) const;
    // The last text known to be valid; what leaving with an invalid number
    // may put back.
    const std::string& PreviousValue() const { return previousValue_; }

    fw::TInvalidRegNoEvent OnInvalidRegNo;

protected:
    virtual void DoInvalidRegNo(int error, bool& previosValue);

    bool KeyPress(QKeyEvent* event) override;
    void FocusIn(Qt::FocusReason reason) override;
    void FocusOut(Qt::FocusReason reason) override;
    void TextChanged() override;
    void MouseReleased() override;

private:
    friend class RegNoKeyFilter;

    QChar Separator() const;
    int NumberPartEnd(const QString& text) const;
    int Caret() const;
    bool CaretInCheckPart() const;
    bool HasWindow() const { return HasParent(); }
    bool HasFocus() const;
    bool SyntaxOk(const QString& text) const;
    void UpdateMaxLength();
    void SelectNumberPart();
    void SelectCheckPart();
    void ReplaceCheckPart(const QString& newText);
    void SetTextKeepingCaret(const QString& text);
    void ShowRepaired(const QString& text);
    void CheckOnExit();
    // Tab and Shift+Tab between the two parts; true when the key stays here.
    bool TabBetweenParts(bool backwards);
    void Change();

    u3::TRegNoMode inputMode_ = u3::rnmNone;
    bool verify_ = true;
    bool visibleCheckDigit_ = true;
    int32_t maxLengthInc_ = 2;
    std::string previousValue_;
    bool mouseEntry_ = false;
    bool updating_ = false;
    RegNoKeyFilter* keyFilter_ = nullptr;
};

class Te3CustomRegNoEdit : public TRegNoEdit {
    FW_CLASS()
public:
    using TRegNoEdit::TRegNoEdit;
};

class Te3RegNoEdit : public Te3CustomRegNoEdit {
    FW_CLASS()
public:
    using Te3CustomRegNoEdit::Te3CustomRegNoEdit;
};

class Te3_RegNoEdit : public Te3RegNoEdit {
    FW_CLASS()
public:
    using Te3RegNoEdit::Te3RegNoEdit;
};

} // namespace e3
