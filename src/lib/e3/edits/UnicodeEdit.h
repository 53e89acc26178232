#pragma once
// A single-line edit for any Unicode text: the plain framework edit (none of
// the engine edit's typed input, lock, colours or marker) with a password
// character that may be any character of the Basic Multilingual Plane, and
// selection positions counted in UTF-16 units.
#include "e3/common/Contract.h"
#include "e3/common/EditCommands.h"
#include "e3/common/ControlBase.h"
#include "e3/edits/Edit.h"

#include <QLineEdit>
#include <QPointer>

#include <memory>

#include <string>
#include <vector>

namespace e3 {

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
extern const fw::TEnumType EditCharCaseType;

class UnicodeEditWidget;
class PasswordCharStyle;

class Te3CustomUnicodeEdit : public Te3Control<fw::TWinControl>, public IEditCommands {
    FW_CLASS()
public:
    ~Te3CustomUnicodeEdit() override;

    std::string GetText() const override;
    void SetText(const std::string& text) override;

    // One character as text; empty when there is none.
    std::string GetPasswordChar() const;
    // Only the first character counts; the empty text turns masking off.
    void SetPasswordChar(const std::string& value);

    // Selection in UTF-16 units. Writing the start drops the selection and
    // puts the caret there; writing the length selects from the start on.
    int32_t GetSelStart() const;
    void SetSelStart(int32_t value);
    int32_t GetSelLength() const;
    void SetSelLength(int32_t value);
    std::string GetSelText() const;

    bool GetAutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool value) { autoSelect_ = value; }
    bool GetReadOnly() const;
    void SetReadOnly(bool value);
    int32_t GetMaxLength() const { return maxLength_; }
    void SetMaxLength(int32_t value);
    TEditBorderStyle GetBorderStyle() const;
    void SetBorderStyle(TEditBorderStyle value);

    // Letters typed (and the text there when it is set) in upper or lower case.
    TEditCharCase GetCharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase value);
    // Whether the selection disappears while the edit does not have the focus.
    bool GetHideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value);

    // The published wide string properties, for form-stream filing.
    virtual std::vector<std::string> WideStringProperties() const { return {"Hint"}; }

    fw::TNotifyEvent OnChange;

    QLineEdit* LineEdit() const;

    // The Edit menu's commands.
    EditCommandState GetEditState() const override;
    void EditUndo(bool forwards) override;
    void SetEditModified(bool value) override;
    void EditCut() override;
    void EditCopy() override;
    void EditPaste() override;
    void EditClear() override;
    void EditSelectAll() override;

protected:
    Te3CustomUnicodeEdit(fw::TComponent* owner, ControlLanguage language);

    // The height of one line of the font, as the edit shows it.
    void AdjustAutoSize() override;
    void ApplyFont() override;
    void ApplyColor() override;

private:
    friend class UnicodeEditWidget;
    void ApplyCharCase();
    void ApplyHideSelection();

    void TextChanged();
    void FocusIn(Qt::FocusReason reason);

    QPointer<UnicodeEditWidget> edit_;
    // Qt asks the widget's style for the mask character; the style outlives
    // its use by the widget (see the destructor).
    std::unique_ptr<PasswordCharStyle> passwordStyle_;
    char16_t passwordChar_ = 0;
    bool autoSelect_ = true;
    int32_t maxLength_ = 0;
    TEditCharCase charCase_ = ecNormal;
    bool hideSelection_ = true;
};

class Te3UnicodeEdit : public Te3CustomUnicodeEdit {
    FW_CLASS()
public:
    explicit Te3UnicodeEdit(fw::TComponent* owner);
};

class Te3_UnicodeEdit : public Te3UnicodeEdit {
    FW_CLASS()
public:
    using Te3UnicodeEdit::Te3UnicodeEdit;

    std::vector<std::string> WideStringProperties() const override { return {"Hint", "Text", "PasswordChar"}; }
};

} // namespace e3
